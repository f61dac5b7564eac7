#pragma once

#include <juce_data_structures/juce_data_structures.h>

class KeysteadProcessor;
class AudioProcessorWITHMidiInFilter;

/** The per-user settings file: its options, the keys that only the shell knows, and the reading
    and writing of the engine's and the MIDI filter's values.

    Every value is range-checked when it is read: the file is plain text that anyone can edit,
    and an older or damaged file must never put a value into the engine that its controls
    cannot show. A value whose text does not start with a number takes its default; a number
    outside its range is brought to the nearest value inside it.
*/
class SettingsFile
{
public:
    /** The properties-file options: "Keystead.settings", XML, keys case-sensitive. On Linux
        the framework puts the file at ~/.Keystead/Keystead.settings. */
    static juce::PropertiesFile::Options GetOptions (const juce::String& applicationName);

    /** Gives the settings object its options. A file larger than any the program writes is
        not read at all (the framework's reading slows down with the square of the number of
        keys, so a huge file could stall the start for minutes): the run starts with the
        defaults and the file stays untouched until the quit. */
    static void Open (juce::ApplicationProperties& properties, const juce::String& applicationName);

    /** Saves the file at quit if anything changed. A file that could not be read, could not be
        parsed or was too large to read is first moved aside to "<file>.damaged" (replacing an
        older one), so what the user had in it is not lost; when it cannot be moved, nothing is
        written over it. Returns whether the values reached the file. */
    static bool Save (juce::ApplicationProperties& properties, const juce::String& applicationName);

    /** Where a damaged settings file is kept. */
    static juce::File DamagedCopyOf (const juce::File& settingsFile);

    /** The real file holds 16 short keys (about 1 KB); this leaves room for any device state. */
    static constexpr juce::int64 largestReadableSize = 1024 * 1024;

    /** The ten engine keys in file order, each through a fresh request for the user settings. */
    static void ReadEngineKeys (juce::ApplicationProperties& properties, KeysteadProcessor& engine);
    static void WriteEngineKeys (juce::ApplicationProperties& properties, const KeysteadProcessor& engine);

    /** The five MIDI-filter keys in file order. */
    static void ReadFilterKeys (const juce::PropertySet& settings, AudioProcessorWITHMidiInFilter& filter);
    static void WriteFilterKeys (juce::PropertySet& settings, const AudioProcessorWITHMidiInFilter& filter);

    static const juce::String filterMidiChannelKey, midiChannelKey, filterMidiRangeKey,
                              highestNoteKey, lowestNoteKey, audioDeviceStateKey;
};
