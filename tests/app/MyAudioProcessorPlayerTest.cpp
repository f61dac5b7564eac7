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
    const struct { const char* name; bool filterChannel; int channel; Messages in, out; } rows[] = {
        // Channel messages move to channel 1 with their bytes; system messages stay.
        { "merged", false, 5, { { 0x99, 60, 100 }, { 0x85, 61, 0 }, { 0x9F, 62, 0 }, { 0xB3, 64, 127 }, { 0xC7, 5 },
                                { 0xEF, 0x00, 0x40 }, { 0xF8 }, { 0xF0, 0x7E, 0x01, 0xF7 } },
          { { 0x90, 60, 100 }, { 0x80, 61, 0 }, { 0x90, 62, 0 }, { 0xB0, 64, 127 }, { 0xC0, 5 }, { 0xE0, 0x00, 0x40 },
            { 0xF8 }, { 0xF0, 0x7E, 0x01, 0xF7 } } },
        { "channel 5", true, 5, twoKeyboards, { { 0x94, 60, 90 }, { 0xB4, 64, 127 }, { 0x84, 60, 0 } } },
        // Channel 1 is a channel like the others: what the merge would move there does not pass.
        { "channel 1", true, 1, twoKeyboards, { { 0x90, 61, 90 } } },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        KeysteadProcessor engine;
        engine.filterMidiChannel = row.filterChannel;
        engine.midiChannel = row.channel;
        MyAudioProcessorPlayer player;
        player.SetMidiInFilter (&engine);
        player.getMidiMessageCollector().reset (48000.0);

        // The messages reach the player 2 ms apart, as from a MIDI input; the next audio block, once every
        // message lies in the past, keeps their order and spacing, and the engine's filter chooses what passes.
        double stamp = juce::Time::getMillisecondCounterHiRes() * 0.001;
        for (const auto& m : row.in)
            player.handleIncomingMidiMessage (nullptr, juce::MidiMessage (m.data(), (int) m.size(), stamp += 0.002));
        juce::Thread::sleep (30);
        juce::MidiBuffer block;
        player.getMidiMessageCollector().removeNextBlockOfMessages (block, 4096);
        engine.FilterByMidiChannelAndNoteLimits (block);

        Messages passed;
        int lastPosition = -1;
        for (const auto event : block)
        {
            EXPECT_GT (event.samplePosition, std::exchange (lastPosition, event.samplePosition)) << "placed by time";
            passed.push_back ({ event.data, event.data + event.numBytes });
        }
        EXPECT_EQ (passed, row.out);
    }
}
