#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/MyAudioProcessorPlayer.h"
#include "engine/KeysteadProcessor.h"

TEST (MyAudioProcessorPlayer, MergesChannelsOntoChannelOneOrPassesExactlyTheChosenChannel)
{
    using Messages = std::vector<std::vector<juce::uint8>>;
    const Messages twoKeyboards { { 0x94, 60, 90 }, { 0x90, 61, 90 }, { 0x9F, 62, 90 }, { 0xB4, 64, 127 }, { 0xF8 },
                                  { 0x84, 60, 0 } };

    const struct { bool filterChannel; int channel; Messages in, out; } rows[] = {
        // Unfiltered, channel messages move to channel 1 with their bytes; system messages stay.
        { false, 5, { { 0x99, 60, 100 }, { 0x85, 61, 0 }, { 0x9F, 62, 0 }, { 0xB3, 64, 127 }, { 0xC7, 5 },
                      { 0xEF, 0x00, 0x40 }, { 0xF8 }, { 0xF0, 0x7E, 0x01, 0xF7 } },
                    { { 0x90, 60, 100 }, { 0x80, 61, 0 }, { 0x90, 62, 0 }, { 0xB0, 64, 127 }, { 0xC0, 5 },
                      { 0xE0, 0x00, 0x40 }, { 0xF8 }, { 0xF0, 0x7E, 0x01, 0xF7 } } },
        { true, 5, twoKeyboards, { { 0x94, 60, 90 }, { 0xB4, 64, 127 }, { 0x84, 60, 0 } } },
        { true, 1, twoKeyboards, { { 0x90, 61, 90 } } },  // channel 1 is a channel like the others
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (&row - rows);
        KeysteadProcessor engine;
        engine.filterMidiChannel = row.filterChannel;
        engine.midiChannel = row.channel;

        // The messages reach the player 2 ms apart, as from a MIDI input.
        MyAudioProcessorPlayer player;
        player.SetMidiInFilter (&engine);
        player.getMidiMessageCollector().reset (48000.0);
        double stamp = juce::Time::getMillisecondCounterHiRes() * 0.001;

        for (const auto& bytes : row.in)
        {
            const juce::MidiMessage message (bytes.data(), (int) bytes.size(), stamp += 0.002);
            player.handleIncomingMidiMessage (nullptr, message);
        }

        // The next audio block, once every message lies in the past, keeps their order and spacing;
        // the engine's filter then chooses what reaches the analysis.
        juce::Thread::sleep (30);
        juce::MidiBuffer block;
        player.getMidiMessageCollector().removeNextBlockOfMessages (block, 4096);
        engine.FilterByMidiChannelAndNoteLimits (block);
        Messages passed;
        int lastPosition = -1;

        for (const auto event : block)
        {
            EXPECT_GT (event.samplePosition, std::exchange (lastPosition, event.samplePosition))
                << "placed by time stamp";
            passed.push_back ({ event.data, event.data + event.numBytes });
        }

        EXPECT_EQ (passed, row.out);
    }
}
