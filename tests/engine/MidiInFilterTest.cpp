#include <gtest/gtest.h>

#include "engine/KeysteadProcessor.h"

namespace
{
    juce::MidiMessage message (std::initializer_list<juce::uint8> bytes)
    {
        const std::vector<juce::uint8> data (bytes);
        return juce::MidiMessage (data.data(), (int) data.size());
    }

    const juce::uint8 sysexBytes[] = { 0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7 };

    struct FilterTest : public ::testing::Test
    {
        bool ok (std::initializer_list<juce::uint8> bytes) { return engine.IsOkWithMidiInChannelSelectedAndNoteLimits (message (bytes)); }
        bool okSysex() { return engine.IsOkWithMidiInChannelSelectedAndNoteLimits (juce::MidiMessage (sysexBytes, 6)); }

        KeysteadProcessor engine;
    };
}

TEST_F (FilterTest, BothFiltersOffPassEverything)
{
    EXPECT_TRUE (ok ({ 0x90, 60, 100 }));
    EXPECT_TRUE (ok ({ 0x8F, 0, 0 }));
    EXPECT_TRUE (ok ({ 0xF8 }));
    EXPECT_TRUE (okSysex());
}

TEST_F (FilterTest, ChannelFilterCountsSystemMessagesAsChannelZero)
{
    engine.filterMidiChannel = true;
    engine.midiChannel = 1;
    EXPECT_TRUE (ok ({ 0x90, 60, 100 }));
    EXPECT_FALSE (ok ({ 0x91, 60, 100 }));
    EXPECT_FALSE (ok ({ 0xF8 }));
    EXPECT_FALSE (okSysex());

    engine.midiChannel = 16;
    EXPECT_TRUE (ok ({ 0xBF, 7, 100 }));
    EXPECT_FALSE (ok ({ 0x90, 60, 100 }));
}

TEST_F (FilterTest, RangeFilterTouchesOnlyNoteMessages)
{
    engine.filterMidiRange = true;
    engine.lowestNote = 60;
    engine.highestNote = 72;

    EXPECT_FALSE (ok ({ 0x90, 59, 100 }));
    EXPECT_TRUE (ok ({ 0x90, 60, 100 }));
    EXPECT_TRUE (ok ({ 0x90, 72, 100 }));
    EXPECT_FALSE (ok ({ 0x90, 73, 100 }));
    EXPECT_FALSE (ok ({ 0x80, 73, 0 }));     // note-off outside too
    EXPECT_FALSE (ok ({ 0x90, 73, 0 }));     // note-on of velocity 0
    EXPECT_TRUE (ok ({ 0xB0, 100, 1 }));     // controller whose second byte is 100
    EXPECT_TRUE (ok ({ 0xA0, 100, 1 }));     // poly pressure is not a note message here
}

TEST_F (FilterTest, InvertedRangeDropsEveryNoteAndPassesTheRest)
{
    engine.filterMidiRange = true;
    engine.lowestNote = 80;
    engine.highestNote = 40;

    for (int note = 0; note < 128; ++note)
    {
        EXPECT_FALSE (ok ({ 0x90, (juce::uint8) note, 100 }));
        EXPECT_FALSE (ok ({ 0x80, (juce::uint8) note, 0 }));
    }

    EXPECT_TRUE (ok ({ 0xE0, 0, 64 }));
    EXPECT_TRUE (ok ({ 0xF8 }));
}

TEST_F (FilterTest, ChannelIsTestedBeforeRange)
{
    engine.filterMidiChannel = true;
    engine.midiChannel = 2;
    engine.filterMidiRange = true;
    engine.lowestNote = 60;
    engine.highestNote = 72;

    EXPECT_TRUE (ok ({ 0x91, 65, 100 }));
    EXPECT_FALSE (ok ({ 0x91, 50, 100 }));
    EXPECT_FALSE (ok ({ 0x90, 65, 100 }));
}

TEST_F (FilterTest, RebuiltBufferKeepsOrderAndPositions)
{
    engine.filterMidiRange = true;
    engine.lowestNote = 60;
    engine.highestNote = 72;

    juce::MidiBuffer buffer;
    buffer.addEvent (juce::MidiMessage::noteOn (1, 50, (juce::uint8) 100), 3);
    buffer.addEvent (juce::MidiMessage::noteOn (1, 61, (juce::uint8) 100), 7);
    buffer.addEvent (juce::MidiMessage::controllerEvent (1, 7, 100), 7);
    buffer.addEvent (juce::MidiMessage::noteOff (1, 99), 200);
    buffer.addEvent (juce::MidiMessage::noteOn (1, 72, (juce::uint8) 1), 511);

    engine.FilterByMidiChannelAndNoteLimits (buffer);

    std::vector<std::pair<int, int>> seen;   // (position, first data byte)
    for (const auto metadata : buffer)
        seen.emplace_back (metadata.samplePosition, metadata.data[1]);

    const std::vector<std::pair<int, int>> expected { { 7, 61 }, { 7, 7 }, { 511, 72 } };
    EXPECT_EQ (seen, expected);

    // A block whose events all fail ends empty.
    juce::MidiBuffer rejected;
    rejected.addEvent (juce::MidiMessage::noteOn (1, 10, (juce::uint8) 100), 0);
    engine.FilterByMidiChannelAndNoteLimits (rejected);
    EXPECT_TRUE (rejected.isEmpty());

    juce::MidiBuffer empty;
    engine.FilterByMidiChannelAndNoteLimits (empty);
    EXPECT_TRUE (empty.isEmpty());
}

TEST_F (FilterTest, MalformedEventsAreDroppedWhateverTheSettings)
{
    // Bytes that no device sends: a channel message cut short, a data byte with its top bit set,
    // or an event starting on a data byte.
    const juce::uint8 truncatedNoteOn[] = { 0x90, 60 };
    const juce::uint8 dataByteFirst[] = { 0x3C, 0x64, 0x10 };
    const juce::uint8 noteAbove127[] = { 0x90, 0xC8, 100 };
    const juce::uint8 goodNoteOn[] = { 0x90, 61, 100 };

    for (bool filtersOn : { false, true })
    {
        engine.filterMidiChannel = filtersOn;
        engine.filterMidiRange = filtersOn;

        juce::MidiBuffer buffer;
        buffer.addEvent (truncatedNoteOn, 2, 0);
        buffer.addEvent (dataByteFirst, 3, 1);
        buffer.addEvent (noteAbove127, 3, 1);
        buffer.addEvent (goodNoteOn, 3, 2);
        engine.FilterByMidiChannelAndNoteLimits (buffer);

        ASSERT_EQ (buffer.getNumEvents(), 1);
        EXPECT_EQ ((*buffer.begin()).samplePosition, 2);
    }
}
