// The click dial: the gap between its limits, the hit test, drags, the labels and what paint
// draws in tempo mode.

#include "UiTestSupport.h"

using namespace uitest;
using Dial = KeysteadEditor::ClickDisplayComponent;

namespace
{
    // A pixel on the 171-pixel dial at an angle in degrees from 12 o'clock (on the ring by default).
    juce::Point<float> onRing (float degrees, float distance = 70.0f)
    {
        const double a = degrees * juce::MathConstants<double>::pi / 180.0;
        return { (float) juce::roundToInt (85.0 + distance * std::sin (a)),
                 (float) juce::roundToInt (85.0 - distance * std::cos (a)) };
    }

    struct DialFixture
    {
        EditorFixture f;
        KeysteadEditor& e = f.openStill();
        Dial& dial = *e.clickDisplay;

        DialFixture (float good = 30.0f, float bad = 60.0f, double tempo = 120.0, int subdivisor = 1)
        {
            f.engine.tempo = tempo;
            f.engine.subdivisor = subdivisor;
            limits (good, bad);
        }
        void limits (float good, float bad) { f.engine.goodMetronome = good; f.engine.noChordMetronome = bad; }
    };
}

TEST (ClickDisplay, GapAndMillisecondLabels)
{
    struct Row { const char* name; double tempo; int subdivisor; float good, bad, gap; const char *goodMs, *badMs; };
    const Row rows[] = {
        { "120 bpm quarters", 120.0, 1, 30.0f, 60.0f, 18.0f, "41 ms", "83 ms" },
        { "100 bpm eighths", 100.0, 2, 40.0f, 80.0f, 30.0f, "33 ms", "66 ms" },
        { "capped", 250.0, 4, 44.95f, 89.9f, 44.95f, "7 ms", "14 ms" },
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        DialFixture d (row.good, row.bad, row.tempo, row.subdivisor);
        EXPECT_FLOAT_EQ (KeysteadProcessor::DialGapDegrees (row.tempo, row.subdivisor), row.gap);
        snapshot (d.dial);
        EXPECT_EQ (std::pair (d.dial.goodMsLabel.getText(), d.dial.badMsLabel.getText()),
                   std::pair (juce::String (row.goodMs), juce::String (row.badMs)));
    }
}

TEST (ClickDisplay, GoodGoesFromANarrowWedgeAndPaintingAgainAsksForNoRepaint)
{
    // A label changed by paint repaints the dial beneath it, which paints again: with "GOOD" too
    // wide for a narrow wedge the dial would never rest. Repaint requests reach the dial's cache.
    struct CountingCache : juce::CachedComponentImage
    {
        int invalidations = 0;
        void paint (juce::Graphics&) override {}
        bool invalidateAll() override { ++invalidations; return false; }
        bool invalidate (const juce::Rectangle<int>&) override { ++invalidations; return false; }
        void releaseResources() override {}
    };

    struct Row { const char* name; float good; bool shown; };
    const Row rows[] = { { "default", 30.0f, true }, { "narrow", 12.0f, false } };
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        DialFixture d (row.good, 89.9f);
        auto* cache = new CountingCache();
        d.dial.setCachedComponentImage (cache);
        d.dial.setVisible (true);
        snapshot (d.dial);
        cache->invalidations = 0;
        snapshot (d.dial);
        EXPECT_EQ (cache->invalidations, 0);

        EXPECT_EQ (d.dial.goodLabel.getText(), row.shown ? "GOOD" : "");
    }
}

TEST (ClickDisplay, HitTestPrefersBadRadiiThenTheRightSide)
{
    struct Row { const char* name; float good, bad; juce::Point<float> at; int want; };
    const Row rows[] = {
        { "left bad", 30.0f, 60.0f, onRing (-58.0f), 1 },
        { "right good", 30.0f, 60.0f, onRing (33.0f), 3 },
        { "between", 30.0f, 60.0f, onRing (45.0f), 0 },
        { "bad wins when both near", 30.0f, 34.0f, onRing (31.0f), 4 },
        { "on the centre line", 30.0f, 89.9f, { 150.0f, 85.0f }, 4 },
    };
    DialFixture d;
    for (const auto& row : rows)
    {
        d.limits (row.good, row.bad);
        EXPECT_EQ (d.dial.MouseEventIsOverAMovableRadius (mouseAt (d.dial, row.at)), row.want) << row.name;
    }
}

TEST (ClickDisplay, DragsPushThePartnerAndStopAtTheGap)
{
    // 120 bpm quarters: the gap is 18 degrees; G = 30 and B = 60 before each drag.
    struct Row { const char* name; float from; juce::Point<float> to; float wantGood, wantBad; };
    const Row rows[] = { { "bad inwards stops at twice the gap", 60.0f, onRing (10.0f), 18.0f, 36.0f },
                         { "bad up to the centre line", 60.0f, { 160.0f, 85.0f }, 30.0f, 89.9f },
                         { "left good pushes bad", -30.0f, onRing (-50.0f), 50.0f, 68.0f } };
    for (const auto& row : rows)
    {
        DialFixture d;
        d.dial.mouseDown (mouseAt (d.dial, onRing (row.from)));
        d.dial.mouseDrag (mouseAt (d.dial, row.to, onRing (row.from)));
        EXPECT_NEAR (d.f.engine.goodMetronome, row.wantGood, 0.7f) << row.name;  // angles from whole pixels
        EXPECT_NEAR (d.f.engine.noChordMetronome, row.wantBad, 0.7f) << row.name;
    }
}

TEST (ClickDisplay, PaintInTempoModeDrawsTheWedgesAndTheGradientBands)
{
    // Chord mode's dimmed drawing is checked on the editor's snapshot.
    PlainBackground white (juce::Colours::white);
    const auto good = KeysteadEditor::MS_GOOD_COLOUR, bad = KeysteadEditor::MS_BAD_COLOUR;
    DialFixture d;
    d.f.engine.tempoMode = 1;
    const auto image = onWhite (d.dial);
    const auto at = [&] (juce::Point<float> p) { return image.getPixelAt ((int) p.x, (int) p.y); };

    // The wedges; beyond the bad limit and in the central disc stays white.
    for (auto [p, colour] : { std::pair { onRing (0.0f), good }, { onRing (-45.0f), bad },
                              { onRing (75.0f), juce::Colours::white }, { { 85.0f, 85.0f }, juce::Colours::white } })
        EXPECT_TRUE (near (at (p), colour)) << p.toString();
}
