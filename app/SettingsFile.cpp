#include "app/SettingsFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "app/SettingsFileOnDisk.h"
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

    /** The root of the settings file at the path, or none when there is no such file or it is
        damaged. */
    std::unique_ptr<juce::XmlElement> readSettings (const std::string& path)
    {
        const auto bytes = SettingsFileOnDisk::ReadRegularFile (path, SettingsFile::largestReadableSize);

        if (! bytes.has_value())
            return {};

        const auto text = juce::String::createStringFromData (bytes->getData(), (int) bytes->getSize());
        auto root = SettingsFile::ParseXml (text);
        return root != nullptr && root->hasTagName ("PROPERTIES") ? std::move (root) : nullptr;
    }

    // The framework's properties format: one VALUE element per key, with the key's name and its
    // value, or with the value as a child element when the value is itself XML.
    void fill (juce::PropertiesFile& settings, const juce::XmlElement& root)
    {
        auto& values = settings.getAllProperties();

        for (auto* element : root.getChildWithTagNameIterator ("VALUE"))
        {
            const auto name = element->getStringAttribute ("name");
            const auto* child = element->getFirstChildElement();
            const auto oneLine = juce::XmlElement::TextFormat().singleLine().withoutHeader();

            if (name.isNotEmpty())
                values.set (name, child != nullptr ? child->toString (oneLine) : element->getStringAttribute ("val"));
        }
    }

    bool isOwnKey (const juce::String& key)
    {
        using E = KeysteadProcessor;
        using S = SettingsFile;

        for (const auto* own : { &E::tempoModeRef, &E::metronomeModeRef, &E::tempoRef, &E::subdivisorRef,
                                 &E::goodMetronomeRef, &E::noChordMetronomeRef, &E::goodNoMetronomeRef,
                                 &E::noChordNoMetronomeRef, &E::booVolumeRef, &E::clickVolumeRef,
                                 &S::filterMidiChannelKey, &S::midiChannelKey, &S::filterMidiRangeKey,
                                 &S::highestNoteKey, &S::lowestNoteKey, &S::audioDeviceStateKey })
            if (key == *own)
                return true;

        return false;
    }

    juce::String toXml (const juce::StringPairArray& values, bool withOtherKeys)
    {
        juce::XmlElement document ("PROPERTIES");

        for (int i = 0; i < values.size(); ++i)
        {
            const auto& key = values.getAllKeys()[i];
            const auto& value = values.getAllValues()[i];

            if (! withOtherKeys && ! isOwnKey (key))
                continue;

            auto* element = document.createNewChildElement ("VALUE");
            element->setAttribute ("name", key);

            if (auto child = SettingsFile::ParseXml (value))
                element->addChildElement (child.release());
            else
                element->setAttribute ("val", value);
        }

        return document.toString();
    }


    /** Whether a text is free of what no settings text holds and the framework's parser cannot
        take safely: a document type (whose entities it expands without bound, and whose named
        files it would open) and nesting deeper than SettingsFile::deepestNesting (it recurses once
        per level). Elements are counted as the parser would count them, or more. */
    bool isPlainAndShallow (const char* p)
    {
        const auto startsWith = [] (const char* text, const char* start)
            { return std::strncmp (text, start, std::strlen (start)) == 0; };
        const auto skipPast = [] (const char* text, const char* end)
        {
            const auto* found = std::strstr (text, end);
            return found != nullptr ? found + std::strlen (end) : text + std::strlen (text);
        };

        int depth = 0;

        while (*p != 0)
        {
            if (*p != '<')                       { ++p; continue; }
            if (startsWith (p, "<!--"))          { p = skipPast (p + 4, "-->"); continue; }
            if (startsWith (p, "<![CDATA["))     { p = skipPast (p + 9, "]]>"); continue; }
            if (p[1] == '!')                     return false;
            if (p[1] == '?')                     { p = skipPast (p + 2, "?>"); continue; }
            if (p[1] == '/')                     { depth = std::max (0, depth - 1); ++p; continue; }

            // An opening tag, to its end past any quoted values; one that ends in "/>" is empty.
            char quote = 0;

            for (++p; *p != 0 && (quote != 0 || *p != '>'); ++p)
            {
                if (quote != 0)
                    quote = (*p == quote) ? 0 : quote;
                else if (*p == '"' || *p == '\'')
                    quote = *p;
            }

            if (p[-1] != '/' && ++depth > SettingsFile::deepestNesting)
                return false;

            if (*p != 0)
                ++p;
        }

        return true;
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
    // The run's values live in a settings object that has no file and never saves by itself:
    // the framework's reading would block on a FIFO and open what a document type names, and its
    // writing would replace a symbolic link and reset the file's mode. Save writes the real file.
    auto options = GetOptions (applicationName);
    options.folderName = juce::File::getSpecialLocation (juce::File::tempDirectory)
                             .getNonexistentChildFile ("keystead-unused-settings", {}).getFullPathName();
    options.doNotSave = true;
    properties.setStorageParameters (options);

    const auto target = SettingsFileOnDisk::PathFor (applicationName);
    SettingsFileOnDisk::RemoveStaleTemporaryFiles (target);

    if (const auto root = readSettings (target))
        fill (*properties.getUserSettings(), *root);
}

bool SettingsFile::Save (juce::ApplicationProperties& properties, const juce::String& applicationName)
{
    auto& settings = *properties.getUserSettings();

    if (! settings.needsToBeSaved())
        return true;

    const auto target = SettingsFileOnDisk::PathFor (applicationName);

    // A damaged file goes aside; if it cannot, the user's file wins over this run's values.
    if (! SettingsFileOnDisk::IsAbsent (target) && readSettings (target) == nullptr
         && ! SettingsFileOnDisk::MoveAside (target))
    {
        settings.setNeedsToBeSaved (false);
        return false;
    }

    // The next start must read what this one writes.
    auto text = toXml (settings.getAllProperties(), true);

    if (text.getNumBytesAsUTF8() > (size_t) largestReadableSize)
        text = toXml (settings.getAllProperties(), false);

    if (text.getNumBytesAsUTF8() > (size_t) largestReadableSize || ! SettingsFileOnDisk::Replace (target, text))
        return false;

    settings.setNeedsToBeSaved (false);
    return true;
}

std::unique_ptr<juce::XmlElement> SettingsFile::ParseXml (const juce::String& text)
{
    if (! isPlainAndShallow (text.toRawUTF8()))
        return {};

    // Parsed from text, the document has no input source through which to open another file.
    return juce::XmlDocument (text).getDocumentElement();
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
