// The chord strip: the ring of fading points and what paint draws in each mode.

#include "UiTestSupport.h"

#include <thread>

#include "ui/displays/AsyncAddChord.h"
#include "ui/displays/MovableVerticalBar.h"
#include "ui/displays/NewChordThread.h"
#include "ui/displays/PointComponent.h"

using namespace uitest;
using Strip = KeysteadEditor::DisplayComponent;

namespace
{
    struct StripFixture
    {
        EditorFixture f;
        KeysteadEditor& e = f.openStill();
        Strip& strip = *e.chordDisplay;

        // The bars stand at the engine's default limits, 50 and 100 pixels.
        explicit StripFixture (int tempoMode = 0) { f.engine.tempoMode = tempoMode; }

        // As the editor's notification does it, delivered at once.
        void addChord (float ms)
        {
            (new Strip::AsyncAddChord (&strip, ms, juce::Colours::black))->handleAsyncUpdate();
        }
    };
}

TEST (ChordStrip, PointsSitAtTheirSpreadAndFadeAroundTheRing)
{
    for (auto [ms, x] : { std::pair { 0.0f, 0 }, { 42.6f, 48 }, { 150.0f, 172 }, { -42.6f, 48 } })
        EXPECT_EQ (Strip::PointX (ms), x) << ms << " ms";

    StripFixture s;
    for (int i = 0; i < 50; ++i)
        s.addChord ((float) i);
    ASSERT_NE (s.strip.points[1], nullptr) << "the first chord goes to slot 1";

    s.addChord (150.0f);
    EXPECT_EQ (s.strip.ringIndex, 1) << "the 51st takes the first one's slot";
    EXPECT_EQ (s.strip.points[1]->getX(), 172);

    // The newest opaque, the oldest nearly gone.
    const auto alphaOf = [] (Strip::PointComponent& p) { return (int) snapshot (p).getPixelAt (1, 1).getAlpha(); };
    EXPECT_EQ (std::pair (alphaOf (*s.strip.points[1]), alphaOf (*s.strip.points[2])), std::pair (255, 5));
}

TEST (ChordStrip, TheNoChordBarDraggedLeftPushesTheGoodBarAndTheEngineGetsBothLimits)
{
    // From 50 and 100 by 40 pixels: the good bar gives way to 29 1/3 pixels (25 ms) below.
    StripFixture s;
    auto& bar = s.strip.noChordBar;
    bar.mouseDrag (mouseAt (bar, { -38.0f, 30.0f }, juce::Point<float> (2.0f, 30.0f)));
    EXPECT_EQ (std::pair (s.f.engine.goodNoMetronome.load(), s.f.engine.noChordNoMetronome.load()), std::pair (30, 60));
}

TEST (ChordStrip, PaintDrawsTheZonesAtTheModesAlphaAndTheHalo)
{
    const auto good = KeysteadEditor::MS_GOOD_COLOUR, bad = KeysteadEditor::MS_BAD_COLOUR;
    for (auto [tempoMode, alpha] : { std::pair { 0, 0xFF }, { 1, 0x77 } })
    {
        SCOPED_TRACE (tempoMode);
        StripFixture s (tempoMode);
        const auto image = onWhite (s.strip);
        const auto at = [&] (int x) { return image.getPixelAt (x, 68); };  // below the zone names
        const auto a = (juce::uint8) alpha;
        // The zones, beyond the no-chord bar, its one-pixel centre line.
        for (auto [x, colour] : { std::pair { 25, overWhite (good, a) }, { 90, overWhite (bad, a) },
                                  { 140, juce::Colours::white }, { 100, overWhite (juce::Colours::black, a) },
                                  { 101, juce::Colours::white } })
            EXPECT_TRUE (near (at (x), colour)) << x;

        // 25 ms of green turning pink after the good bar, in chord mode only.
        const auto turning = at (60);
        const bool mixed = turning.getRed() > good.getRed() + 20 && turning.getGreen() > bad.getGreen() + 20;
        EXPECT_TRUE (tempoMode == 0 ? mixed : (bool) near (turning, overWhite (bad, a)));
    }

    // The newest point's halo, centred on it, while the thread's step is above 0.
    StripFixture s;
    s.addChord (100.0f);
    s.strip.newChordThread->stopThread (-1);
    const auto& point = *s.strip.points[1];
    for (auto [step, alpha] : { std::pair { 5, 0xFF }, { 3, 0x99 }, { 0, 0 } })
    {
        s.strip.newChordThread->step = step;
        EXPECT_EQ (snapshot (s.strip).getPixelAt (point.getX() - 3, point.getY() + 2).getAlpha(), alpha) << step;
    }
}

TEST (ChordStrip, HaloMessagesOutliveTheStrip)
{
    // The editor goes while the halo runs, with repaints posted and a chord still on its way.
    StripFixture s;
    s.addChord (10.0f);
    juce::Thread::sleep (60);
    std::thread ([&s] { (new Strip::AsyncAddChord (&s.strip, 20.0f, juce::Colours::black))->triggerAsyncUpdate(); })
        .join();
    s.f.close();
    EXPECT_TRUE (pump ([] { return threadsNamed ("NewChordThread") == 0; })) << "an ended thread lingers briefly";
    juce::MessageManager::getInstance()->runDispatchLoopUntil (100);
}
