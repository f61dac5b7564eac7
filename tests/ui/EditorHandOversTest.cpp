#include <gtest/gtest.h>

#include <cstring>

#include "engine/KeysteadProcessor.h"
#include "ui/editor/KeysteadEditor.h"

namespace
{
    struct SignalRecorder : public KeysteadEditor
    {
        explicit SignalRecorder (KeysteadProcessor& p)
            : KeysteadEditor (p, 50, 100, p.goodMetronome, p.noChordMetronome, true, true, 120, 1, 1.0f, 1.0f) {}
        void setControlHighlight (ParameterControlHighlightInfo info) override { signals.push_back (info); }
        std::vector<ParameterControlHighlightInfo> signals;
    };
}

// The two signals travel through setControlHighlight: white alone for a note-on, black with
// the spread's bit pattern for a chord, so the receiver tells them apart by the colour.
TEST (EditorHandOvers, SignalsCarryTheirKindInTheColourAndTheSpreadInTheIndex)
{
    KeysteadProcessor engine;
    SignalRecorder editor (engine);
    EditorHandOvers& handOvers = editor;
    handOvers.NoteOnSignal();
    handOvers.ChordSpreadSignal (42.5f);
    handOvers.ChordSpreadSignal (-0.0f);

    ASSERT_EQ (editor.signals.size(), 3u);
    EXPECT_EQ (editor.signals[0].suggestedColour, juce::Colours::white);
    const float spreads[] = { 42.5f, -0.0f };
    for (size_t i = 0; i < 2; ++i)
    {
        float ms = 1.0f;
        std::memcpy (&ms, &editor.signals[i + 1].parameterIndex, sizeof (ms));
        EXPECT_EQ (editor.signals[i + 1].suggestedColour, juce::Colours::black);
        EXPECT_EQ (std::memcmp (&ms, &spreads[i], sizeof (ms)), 0) << ms;
    }
}

TEST (EditorHandOvers, NewDotHaloTurnsClockwiseFromTwelveOClock)
{
    struct Case { float offset, radius; int x, y; };
    // Truncated, not rounded: half a turn lands a hair left of the centre line.
    const Case cases[] = { { 0.0f, 1.0f, 100, 0 }, { 0.25f, 1.0f, 200, 50 }, { 0.5f, 0.5f, 99, 75 },
                           { 0.75f, 0.5f, 50, 50 } };
    for (const auto& c : cases)
        EXPECT_EQ (KeysteadEditor::NewDotCentre (c.offset, c.radius, 200, 100), juce::Point (c.x, c.y)) << c.offset;
}
