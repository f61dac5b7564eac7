#pragma once

#include <optional>
#include <string>

#include <juce_core/juce_core.h>

/** The settings file as bytes on disk, through the system's own calls rather than the framework's
    file class: paths stay the bytes the system gave (a home folder's name need not be UTF-8), a
    symbolic link at the path is followed rather than replaced, only a regular file is read (a
    FIFO would block the start), and a file is replaced whole, keeping its mode.

    The operations that change the disk return 0 when they did, and otherwise the system's error
    number, so that a save that fails can say why. */
class SettingsFileOnDisk
{
public:
    /** ~/.<name>/<name>.settings, the path the program names, not following any link there. */
    static std::string PathFor (const juce::String& applicationName);

    /** The path at the end of the chain of symbolic links that starts at the path (the path itself
        when it is no link), whether anything is there or not; none when the system would not
        follow the chain (ELOOP: longer than it follows) or a link cannot be read, with errno set. */
    static std::optional<std::string> FinalTarget (const std::string& path);

    /** The bytes of the regular file at the path, or none when there is none, it is not a
        regular file or it is larger than largestSize. Never blocks on what it opens. */
    static std::optional<juce::MemoryBlock> ReadRegularFile (const std::string& path, juce::int64 largestSize);

    /** Where a damaged settings file is kept: the copy-th name, "<file>.damaged" for the first,
        "<file>.damaged-2" and on for later ones, up to mostDamagedCopies. */
    static std::string DamagedCopyOf (const std::string& path, int copy);
    static constexpr int mostDamagedCopies = 100;

    /** Moves the file to the first of those names that nothing has, never replacing what is there,
        even when another instance moves a file at the same time: a kept copy is never lost to a
        later one. keptAs is the last name tried. EEXIST when every name is taken. The folder is
        synced, so the move outlasts a power cut. */
    static int MoveAside (const std::string& path, std::string& keptAs);

    /** Replaces the file's contents at once through a temporary file beside it, renamed over it:
        a kill during the write leaves the old file whole. The new file keeps the old one's mode,
        owner and group; a new file, and a missing folder that makeFolder has made first, take
        the home folder's owner and group (a run as root in a user's home must leave what it
        writes there the user's). The file and then its folder are synced before this returns. */
    static int Replace (const std::string& path, const juce::String& text, bool makeFolder);

    /** Removes what a write cut short left beside the file; a minute's age leaves alone the write
        of another instance that is under way. */
    static void RemoveStaleTemporaryFiles (const std::string& path);

    /** The folder part of a path. */
    static std::string FolderOf (const std::string& path);
};
