// The chord strip: its labels, the ring of fading points, the bars' pushing rules, what paint
// draws in each mode, and repaint messages that outlive the strip.

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

        void bars (int good, int noChord)
        {
            f.engine.goodNoMetronome = good;
            f.engine.noChordNoMetronome = noChord;
            for (auto [bar, x] : { std::pair { &strip.goodBar, good }, { &strip.noChordBar, noChord } })
            {
                bar->startX = bar->currentX = x;
                bar->PlaceAtCurrentX();
            }
        }

        // As the editor's notification does it, delivered at once.
        void addChord (float ms)
        {
            (new Strip::AsyncAddChord (&strip, ms, juce::Colours::black))->handleAsyncUpdate();
        }

        void drag (Strip::MovableVerticalBar& bar, float dx)
        {
            bar.mouseDrag (mouseAt (bar, { 2.0f + dx, 30.0f }, juce::Point<float> (2.0f, 30.0f)));
            bar.mouseUp (mouseAt (bar, { 2.0f + dx, 30.0f }, juce::Point<float> (2.0f, 30.0f)));
        }
    };
}

TEST (ChordStrip, LabelsShowTruncatedMillisecondsAndDropTheUnitWhenNarrow)
{
    struct Row { const char* name; int good, noChord; const char *goodMs, *noChordMs; };
    const Row rows[] = {
        { "defaults", 50, 100, "42 ms", "85 ms" },
        { "lowest and middle", 29, 88, "24", "74 ms" },
        { "middle and end", 88, 176, "74 ms", "149 ms" },
        { "narrow bad zone", 146, 176, "124 ms", "149" },
    };

    StripFixture s;
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        s.bars (row.good, row.noChord);
        snapshot (s.strip);
        EXPECT_EQ (s.strip.goodMsLabel.getText(), row.goodMs);
        EXPECT_EQ (s.strip.noChordMsLabel.getText(), row.noChordMs);
        EXPECT_EQ (s.strip.goodMsLabel.getBounds(), juce::Rectangle<int> (0, 0, row.good, 10));
        EXPECT_EQ (s.strip.badLabel.getBounds(), juce::Rectangle<int> (row.good, 0, row.noChord - row.good, 73));

        // The zone names at the largest height that fits, not below 10.
        for (auto* label : { &s.strip.goodLabel, &s.strip.badLabel })
        {
            const auto& font = label->getFont();
            const int room = label->getWidth() - label->getBorderSize().getLeftAndRight();
            const auto text = label->getText();
            const auto width = [&] (float h) { return std::ceil (font.withHeight (h).getStringWidthFloat (text)); };
            EXPECT_TRUE (font.getHeight() == 10.0f || width (font.getHeight()) <= (float) room) << text;
            EXPECT_TRUE (font.getHeight() == 20.0f || width (font.getHeight() + 1.0f) > (float) room) << text;
        }
    }
}

TEST (ChordStrip, PointsSitAtTheirSpreadAndFadeAroundTheRing)
{
    struct Row { const char* name; float ms; int x; };
    const Row rows[] = { { "0 ms", 0.0f, 0 }, { "42.6 ms", 42.6f, 48 }, { "150 ms", 150.0f, 172 },
                         { "negative at its magnitude", -42.6f, 48 } };
    for (const auto& row : rows)
        EXPECT_EQ (Strip::PointX (row.ms), row.x) << row.name;

    StripFixture s;
    s.addChord (42.6f);
    auto* first = s.strip.points[1].get();
    ASSERT_NE (first, nullptr) << "the first chord goes to slot 1";
    EXPECT_EQ (first->getX(), 48);
    EXPECT_TRUE (first->getY() >= 0 && first->getBottom() <= 73);
    EXPECT_EQ (first->getParentComponent(), &s.strip);

    for (int i = 1; i < 50; ++i)
        s.addChord ((float) i);
    EXPECT_EQ (s.strip.points[1].get(), first) << "fifty chords fill the ring";

    s.addChord (150.0f);
    EXPECT_EQ (s.strip.ringIndex, 1);
    EXPECT_NE (s.strip.points[1].get(), first) << "the 51st takes the first one's slot";
    EXPECT_EQ (s.strip.points[1]->getX(), 172);
    EXPECT_EQ (s.strip.getNumChildComponents(), 6 + 50);

    // The newest opaque, the oldest nearly gone.
    const auto alphaOf = [] (Strip::PointComponent& p) { return snapshot (p).getPixelAt (1, 1).getAlpha(); };
    EXPECT_EQ (std::tuple (alphaOf (*s.strip.points[1]), alphaOf (*s.strip.points[2])), std::tuple (255, 5));
}

TEST (ChordStrip, BarsPushTheirPartnerAndStayWithinTheScale)
{
    struct Row { const char* name; bool dragGood; float dx; int wantGood, wantNoChord; };
    const Row rows[] = {
        { "good right, free", true, 20.0f, 70, 100 },
        { "good pushes no-chord", true, 60.0f, 109, 139 },
        { "good stops at 146", true, 200.0f, 146, 176 },
        { "good left stops at 29", true, -100.0f, 29, 100 },
        { "no-chord left, free", false, -20.0f, 50, 80 },
        { "no-chord pushes good", false, -40.0f, 30, 60 },
        { "no-chord stops at 58", false, -100.0f, 29, 58 },
        { "no-chord right stops at 176", false, 200.0f, 50, 176 },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        StripFixture s;
        s.bars (50, 100);
        s.drag (row.dragGood ? s.strip.goodBar : s.strip.noChordBar, row.dx);

        EXPECT_EQ (std::tuple (s.strip.goodBar.currentX, s.strip.noChordBar.currentX),
                   std::tuple (row.wantGood, row.wantNoChord));
        EXPECT_EQ (std::tuple (s.f.engine.goodNoMetronome.load(), s.f.engine.noChordNoMetronome.load()),
                   std::tuple (row.wantGood, row.wantNoChord)) << "written to the engine";
        EXPECT_EQ (s.strip.noChordBar.getBounds(), juce::Rectangle<int> (row.wantNoChord - 2, 0, 5, 73));
        EXPECT_EQ (s.strip.goodBar.startX, row.wantGood) << "the next drag starts where this one ended";
    }

}

TEST (ChordStrip, PaintDrawsTheZonesAtTheModesAlphaAndTheHalo)
{
    const auto good = KeysteadEditor::MS_GOOD_COLOUR, bad = KeysteadEditor::MS_BAD_COLOUR;
    constexpr int y = 68;  // below the zone names

    struct Row { const char* name; int tempoMode; juce::uint8 alpha; bool gradient; };
    const Row rows[] = { { "chord mode", 0, 0xFF, true }, { "tempo mode", 1, 0x77, false } };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        StripFixture s;
        s.f.engine.tempoMode = row.tempoMode;
        s.bars (50, 100);
        const auto image = onWhite (s.strip);
        const auto at = [&] (int x) { return image.getPixelAt (x, y); };

        EXPECT_TRUE (near (at (25), overWhite (good, row.alpha))) << "good zone";
        EXPECT_TRUE (near (at (90), overWhite (bad, row.alpha))) << "bad zone";
        EXPECT_TRUE (near (at (140), juce::Colours::white)) << "beyond the no-chord bar";
        EXPECT_TRUE (near (at (100), overWhite (juce::Colours::black, row.alpha))) << "the no-chord bar's centre line";
        EXPECT_TRUE (near (at (101), juce::Colours::white)) << "the bar is one pixel wide";

        // 25 ms of green turning pink after the good bar, in chord mode only.
        const auto turning = at (60);
        const bool mixed = turning.getRed() > good.getRed() + 20 && turning.getGreen() > bad.getGreen() + 20;
        EXPECT_TRUE (row.gradient ? mixed : (bool) near (turning, overWhite (bad, row.alpha)))
            << turning.toDisplayString (true);
    }

    // The newest point's halo, centred on it, while the thread's step is above 0.
    StripFixture s;
    s.bars (50, 100);
    s.addChord (100.0f);
    s.strip.newChordThread->stopThread (-1);
    auto& point = *s.strip.points[1];
    for (auto [step, alpha] : { std::pair { 5, 0xFF }, { 3, 0x99 }, { 0, 0 } })
    {
        s.strip.newChordThread->step = step;
        const auto image = s.strip.createComponentSnapshot (s.strip.getLocalBounds(), false);
        const auto beside = image.getPixelAt (point.getX() - 3, point.getY() + 2);
        EXPECT_EQ (beside.getAlpha(), alpha) << "step " << step;
    }
}

TEST (ChordStrip, HaloThreadEndsAtStepZeroAndItsMessagesOutliveTheStrip)
{
    {
        StripFixture s;
        s.addChord (30.0f);
        EXPECT_TRUE (pump ([&] { return ! s.strip.newChordThread->isThreadRunning(); }));
        EXPECT_EQ (s.strip.newChordThread->step.load(), 0);
    }

    // The editor goes while the halo runs, with repaints posted and a chord still on its way.
    EditorFixture f;
    f.openStill();
    auto* strip = f.editor->chordDisplay.get();
    (new Strip::AsyncAddChord (strip, 10.0f, juce::Colours::black))->handleAsyncUpdate();
    juce::Thread::sleep (60);
    auto post = [strip] { (new Strip::AsyncAddChord (strip, 20.0f, juce::Colours::black))->triggerAsyncUpdate(); };
    std::thread (post).join();
    f.close();

    EXPECT_EQ (threadsNamed ("NewChordThread"), 0);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (100);
}
