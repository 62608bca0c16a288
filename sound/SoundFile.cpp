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
inline uint64_t fingerprintOf (const SoundRecord& r) noexcept
{
    return (uint64_t (r.w[1]) << 32) | r.w[0];
}

// The storing rules shared by the file scan and the memory import.
class DumpStore
{
public:
    // bytes: the size of the input, which bounds the number of dumps it can hold.
    DumpStore (SoundVector* l, bool a, long long bytes) : list (l), append (a), size (l->size()), inputBytes (bytes)
    {
        initSoundRecord (&scratch);
    }

    void store (const uint8_t* message)
    {
        if (! append && taken < size)
        {
            const int result = parseSoundDump (&(*list)[taken], message);
            if (result >= 0)
            {
                ++taken;
                ++stored;
            }
            else if (result == -1 || result == -4)
            {
                ++taken;  // a damaged dump still holds its program's place
            }
            return;
        }
        if (parseSoundDump (&scratch, message) < 0)
            return;
        ++taken;
        // The list is only appended to from here on, so its fingerprints are gathered once.
        if (! indexed)
        {
            // Room for as many sounds as the input can hold (within reason) saves regrowing the list.
            constexpr long long minimumDump = 1282;
            const long long most = inputBytes / minimumDump + 1;
            list->records.reserve (list->records.size() + static_cast<size_t> (most < 65536 ? most : 65536));
            known.reserve (list->records.capacity());
            for (const auto& r : list->records)
                known.insert (fingerprintOf (r));
            indexed = true;
        }
        if (known.insert (fingerprintOf (scratch)).second)
        {
            list->append (scratch);
            size = list->size();
            ++stored;
        }
    }

    int storedCount() const noexcept { return stored; }

private:
    SoundVector* list;
    bool append;
    int taken = 0;
    int stored = 0;
    int size;
    SoundRecord scratch;
    long long inputBytes;
    bool indexed = false;
    std::unordered_set<uint64_t> known;
};

// Buffered bytes of a file with a few bytes of push-back.
class ByteReader
{
public:
    explicit ByteReader (FILE* f) : file (f) {}

    int next()
    {
        if (pushed > 0)
            return back[--pushed];
        if (pos == filled)
        {
            filled = std::fread (buffer, 1, sizeof (buffer), file);
            pos = 0;
            if (filled == 0)
                return -1;
        }
        return buffer[pos++];
    }

    // Bytes come back out in the reverse order of pushing.
    void pushBack (int byte) { back[pushed++] = byte; }

private:
    FILE* file;
    uint8_t buffer[1 << 16];
    size_t pos = 0, filled = 0;
    int back[8];
    int pushed = 0;
};

inline bool isStatus (int b) noexcept { return b >= 0x80 && b != 0xF7; }

int scanFile (FILE* f, DumpStore& dumps)
{
    ByteReader in (f);
    uint8_t msg[soundDumpLength + 8] = {};
    for (;;)
    {
        int b = in.next();
        if (b < 0)
            break;
        if (b != 0xF0)
            continue;

        int h[5];
        bool ended = false;
        for (int i = 1; i <= 4 && ! ended; ++i)
            ended = (h[i] = in.next()) < 0;
        if (ended)
            break;

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
            b = in.next();
            if (b < 0)
                return dumps.storedCount();
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
            dumps.store (msg);
    }
    return dumps.storedCount();
}
} // namespace

int importSoundDumps (SoundVector* list, const uint8_t* data, int length, bool append)
{
    DumpStore dumps (list, append, length);
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
            return 0;
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
        if (end - pos == soundDumpLength - 1)
        {
            dumps.store (data + pos);
        }
        else
        {
            // The parse reads 1330 bytes; a shorter message must not take them from beyond the buffer.
            uint8_t message[soundDumpLength] = {};
            std::memcpy (message, data + pos, static_cast<size_t> (end - pos + 1));
            dumps.store (message);
        }
        pos = end;
    }
    return dumps.storedCount();
}

int loadSoundFile (SoundVector* list, const char* path, bool append)
{
    FILE* f = std::fopen (path, "rb");
    if (f == nullptr)
        return -2;
    struct stat info {};
    const long long bytes = ::fstat (::fileno (f), &info) == 0 ? static_cast<long long> (info.st_size) : 0;
    DumpStore dumps (list, append, bytes);
    const int stored = scanFile (f, dumps);
    std::fclose (f);
    return stored;
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
    if (exists && ::access (path, W_OK) != 0)
        return -2;

    // Written beside the target and renamed over it, so a failed save leaves the old file as it was.
    static int counter = 0;
    char temp[4096];
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt)
    {
        const int n = std::snprintf (temp, sizeof (temp), "%s.%d-%d.tmp", path, static_cast<int> (getpid()),
                                     __atomic_add_fetch (&counter, 1, __ATOMIC_RELAXED));
        if (n < 0 || n >= static_cast<int> (sizeof (temp)))
            return -2;
        fd = ::open (temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return -2;
    }
    if (fd < 0)
        return -2;
    if (exists)
        ::fchmod (fd, old.st_mode & 07777);
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
