// The phase dots over the dial: where each dot lies and how it fades; the halos of new dots
// never outlive their display.

#include "UiTestSupport.h"

#include <thread>

#include "ui/displays/ShortLigthedNewPoint.h"

using namespace uitest;
using S1Float = KeysteadProcessor::S1Float;

TEST (PhaseDots, EachDotLiesAtItsOffsetFromTheReferenceAndFadesWithAge)
{
    EditorFixture f;
    auto& dots = *f.openStill().s1ListDisplay;
    const auto show = [&] (float reference, S1Float dot)
    {
        const juce::ScopedLock recentPhaseListLock (f.engine.s1List.lock);
        f.engine.s1List.values = { dot };
        f.engine.s1List.ageCounter = 300;
        f.engine.s1List.reference = S1Float (reference, 0, 0.5f);
    };
    const auto pixel = [&] (juce::Point<float> p) { return snapshot (dots).getPixelAt ((int) p.x, (int) p.y); };

    // The list's age counter is 300: an age of 300 is the newest dot. Nothing is drawn with no reference
    // yet (-1), nor once a reset is asked for and not yet carried out.
    struct Row { const char* name; float reference, phase; int age; bool reset; juce::Point<float> at; int alpha; };
    const Row rows[] = {
        { "on the reference: 12 o'clock", 0.1f, 0.1f, 300, false, { 85.0f, 17.0f }, 0xFF },
        { "a quarter later: 3 o'clock", 0.1f, 0.35f, 300, false, { 153.0f, 85.0f }, 0xFF },
        { "100 insertions old", 0.1f, 0.35f, 200, false, { 153.0f, 85.0f }, 128 },
        { "200 insertions old", 0.1f, 0.35f, 100, false, { 153.0f, 85.0f }, 0 },
        { "no reference", -1.0f, 0.1f, 300, false, { 85.0f, 17.0f }, 0 },
        { "reset pending", 0.1f, 0.1f, 300, true, { 85.0f, 17.0f }, 0 },
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        show (row.reference, S1Float (row.phase, row.age, 0.8f));
        if (row.reset)
            f.engine.ResetLists();
        EXPECT_EQ (pixel (row.at).getARGB(), (juce::uint32) row.alpha << 24) << "black at its age's alpha";
        EXPECT_EQ (pixel (row.at + juce::Point<float> (4.0f, 0.0f)).getAlpha(), 0) << "the dot is 4 pixels wide";
    }
}

TEST (PhaseDots, HalosNeverOutliveTheDisplay)
{
    // Some attached and running, some built on another thread but not yet attached, when the editor goes.
    using Halo = KeysteadEditor::S1ListDisplayComponent::ShortLigthedNewPoint;
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
