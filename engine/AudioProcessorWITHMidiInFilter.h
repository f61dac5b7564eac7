#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include "engine/RelaxedAtomic.h"

/** An audio processor that adds nothing; the root of the program's processor chain. */
class AudioProcessorWITHOUTMidiInFilter : public juce::AudioProcessor
{
public:
    using juce::AudioProcessor::AudioProcessor;
};

/** A processor that lets the user restrict its MIDI input to one channel and one note range.

    The five fields are written on the message thread (start-up, the filter panel) and read on
    the audio thread at every test, each as a whole value.
*/
class AudioProcessorWITHMidiInFilter : public AudioProcessorWITHOUTMidiInFilter
{
public:
    explicit AudioProcessorWITHMidiInFilter (const BusesProperties& buses);

    RelaxedAtomic<bool> filterMidiChannel { false };
    RelaxedAtomic<int> midiChannel { 1 };        // 1-based
    RelaxedAtomic<bool> filterMidiRange { false };
    RelaxedAtomic<int> highestNote { 127 };      // inclusive
    RelaxedAtomic<int> lowestNote { 0 };         // inclusive

    /** True when the message passes the channel filter and then the note-range filter. */
    virtual bool IsOkWithMidiInChannelSelectedAndNoteLimits (const juce::MidiMessage& message);

    /** Keeps only the events that pass, each at its own sample position, in buffer order. Each is
        tested as a message of at most its first three bytes (a longer one can only be a system
        message, which the rules judge by its status byte), so that no block allocates for it. */
    virtual void FilterByMidiChannelAndNoteLimits (juce::MidiBuffer& buffer);

private:
    // The filtered events are built here and swapped into the caller's buffer; the two buffers'
    // storage keeps trading places, so once both have grown no block allocates.
    juce::MidiBuffer filteredEvents;

    JUCE_DECLARE_NON_COPYABLE (AudioProcessorWITHMidiInFilter)
};
