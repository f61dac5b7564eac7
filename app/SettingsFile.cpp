#include "app/SettingsFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include <sys/stat.h>

#include "app/SettingsFileOnDisk.h"
#include "app/SettingsXml.h"
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
        damaged. To be called through SettingsXml::OnLargeStack. */
    std::unique_ptr<juce::XmlElement> readSettings (const std::string& path)
    {
        const auto bytes = SettingsFileOnDisk::ReadRegularFile (path, SettingsFile::largestReadableSize);

        if (! bytes.has_value())
            return {};

        const auto text = juce::String::createStringFromData (bytes->getData(), (int) bytes->getSize());
        auto root = SettingsXml::Parse (text, true);
        return root != nullptr && root->hasTagName ("PROPERTIES") ? std::move (root) : nullptr;
    }

    // The framework's properties format: one VALUE element per key, with the key's name and its
    // value, or with the value as a child element when the value is itself XML. Each key costs
    // the framework a search of the keys before it, which the bound on markup keeps small. To be
    // called through SettingsXml::OnLargeStack.
    void fill (juce::PropertiesFile& settings, const juce::XmlElement& root)
    {
        auto& values = settings.getAllProperties();

        for (auto* element : root.getChildWithTagNameIterator ("VALUE"))
        {
            const auto name = element->getStringAttribute ("name");
            const auto* child = element->getFirstChildElement();

            if (name.isNotEmpty())
                values.set (name, child != nullptr ? SettingsXml::OneLine (*child)
                                                   : element->getStringAttribute ("val"));
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

    // What a start reads; the quit must write nothing else.
    bool isReadable (const juce::String& text)
    {
        return text.getNumBytesAsUTF8() <= (size_t) SettingsFile::largestReadableSize
                && SettingsXml::IsSafeForTheReader (text, true);
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
    // The run's values live in a settings object that never saves by itself: the framework's
    // reading would block on a FIFO and open what a document type names, and its writing would
    // replace a symbolic link and reset the file's mode. Save writes the real file.
    //
    // The object still looks for a file of its own when it is made. It is sent to the program's
    // folder, which is a folder and reads as no settings; when that is not a folder, to the path
    // beneath it, which cannot be opened at all. So it looks nowhere but in the user's own folder,
    // where no other user can put a file for it to find.
    const auto path = SettingsFileOnDisk::PathFor (applicationName);
    const auto folder = SettingsFileOnDisk::FolderOf (path);
    struct stat info {};
    const bool isFolder = ::stat (folder.c_str(), &info) == 0 && S_ISDIR (info.st_mode);

    auto options = GetOptions (applicationName);
    options.folderName = juce::String::fromUTF8 ((isFolder ? path : folder).c_str());
    options.applicationName = isFolder ? "." : applicationName;  // "." + "." names the folder above
    options.filenameSuffix = isFolder ? "" : options.filenameSuffix;
    options.doNotSave = true;
    properties.setStorageParameters (options);
    properties.getUserSettings();  // its look happens now, while what was seen of the folder holds

    const auto target = SettingsFileOnDisk::FinalTarget (path);

    if (! target.has_value())
        return;

    SettingsFileOnDisk::RemoveStaleTemporaryFiles (*target);

    auto& settings = *properties.getUserSettings();
    SettingsXml::OnLargeStack ([&]
    {
        if (const auto root = readSettings (*target))
            fill (settings, *root);
    });
}

std::string SettingsFile::Save (juce::ApplicationProperties& properties, const juce::String& applicationName)
{
    auto& settings = *properties.getUserSettings();

    if (! settings.needsToBeSaved())
        return {};

    // The file is named by its bytes: a home folder's name need not be UTF-8.
    const auto failure = [] (const std::string& file, const std::string& reason) { return file + ": " + reason; };
    const auto systemReason = [] (int error) { return std::string (std::strerror (error)); };

    const auto path = SettingsFileOnDisk::PathFor (applicationName);
    const auto target = SettingsFileOnDisk::FinalTarget (path);

    if (! target.has_value())
        return failure (path, systemReason (errno));  // nothing between the call and here sets errno

    // Only a regular file, or none yet, is ever replaced. What a link leads to is the user's own
    // (a folder, a device, /dev/null) and stays as it is; what is at the program's own path is
    // kept aside when it is damaged, so what the user had there is not lost.
    const bool throughLink = *target != path;
    struct stat info {};
    const bool present = ::lstat (target->c_str(), &info) == 0;

    if (! present && errno != ENOENT)
        return failure (*target, systemReason (errno));

    if (present && throughLink && ! S_ISREG (info.st_mode))
        return failure (*target, "not a regular file, so it was left as it is");

    // The next start must read what this one writes: without the keys this program does not know
    // when they would make too much of it. The file is judged as it is now, since another instance
    // may have written it since the start.
    const auto& values = settings.getAllProperties();
    bool damaged = false;
    juce::String text;

    SettingsXml::OnLargeStack ([&]
    {
        damaged = present && readSettings (*target) == nullptr;
        text = SettingsXml::Write (values, [] (const juce::String&) { return true; });

        if (! isReadable (text))
            text = SettingsXml::Write (values, isOwnKey);
    });

    if (! isReadable (text))
        return failure (*target, "the settings would be more than a start reads");

    std::string keptAs;

    if (damaged)
        if (const int error = SettingsFileOnDisk::MoveAside (*target, keptAs))
            return failure (*target, error == EEXIST
                                       ? "it could not be kept aside: every name for a kept copy up to " + keptAs
                                           + " is taken"
                                       : "it could not be kept aside as " + keptAs + ": " + systemReason (error));

    // The program makes its own folder, but no folder that a link names.
    if (const int error = SettingsFileOnDisk::Replace (*target, text, ! throughLink))
        return failure (*target, systemReason (error));

    settings.setNeedsToBeSaved (false);
    return {};
}

std::unique_ptr<juce::XmlElement> SettingsFile::ParseXml (const juce::String& text)
{
    std::unique_ptr<juce::XmlElement> root;

    SettingsXml::OnLargeStack ([&]
    {
        root = SettingsXml::Parse (text, true);

        if (root != nullptr && SettingsXml::DepthOf (*root) > mostNestingHandedOut)
            root.reset();
    });

    return root;
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

    // The program takes any value but 0 as on; only the two it writes are kept.
    engine.tempoMode = tempoMode != 0 ? 1 : 0;
    engine.metronomeMode = metronomeMode != 0 ? 1 : 0;
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
