// The phase dots over the dial and the halos of new dots: where each dot lies, how it fades,
// and that halos attach, animate, delete themselves and never outlive their display.

#include "DisplayTestSupport.h"

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
        { "a quarter before: 9 o'clock", 0.85f, 0.8f, 300, { 17.1f, 85.5f }, 0xFF },
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

        const auto image = dots.createComponentSnapshot (dots.getLocalBounds(), false);
        EXPECT_EQ (alphaAt (image, want), row.alpha);
        EXPECT_EQ (alphaAt (image, want + juce::Point<float> (4.0f, 0.0f)), 0) << "the dot is 4 pixels wide";
        if (row.alpha != 0)
        {
            EXPECT_EQ (image.getPixelAt ((int) want.x, (int) want.y).getARGB() & 0xFFFFFFu, 0u) << "black";
        }
    }

    // No reference yet: nothing at all, though the list holds a phase.
    setList (f.engine, -1.0f, 300, { S1Float (0.1f, 300, 0.8f) });
    const auto empty = dots.createComponentSnapshot (dots.getLocalBounds(), false);
    EXPECT_TRUE (regionMatches (empty, empty.getBounds(), juce::Image (juce::Image::ARGB, 171, 171, true)));

    // A reset asked for and not yet carried out by an audio block: the old dots are gone already.
    setList (f.engine, 0.1f, 300, { S1Float (0.1f, 300, 0.8f) });
    f.engine.ResetLists();
    const auto afterReset = dots.createComponentSnapshot (dots.getLocalBounds(), false);
    EXPECT_TRUE (regionMatches (afterReset, afterReset.getBounds(), juce::Image (juce::Image::ARGB, 171, 171, true)));
}

TEST (PhaseDots, HaloGrowsAndFadesAroundTheTruncatedCentre)
{
    EditorFixture f;
    auto& dots = *f.openStill().s1ListDisplay;
    const int cx = 100, cy = 60;

    for (int step = 5; step >= 1; --step)
    {
        SCOPED_TRACE ("step " + std::to_string (step));
        Halo halo (&dots, cx, cy);
        halo.step = step;
        ASSERT_EQ (halo.getBounds(), dots.getLocalBounds());
        const auto image = halo.createComponentSnapshot (halo.getLocalBounds(), false);

        const int k = 6 - step, middle = cy - 5 * k + (10 * k + 4) / 2;
        const auto centre = image.getPixelAt (cx + 2, middle);
        EXPECT_TRUE (near (centre, juce::Colours::yellow.withAlpha ((juce::uint8) (step * 0x33)), 3));
        EXPECT_GT (image.getPixelAt (cx - 5 * k, middle).getAlpha(), 0) << "left edge";
        EXPECT_EQ (image.getPixelAt (cx - 5 * k - 1, middle).getAlpha(), 0);
        EXPECT_GT (image.getPixelAt (cx - 5 * k + 10 * k + 3, middle).getAlpha(), 0) << "right edge";
        EXPECT_EQ (image.getPixelAt (cx - 5 * k + 10 * k + 4, middle).getAlpha(), 0);
    }
}

TEST (PhaseDots, HaloAttachesToTheHiddenDisplayAnimatesAndDeletesItself)
{
    EditorFixture f;
    auto& dots = *f.openStill().s1ListDisplay;
    ASSERT_FALSE (dots.isVisible());

    // As the new-dot hand-over's message builds it: no parent yet, its thread started.
    auto* halo = new Halo (&dots, 85, 20);
    halo->startThread();
    EXPECT_EQ (halo->getParentComponent(), nullptr);

    std::set<int> stepsSeen;
    EXPECT_TRUE (pump ([&]
    {
        if (dots.getNumChildComponents() == 1)
            stepsSeen.insert (dynamic_cast<Halo*> (dots.getChildComponent (0))->step);
        return stepsSeen.count (0) == 1 || (stepsSeen.size() > 1 && dots.getNumChildComponents() == 0);
    }));
    EXPECT_GE (stepsSeen.size(), 3u) << "it is repainted step by step";
    EXPECT_TRUE (pump ([&] { return dots.getNumChildComponents() == 0 && allHalosGone(); }));
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
    ASSERT_TRUE (pump ([&] { return display->getNumChildComponents() == 3; }));
    buildThree (90);

    f.close();
    EXPECT_TRUE (pump (allHalosGone));

    // Messages left over from them are delivered to nothing.
    juce::MessageManager::getInstance()->runDispatchLoopUntil (100);
}
