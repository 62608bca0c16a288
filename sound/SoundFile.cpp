#include "sound/SoundFile.h"
#include "sound/CcConversion.h"
#include "sound/SoundDump.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace
{
// A message that a scan found, zero-filled after its F7, and what the parse makes of it.
struct FoundDump
{
    uint8_t message[soundDumpLength];
    int result;
    uint64_t fingerprint;  // of the parsed sound, when result >= 0
};

// What a scan found, gathered without touching the list: the list is locked only to take it.
class DumpCollector
{
public:
    DumpCollector() { initSoundRecord (&scratch); }

    // The first `length` bytes of `message` (at most soundDumpLength) are the message. May throw
    // std::bad_alloc.
    void add (const uint8_t* message, int length)
    {
        FoundDump d;
        std::memcpy (d.message, message, static_cast<size_t> (length));
        std::memset (d.message + length, 0, static_cast<size_t> (soundDumpLength - length));
        d.result = parseSoundDump (&scratch, d.message);
        // Not a sound dump at all: it neither holds a program's place nor can be appended.
        if (d.result == -2 || d.result == -3)
            return;
        d.fingerprint = d.result >= 0 ? fingerprintOfContent (&scratch) : 0;
        found.push_back (d);
    }

    std::vector<FoundDump> found;

private:
    SoundRecord scratch;
};

// Holds the list's lock, if it has one, for as long as it lives.
struct ListLock
{
    explicit ListLock (const juce::CriticalSection* l) : lock (l)
    {
        if (lock != nullptr)
            lock->enter();
    }
    ~ListLock()
    {
        if (lock != nullptr)
            lock->exit();
    }
    const juce::CriticalSection* lock;
};

// The storing rules shared by the file scan and the memory import. Everything that can fail is
// done before the first record changes, so a failure leaves the list as it was. Dumps stored, or
// -2 when there is no memory for them.
int storeDumps (SoundVector* list, const std::vector<FoundDump>& found, bool append,
                const juce::CriticalSection* listLock)
{
    if (found.empty())
        return 0;
    const ListLock locked (listLock);
    try
    {
        constexpr int dropped = -2, appended = -1;
        const int size = list->size();
        std::vector<int> targets;  // per found dump: the record it overwrites, appended or dropped
        targets.reserve (found.size());
        std::unordered_set<uint64_t> known;
        bool indexed = false;
        int taken = 0, stored = 0;
        size_t appends = 0;
        for (const auto& d : found)
        {
            if (! append && taken < size)
            {
                // A damaged dump still holds its program's place.
                targets.push_back (d.result >= 0 ? taken : dropped);
                stored += d.result >= 0 ? 1 : 0;
                ++taken;
                continue;
            }
            if (d.result < 0)
            {
                targets.push_back (dropped);
                continue;
            }
            ++taken;
            // The list is only appended to from here on, so its fingerprints are gathered once,
            // as they will be once the dumps before have overwritten their records. By content:
            // an edit may have left a record's stored fingerprint behind.
            if (! indexed)
            {
                std::vector<uint64_t> present (static_cast<size_t> (size));
                for (int i = 0; i < size; ++i)
                    present[static_cast<size_t> (i)] = fingerprintOfContent (&(*list)[i]);
                for (size_t k = 0; k < targets.size(); ++k)
                    if (targets[k] >= 0)
                        present[static_cast<size_t> (targets[k])] = found[k].fingerprint;
                known.reserve (present.size() + found.size());
                known.insert (present.begin(), present.end());
                indexed = true;
            }
            const bool fresh = known.insert (d.fingerprint).second;
            targets.push_back (fresh ? appended : dropped);
            if (fresh)
            {
                ++appends;
                ++stored;
            }
        }
        list->records.reserve (list->records.size() + appends);

        // Nothing below allocates: the records are overwritten and appended within the room made.
        SoundRecord fresh;
        for (size_t k = 0; k < found.size(); ++k)
        {
            if (targets[k] >= 0)
            {
                parseSoundDump (&(*list)[targets[k]], found[k].message);
            }
            else if (targets[k] == appended)
            {
                initSoundRecord (&fresh);
                parseSoundDump (&fresh, found[k].message);
                list->append (fresh);
            }
        }
        return stored;
    }
    catch (const std::bad_alloc&)
    {
        return -2;
    }
}

// The bytes of a regular file, up to the size it had when opened (a file that grows meanwhile
// cannot keep the scan going), with a few bytes of push-back.
class ByteReader
{
public:
    ByteReader (int f, long long size) : fd (f), left (size) {}

    int next()
    {
        if (pushed > 0)
            return back[--pushed];
        if (pos == filled && ! fill())
            return -1;
        return buffer[pos++];
    }

    // Passes over everything up to and including the next `byte`; false at the end.
    bool skipPast (uint8_t byte)
    {
        while (pushed > 0)
            if (back[--pushed] == byte)
                return true;
        for (;;)
        {
            if (pos == filled && ! fill())
                return false;
            const void* hit = std::memchr (buffer + pos, byte, filled - pos);
            if (hit != nullptr)
            {
                pos = static_cast<size_t> (static_cast<const uint8_t*> (hit) - buffer) + 1;
                return true;
            }
            pos = filled;
        }
    }

    // Bytes come back out in the reverse order of pushing.
    void pushBack (int byte) { back[pushed++] = byte; }

private:
    bool fill()
    {
        pos = filled = 0;
        while (left > 0)
        {
            const size_t want = left < static_cast<long long> (sizeof (buffer)) ? static_cast<size_t> (left) : sizeof (buffer);
            const ssize_t got = ::read (fd, buffer, want);
            if (got > 0)
            {
                filled = static_cast<size_t> (got);
                left -= got;
                return true;
            }
            if (got < 0 && errno == EINTR)
                continue;
            left = 0;  // the end came early, or the file cannot be read on
        }
        return false;
    }

    int fd;
    long long left;
    uint8_t buffer[1 << 16];
    size_t pos = 0, filled = 0;
    int back[8];
    int pushed = 0;
};

inline bool isStatus (int b) noexcept { return b >= 0x80 && b != 0xF7; }

void scanFile (ByteReader& in, DumpCollector& dumps)
{
    uint8_t msg[soundDumpLength] = {};
    for (;;)
    {
        if (! in.skipPast (0xF0))
            return;

        int h[5];
        bool ended = false;
        for (int i = 1; i <= 4 && ! ended; ++i)
            ended = (h[i] = in.next()) < 0;
        if (ended)
            return;

        int length;  // bytes of the message so far
        msg[0] = 0xF0;
        if (h[1] == 0x7D)
        {
            msg[1] = 0x7D;
            length = 2;
            // A status byte among the header bytes ends the message; scan again from it.
            int i = 2;
            for (; i <= 4 && ! isStatus (h[i]); ++i)
                msg[length++] = static_cast<uint8_t> (h[i]);
            if (i <= 4)
            {
                for (int j = 4; j >= i; --j)
                    in.pushBack (h[j]);
                continue;
            }
        }
        else if (h[3] == 0x7D && h[4] == 0x2B)
        {
            // Standard MIDI File event: F0, two length bytes, then the dump from 7D on.
            msg[1] = 0x7D;
            msg[2] = 0x2B;
            length = 3;
        }
        else
        {
            // An F0 among these bytes may start a dump.
            for (int j = 4; j >= 1; --j)
                in.pushBack (h[j]);
            continue;
        }

        bool complete = false;
        while (length < soundDumpLength)
        {
            const int b = in.next();
            if (b < 0)
                return;
            if (isStatus (b))
            {
                // A status byte cannot be part of a dump: this one is unfinished, the byte may start the next.
                in.pushBack (b);
                break;
            }
            msg[length++] = static_cast<uint8_t> (b);
            if (b == 0xF7 && length >= 6)
            {
                complete = true;
                break;
            }
        }
        if (complete)
            dumps.add (msg, length);
    }
}

// Open without waiting: a FIFO without a writer must not hold the caller.
struct ReadOnlyFile
{
    explicit ReadOnlyFile (const char* path) : fd (::open (path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)) {}
    ~ReadOnlyFile()
    {
        if (fd >= 0)
            ::close (fd);
    }
    const int fd;
};
} // namespace

int importSoundDumps (SoundVector* list, const uint8_t* data, int length, bool append)
{
    DumpCollector dumps;
    try
    {
        int pos = 0;
        while (pos < length)
        {
            if (data[pos] != 0xF0)
            {
                ++pos;
                continue;
            }
            if (pos + 1 >= length)
                break;
            if (data[pos + 1] != 0x7D)
            {
                // The dumps before it are stored all the same.
                return storeDumps (list, dumps.found, append, nullptr) < 0 ? -2 : 0;
            }
            int end = -1;
            const int last = length - 1 - pos < soundDumpLength - 1 ? length - 1 - pos : soundDumpLength - 1;
            for (int k = 5; k <= last; ++k)
            {
                if (data[pos + k] == 0xF7)
                {
                    end = pos + k;
                    break;
                }
            }
            if (end < 0)
            {
                ++pos;
                continue;
            }
            dumps.add (data + pos, end - pos + 1);
            pos = end;
        }
    }
    catch (const std::bad_alloc&)
    {
        return -2;
    }
    return storeDumps (list, dumps.found, append, nullptr);
}

int loadSoundFile (SoundVector* list, const char* path, bool append, const juce::CriticalSection* listLock)
{
    DumpCollector dumps;
    {
        const ReadOnlyFile file (path);
        struct stat info {};
        // Only a regular file has an end; a link to one is followed by the open.
        if (file.fd < 0 || ::fstat (file.fd, &info) != 0 || ! S_ISREG (info.st_mode))
            return -2;
        try
        {
            ByteReader in (file.fd, static_cast<long long> (info.st_size));
            scanFile (in, dumps);
        }
        catch (const std::bad_alloc&)
        {
            return -2;
        }
    }
    return storeDumps (list, dumps.found, append, listLock);
}

int saveSoundFile (SoundVector* list, const char* path)
{
    if (list->size() == 0)
        return -1;
    // A link keeps pointing at the file it named; that file is the one replaced.
    char resolved[PATH_MAX];
    struct stat link {};
    if (::lstat (path, &link) == 0 && S_ISLNK (link.st_mode) && ::realpath (path, resolved) != nullptr)
        path = resolved;
    struct stat old {};
    const bool exists = ::stat (path, &old) == 0;
    // Replacing a FIFO or a device with a file would break what it serves; opening one could block.
    if (exists && (! S_ISREG (old.st_mode) || ::access (path, W_OK) != 0))
        return -2;

    // Written beside the target and renamed over it, so a failed save leaves the old file as it was.
    // The temporary name is short and hidden, so that a target name of any legal length has one.
    const char* slash = std::strrchr (path, '/');
    const int folderLength = slash != nullptr ? static_cast<int> (slash - path) + 1 : 0;
    static int counter = 0;
    char temp[PATH_MAX];
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt)
    {
        const int n = std::snprintf (temp, sizeof (temp), "%.*s.ksx-%d-%d.tmp", folderLength, path,
                                     static_cast<int> (getpid()), __atomic_add_fetch (&counter, 1, __ATOMIC_RELAXED));
        if (n < 0 || n >= static_cast<int> (sizeof (temp)))
            return -2;
        fd = ::open (temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return -2;
    }
    if (fd < 0)
        return -2;
    if (exists)
    {
        // The new file takes the old one's owner and group (only root may give it away), then its
        // mode, which a change of owner may have cut.
        if (::fchown (fd, old.st_uid, old.st_gid) != 0)
            (void) ! ::fchown (fd, static_cast<uid_t> (-1), old.st_gid);
        ::fchmod (fd, old.st_mode & 07777);
    }
    FILE* f = ::fdopen (fd, "wb");
    if (f == nullptr)
    {
        ::close (fd);
        ::unlink (temp);
        return -2;
    }

    bool ok = true;
    uint8_t dump[soundDumpLength];
    const int n = list->size();
    for (int i = 0; i < n; ++i)
    {
        SoundRecord& r = (*list)[i];
        normaliseSound (&r);
        if (r.w[0] == 0 && r.w[1] == 0)
            computeFingerprint (&r);
        encodeSoundDump (&r, dump, static_cast<uint8_t> (i & 0x7F));
        if (ok && std::fwrite (dump, 1, sizeof (dump), f) != sizeof (dump))
            ok = false;
    }
    if (std::fflush (f) != 0 || ::fsync (fd) != 0)
        ok = false;
    if (std::fclose (f) != 0)
        ok = false;
    if (ok && std::rename (temp, path) != 0)
        ok = false;
    if (! ok)
    {
        ::unlink (temp);
        return -2;
    }
    return soundDumpLength * n;
}
