#include "app/SettingsFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <optional>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

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

    //==============================================================================
    // Paths are kept as the bytes that the system gave: a home folder's name need not be UTF-8.

    std::string homeFolder()
    {
        if (const char* home = std::getenv ("HOME"); home != nullptr && *home != 0)
            return home;

        const auto* entry = ::getpwuid (::getuid());
        return entry != nullptr ? entry->pw_dir : "";
    }

    std::string settingsPath (const juce::String& applicationName)
    {
        const auto name = applicationName.toStdString();
        return homeFolder() + "/." + name + "/" + name + ".settings";
    }

    // Where a damaged settings file is kept.
    std::string damagedCopyOf (const std::string& path)  { return path + ".damaged"; }

    std::string folderOf (const std::string& path)
    {
        const auto slash = path.rfind ('/');
        return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr (0, slash);
    }

    /** The file that a path leads to: a symbolic link there (as dotfile managers keep) is followed
        to its final target, so that the link stays and the target gets the new values. */
    std::string finalTarget (std::string path)
    {
        for (int link = 0; link < 40; ++link)
        {
            struct stat info {};
            char target[PATH_MAX];

            if (::lstat (path.c_str(), &info) != 0 || ! S_ISLNK (info.st_mode))
                break;

            const auto length = ::readlink (path.c_str(), target, sizeof (target));

            if (length <= 0 || (size_t) length >= sizeof (target))
                break;

            const std::string next (target, (size_t) length);
            path = next[0] == '/' ? next : folderOf (path) + "/" + next;
        }

        return path;
    }

    /** The root of the settings file at the path, or none when there is no such file or it is
        damaged. Only a regular file is opened (never blocking), and only one small enough. */
    std::unique_ptr<juce::XmlElement> readSettings (const std::string& path)
    {
        const auto isReadable = [] (const struct stat& info)
            { return S_ISREG (info.st_mode) && info.st_size <= SettingsFile::largestReadableSize; };

        struct stat info {};

        if (::stat (path.c_str(), &info) != 0 || ! isReadable (info))
            return {};

        const int file = ::open (path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);

        if (file < 0)
            return {};

        // Checked again on what was opened, which may have been swapped in after the first look.
        juce::MemoryBlock bytes;
        bool whole = ::fstat (file, &info) == 0 && isReadable (info);

        if (whole)
        {
            bytes.setSize ((size_t) info.st_size);
            size_t done = 0;

            while (done < bytes.getSize())
            {
                const auto got = ::read (file, static_cast<char*> (bytes.getData()) + done, bytes.getSize() - done);

                if (got < 0 && errno == EINTR)
                    continue;

                if (got <= 0)
                    break;

                done += (size_t) got;
            }

            whole = done == bytes.getSize();
        }

        ::close (file);

        if (! whole)
            return {};

        const auto text = juce::String::createStringFromData (bytes.getData(), (int) bytes.getSize());
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

    // A temporary file beside the target is named as the framework names its own, so that the
    // stale ones of either are found alike: "Keystead_temp<hex>.settings".
    std::pair<std::string, std::string> temporaryNameParts (const std::string& target)
    {
        const auto name = target.substr (target.rfind ('/') + 1);
        const auto dot = name.rfind ('.');
        const auto stem = dot == std::string::npos || dot == 0 ? name : name.substr (0, dot);
        return { stem + "_temp", name.substr (stem.size()) };
    }

    bool writeAll (int file, const char* data, size_t size)
    {
        while (size > 0)
        {
            const auto done = ::write (file, data, size);

            if (done < 0 && errno == EINTR)
                continue;

            if (done <= 0)
                return false;

            data += done;
            size -= (size_t) done;
        }

        return true;
    }

    /** Replaces the target's contents at once: a kill during the write leaves the old file whole. */
    bool replaceFile (const std::string& target, const juce::String& text, std::optional<mode_t> mode)
    {
        const auto [prefix, suffix] = temporaryNameParts (target);
        const auto hex = juce::String::toHexString (juce::Random::getSystemRandom().nextInt()).toStdString();
        const auto temporary = folderOf (target) + "/" + prefix + hex + suffix;
        const int file = ::open (temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);

        if (file < 0)
            return false;

        const bool written = writeAll (file, text.toRawUTF8(), text.getNumBytesAsUTF8())
                              && (! mode.has_value() || ::fchmod (file, *mode & 07777) == 0)
                              && ::fsync (file) == 0;

        if (::close (file) == 0 && written && ::rename (temporary.c_str(), target.c_str()) == 0)
            return true;

        ::unlink (temporary.c_str());
        return false;
    }

    /** Removes what a write cut short left beside the target; a minute's age leaves alone the
        write of another instance that is under way. */
    void removeStaleTemporaryFiles (const std::string& target)
    {
        const auto folder = folderOf (target);
        const auto [prefix, suffix] = temporaryNameParts (target);
        const auto isHex = [] (char c) { return std::isxdigit ((unsigned char) c) != 0; };
        const auto aMinuteAgo = std::time (nullptr) - 60;
        auto* directory = ::opendir (folder.c_str());

        if (directory == nullptr)
            return;

        while (const auto* entry = ::readdir (directory))
        {
            const std::string name (entry->d_name);
            struct stat info {};

            if (name.size() <= prefix.size() + suffix.size()
                 || name.compare (0, prefix.size(), prefix) != 0
                 || name.compare (name.size() - suffix.size(), suffix.size(), suffix) != 0
                 || ! std::all_of (name.begin() + (long) prefix.size(), name.end() - (long) suffix.size(), isHex))
                continue;

            const auto path = folder + "/" + name;

            if (::lstat (path.c_str(), &info) == 0 && S_ISREG (info.st_mode) && info.st_mtime < aMinuteAgo)
                ::unlink (path.c_str());
        }

        ::closedir (directory);
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

    const auto target = finalTarget (settingsPath (applicationName));
    removeStaleTemporaryFiles (target);

    if (const auto root = readSettings (target))
        fill (*properties.getUserSettings(), *root);
}

bool SettingsFile::Save (juce::ApplicationProperties& properties, const juce::String& applicationName)
{
    auto& settings = *properties.getUserSettings();

    if (! settings.needsToBeSaved())
        return true;

    const auto target = finalTarget (settingsPath (applicationName));
    struct stat old {};
    const bool exists = ::stat (target.c_str(), &old) == 0;
    const bool absent = ! exists && errno == ENOENT;

    // The damaged file goes aside by renaming, which keeps its bytes even when it cannot be read.
    // If it cannot, the user's file wins over this run's values.
    if (! absent && readSettings (target) == nullptr
         && ::rename (target.c_str(), damagedCopyOf (target).c_str()) != 0)
    {
        settings.setNeedsToBeSaved (false);
        return false;
    }

    // The next start must read what this one writes.
    auto text = toXml (settings.getAllProperties(), true);

    if (text.getNumBytesAsUTF8() > (size_t) largestReadableSize)
        text = toXml (settings.getAllProperties(), false);

    if (text.getNumBytesAsUTF8() > (size_t) largestReadableSize)
        return false;

    const auto folder = folderOf (target);

    if (::mkdir (folder.c_str(), 0777) != 0 && errno != EEXIST)
        return false;

    const auto mode = exists && S_ISREG (old.st_mode) ? std::optional<mode_t> (old.st_mode) : std::nullopt;

    if (! replaceFile (target, text, mode))
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
