#pragma once

#include <optional>
#include <string>

#include <juce_core/juce_core.h>

/** The settings file as bytes on disk, through the system's own calls rather than the framework's
    file class: paths stay the bytes the system gave (a home folder's name need not be UTF-8), a
    symbolic link at the path is followed rather than replaced, only a regular file is read (a
    FIFO would block the start), and a file is replaced whole, keeping its mode. */
class SettingsFileOnDisk
{
public:
    /** ~/.<name>/<name>.settings, or through a symbolic link there, the file it leads to. */
    static std::string PathFor (const juce::String& applicationName);

    /** The bytes of the regular file at the path, or none when there is none, it is not a
        regular file or it is larger than largestSize. Never blocks on what it opens. */
    static std::optional<juce::MemoryBlock> ReadRegularFile (const std::string& path, juce::int64 largestSize);

    /** Whether nothing at all is at the path. */
    static bool IsAbsent (const std::string& path);

    /** Where a damaged settings file is kept, and the move there (replacing an older one). */
    static std::string DamagedCopyOf (const std::string& path);
    static bool MoveAside (const std::string& path);

    /** Replaces the file's contents at once through a temporary file beside it, renamed over it:
        a kill during the write leaves the old file whole. The new file keeps the old one's mode;
        the folder is made when missing. */
    static bool Replace (const std::string& path, const juce::String& text);

    /** Removes what a write cut short left beside the file; a minute's age leaves alone the write
        of another instance that is under way. */
    static void RemoveStaleTemporaryFiles (const std::string& path);
};
