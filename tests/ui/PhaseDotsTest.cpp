// The phase dots over the dial and the halos of new dots: where each dot lies, how it fades,
// and that halos grow and fade, attach, delete themselves and never outlive their display.

#include "DisplayTestSupport.h"

#include <thread>

#include "ui/displays/ShortLigthedNewPoint.h"

using namespace uitest;
using Dots = KeysteadEditor::S1ListDisplayComponent;
using Halo = Dots::ShortLigthedNewPoint;
using S1Float = KeysteadProcessor::S1Float;

TEST (PhaseDots, EachDotLiesAtItsOffsetFromTheReferenceAndFadesWithAge)
{
    EditorFixture f;
    auto& dots = *f.openStill().s1ListDisplay;
    ASSERT_EQ (dots.getBounds(), juce::Rectangle<int> (339, 326, 171, 171)) << "over the dial";
    const auto show = [&] (float reference, S1Float dot)
    {
        const juce::ScopedLock recentPhaseListLock (f.engine.s1List.lock);
        f.engine.s1List.values = { dot };
        f.engine.s1List.ageCounter = 300;
        f.engine.s1List.reference = S1Float (reference, 0, 0.5f);
    };
    const auto pixel = [&] (juce::Point<float> p) { return snapshot (dots).getPixelAt ((int) p.x, (int) p.y); };

    // The reference is 0.1 and the list's age counter 300: an age of 300 is the newest dot.
    struct Row { const char* name; float phase, radius; int age; juce::Point<float> at; int alpha; };
    const Row rows[] = {
        { "on the reference: 12 o'clock", 0.1f, 0.8f, 300, { 85.5f, 17.1f }, 0xFF },
        { "a quarter later: 3 o'clock", 0.35f, 0.8f, 300, { 153.9f, 85.5f }, 0xFF },
        { "a quarter before: 9 o'clock", 0.85f, 0.8f, 300, { 17.1f, 85.5f }, 0xFF },
        { "half way round, nearer the centre: 6 o'clock", 0.6f, 0.5f, 300, { 85.5f, 128.25f }, 0xFF },
        { "100 insertions old", 0.35f, 0.8f, 200, { 153.9f, 85.5f }, 128 },
        { "200 insertions old", 0.35f, 0.8f, 100, { 153.9f, 85.5f }, 0 },
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        const float offset = row.phase - 0.1f;
        const auto want = Dots::DotPosition (offset < 0.0f ? offset + 1.0f : offset, row.radius, 171, 171);
        EXPECT_NEAR (want.x, row.at.x, 0.01f);
        EXPECT_NEAR (want.y, row.at.y, 0.01f);

        show (0.1f, S1Float (row.phase, row.age, row.radius));
        EXPECT_EQ (pixel (want).getARGB(), (juce::uint32) row.alpha << 24) << "black at its age's alpha";
        EXPECT_EQ (pixel (want + juce::Point<float> (4.0f, 0.0f)).getAlpha(), 0) << "the dot is 4 pixels wide";
    }

    // Nothing at all with no reference yet (-1), though the list holds a phase, nor once a reset
    // is asked for and not yet carried out by an audio block.
    show (-1.0f, S1Float (0.1f, 300, 0.8f));
    EXPECT_TRUE (blank (snapshot (dots))) << "no reference";
    show (0.1f, S1Float (0.1f, 300, 0.8f));
    f.engine.ResetLists();
    EXPECT_TRUE (blank (snapshot (dots))) << "reset pending";
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
        const auto image = snapshot (halo);

        const int k = 6 - step, middle = cy - 5 * k + (10 * k + 4) / 2;
        const auto yellow = juce::Colours::yellow.withAlpha ((juce::uint8) (step * 0x33));
        EXPECT_TRUE (near (image.getPixelAt (cx + 2, middle), yellow, 3));
        EXPECT_GT (image.getPixelAt (cx - 5 * k, middle).getAlpha(), 0) << "left edge";
        EXPECT_EQ (image.getPixelAt (cx - 5 * k - 1, middle).getAlpha(), 0);
        EXPECT_GT (image.getPixelAt (cx - 5 * k + 10 * k + 3, middle).getAlpha(), 0) << "right edge";
        EXPECT_EQ (image.getPixelAt (cx - 5 * k + 10 * k + 4, middle).getAlpha(), 0);
    }
}

TEST (PhaseDots, HaloAttachesToTheHiddenDisplayAndDeletesItselfWhenDone)
{
    EditorFixture f;
    auto& dots = *f.openStill().s1ListDisplay;
    ASSERT_FALSE (dots.isVisible());

    // As the new-dot hand-over's message builds it: no parent yet, its thread started. A halo whose
    // five steps end before the message thread gets to it (a loaded machine) never shows, and
    // another is tried.
    MostChildren seen (dots);
    for (int attempt = 1; attempt <= 20 && seen.most == 0; ++attempt)
    {
        juce::Component::SafePointer<Halo> halo (new Halo (&dots, 85, 20));
        halo->startThread();
        EXPECT_EQ (halo->getParentComponent(), nullptr);
        EXPECT_TRUE (pump ([&] { return halo == nullptr; })) << "deletes itself";
    }
    EXPECT_EQ (seen.most, 1) << "attached by its first update";
    EXPECT_TRUE (pump ([] { return threadsNamed ("Lighting new notes") == 0; }));
}

TEST (PhaseDots, HalosNeverOutliveTheDisplay)
{
    // Some attached and running, some built on another thread but not yet attached, when the editor goes.
    EditorFixture f;
    auto* dots = f.openStill().s1ListDisplay.get();
    const auto buildThree = [dots] (int y)
    {
        std::thread ([dots, y] {
            for (int i = 0; i < 3; ++i)
                (new Halo (dots, 40 + 20 * i, y))->startThread();
            dots->triggerAsyncUpdate();
        }).join();
    };
    buildThree (30);
    pump ([&] { return dots->getNumChildComponents() == 3; }, 2000);  // unless they ended first
    buildThree (90);
    f.close();
    EXPECT_TRUE (pump ([] { return threadsNamed ("Lighting new notes") == 0; }));
    juce::MessageManager::getInstance()->runDispatchLoopUntil (100);  // leftover messages reach nothing
}
