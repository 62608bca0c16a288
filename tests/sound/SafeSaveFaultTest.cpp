// What a save returns against what the disk holds after it, with each step of the save made to
// fail in turn: this program defines pwrite, fsync and rename in front of the C library's, and a
// case names the call that fails and its errno. Then the same on real file systems that are full
// or read-only (a small tmpfs, mounted in a mount namespace of this process's own; root only).
#include "SoundTestSupport.h"

#include <cerrno>
#include <dirent.h>
#include <map>
#include <gtest/gtest.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace
{
struct Fault
{
    std::string call;  // "pwrite", "fsync" or "rename"
    int nth;           // the nth such call after arming fails (1 = the first)
    int error;
};
std::vector<Fault> armed;
std::map<std::string, int> calls;

bool failsNow (const char* call)
{
    if (armed.empty())
        return false;
    const int n = ++calls[call];
    for (const auto& f : armed)
        if (f.call == call && f.nth == n)
        {
            errno = f.error;
            return true;
        }
    return false;
}
} // namespace

extern "C" ssize_t pwrite (int fd, const void* bytes, size_t size, off_t at)
{
    if (failsNow ("pwrite"))
        return -1;
    return static_cast<ssize_t> (::syscall (SYS_pwrite64, fd, bytes, size, at));
}

extern "C" ssize_t pwrite64 (int fd, const void* bytes, size_t size, off_t at)
{
    return pwrite (fd, bytes, size, at);
}

extern "C" int fsync (int fd)
{
    if (failsNow ("fsync"))
        return -1;
    return static_cast<int> (::syscall (SYS_fsync, fd));
}

extern "C" int rename (const char* from, const char* to)
{
    if (failsNow ("rename"))
        return -1;
    return static_cast<int> (::syscall (SYS_rename, from, to));
}

namespace
{
struct Armed
{
    explicit Armed (const std::vector<Fault>& f)
    {
        armed = f;
        calls.clear();
    }
    ~Armed() { armed.clear(); }
};

std::vector<std::string> namesIn (const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* d = ::opendir (folder.c_str()))
    {
        while (const dirent* e = ::readdir (d))
            if (std::strcmp (e->d_name, ".") != 0 && std::strcmp (e->d_name, "..") != 0)
                names.emplace_back (e->d_name);
        ::closedir (d);
    }
    std::sort (names.begin(), names.end());
    return names;
}

SoundVector sounds (int n)
{
    SoundVector v;
    for (int i = 0; i < n; ++i)
        v.append (namedRecord (("Saved " + std::to_string (i)).c_str(), i));
    return v;
}

const std::vector<uint8_t> oldBytes = { 'o', 'l', 'd' };
} // namespace

// Each step of the save fails in turn, over an old file and where there is none. A save that
// returns its byte count leaves the new sounds on disk; one that returns -2 leaves the old file
// (or no file) and no temporary file beside it, and says why.
TEST (SafeSave, WhatASaveReturnsIsWhatTheDiskHolds)
{
    struct Case
    {
        const char* what;
        std::vector<Fault> faults;
        bool saved;            // the new bytes are on disk
        FileProblem problem;   // when not saved
    };
    const Case cases[] = {
        { "no fault", {}, true, FileProblem::none },
        { "the temporary file's write: disk full", { { "pwrite", 1, ENOSPC } }, false, FileProblem::diskFull },
        { "the temporary file's write: an input/output error", { { "pwrite", 1, EIO } }, false, FileProblem::diskError },
        { "the temporary file's sync", { { "fsync", 1, EIO } }, false, FileProblem::diskError },
        // A refused rename (a sticky folder) leaves the file to be written in place.
        { "the rename", { { "rename", 1, EPERM } }, true, FileProblem::none },
        { "the rename, then the write in place", { { "rename", 1, EIO }, { "pwrite", 2, EIO } }, false, FileProblem::diskError },
        { "the folder's sync after the rename", { { "fsync", 2, EIO } }, true, FileProblem::none },
        // In place the old bytes are read first, and put back when the write fails.
        { "in place: the write", { { "rename", 1, EPERM }, { "pwrite", 2, ENOSPC } }, false, FileProblem::diskFull },
        { "in place: the sync", { { "rename", 1, EPERM }, { "fsync", 2, EIO } }, false, FileProblem::diskError },
    };
    for (const bool existing : { true, false })
        for (const auto& c : cases)
        {
            SCOPED_TRACE (std::string (c.what) + (existing ? ", over an old file" : ", a new file"));
            TempDir dir;
            const std::string path = dir.file ("sounds.ksx");
            if (existing)
                writeFile (path, oldBytes);
            SoundVector list = sounds (3);
            const auto expected = encodeSoundFile (&list);

            FileProblem problem = FileProblem::none;
            int result;
            {
                const Armed a (c.faults);
                result = saveSoundFile (&list, path.c_str(), &problem);
            }
            const auto onDisk = readFile (path);
            if (c.saved)
            {
                EXPECT_EQ (result, 3 * soundDumpLength);
                EXPECT_TRUE (onDisk == expected) << "the file does not hold the new sounds";
            }
            else
            {
                EXPECT_EQ (result, -2);
                EXPECT_EQ (problem, c.problem);
                EXPECT_TRUE (onDisk == (existing ? oldBytes : std::vector<uint8_t>())) << "the old file changed";
                EXPECT_EQ (::access (path.c_str(), F_OK) == 0, existing);
            }
            EXPECT_EQ (namesIn (dir.path), existing || c.saved ? std::vector<std::string> { "sounds.ksx" } : std::vector<std::string>())
                << "a file was left beside it";
        }
}

// The same on a real disk: a tmpfs of 64 KB holding a saved library of 28 sounds (37 KB) has no
// room for a library of 40 beside it, and once mounted read-only takes no save at all. Each time
// the old file stays as it was and nothing is left beside it.
TEST (SafeSave, OnADiskThatIsFullOrReadOnly)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to mount a file system";
    if (::unshare (CLONE_NEWNS) != 0 || ::mount ("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "no mount namespace of its own here";
    TempDir dir;
    ASSERT_EQ (::mount ("ke-small", dir.path.c_str(), "tmpfs", 0, "size=64k"), 0) << std::strerror (errno);
    const std::string path = dir.file ("library.ksx");

    SoundVector old = sounds (28);
    ASSERT_EQ (saveSoundFile (&old, path.c_str()), 28 * soundDumpLength);
    const auto oldOnDisk = readFile (path);

    SoundVector larger = sounds (40);
    FileProblem problem = FileProblem::none;
    EXPECT_EQ (saveSoundFile (&larger, path.c_str(), &problem), -2);
    EXPECT_EQ (problem, FileProblem::diskFull);
    EXPECT_TRUE (readFile (path) == oldOnDisk);
    EXPECT_EQ (namesIn (dir.path), std::vector<std::string> { "library.ksx" });

    ASSERT_EQ (::mount (nullptr, dir.path.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, "size=64k"), 0) << std::strerror (errno);
    SoundVector smaller = sounds (2);
    problem = FileProblem::none;
    EXPECT_EQ (saveSoundFile (&smaller, path.c_str(), &problem), -2);
    EXPECT_EQ (problem, FileProblem::readOnly);
    EXPECT_EQ (saveSoundFile (&smaller, dir.file ("new.ksx").c_str(), &problem), -2);
    EXPECT_EQ (problem, FileProblem::readOnly);
    EXPECT_TRUE (readFile (path) == oldOnDisk);
    EXPECT_EQ (namesIn (dir.path), std::vector<std::string> { "library.ksx" });
    ::umount (dir.path.c_str());
}
