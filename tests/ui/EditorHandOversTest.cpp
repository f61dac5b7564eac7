#include "UiTestSupport.h"
#include "ui/displays/PointComponent.h"

using namespace uitest;

// Both signals reach setControlHighlight, which tells them apart by the colour: a note-on flashes
// the MIDI light, a chord's spread (carried as its bit pattern) lands on the strip.
TEST (EditorHandOvers, SignalsReachTheLightAndTheStripThroughTheNotificationChannel)
{
    EditorFixture f;
    auto& e = f.openStill();
    static_cast<EditorHandOvers&> (e).NoteOnSignal();
    EXPECT_TRUE (pump ([&] { return e.midiInLight->level.load() >= 1; }));
    static_cast<EditorHandOvers&> (e).ChordSpreadSignal (42.6f);
    ASSERT_TRUE (pump ([&] { return e.chordDisplay->points[1] != nullptr; }));
    EXPECT_EQ (e.chordDisplay->points[1]->getX(), 48) << "42.6 ms on the 176 px strip";
    EXPECT_TRUE (pump ([&] { return ! e.midiInLight->isThreadRunning(); }));
}

TEST (EditorHandOvers, NewDotHaloTurnsClockwiseFromTwelveOClock)
{
    // Truncated, not rounded: half a turn lands a hair left of the centre line.
    const struct { float offset, radius; int x, y; } cases[] = { { 0.0f, 1.0f, 100, 0 }, { 0.25f, 1.0f, 200, 50 },
                                                                 { 0.5f, 0.5f, 99, 75 }, { 0.75f, 0.5f, 50, 50 } };
    for (const auto& c : cases)
        EXPECT_EQ (KeysteadEditor::NewDotCentre (c.offset, c.radius, 200, 100), juce::Point (c.x, c.y)) << c.offset;
}
