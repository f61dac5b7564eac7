#include "engine/AudioProcessorWITHMidiInFilter.h"

namespace
{
    constexpr int reservedMidiBytes = 4096;

    /** The longest channel message. A juce::MidiMessage keeps only a few bytes in itself and
        copies a longer message (a system-exclusive one) to the heap; the filter's rules read no
        more than a message's first two bytes, so a longer message is tested by its first bytes
        alone and the audio thread allocates nothing for it. Its event passes whole. */
    constexpr int longestTestedMessage = 3;

    /** A real device never sends a channel message of the wrong length, one whose data bytes have
        the top bit set, or an event that starts on a data byte; such bytes can only come from a
        fault upstream, and nothing downstream could read them safely. */
    bool isWellFormed (const juce::MidiMessageMetadata& event) noexcept
    {
        if (event.numBytes <= 0 || event.data[0] < 0x80)
            return false;

        if (event.data[0] >= 0xF0)
            return true;

        if (event.numBytes != juce::MidiMessage::getMessageLengthFromFirstByte (event.data[0]))
            return false;

        for (int i = 1; i < event.numBytes; ++i)
            if (event.data[i] >= 0x80)
                return false;

        return true;
    }
}

AudioProcessorWITHMidiInFilter::AudioProcessorWITHMidiInFilter (const BusesProperties& buses)
    : AudioProcessorWITHOUTMidiInFilter (buses)
{
    filteredEvents.ensureSize (reservedMidiBytes);
}

bool AudioProcessorWITHMidiInFilter::IsOkWithMidiInChannelSelectedAndNoteLimits (const juce::MidiMessage& message)
{
    const auto size = message.getRawDataSize();

    if (size <= 0)
        return ! filterMidiChannel.load();

    const auto* bytes = message.getRawData();
    const int status = bytes[0];

    if (filterMidiChannel.load())
    {
        const int channel = status < 0xF0 ? (status & 0x0F) + 1 : 0;

        if (channel != midiChannel.load())
            return false;
    }

    if (filterMidiRange.load() && (status & 0xE0) == 0x80)
    {
        // A note message cut short before its note number cannot be placed in the range.
        if (size < 2)
            return false;

        const int noteNumber = bytes[1];

        if (noteNumber > highestNote.load())
            return false;

        if (noteNumber < lowestNote.load())
            return false;
    }

    return true;
}

void AudioProcessorWITHMidiInFilter::FilterByMidiChannelAndNoteLimits (juce::MidiBuffer& buffer)
{
    filteredEvents.clear();

    for (const auto metadata : buffer)
    {
        if (! isWellFormed (metadata))
            continue;

        const juce::MidiMessage message (metadata.data, juce::jmin (metadata.numBytes, longestTestedMessage),
                                         (double) metadata.samplePosition);

        if (IsOkWithMidiInChannelSelectedAndNoteLimits (message))
            filteredEvents.addEvent (metadata.data, metadata.numBytes, metadata.samplePosition);
    }

    buffer.swapWith (filteredEvents);
}
