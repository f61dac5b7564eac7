#include "app/MyAudioProcessorPlayer.h"

#include "engine/AudioProcessorWITHMidiInFilter.h"

MyAudioProcessorPlayer::MyAudioProcessorPlayer()
    : juce::AudioProcessorPlayer (false)
{
}

MyAudioProcessorPlayer::~MyAudioProcessorPlayer() = default;

void MyAudioProcessorPlayer::SetMidiInFilter (const AudioProcessorWITHMidiInFilter* filter) noexcept
{
    midiInFilter.store (filter, std::memory_order_release);
}

void MyAudioProcessorPlayer::handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message)
{
    juce::MidiMessage copy (message);

    if (copy.getRawDataSize() > 0)
    {
        const int status = copy.getRawData()[0];

        if (status >= 0x80 && status < 0xF0)
        {
            const int channel = (status & 0x0F) + 1;
            const auto* filter = midiInFilter.load (std::memory_order_acquire);

            if (filter != nullptr && filter->filterMidiChannel.load())
            {
                if (channel != filter->midiChannel.load())
                    return;
            }
            else
            {
                copy.setChannel (1);
            }
        }
    }

    getMidiMessageCollector().addMessageToQueue (copy);
}
