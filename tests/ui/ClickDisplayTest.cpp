// The click dial: limits kept apart by the gap, drags with their pushing rules, the hit test and
// the cursor, rescaling with the tempo, the labels and what paint draws in each mode.

#include "DisplayTestSupport.h"

#include <limits>

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
        float good() const { return f.engine.goodMetronome; }
        float bad() const { return f.engine.noChordMetronome; }
        void drag (juce::Point<float> from, juce::Point<float> to)
        {
            dial.mouseDown (mouseAt (dial, from));
            dial.mouseDrag (mouseAt (dial, to, from));
            dial.mouseUp (mouseAt (dial, to, from));
        }
    };
}

TEST (ClickDisplay, GapAndMillisecondLabels)
{
    struct Row { const char* name; double tempo; int subdivisor; float good, bad, gap; const char *goodMs, *badMs; };
    const Row rows[] = {
        { "120 bpm quarters", 120.0, 1, 30.0f, 60.0f, 18.0f, "41 ms", "83 ms" },
        { "100 bpm eighths", 100.0, 2, 40.0f, 80.0f, 30.0f, "33 ms", "66 ms" },
        { "capped", 250.0, 4, 44.95f, 89.9f, 44.95f, "7 ms", "14 ms" },
        { "slowest", 30.0, 1, 4.5f, 9.0f, 4.5f, "25 ms", "50 ms" },
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

TEST (ClickDisplay, LabelsSitBesideTheirRadiiAndGoodShrinksOrGoes)
{
    struct Row { const char* name; float good; float fontHeight; bool shown; };
    const Row rows[] = {
        { "wide wedge keeps 20", 80.0f, 20.0f, true },
        { "default shrinks", 30.0f, 0.0f, true },
        { "too narrow even at 10", 5.0f, 10.0f, false },
    };
    DialFixture d;
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        d.limits (row.good, 89.9f);
        snapshot (d.dial);

        const auto& label = d.dial.goodLabel;
        EXPECT_EQ (label.getText(), row.shown ? "GOOD" : "");
        const float room = (float) (0.5 * 171 * std::sin (row.good * juce::MathConstants<double>::pi / 180.0));
        const float height = label.getFont().getHeight();
        EXPECT_TRUE (row.fontHeight > 0.0f ? height == row.fontHeight : height < 20.0f) << height;
        EXPECT_TRUE (! row.shown || std::ceil (label.getFont().getStringWidthFloat ("GOOD")) <= room);
    }

    // G - 10 and B + 10 degrees on a circle of 0.4 of the size: 20 and 70 degrees at the defaults.
    d.limits (30.0f, 60.0f);
    snapshot (d.dial);
    EXPECT_EQ (d.dial.goodMsLabel.getBounds(), juce::Rectangle<int> (88, 13, 40, 15));
    EXPECT_EQ (d.dial.badMsLabel.getBounds(), juce::Rectangle<int> (129, 54, 40, 15));
    EXPECT_EQ (d.dial.goodLabel.getBounds(), juce::Rectangle<int> (0, 0, 171, 42));
}

TEST (ClickDisplay, PaintingAgainAsksForNoRepaint)
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

    for (const float good : { 30.0f, 12.0f })
    {
        SCOPED_TRACE (good);
        DialFixture d (good, 89.9f);
        auto* cache = new CountingCache();
        d.dial.setCachedComponentImage (cache);
        d.dial.setVisible (true);
        snapshot (d.dial);
        cache->invalidations = 0;
        snapshot (d.dial);
        EXPECT_EQ (cache->invalidations, 0);
    }
}

TEST (ClickDisplay, RescaleKeepsMillisecondsWithinTheBounds)
{
    // Plain scaling and the good limit cut back below the bad one are checked through the editor's
    // controls (EditorControls); here the limits are brought back up to the gap, and from nonsense.
    struct Row { const char* name; double tempo; int subdivisor; float good, bad, ratio, wantGood, wantBad; };
    const Row rows[] = {
        { "halved below the gap", 60.0, 1, 10.0f, 20.0f, 0.5f, 9.0f, 18.0f },
        { "capped gap", 250.0, 4, 30.0f, 60.0f, 1.0f, 44.95f, 89.9f },
        { "bad not a number", 120.0, 1, 30.0f, std::numeric_limits<float>::quiet_NaN(), 1.0f, 18.0f, 36.0f },
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        DialFixture d (row.good, row.bad, row.tempo, row.subdivisor);
        d.dial.CircleSizeSecondsHasChanged (row.ratio);
        EXPECT_FLOAT_EQ (d.good(), row.wantGood);
        EXPECT_FLOAT_EQ (d.bad(), row.wantBad);
    }
}

TEST (ClickDisplay, HitTestPrefersBadRadiiThenTheRightSideAndTheCursorShowsIt)
{
    struct Row { const char* name; float good, bad; juce::Point<float> at; int want; };
    const Row rows[] = {
        { "right bad", 30.0f, 60.0f, onRing (62.0f), 4 },
        { "left bad", 30.0f, 60.0f, onRing (-58.0f), 1 },
        { "right good", 30.0f, 60.0f, onRing (33.0f), 3 },
        { "left good", 30.0f, 60.0f, onRing (-27.0f), 2 },
        { "between", 30.0f, 60.0f, onRing (45.0f), 0 },
        { "bad wins when both near", 30.0f, 34.0f, onRing (31.0f), 4 },
        { "right wins at the top", 1.0f, 3.0f, onRing (0.0f), 4 },
        { "exactly 5 degrees off", 20.0f, 40.0f, { 135.0f, 35.0f }, 0 },
        { "just inside 5 degrees", 20.0f, 40.01f, { 135.0f, 35.0f }, 4 },
        { "inside the disc", 30.0f, 60.0f, onRing (60.0f, 40.0f), 0 },
        { "just outside the disc", 30.0f, 60.0f, onRing (60.0f, 44.0f), 4 },
        { "just inside the circle", 30.0f, 60.0f, onRing (60.0f, 84.0f), 4 },
        { "just outside the circle", 30.0f, 60.0f, onRing (60.0f, 88.0f), 0 },
        { "on the centre line", 30.0f, 89.9f, { 150.0f, 85.0f }, 4 },
        { "one pixel below", 30.0f, 89.9f, { 150.0f, 86.0f }, 4 },
        { "two pixels below", 30.0f, 89.9f, { 150.0f, 87.0f }, 0 },
        { "left on the line", 30.0f, 89.9f, { 20.0f, 85.0f }, 1 },
    };

    DialFixture d;
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        d.limits (row.good, row.bad);
        EXPECT_EQ (d.dial.MouseEventIsOverAMovableRadius (mouseAt (d.dial, row.at)), row.want);
        d.dial.mouseMove (mouseAt (d.dial, row.at));
        const bool hand = d.dial.getMouseCursor() == juce::MouseCursor (juce::MouseCursor::DraggingHandCursor);
        EXPECT_EQ (hand, row.want != 0) << "the cursor over a movable radius is the dragging hand";
    }
}

TEST (ClickDisplay, DragsPushThePartnerAndStopAtTheGap)
{
    // 120 bpm quarters: the gap is 18 degrees; G = 30 and B = 60 before each drag.
    constexpr float approx = 0.7f;   // the pointer's angle comes from whole pixels
    struct Row { const char* name; float from; juce::Point<float> to; float wantGood, wantBad; };
    const Row rows[] = {
        { "bad outwards", 60.0f, onRing (75.0f), 30.0f, 75.0f },
        { "bad inwards to G + gap - 1", 60.0f, onRing (47.0f), 29.0f, 47.0f },
        { "bad inwards stops at twice the gap", 60.0f, onRing (10.0f), 18.0f, 36.0f },
        { "bad across the top", 60.0f, onRing (-20.0f), 18.0f, 36.0f },
        { "bad up to the centre line", 60.0f, { 160.0f, 85.0f }, 30.0f, 89.9f },
        { "bad below the centre", 60.0f, { 160.0f, 100.0f }, 30.0f, 60.0f },
        { "good inwards", 30.0f, onRing (25.0f), 25.0f, 60.0f },
        { "good inwards stops at the gap", 30.0f, onRing (5.0f), 18.0f, 60.0f },
        { "good pushes bad", 30.0f, onRing (50.0f), 50.0f, 68.0f },
        { "good stops at 89.9 - gap", 30.0f, { 160.0f, 84.0f }, 71.9f, 89.9f },
        { "left bad mirrors", -60.0f, onRing (-75.0f), 30.0f, 75.0f },
        { "left good pushes bad", -30.0f, onRing (-50.0f), 50.0f, 68.0f },
        { "press in the disc", 0.0f, onRing (50.0f), 30.0f, 60.0f },
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        DialFixture d;
        d.drag (onRing (row.from, row.from == 0.0f ? 20.0f : 70.0f), row.to);
        EXPECT_NEAR (d.good(), row.wantGood, approx);
        EXPECT_NEAR (d.bad(), row.wantBad, approx);

        const float gap = 18.0f;
        EXPECT_TRUE (gap <= d.good() && d.good() <= d.bad() - gap + 1e-4f) << d.good() << " " << d.bad();
        EXPECT_TRUE (2 * gap <= d.bad() && d.bad() <= 89.9f);
    }

    // The extremes are exact.
    DialFixture d;
    d.drag (onRing (60.0f), onRing (10.0f));
    EXPECT_EQ (std::tuple (d.good(), d.bad()), std::tuple (18.0f, 36.0f));
    d.drag (onRing (18.0f), { 160.0f, 85.0f });
    EXPECT_EQ (std::tuple (d.good(), d.bad()), std::tuple (89.9f - 18.0f, 89.9f));

    // Capped gap: the first drag puts both limits at their only possible values.
    DialFixture capped (30.0f, 60.0f, 250.0, 4);
    capped.drag (onRing (60.0f), onRing (60.0f));
    EXPECT_EQ (std::tuple (capped.good(), capped.bad()), std::tuple (44.95f, 89.9f));
}

TEST (ClickDisplay, PaintDrawsTheWedgesAtTheModesAlpha)
{
    PlainBackground white (juce::Colours::white);
    const auto good = KeysteadEditor::MS_GOOD_COLOUR, bad = KeysteadEditor::MS_BAD_COLOUR;

    // Just outside the right good radius, across it: the gradient band in tempo mode only.
    const auto acrossGood = onRing (30.0f, 70.0f) + juce::Point<float> (0.866f * 5.0f, 0.5f * 5.0f);

    struct Row { const char* name; int tempoMode; juce::uint8 alpha; bool gradient; };
    const Row rows[] = { { "tempo mode", 1, 0xFF, true }, { "chord mode", 0, 0x77, false } };
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        DialFixture d;
        d.f.engine.tempoMode = row.tempoMode;
        const auto image = onWhite (d.dial);
        const auto at = [&] (juce::Point<float> p) { return image.getPixelAt ((int) p.x, (int) p.y); };

        // The good wedge lies over the bad one, which shows through in the dimmed mode.
        const auto goodOverBad = overWhite (bad, row.alpha).overlaidWith (good.withAlpha (row.alpha));
        EXPECT_TRUE (near (at (onRing (0.0f)), goodOverBad)) << "good wedge";
        EXPECT_TRUE (near (at (onRing (-45.0f)), overWhite (bad, row.alpha))) << "bad wedge";
        EXPECT_TRUE (near (at (onRing (75.0f)), juce::Colours::white)) << "beyond the bad limit";
        EXPECT_TRUE (near (at ({ 85.0f, 85.0f }), juce::Colours::white)) << "central disc";
        EXPECT_TRUE (near (at ({ 3.0f, 3.0f }), juce::Colours::white)) << "corner";

        const auto band = at (acrossGood);
        const bool mixed = band.getRed() > good.getRed() + 20 && band.getGreen() > bad.getGreen() + 20;
        EXPECT_TRUE (row.gradient ? mixed : (bool) near (band, overWhite (bad, row.alpha)))
            << band.toDisplayString (true);

        // The radius at +G is drawn in black at the mode's alpha: dimmed, it only halves the wedge.
        int darkest = 255;
        for (int y = 20; y < 30; ++y)
            for (int x = 100; x < 125; ++x)
                darkest = std::min (darkest, luma (image.getPixelAt (x, y)));
        EXPECT_TRUE (row.tempoMode ? darkest < 80 : darkest > 60 && darkest < 200) << darkest;
    }
}
