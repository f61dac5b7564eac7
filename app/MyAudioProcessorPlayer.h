#pragma once

#include <atomic>

#include <juce_audio_utils/juce_audio_utils.h>

class AudioProcessorWITHMidiInFilter;

/** The framework's processor player, with MIDI input that arrives on one channel.

    Messages from every enabled keyboard are merged into one stream on channel 1, so the
    analysis does not depend on the channel a keyboard sends on. When the user has chosen to
    listen to one channel only, that choice is made here, on the channel each message came on:
    messages from other channels are dropped and the chosen channel's messages keep it, so the
    engine's own channel check lets exactly them through.
*/
class MyAudioProcessorPlayer : public juce::AudioProcessorPlayer
{
public:
    MyAudioProcessorPlayer();
    ~MyAudioProcessorPlayer() override;

    /** The filter settings to apply to incoming channel messages (null: none). The object must
        outlive the MIDI inputs that deliver to this player. */
    void SetMidiInFilter (const AudioProcessorWITHMidiInFilter* filter) noexcept;

    void handleIncomingMidiMessage (juce::MidiInput* source, const juce::MidiMessage& message) override;

private:
    // Set on the message thread, read on the MIDI input threads.
    std::atomic<const AudioProcessorWITHMidiInFilter*> midiInFilter { nullptr };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyAudioProcessorPlayer)
};
