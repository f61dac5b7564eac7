// The chord strip: its labels, the ring of fading points, the bars' pushing rules, what paint
// draws in each mode, and repaint messages that outlive the strip.

#include "DisplayTestSupport.h"

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
        EXPECT_EQ (s.strip.noChordMsLabel.getBounds(), juce::Rectangle<int> (row.good, 0, row.noChord - row.good, 10));
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

    struct AlphaRow { int age; juce::uint8 alpha; };
    for (auto [age, alpha] : { AlphaRow { 0, 255 }, { 1, 249 }, { 2, 244 }, { 49, 5 } })
        EXPECT_EQ (Strip::PointComponent::AlphaForAge (age), alpha) << "age " << age;

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

    const auto alphaOf = [] (Strip::PointComponent& p) { return (int) snapshot (p).getPixelAt (1, 1).getAlpha(); };
    EXPECT_EQ (alphaOf (*s.strip.points[1]), 255) << "newest";
    EXPECT_EQ (alphaOf (*s.strip.points[2]), 5) << "oldest";
    EXPECT_EQ (alphaOf (*s.strip.points[0]), 249);
}

TEST (ChordStrip, PointsFitStripsOfAnyHeight)
{
    for (int height : { 73, 5, 4, 3, 1, 0 })
    {
        SCOPED_TRACE ("height " + std::to_string (height));
        StripFixture s;
        s.strip.setSize (176, height);
        for (int i = 0; i < 10; ++i)
            s.addChord (20.0f);
        for (int i = 1; i <= 10; ++i)
        {
            const int y = s.strip.points[(size_t) i]->getY();
            EXPECT_TRUE (y >= 0 && y <= std::max (0, height - 4)) << y;
        }
    }
}

TEST (ChordStrip, BarsPushTheirPartnerAndStayWithinTheScale)
{
    // From 50 and 100; a partner is pushed 29 1/3 pixels (25 ms) ahead.
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
        s.drag (row.dragGood ? s.strip.goodBar : s.strip.noChordBar, row.dx);

        EXPECT_EQ (std::tuple (s.strip.goodBar.currentX, s.strip.noChordBar.currentX),
                   std::tuple (row.wantGood, row.wantNoChord));
        EXPECT_EQ (std::tuple (s.f.engine.goodNoMetronome.load(), s.f.engine.noChordNoMetronome.load()),
                   std::tuple (row.wantGood, row.wantNoChord)) << "written to the engine";
        EXPECT_EQ (s.strip.goodBar.getBounds(), juce::Rectangle<int> (row.wantGood - 2, 0, 5, 73));
        EXPECT_EQ (s.strip.noChordBar.getBounds(), juce::Rectangle<int> (row.wantNoChord - 2, 0, 5, 73));
        EXPECT_EQ (s.strip.goodBar.startX, row.wantGood) << "the next drag starts where this one ended";
    }

    // Two steps of one drag: the second starts from the press, not from the first step.
    StripFixture s;
    auto& bar = s.strip.goodBar;
    for (float dx : { 10.0f, 15.0f })
        bar.mouseDrag (mouseAt (bar, { 2.0f + dx, 30.0f }, juce::Point<float> (2.0f, 30.0f)));
    EXPECT_EQ (bar.currentX, 65);
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

TEST (ChordStrip, HaloThreadEndsAtStepZeroAndItsMessagesOutliveTheStrip)
{
    {
        StripFixture s;
        s.addChord (30.0f);
        EXPECT_TRUE (s.strip.newChordThread->isThreadRunning()) << "a chord starts the halo";
        EXPECT_TRUE (pump ([&] { return ! s.strip.newChordThread->isThreadRunning(); }));
        EXPECT_EQ (s.strip.newChordThread->step.load(), 0);
    }

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
