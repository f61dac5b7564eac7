// The phase dots over the dial: where each dot lies and how it fades; the halos of new dots
// attach, animate, delete themselves and never outlive their display.

#include "UiTestSupport.h"

#include <thread>

#include "ui/displays/ShortLigthedNewPoint.h"

using namespace uitest;
using Dots = KeysteadEditor::S1ListDisplayComponent;
using Halo = Dots::ShortLigthedNewPoint;

namespace
{
    using S1Float = KeysteadProcessor::S1Float;

    void setList (KeysteadProcessor& engine, float reference, int ageCounter, std::vector<S1Float> values)
    {
        auto& list = engine.s1List;
        const juce::ScopedLock recentPhaseListLock (list.lock);
        list.values = std::move (values);
        list.ageCounter = ageCounter;
        list.reference = S1Float (reference, 0, 0.5f);
    }

    juce::uint8 alphaAt (const juce::Image& image, juce::Point<float> p)
    {
        return image.getPixelAt (juce::roundToInt (p.x - 0.5f), juce::roundToInt (p.y - 0.5f)).getAlpha();
    }

    // Halos that have not yet deleted themselves are children of the display or still have a
    // thread; both are gone once every halo has finished.
    bool allHalosGone() { return threadsNamed ("Lighting new notes") == 0; }
}

TEST (PhaseDots, EachDotLiesAtItsOffsetFromTheReferenceAndFadesWithAge)
{
    EditorFixture f;
    auto& dots = *f.openStill().s1ListDisplay;
    ASSERT_EQ (dots.getBounds(), juce::Rectangle<int> (339, 326, 171, 171));

    // The reference is 0.1 and the list's age counter 300; an age of 300 is the newest dot.
    struct Row { const char* name; float phase, radius; int age; juce::Point<float> at; juce::uint8 alpha; };
    const Row rows[] = {
        { "on the reference: 12 o'clock", 0.1f, 0.8f, 300, { 85.5f, 17.1f }, 0xFF },
        { "a quarter later: 3 o'clock", 0.35f, 0.8f, 300, { 153.9f, 85.5f }, 0xFF },
        { "half way round: 6 o'clock", 0.6f, 0.5f, 300, { 85.5f, 128.25f }, 0xFF },
        { "100 insertions old", 0.35f, 0.8f, 200, { 153.9f, 85.5f }, 128 },
        { "200 insertions old", 0.35f, 0.8f, 100, { 153.9f, 85.5f }, 0 },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        setList (f.engine, 0.1f, 300, { S1Float (row.phase, row.age, row.radius) });

        const float offset = row.phase - 0.1f;
        const auto want = Dots::DotPosition (offset < 0.0f ? offset + 1.0f : offset, row.radius, 171, 171);
        EXPECT_NEAR (want.x, row.at.x, 0.01f);
        EXPECT_NEAR (want.y, row.at.y, 0.01f);

        const auto image = snapshot (dots);
        EXPECT_EQ (alphaAt (image, want), row.alpha);
        EXPECT_EQ (alphaAt (image, want + juce::Point<float> (4.0f, 0.0f)), 0) << "the dot is 4 pixels wide";
        if (row.alpha != 0)
        {
            EXPECT_EQ (image.getPixelAt ((int) want.x, (int) want.y).getARGB() & 0xFFFFFFu, 0u) << "black";
        }
    }

    // Nothing with no reference yet, though the list holds a phase, nor once a reset is asked for
    // and not yet carried out by an audio block.
    const auto blank = [&] { return alphaAt (snapshot (dots), { 85.5f, 17.1f }) == 0; };
    setList (f.engine, -1.0f, 300, { S1Float (0.1f, 300, 0.8f) });
    EXPECT_TRUE (blank());
    setList (f.engine, 0.1f, 300, { S1Float (0.1f, 300, 0.8f) });
    f.engine.ResetLists();
    EXPECT_TRUE (blank());
}

TEST (PhaseDots, HaloAttachesToTheHiddenDisplayAndDeletesItselfWhenDone)
{
    EditorFixture f;
    auto& dots = *f.openStill().s1ListDisplay;
    ASSERT_FALSE (dots.isVisible());

    // As the new-dot hand-over's message builds it. A halo whose five steps end before the message
    // thread gets to it (a loaded machine) never shows, and another is tried.
    MostChildren seen (dots);
    for (int attempt = 1; attempt <= 20 && seen.most == 0; ++attempt)
    {
        juce::Component::SafePointer<Halo> halo (new Halo (&dots, 85, 20));
        halo->startThread();
        EXPECT_EQ (halo->getParentComponent(), nullptr);
        EXPECT_TRUE (pump ([&] { return halo == nullptr; })) << "deletes itself";
    }
    EXPECT_EQ (seen.most, 1) << "attached by its first update";
    EXPECT_TRUE (pump (allHalosGone));
}

TEST (PhaseDots, HalosNeverOutliveTheDisplay)
{
    // Some halos attached and running, some built but not yet attached, when the editor goes.
    // They are built on another thread, which a halo allows as it has no parent until its first
    // update, although the new-dot hand-over builds them in the message loop.
    EditorFixture f;
    f.openStill();
    auto* display = f.editor->s1ListDisplay.get();
    auto buildThree = [display] (int y)
    {
        std::thread ([display, y]
        {
            for (int i = 0; i < 3; ++i)
                (new Halo (display, 40 + 20 * i, y))->startThread();
            display->triggerAsyncUpdate();
        }).join();
    };

    buildThree (30);
    pump ([&] { return display->getNumChildComponents() == 3; }, 2000);   // unless they ended first
    buildThree (90);

    f.close();
    EXPECT_TRUE (pump (allHalosGone));

    // Messages left over from them are delivered to nothing.
    juce::MessageManager::getInstance()->runDispatchLoopUntil (100);
}
