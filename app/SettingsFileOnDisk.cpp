#include "app/SettingsFileOnDisk.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
    std::string homeFolder()
    {
        if (const char* home = std::getenv ("HOME"); home != nullptr && *home != 0)
            return home;

        const auto* entry = ::getpwuid (::getuid());
        return entry != nullptr ? entry->pw_dir : "";
    }

    // Linux follows at most this many symbolic links in one path (MAXSYMLINKS).
    constexpr int mostLinksFollowed = 40;

    int errorOf (bool succeeded)
    {
        return succeeded ? 0 : (errno != 0 ? errno : EIO);
    }

    /** Syncs a folder, so that a rename in it outlasts a power cut. A file system that cannot sync
        a folder (EINVAL) has nothing more to do. */
    int syncFolder (const std::string& folder)
    {
        const int handle = ::open (folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);

        if (handle < 0)
            return errorOf (false);

        const int result = ::fsync (handle) == 0 || errno == EINVAL ? 0 : errorOf (false);
        ::close (handle);
        return result;
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

    /** Gives the open file or folder the owner and group of `owner` when it has others. An
        ordinary user cannot give a file away (EPERM): it stays theirs, as it always was. */
    int giveOwner (int handle, const struct stat& owner)
    {
        struct stat now {};

        if (::fstat (handle, &now) != 0)
            return errorOf (false);

        if ((now.st_uid == owner.st_uid && now.st_gid == owner.st_gid)
             || ::fchown (handle, owner.st_uid, owner.st_gid) == 0 || errno == EPERM)
            return 0;

        return errorOf (false);
    }

    /** Renames without replacing anything at the new name (EEXIST then). A file system that
        cannot refuse in a rename gets a second name, which is refused when taken, and loses the
        first. */
    int renameWithoutReplacing (const std::string& from, const std::string& to)
    {
        if (::renameat2 (AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
            return 0;

        if (errno != EINVAL && errno != ENOSYS)
            return errorOf (false);

        if (::link (from.c_str(), to.c_str()) != 0)
            return errorOf (false);

        return errorOf (::unlink (from.c_str()) == 0);
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
}

//==============================================================================
std::string SettingsFileOnDisk::PathFor (const juce::String& applicationName)
{
    const auto name = applicationName.toStdString();
    auto home = homeFolder();

    while (! home.empty() && home.back() == '/')
        home.pop_back();

    return home + "/." + name + "/" + name + ".settings";
}

std::string SettingsFileOnDisk::FolderOf (const std::string& path)
{
    const auto slash = path.rfind ('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr (0, slash);
}

std::optional<std::string> SettingsFileOnDisk::FinalTarget (const std::string& start)
{
    // Followed as the system follows it, so that the file the start read is the one the quit
    // replaces; a link of a dotfile manager stays a link.
    auto path = start;

    for (int link = 0; link <= mostLinksFollowed; ++link)
    {
        struct stat info {};
        char target[PATH_MAX];

        if (::lstat (path.c_str(), &info) != 0 || ! S_ISLNK (info.st_mode))
            return path;

        if (link == mostLinksFollowed)
            break;

        const auto length = ::readlink (path.c_str(), target, sizeof (target));

        if (length <= 0 || (size_t) length >= sizeof (target))
        {
            errno = length < 0 ? errno : ENAMETOOLONG;
            return {};
        }

        const std::string next (target, (size_t) length);
        path = next[0] == '/' ? next : FolderOf (path) + "/" + next;
    }

    errno = ELOOP;
    return {};
}

std::optional<juce::MemoryBlock> SettingsFileOnDisk::ReadRegularFile (const std::string& path, juce::int64 largestSize)
{
    const auto isReadable = [largestSize] (const struct stat& info)
        { return S_ISREG (info.st_mode) && info.st_size <= largestSize; };

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

    return bytes;
}

std::string SettingsFileOnDisk::DamagedCopyOf (const std::string& path, int copy)
{
    return path + ".damaged" + (copy > 1 ? "-" + std::to_string (copy) : "");
}

int SettingsFileOnDisk::MoveAside (const std::string& path, std::string& keptAs)
{
    // Renaming keeps the bytes even of a file that cannot be read, and its owner.
    for (int copy = 1; copy <= mostDamagedCopies; ++copy)
    {
        keptAs = DamagedCopyOf (path, copy);

        if (const int error = renameWithoutReplacing (path, keptAs); error != EEXIST)
            return error != 0 ? error : syncFolder (FolderOf (path));
    }

    return EEXIST;
}

int SettingsFileOnDisk::Replace (const std::string& path, const juce::String& text, bool makeFolder)
{
    const auto folder = FolderOf (path);
    struct stat home {};
    const bool homeKnown = ::stat (homeFolder().c_str(), &home) == 0;

    if (makeFolder)
    {
        const bool made = ::mkdir (folder.c_str(), 0777) == 0;

        if (! made && errno != EEXIST)
            return errorOf (false);

        if (made && homeKnown)
        {
            // Opened without following a link that may have been put in its place since.
            const int handle = ::open (folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            const int error = handle < 0 ? errorOf (false) : giveOwner (handle, home);

            if (handle >= 0)
                ::close (handle);

            if (error != 0)
                return error;
        }
    }

    struct stat old {};
    const bool keepMode = ::stat (path.c_str(), &old) == 0 && S_ISREG (old.st_mode);

    const auto [prefix, suffix] = temporaryNameParts (path);
    const auto hex = juce::String::toHexString (juce::Random::getSystemRandom().nextInt()).toStdString();
    const auto temporary = folder + "/" + prefix + hex + suffix;
    const int file = ::open (temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);

    if (file < 0)
        return errorOf (false);

    // The owner first: a change of owner clears the set-user and set-group bits of the mode.
    int error = errorOf (writeAll (file, text.toRawUTF8(), text.getNumBytesAsUTF8()));

    if (error == 0 && (keepMode || homeKnown))
        error = giveOwner (file, keepMode ? old : home);

    if (error == 0 && keepMode)
        error = errorOf (::fchmod (file, old.st_mode & 07777) == 0);

    if (error == 0)
        error = errorOf (::fsync (file) == 0);

    // A full disk may only show when the file is closed.
    if (::close (file) != 0 && error == 0)
        error = errorOf (false);

    if (error == 0 && ::rename (temporary.c_str(), path.c_str()) == 0)
        return syncFolder (folder);

    error = error != 0 ? error : errorOf (false);
    ::unlink (temporary.c_str());
    return error;
}

void SettingsFileOnDisk::RemoveStaleTemporaryFiles (const std::string& path)
{
    const auto folder = FolderOf (path);
    const auto [prefix, suffix] = temporaryNameParts (path);
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

        const auto stale = folder + "/" + name;

        if (::lstat (stale.c_str(), &info) == 0 && S_ISREG (info.st_mode) && info.st_mtime < aMinuteAgo)
            ::unlink (stale.c_str());
    }

    ::closedir (directory);
}
