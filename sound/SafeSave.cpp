#include "sound/SoundFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
// The name that a chain of symbolic links ends in, which need not exist yet. A relative link is
// taken from the folder that holds it. False for a loop or a link that cannot be read (errno says
// why).
bool followLinks (const char* path, std::string& resolved)
{
    resolved = path;
    for (int hops = 0; hops < 40; ++hops)
    {
        struct stat st {};
        if (::lstat (resolved.c_str(), &st) != 0 || ! S_ISLNK (st.st_mode))
            return true;
        char target[PATH_MAX];
        const ssize_t n = ::readlink (resolved.c_str(), target, sizeof (target) - 1);
        if (n <= 0 || n >= static_cast<ssize_t> (sizeof (target)) - 1)
        {
            if (n >= 0)
                errno = ENAMETOOLONG;
            return false;
        }
        target[n] = 0;
        const auto slash = resolved.rfind ('/');
        resolved = target[0] == '/' || slash == std::string::npos ? std::string (target)
                                                                   : resolved.substr (0, slash + 1) + target;
    }
    errno = ELOOP;
    return false;
}

std::string folderOf (const std::string& path)
{
    const auto slash = path.rfind ('/');
    return slash == std::string::npos ? std::string (".") : slash == 0 ? std::string ("/") : path.substr (0, slash);
}

// Each false below leaves in errno the reason that the caller reports.
bool writeAll (int fd, const uint8_t* bytes, size_t size, off_t at)
{
    while (size > 0)
    {
        const ssize_t n = ::pwrite (fd, bytes, size, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        bytes += n;
        size -= static_cast<size_t> (n);
        at += n;
    }
    return true;
}

// A rename or a new name is durable only once its folder is.
bool syncFolder (const std::string& path)
{
    const int fd = ::open (folderOf (path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno == EACCES;  // a folder the user may not read: nothing to sync it through
    const bool ok = ::fsync (fd) == 0 || errno == EINVAL;
    ::close (fd);
    return ok;
}

// The first failure's errno, kept over what the clean-up after it does to errno.
struct FirstError
{
    int error = 0;
    bool fail()
    {
        if (error == 0)
            error = errno != 0 ? errno : EIO;
        return false;
    }
};

enum class Replaced { done, failed, noRoom };

// Written beside the target and renamed over it, so a failed save leaves the old file as it was.
// noRoom when the folder takes no new file or the rename is refused (a folder the user may not
// write, a sticky folder), before anything changed.
Replaced replaceThroughTemporary (const uint8_t* bytes, size_t size, const std::string& path, const struct stat* old,
                                  FirstError& why)
{
    // The temporary name is short and hidden, so that a target name of any legal length has one.
    const auto slash = path.rfind ('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr (0, slash + 1);
    static int counter = 0;
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt)
    {
        temp = folder + ".ksx-" + std::to_string (getpid()) + "-"
             + std::to_string (__atomic_add_fetch (&counter, 1, __ATOMIC_RELAXED)) + ".tmp";
        if (temp.size() >= PATH_MAX)
            return Replaced::noRoom;
        fd = ::open (temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return Replaced::noRoom;
    }
    if (fd < 0)
        return Replaced::noRoom;
    if (old != nullptr)
    {
        // The new file takes the old one's owner and group (only root may give it away), then its
        // mode, which a change of owner may have cut.
        if (::fchown (fd, old->st_uid, old->st_gid) != 0)
            (void) ! ::fchown (fd, static_cast<uid_t> (-1), old->st_gid);
        ::fchmod (fd, old->st_mode & 07777);
    }
    bool ok = (writeAll (fd, bytes, size, 0) && ::fsync (fd) == 0) || why.fail();
    if (::close (fd) != 0 && ok)
        ok = why.fail();
    if (! ok)
    {
        ::unlink (temp.c_str());
        return Replaced::failed;
    }
    if (std::rename (temp.c_str(), path.c_str()) != 0)
    {
        ::unlink (temp.c_str());
        return Replaced::noRoom;
    }
    // The new file has the name and holds the new sounds: that is what the save reports, even
    // where the folder cannot be synced, which leaves its name at the mercy of a power cut.
    syncFolder (path);
    return Replaced::done;
}

// The file itself rewritten: opened without truncating, written, cut to the new length, synced.
// The room is taken first, so that a full disk refuses the save before the old bytes change; a
// write that fails after that puts the old bytes back.
bool writeInPlace (const uint8_t* bytes, size_t size, const std::string& path, bool exists, FirstError& why)
{
    const int flags = O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (exists ? 0 : O_CREAT | O_EXCL);
    int fd = ::open (path.c_str(), O_RDWR | flags, 0666);
    // A file that the user may write but not read is written without a way back.
    const bool readable = fd >= 0;
    if (fd < 0 && errno == EACCES)
        fd = ::open (path.c_str(), O_WRONLY | flags, 0666);
    if (fd < 0)
        return why.fail();
    struct stat now {};
    bool ok = (::fstat (fd, &now) == 0 && S_ISREG (now.st_mode)) || why.fail();
    std::vector<uint8_t> before;
    constexpr off_t largestKept = off_t (256) << 20;
    const bool restorable = readable && now.st_size <= largestKept;
    if (ok && restorable && now.st_size > 0)
    {
        before.resize (static_cast<size_t> (now.st_size));
        ok = ::pread (fd, before.data(), before.size(), 0) == static_cast<ssize_t> (before.size()) || why.fail();
    }
    if (ok && static_cast<off_t> (size) > now.st_size && ::fallocate (fd, 0, 0, static_cast<off_t> (size)) != 0
        && errno != EOPNOTSUPP && errno != ENOSYS)
    {
        ok = why.fail();
        (void) ! ::ftruncate (fd, now.st_size);
    }
    else if (ok && ! (writeAll (fd, bytes, size, 0) && ::ftruncate (fd, static_cast<off_t> (size)) == 0 && ::fsync (fd) == 0))
    {
        ok = why.fail();
        if (exists && restorable)
            (void) (writeAll (fd, before.data(), before.size(), 0) && ::ftruncate (fd, now.st_size) == 0 && ::fsync (fd) == 0);
    }
    if (::close (fd) != 0 && ok)
        ok = why.fail();
    if (! exists)
    {
        if (! ok)
            ::unlink (path.c_str());
        else
            syncFolder (path);  // as after a rename: the file is there and holds the sounds
    }
    return ok;
}
} // namespace

int writeSoundFile (const std::vector<uint8_t>& bytes, const char* path, FileProblem* problem)
{
    if (bytes.empty())
        return -1;
    FirstError why;
    const auto failed = [&why, problem]
    {
        if (problem != nullptr)
            *problem = fileProblemOf (why.error);
        return -2;
    };
    try
    {
        // A link keeps pointing at the file it names; that file is the one written, made if need be.
        std::string target;
        if (! followLinks (path, target))
            return why.fail(), failed();
        struct stat old {};
        const bool exists = ::stat (target.c_str(), &old) == 0;
        if (! exists && errno != ENOENT)
            return why.fail(), failed();
        // Replacing a FIFO or a device with a file would break what it serves; opening one could block.
        if (exists && S_ISDIR (old.st_mode))
            return why.error = EISDIR, failed();
        if (exists && ! S_ISREG (old.st_mode))
        {
            if (problem != nullptr)
                *problem = FileProblem::notRegular;
            return -2;
        }
        if (exists && ::access (target.c_str(), W_OK) != 0)
            return why.fail(), failed();

        const auto result = replaceThroughTemporary (bytes.data(), bytes.size(), target, exists ? &old : nullptr, why);
        if (result == Replaced::failed)
            return failed();
        // Where no file can be made beside it, a file that the user may write is written as it is.
        if (result == Replaced::noRoom && ! writeInPlace (bytes.data(), bytes.size(), target, exists, why))
            return failed();
        return static_cast<int> (bytes.size());
    }
    catch (const std::bad_alloc&)
    {
        why.error = ENOMEM;
        return failed();
    }
}
