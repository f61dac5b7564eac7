#include "app/SettingsFile.h"

#include <cmath>
#include <limits>

#include "engine/KeysteadProcessor.h"

const juce::String SettingsFile::filterMidiChannelKey { "filter_midi_chanel" };
const juce::String SettingsFile::midiChannelKey       { "midi_chanel" };
const juce::String SettingsFile::filterMidiRangeKey   { "filter_midi_range" };
const juce::String SettingsFile::highestNoteKey       { "highest_note" };
const juce::String SettingsFile::lowestNoteKey        { "lowest_note" };
const juce::String SettingsFile::audioDeviceStateKey  { "audioDeviceState" };

namespace
{
    const juce::juce_wchar* skipSpaces (const juce::juce_wchar* p) noexcept
    {
        while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
            ++p;

        return p;
    }

    bool isDigit (juce::juce_wchar c) noexcept    { return c >= '0' && c <= '9'; }

    /** The leading integer of a value's text, saturated to the int range (an absurdly long
        number must not overflow); the default when the key is absent or its text does not
        start with an integer. What follows the integer is ignored, so "121.37" reads as 121. */
    int readInt (const juce::PropertySet& settings, const juce::String& key, int defaultValue)
    {
        if (! settings.containsKey (key))
            return defaultValue;

        const auto text = settings.getValue (key);
        const auto utf32 = text.toUTF32();
        auto* p = skipSpaces (utf32.getAddress());

        bool negative = false;

        if (*p == '-' || *p == '+')
            negative = (*p++ == '-');

        if (! isDigit (*p))
            return defaultValue;

        constexpr juce::int64 limit = (juce::int64) std::numeric_limits<int>::max() + 1;
        juce::int64 value = 0;

        for (; isDigit (*p); ++p)
            value = std::min (limit, value * 10 + (juce::int64) (*p - '0'));

        if (negative)
            value = -value;

        return (int) juce::jlimit ((juce::int64) std::numeric_limits<int>::min(),
                                   (juce::int64) std::numeric_limits<int>::max(), value);
    }

    /** A finite double read from the start of the value's text; the default when the key is
        absent, the text does not start with a number, or the number is not finite. */
    double readDouble (const juce::PropertySet& settings, const juce::String& key, double defaultValue)
    {
        if (! settings.containsKey (key))
            return defaultValue;

        const auto text = settings.getValue (key);
        const auto utf32 = text.toUTF32();
        auto* p = skipSpaces (utf32.getAddress());

        if (*p == '-' || *p == '+')
            ++p;

        if (*p == '.')
            ++p;

        if (! isDigit (*p))
            return defaultValue;

        const double value = text.getDoubleValue();
        return std::isfinite (value) ? value : defaultValue;
    }

    float readFloat (const juce::PropertySet& settings, const juce::String& key, float defaultValue)
    {
        const double value = readDouble (settings, key, defaultValue);

        // Beyond the float range the narrowing would give infinity.
        if (std::abs (value) > (double) std::numeric_limits<float>::max())
            return defaultValue;

        return (float) value;
    }
}

//==============================================================================
juce::PropertiesFile::Options SettingsFile::GetOptions (const juce::String& applicationName)
{
    juce::PropertiesFile::Options options;
    options.applicationName = applicationName;
    options.filenameSuffix = "settings";
    options.folderName = {};
    options.osxLibrarySubFolder = "Preferences";
    options.commonToAllUsers = false;
    options.ignoreCaseOfKeyNames = false;
    options.doNotSave = false;
    options.millisecondsBeforeSaving = 3000;
    options.storageFormat = juce::PropertiesFile::storeAsXML;
    options.processLock = nullptr;
    return options;
}

void SettingsFile::Open (juce::ApplicationProperties& properties, const juce::String& applicationName)
{
    auto options = GetOptions (applicationName);

    if (options.getDefaultFile().getSize() > largestReadableSize)
    {
        // The run's values live in a settings object that has no file and never saves by
        // itself; Save writes them to the real file at the quit.
        options.folderName = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                 .getNonexistentChildFile ("keystead-unread-settings", {}).getFullPathName();
        options.doNotSave = true;
    }

    properties.setStorageParameters (options);
}

bool SettingsFile::Save (juce::ApplicationProperties& properties, const juce::String& applicationName)
{
    auto& settings = *properties.getUserSettings();
    const auto options = GetOptions (applicationName);
    const auto file = options.getDefaultFile();
    const bool unread = settings.getFile() != file;

    if (! unread && settings.isValidFile())
        return settings.saveIfNeeded();

    if (! settings.needsToBeSaved())
        return true;

    // The damaged file goes aside by renaming, which keeps its bytes even when it cannot be read.
    // If it cannot, the user's file wins over this run's values, also at the settings object's
    // own save when it goes.
    if (file.exists() && ! file.moveFileTo (DamagedCopyOf (file)))
    {
        settings.setNeedsToBeSaved (false);
        return false;
    }

    if (! unread)
        return settings.save();

    juce::PropertiesFile replacement (file, options);
    replacement.addAllPropertiesFrom (settings);
    return replacement.save();
}

juce::File SettingsFile::DamagedCopyOf (const juce::File& settingsFile)
{
    return settingsFile.getSiblingFile (settingsFile.getFileName() + ".damaged");
}

void SettingsFile::ReadEngineKeys (juce::ApplicationProperties& properties, KeysteadProcessor& engine)
{
    const auto settings = [&properties]() -> juce::PropertySet& { return *properties.getUserSettings(); };

    using E = KeysteadProcessor;
    const int tempoMode          = readInt   (settings(), E::tempoModeRef, E::defaultTempoMode);
    const int metronomeMode      = readInt   (settings(), E::metronomeModeRef, E::defaultMetronomeMode);
    const int tempo              = readInt   (settings(), E::tempoRef, E::defaultTempo);
    const int subdivisor         = readInt   (settings(), E::subdivisorRef, E::defaultSubdivisor);
    const float goodMetronome    = readFloat (settings(), E::goodMetronomeRef, E::defaultGoodMetronome);
    const float noChordMetronome = readFloat (settings(), E::noChordMetronomeRef, E::defaultNoChordMetronome);
    const int goodNoMetronome    = readInt   (settings(), E::goodNoMetronomeRef, E::defaultGoodNoMetronome);
    const int noChordNoMetronome = readInt   (settings(), E::noChordNoMetronomeRef, E::defaultNoChordNoMetronome);
    const float booVolume        = readFloat (settings(), E::booVolumeRef, E::defaultBooVolume);
    const float clickVolume      = readFloat (settings(), E::clickVolumeRef, E::defaultClickVolume);

    engine.tempoMode = tempoMode;
    engine.metronomeMode = metronomeMode;
    engine.tempo = (double) juce::jlimit (E::minimumTempo, E::maximumTempo, tempo);
    engine.subdivisor = juce::jlimit (E::minimumSubdivisor, E::maximumSubdivisor, subdivisor);

    // The limits are held to the ranges the dial and the strip keep. The dial's gap shrinks with
    // the tempo: holding the limits to its smallest one, at the slowest tempo, changes no state
    // that the dial could have left. The strip's bars sit on whole pixels, so they may be the
    // whole pixels of their smallest distance apart.
    const float dialGap = E::DialGapDegrees (E::minimumTempo, E::minimumSubdivisor);
    const float bad = juce::jlimit (2.0f * dialGap, E::largestDialAngle, noChordMetronome);
    engine.noChordMetronome = bad;
    engine.goodMetronome = juce::jlimit (dialGap, bad - dialGap, goodMetronome);

    const int barGap = (int) E::smallestBarDistance;
    const int barEnd = juce::jlimit (E::lowestBarPosition + barGap, E::chordStripWidth, noChordNoMetronome);
    engine.noChordNoMetronome = barEnd;
    engine.goodNoMetronome = juce::jlimit (E::lowestBarPosition, barEnd - barGap, goodNoMetronome);

    engine.booVolume = juce::jlimit (0.0f, 1.0f, booVolume);
    engine.clickVolume = juce::jlimit (0.0f, 1.0f, clickVolume);
}

void SettingsFile::WriteEngineKeys (juce::ApplicationProperties& properties, const KeysteadProcessor& engine)
{
    const auto settings = [&properties]() -> juce::PropertySet& { return *properties.getUserSettings(); };

    settings().setValue (KeysteadProcessor::tempoModeRef,          engine.tempoMode.load());
    settings().setValue (KeysteadProcessor::metronomeModeRef,      engine.metronomeMode.load());
    settings().setValue (KeysteadProcessor::tempoRef,              engine.tempo.load());
    settings().setValue (KeysteadProcessor::subdivisorRef,         engine.subdivisor.load());
    settings().setValue (KeysteadProcessor::goodMetronomeRef,      (double) engine.goodMetronome.load());
    settings().setValue (KeysteadProcessor::noChordMetronomeRef,   (double) engine.noChordMetronome.load());
    settings().setValue (KeysteadProcessor::goodNoMetronomeRef,    engine.goodNoMetronome.load());
    settings().setValue (KeysteadProcessor::noChordNoMetronomeRef, engine.noChordNoMetronome.load());
    settings().setValue (KeysteadProcessor::booVolumeRef,          (double) engine.booVolume.load());
    settings().setValue (KeysteadProcessor::clickVolumeRef,        (double) engine.clickVolume.load());
}

void SettingsFile::ReadFilterKeys (const juce::PropertySet& settings, AudioProcessorWITHMidiInFilter& filter)
{
    const bool filterChannel = readInt (settings, filterMidiChannelKey, 0) != 0;
    const int channel        = readInt (settings, midiChannelKey, 1);
    const bool filterRange   = readInt (settings, filterMidiRangeKey, 0) != 0;
    int highest              = juce::jlimit (0, 127, readInt (settings, highestNoteKey, 127));
    int lowest               = juce::jlimit (0, 127, readInt (settings, lowestNoteKey, 0));

    // A range stored upside down would silence every note while the panel, whose thumbs
    // cannot cross, showed an ordinary range; the two ends are taken in order instead.
    if (lowest > highest)
        std::swap (lowest, highest);

    filter.filterMidiChannel = filterChannel;
    filter.midiChannel = juce::jlimit (1, 16, channel);
    filter.filterMidiRange = filterRange;
    filter.highestNote = highest;
    filter.lowestNote = lowest;
}

void SettingsFile::WriteFilterKeys (juce::PropertySet& settings, const AudioProcessorWITHMidiInFilter& filter)
{
    settings.setValue (filterMidiChannelKey, filter.filterMidiChannel.load());
    settings.setValue (midiChannelKey,       filter.midiChannel.load());
    settings.setValue (filterMidiRangeKey,   filter.filterMidiRange.load());
    settings.setValue (highestNoteKey,       filter.highestNote.load());
    settings.setValue (lowestNoteKey,        filter.lowestNote.load());
}
