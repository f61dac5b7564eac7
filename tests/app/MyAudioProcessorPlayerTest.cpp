#include <vector>

#include <gtest/gtest.h>

#include "app/MyAudioProcessorPlayer.h"
#include "engine/KeysteadProcessor.h"

namespace
{
    /** A device that only answers the player's questions: 48 kHz, 512-sample blocks, stereo out. */
    class FakeDevice : public juce::AudioIODevice
    {
    public:
        FakeDevice() : juce::AudioIODevice ("fake", "fake") {}

        juce::StringArray getOutputChannelNames() override          { return { "1", "2" }; }
        juce::StringArray getInputChannelNames() override           { return {}; }
        juce::Array<double> getAvailableSampleRates() override      { return { 48000.0 }; }
        juce::Array<int> getAvailableBufferSizes() override         { return { 512 }; }
        int getDefaultBufferSize() override                         { return 512; }
        juce::String open (const juce::BigInteger&, const juce::BigInteger&, double, int) override { return {}; }
        void close() override                                       {}
        bool isOpen() override                                      { return true; }
        void start (juce::AudioIODeviceCallback*) override          {}
        void stop() override                                        {}
        bool isPlaying() override                                   { return true; }
        juce::String getLastError() override                        { return {}; }
        int getCurrentBufferSizeSamples() override                  { return 512; }
        double getCurrentSampleRate() override                      { return 48000.0; }
        int getCurrentBitDepth() override                           { return 32; }
        juce::BigInteger getActiveOutputChannels() const override   { return 3; }
        juce::BigInteger getActiveInputChannels() const override    { return 0; }
        int getOutputLatencyInSamples() override                    { return 0; }
        int getInputLatencyInSamples() override                     { return 0; }
    };

    struct Event
    {
        std::vector<juce::uint8> bytes;
        int samplePosition;
    };

    /** The engine, recording every event that its own filter lets through to the analysis. */
    class RecordingEngine : public KeysteadProcessor
    {
    public:
        void FilterByMidiChannelAndNoteLimits (juce::MidiBuffer& buffer) override
        {
            KeysteadProcessor::FilterByMidiChannelAndNoteLimits (buffer);

            for (const auto metadata : buffer)
                analysed.push_back ({ { metadata.data, metadata.data + metadata.numBytes }, metadata.samplePosition });
        }

        std::vector<Event> analysed;
    };

    /** The player wired to the engine and a started device, as the application wires them. */
    struct PlayerWithEngine
    {
        PlayerWithEngine()
        {
            player.setProcessor (&engine);
            player.SetMidiInFilter (&engine);
            player.audioDeviceAboutToStart (&device);
        }

        ~PlayerWithEngine()
        {
            player.audioDeviceStopped();
            player.setProcessor (nullptr);
        }

        /** Delivers the messages as a MIDI input would, then runs one audio block. */
        std::vector<Event> play (std::initializer_list<std::vector<juce::uint8>> messages, double spacingSeconds = 0.0)
        {
            double stamp = juce::Time::getMillisecondCounterHiRes() * 0.001;

            for (const auto& bytes : messages)
            {
                player.handleIncomingMidiMessage (nullptr, juce::MidiMessage (bytes.data(), (int) bytes.size(), stamp));
                stamp += spacingSeconds;
            }

            // Long enough after the messages that the block spreads them by their time stamps.
            juce::Thread::sleep (40);

            juce::AudioBuffer<float> output (2, 512);
            float* const channels[] = { output.getWritePointer (0), output.getWritePointer (1) };
            engine.analysed.clear();
            player.audioDeviceIOCallbackWithContext (nullptr, 0, channels, 2, 512, {});
            return engine.analysed;
        }

        RecordingEngine engine;
        MyAudioProcessorPlayer player;
        FakeDevice device;
    };

    std::vector<std::vector<juce::uint8>> bytesOf (const std::vector<Event>& events)
    {
        std::vector<std::vector<juce::uint8>> result;

        for (const auto& e : events)
            result.push_back (e.bytes);

        return result;
    }

    using Bytes = std::vector<std::vector<juce::uint8>>;
}

TEST (MyAudioProcessorPlayer, MovesChannelMessagesToChannelOneAndLeavesSystemMessages)
{
    PlayerWithEngine rig;

    const auto events = rig.play ({ { 0x99, 60, 100 },      // note-on, channel 10
                                    { 0x85, 61, 0 },        // note-off, channel 6
                                    { 0x9F, 62, 0 },        // note-on velocity 0, channel 16
                                    { 0xB3, 64, 127 },      // controller, channel 4
                                    { 0xC7, 5 },            // program change, channel 8
                                    { 0xEF, 0x00, 0x40 },   // pitch bend, channel 16
                                    { 0xF8 },               // clock
                                    { 0xF0, 0x7E, 0x01, 0xF7 } },
                                  0.002);

    EXPECT_EQ (bytesOf (events), (Bytes { { 0x90, 60, 100 }, { 0x80, 61, 0 }, { 0x90, 62, 0 }, { 0xB0, 64, 127 },
                                          { 0xC0, 5 }, { 0xE0, 0x00, 0x40 }, { 0xF8 }, { 0xF0, 0x7E, 0x01, 0xF7 } }));

    // 2 ms apart, the messages keep their order and land at distinct places in the block.
    for (size_t i = 1; i < events.size(); ++i)
        EXPECT_GT (events[i].samplePosition, events[i - 1].samplePosition);
}

TEST (MyAudioProcessorPlayer, ChannelFilterPassesExactlyTheChosenChannel)
{
    PlayerWithEngine rig;
    rig.engine.filterMidiChannel = true;
    rig.engine.midiChannel = 5;

    const std::initializer_list<std::vector<juce::uint8>> fromTwoKeyboards {
        { 0x94, 60, 90 }, { 0x90, 61, 90 }, { 0x9F, 62, 90 }, { 0xB4, 64, 127 }, { 0xF8 }, { 0x84, 60, 0 } };

    EXPECT_EQ (bytesOf (rig.play (fromTwoKeyboards)),
               (Bytes { { 0x94, 60, 90 }, { 0xB4, 64, 127 }, { 0x84, 60, 0 } }));

    rig.engine.midiChannel = 1;
    EXPECT_EQ (bytesOf (rig.play (fromTwoKeyboards)), (Bytes { { 0x90, 61, 90 } }))
        << "channel 1 is a channel like the others";

    rig.engine.filterMidiChannel = false;
    EXPECT_EQ (bytesOf (rig.play (fromTwoKeyboards)),
               (Bytes { { 0x90, 60, 90 }, { 0x90, 61, 90 }, { 0x90, 62, 90 }, { 0xB0, 64, 127 }, { 0xF8 }, { 0x80, 60, 0 } }));
}

TEST (MyAudioProcessorPlayer, ChannelAndRangeFiltersCombine)
{
    PlayerWithEngine rig;
    rig.engine.filterMidiChannel = true;
    rig.engine.midiChannel = 12;
    rig.engine.filterMidiRange = true;
    rig.engine.lowestNote = 48;
    rig.engine.highestNote = 72;

    EXPECT_EQ (bytesOf (rig.play ({ { 0x9B, 47, 90 }, { 0x9B, 48, 90 }, { 0x9B, 72, 90 }, { 0x9B, 73, 90 }, { 0x9A, 60, 90 } })),
               (Bytes { { 0x9B, 48, 90 }, { 0x9B, 72, 90 } }));
}
