#pragma once

#include <memory>
#include <string>

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
    /** The properties-file options: "Keystead.settings", XML, keys case-sensitive. */
    static juce::PropertiesFile::Options GetOptions (const juce::String& applicationName);

    /** Gives the settings object its options and this run's values from the file,
        ~/.Keystead/Keystead.settings, or through a chain of symbolic links there, the file at its
        end. The settings object never reads or writes a file itself: only a regular file of at most
        largestReadableSize bytes is read, and it is parsed without opening any other file. A file
        that is anything else (a folder, a FIFO, too large, not the framework's XML properties
        format, not safe for the XML reader as SettingsXml::IsSafeForTheReader says) is damaged: the
        run starts with the defaults and the file stays untouched until the quit. Temporary files of
        an earlier write that are over a minute old (a write cut short by a kill) are removed. */
    static void Open (juce::ApplicationProperties& properties, const juce::String& applicationName);

    /** Saves the file at quit if anything changed; returns why it could not, naming the file, or
        nothing when the values reached the file. Only a regular file, or none yet, is replaced:
        when a link leads to anything else (a folder, a device), it is left as it is and the save
        fails. A damaged file at the end of the path (as Open judges it, now) is first moved aside
        under a name no earlier copy has (SettingsFileOnDisk::MoveAside), so what the user had in it
        is not lost; when it cannot be moved, nothing is written over it. The new file replaces the
        old one through a temporary file beside it, keeps its mode and owner, is synced with its
        folder, and is never larger than what Open reads: when the keys this program does not know
        would make it so, they are left out. */
    static std::string Save (juce::ApplicationProperties& properties, const juce::String& applicationName);

    /** A settings value parsed as XML when it is safe for the reader, whatever the caller's stack,
        and nests no deeper than mostNestingHandedOut; otherwise none. */
    static std::unique_ptr<juce::XmlElement> ParseXml (const juce::String& text);

    /** The real file holds 16 short keys (about 1 KB); this leaves room for any device state. */
    static constexpr juce::int64 largestReadableSize = 1024 * 1024;

    /** The most '<' and '&' together that a settings file may hold: each element begins at one,
        and so does each entity. The program's own file has about 25 (a device state with a few
        MIDI inputs among them); this leaves room for hundreds more MIDI inputs or keys, bounds the
        reader's recursion to what SettingsXml::OnLargeStack's stack holds many times over, and
        keeps the time it takes in proportion to the text. */
    static constexpr int mostMarkup = 1000;

    /** The deepest tree ParseXml hands out. The device state nests 2 deep; the framework copies,
        writes and deletes a tree by recursion on the caller's stack, which this keeps to a few
        kilobytes on any thread. */
    static constexpr int mostNestingHandedOut = 16;

    /** The ten engine keys in file order, each through a fresh request for the user settings. */
    static void ReadEngineKeys (juce::ApplicationProperties& properties, KeysteadProcessor& engine);
    static void WriteEngineKeys (juce::ApplicationProperties& properties, const KeysteadProcessor& engine);

    /** The five MIDI-filter keys in file order. */
    static void ReadFilterKeys (const juce::PropertySet& settings, AudioProcessorWITHMidiInFilter& filter);
    static void WriteFilterKeys (juce::PropertySet& settings, const AudioProcessorWITHMidiInFilter& filter);

    static const juce::String filterMidiChannelKey, midiChannelKey, filterMidiRangeKey,
                              highestNoteKey, lowestNoteKey, audioDeviceStateKey;
};
