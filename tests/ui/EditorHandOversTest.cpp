#include "UiTestSupport.h"

TEST (EditorHandOvers, NewDotHaloTurnsClockwiseFromTwelveOClock)
{
    // Truncated, not rounded: half a turn lands a hair left of the centre line.
    const struct { float offset, radius; int x, y; } cases[] = { { 0.0f, 1.0f, 100, 0 }, { 0.25f, 1.0f, 200, 50 },
                                                                 { 0.5f, 0.5f, 99, 75 }, { 0.75f, 0.5f, 50, 50 } };
    for (const auto& c : cases)
        EXPECT_EQ (KeysteadEditor::NewDotCentre (c.offset, c.radius, 200, 100), juce::Point (c.x, c.y)) << c.offset;
}
