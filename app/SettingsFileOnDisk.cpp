#include "app/SettingsFileOnDisk.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
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
}

//==============================================================================
std::string SettingsFileOnDisk::PathFor (const juce::String& applicationName)
{
    const auto name = applicationName.toStdString();
    return finalTarget (homeFolder() + "/." + name + "/" + name + ".settings");
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

bool SettingsFileOnDisk::IsAbsent (const std::string& path)
{
    struct stat info {};
    return ::lstat (path.c_str(), &info) != 0 && errno == ENOENT;
}

std::string SettingsFileOnDisk::DamagedCopyOf (const std::string& path)
{
    return path + ".damaged";
}

bool SettingsFileOnDisk::MoveAside (const std::string& path)
{
    // Renaming keeps the bytes even of a file that cannot be read.
    return ::rename (path.c_str(), DamagedCopyOf (path).c_str()) == 0;
}

bool SettingsFileOnDisk::Replace (const std::string& path, const juce::String& text)
{
    const auto folder = folderOf (path);

    if (::mkdir (folder.c_str(), 0777) != 0 && errno != EEXIST)
        return false;

    struct stat old {};
    const bool keepMode = ::stat (path.c_str(), &old) == 0 && S_ISREG (old.st_mode);

    const auto [prefix, suffix] = temporaryNameParts (path);
    const auto hex = juce::String::toHexString (juce::Random::getSystemRandom().nextInt()).toStdString();
    const auto temporary = folder + "/" + prefix + hex + suffix;
    const int file = ::open (temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);

    if (file < 0)
        return false;

    const bool written = writeAll (file, text.toRawUTF8(), text.getNumBytesAsUTF8())
                          && (! keepMode || ::fchmod (file, old.st_mode & 07777) == 0)
                          && ::fsync (file) == 0;

    if (::close (file) == 0 && written && ::rename (temporary.c_str(), path.c_str()) == 0)
        return true;

    ::unlink (temporary.c_str());
    return false;
}

void SettingsFileOnDisk::RemoveStaleTemporaryFiles (const std::string& path)
{
    const auto folder = folderOf (path);
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
