#include "sound/SoundFile.h"
#include "sound/CcConversion.h"
#include "sound/SoundDump.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string>
#include <unordered_set>
#include <vector>

namespace
{
// Memory that a load fills at once: taken in pages of 2 MB where the system offers them, since a
// fault for each 4 KB page costs more than the load's own work on some machines.
void adviseLargePages (void* start, size_t bytes)
{
#ifdef MADV_HUGEPAGE
    const auto page = static_cast<uintptr_t> (4096);
    const auto from = (reinterpret_cast<uintptr_t> (start) + page - 1) & ~(page - 1);
    const auto to = (reinterpret_cast<uintptr_t> (start) + bytes) & ~(page - 1);
    if (to > from)
        ::madvise (reinterpret_cast<void*> (from), to - from, MADV_HUGEPAGE);
#else
    (void) start;
    (void) bytes;
#endif
}

// What a load keeps of a message that began as a sound dump: the message only when the parse took
// it, else just its place.
struct FoundDump
{
    int64_t offset;  // the number of the kept message; -1 = refused
    uint64_t key;    // savedFingerprint of the parsed sound
};

// What a scan found, gathered without touching the list: the list is locked only to take it.
class DumpCollector
{
public:
    explicit DumpCollector (bool appending) : append (appending) { initSoundRecord (&scratch); }

    // The first `length` bytes of `message` (at most soundDumpLength) are a message from its F0 on;
    // `ended` says whether its own F7 ended it. May throw std::bad_alloc.
    void add (const uint8_t* message, int length, bool ended)
    {
        // Only a sound dump holds a program's place: a probe, its answer, a request or a global
        // dump in the file does not, whatever its checksum.
        if (length < 5 || message[1] != 0x7D || message[2] != 0x2B || message[4] != 0x10)
            return;
        uint8_t padded[soundDumpLength];
        int result = -1;  // cut short by a status byte, the next F0 or its length: damaged
        if (ended)
        {
            std::memcpy (padded, message, static_cast<size_t> (length));
            std::memset (padded + length, 0, static_cast<size_t> (soundDumpLength - length));
            result = parseSoundDump (&scratch, padded);
        }
        if (result < 0)
        {
            // Appending, a damaged dump has no place to keep.
            if (! append)
                found.push_back ({ -1, 0 });
            return;
        }
        const uint64_t key = savedFingerprint (&scratch);
        // Appending, a second copy of a sound in the same file is never stored.
        if (append && ! seen.insert (key).second)
            return;
        if (kept % perBlock == 0)
        {
            if (blocks.size() == blocks.capacity())
                blocks.reserve (2 * blocks.size() + 1);
            blocks.emplace_back (mapBlock());
        }
        std::memcpy (blocks.back().get() + (kept % perBlock) * soundDumpLength, padded, soundDumpLength);
        found.push_back ({ static_cast<int64_t> (kept++), key });
    }

    const uint8_t* messageOf (const FoundDump& d) const
    {
        const auto k = static_cast<size_t> (d.offset);
        return blocks[k / perBlock].get() + (k % perBlock) * soundDumpLength;
    }

    std::vector<FoundDump> found;

private:
    // In blocks of one large page each, so that what is kept grows without being copied.
    static constexpr size_t blockBytes = size_t (2) << 20;
    static constexpr size_t perBlock = blockBytes / soundDumpLength;
    struct Unmap
    {
        void operator() (uint8_t* p) const noexcept { ::munmap (p, blockBytes); }
    };

    // Mapped twice as large and cut down to the aligned half: no address space is left unused.
    static uint8_t* mapBlock()
    {
        void* p = ::mmap (nullptr, 2 * blockBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
        const auto start = reinterpret_cast<uintptr_t> (p);
        const auto aligned = (start + blockBytes - 1) & ~(blockBytes - 1);
        if (aligned > start)
            ::munmap (p, aligned - start);
        if (start + 2 * blockBytes > aligned + blockBytes)
            ::munmap (reinterpret_cast<void*> (aligned + blockBytes), start + 2 * blockBytes - (aligned + blockBytes));
        adviseLargePages (reinterpret_cast<void*> (aligned), blockBytes);
        return reinterpret_cast<uint8_t*> (aligned);
    }

    std::vector<std::unique_ptr<uint8_t, Unmap>> blocks;
    size_t kept = 0;
    const bool append;
    std::unordered_set<uint64_t> seen;
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
int storeDumps (SoundVector* list, const DumpCollector& dumps, bool append, const juce::CriticalSection* listLock)
{
    const auto& found = dumps.found;
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
                targets.push_back (d.offset >= 0 ? taken : dropped);
                stored += d.offset >= 0 ? 1 : 0;
                ++taken;
                continue;
            }
            if (d.offset < 0)
            {
                targets.push_back (dropped);
                continue;
            }
            ++taken;
            // The list is only appended to from here on, so its sounds are gathered once, as they
            // will be once the dumps before have overwritten their records.
            if (! indexed)
            {
                known.reserve (static_cast<size_t> (size) + found.size());
                for (int i = 0; i < size; ++i)
                {
                    const size_t k = static_cast<size_t> (i);
                    known.insert (k < targets.size() && targets[k] >= 0 ? found[k].key : savedFingerprint (&(*list)[i]));
                }
                indexed = true;
            }
            const bool fresh = known.insert (d.key).second;
            targets.push_back (fresh ? appended : dropped);
            if (fresh)
            {
                ++appends;
                ++stored;
            }
        }
        list->records.reserve (list->records.size() + appends);
        adviseLargePages (list->records.data() + list->records.size(), appends * sizeof (SoundRecord));

        // Nothing below allocates: the records are overwritten and appended within the room made.
        // A parse writes the same words of every record, so one empty record serves every append.
        SoundRecord fresh;
        initSoundRecord (&fresh);
        for (size_t k = 0; k < found.size(); ++k)
        {
            if (targets[k] >= 0)
            {
                parseSoundDump (&(*list)[targets[k]], dumps.messageOf (found[k]));
            }
            else if (targets[k] == appended)
            {
                parseSoundDump (&fresh, dumps.messageOf (found[k]));
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

    // Copies data bytes (below 0x80) into `out`, at most `max` of them, stopping before any other
    // byte and at the end; returns how many.
    size_t takeData (uint8_t* out, size_t max)
    {
        size_t n = 0;
        while (pushed > 0 && n < max)
        {
            if (back[pushed - 1] >= 0x80)
                return n;
            out[n++] = static_cast<uint8_t> (back[--pushed]);
        }
        while (n < max)
        {
            if (pos == filled && ! fill())
                return n;
            const size_t avail = std::min (filled - pos, max - n);
            size_t k = 0;
            for (uint64_t eight; k + 8 <= avail; k += 8)
            {
                std::memcpy (&eight, buffer + pos + k, sizeof (eight));
                if ((eight & 0x8080808080808080ull) != 0)
                    break;
            }
            while (k < avail && buffer[pos + k] < 0x80)
                ++k;
            std::memcpy (out + n, buffer + pos, k);
            pos += k;
            n += k;
            if (k < avail)
                return n;
        }
        return n;
    }

    // Bytes come back out in the reverse order of pushing; at most 16 wait at a time.
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
    int back[16];
    int pushed = 0;
};

inline bool isStatus (int b) noexcept { return b >= 0x80 && b != 0xF7; }

// The bytes of one message after its header. A Standard MIDI File stores a SysEx message as an
// event (F0, a length, the bytes), and a long one that a sequencer recorded in packets as that
// event followed by continuation events (a delta time, F7, a length, the bytes) until the bytes
// end in F7: the packets are joined here. `left` counts what remains of the current event, -1
// where there is no event length (a plain dump) or where no continuation follows.
class MessageBytes
{
public:
    MessageBytes (ByteReader& reader, int eventBytesLeft) : in (reader), left (eventBytesLeft) {}

    // The next byte, -1 at the end of the file.
    int next()
    {
        while (left == 0)
            if (! continuation())
                left = -1;  // read on as a plain dump would be
        const int b = in.next();
        if (b >= 0 && left > 0)
            --left;
        return b;
    }

    // Data bytes of the current event, as ByteReader::takeData.
    size_t takeData (uint8_t* out, size_t max)
    {
        if (left == 0)
            return 0;
        if (left > 0 && static_cast<size_t> (left) < max)
            max = static_cast<size_t> (left);
        const size_t n = in.takeData (out, max);
        if (left > 0)
            left -= static_cast<int> (n);
        return n;
    }

private:
    // A variable-length number of at most four bytes; false when it is none.
    bool readNumber (int* read, int& n, int& value)
    {
        value = 0;
        for (int i = 0; i < 4; ++i)
        {
            const int b = in.next();
            if (b < 0)
                return false;
            read[n++] = b;
            value = (value << 7) | (b & 0x7F);
            if (b < 0x80)
                return true;
        }
        return false;
    }

    bool continuation()
    {
        int read[9];
        int n = 0, delta = 0, length = 0;
        bool ok = readNumber (read, n, delta);
        if (ok)
        {
            const int b = in.next();
            if (b >= 0)
                read[n++] = b;
            // No packet of a dump is longer than the dump: a longer length is no continuation.
            ok = b == 0xF7 && readNumber (read, n, length) && length <= soundDumpLength;
        }
        if (ok)
        {
            left = length;
            return true;
        }
        while (n > 0)
            in.pushBack (read[--n]);
        return false;
    }

    ByteReader& in;
    int left;
};

void scanFile (ByteReader& in, DumpCollector& dumps)
{
    uint8_t msg[soundDumpLength] = {};
    for (;;)
    {
        if (! in.skipPast (0xF0))
            return;

        // The plain form, F0 7D ..; or an event of a Standard MIDI File, F0, a length of one or two
        // bytes, 7D 2B ..; or, as ever, F0 and any two bytes before 7D 2B (length unknown).
        int h[4];
        for (int i = 0; i < 4; ++i)
            if ((h[i] = in.next()) < 0)
                return;
        int eventLeft = -1;
        bool plain = false;
        if (h[0] == 0x7D && ! (h[1] == 0x7D && h[2] == 0x2B))
        {
            // Plain; the bytes after 7D are read again as the message's own.
            plain = true;
        }
        else if (h[0] < 0x80 && h[1] == 0x7D && h[2] == 0x2B)
        {
            in.pushBack (h[3]);
            eventLeft = h[0] >= 2 ? h[0] - 2 : -1;
        }
        else if (h[2] == 0x7D && h[3] == 0x2B)
        {
            const int eventLength = h[0] >= 0x80 && h[1] < 0x80 ? ((h[0] & 0x7F) << 7 | h[1]) : -1;
            eventLeft = eventLength >= 2 ? eventLength - 2 : -1;
        }
        else
        {
            // An F0 among these bytes may start a dump.
            for (int j = 3; j >= 0; --j)
                in.pushBack (h[j]);
            continue;
        }
        msg[0] = 0xF0;
        msg[1] = 0x7D;
        int length = 2;  // bytes of the message so far
        if (plain)
            for (int j = 3; j >= 1; --j)
                in.pushBack (h[j]);
        else
            msg[length++] = 0x2B;

        MessageBytes bytes (in, eventLeft);
        bool ended = false;
        while (length < soundDumpLength)
        {
            length += static_cast<int> (bytes.takeData (msg + length, static_cast<size_t> (soundDumpLength - length)));
            if (length == soundDumpLength)
                break;
            const int b = bytes.next();
            if (b < 0)
                return;  // the file ends inside the message
            if (isStatus (b))
            {
                // A status byte cannot be part of a dump: this one is cut short, the byte may start the next.
                in.pushBack (b);
                break;
            }
            msg[length++] = static_cast<uint8_t> (b);
            if (b == 0xF7)
            {
                ended = true;
                break;
            }
        }
        dumps.add (msg, length, ended);
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
    DumpCollector dumps (append);
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
                return storeDumps (list, dumps, append, nullptr) < 0 ? -2 : 0;
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
            dumps.add (data + pos, end - pos + 1, true);
            pos = end;
        }
    }
    catch (const std::bad_alloc&)
    {
        return -2;
    }
    return storeDumps (list, dumps, append, nullptr);
}

int loadSoundFile (SoundVector* list, const char* path, bool append, const juce::CriticalSection* listLock)
{
    DumpCollector dumps (append);
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
    return storeDumps (list, dumps, append, listLock);
}

uint64_t savedFingerprint (const SoundRecord* record)
{
    // Only the words that a dump carries, and only the bits of them that it carries.
    SoundRecord copy;
    std::memcpy (copy.w, record->w, (SoundRecord::fingerprintLast + 1) * sizeof (uint32_t));
    normaliseSound (&copy);
    for (int k = SoundRecord::packedName; k < SoundRecord::shortValues; ++k)
        copy.w[k] &= 0x7F7F7F;
    for (int k = SoundRecord::shortValues; k < SoundRecord::rawWords; ++k)
        copy.w[k] &= 0x7F;
    for (int k = SoundRecord::rawWords; k <= SoundRecord::fingerprintLast; ++k)
        copy.w[k] &= 0xFFFFFF;
    return fingerprintOfContent (&copy);
}

std::vector<uint8_t> encodeSoundFile (SoundVector* list)
{
    const int n = list->size();
    std::vector<uint8_t> bytes (static_cast<size_t> (n) * soundDumpLength);
    for (int i = 0; i < n; ++i)
    {
        SoundRecord& r = (*list)[i];
        normaliseSound (&r);
        if (r.w[0] == 0 && r.w[1] == 0)
            computeFingerprint (&r);
        encodeSoundDump (&r, bytes.data() + static_cast<size_t> (i) * soundDumpLength, static_cast<uint8_t> (i & 0x7F));
    }
    return bytes;
}

namespace
{
// The name that a chain of symbolic links ends in, which need not exist yet. A relative link is
// taken from the folder that holds it. False for a loop or a link that cannot be read.
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
            return false;
        target[n] = 0;
        const auto slash = resolved.rfind ('/');
        resolved = target[0] == '/' || slash == std::string::npos ? std::string (target)
                                                                   : resolved.substr (0, slash + 1) + target;
    }
    return false;
}

std::string folderOf (const std::string& path)
{
    const auto slash = path.rfind ('/');
    return slash == std::string::npos ? std::string (".") : slash == 0 ? std::string ("/") : path.substr (0, slash);
}

bool writeAll (int fd, const uint8_t* bytes, size_t size, off_t at)
{
    while (size > 0)
    {
        const ssize_t n = ::pwrite (fd, bytes, size, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
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

enum class Replaced { done, failed, noRoom };

// Written beside the target and renamed over it, so a failed save leaves the old file as it was.
// noRoom when the folder takes no new file or the rename is refused (a folder the user may not
// write, a sticky folder), before anything changed.
Replaced replaceThroughTemporary (const uint8_t* bytes, size_t size, const std::string& path, const struct stat* old)
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
    bool ok = writeAll (fd, bytes, size, 0) && ::fsync (fd) == 0;
    if (::close (fd) != 0)
        ok = false;
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
    // The new file has the name, but unless the folder is synced it may lose it to a power cut.
    return syncFolder (path) ? Replaced::done : Replaced::failed;
}

// The file itself rewritten: opened without truncating, written, cut to the new length, synced.
// The room is taken first, so that a full disk refuses the save before the old bytes change.
bool writeInPlace (const uint8_t* bytes, size_t size, const std::string& path, bool exists)
{
    const int fd = ::open (path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (exists ? 0 : O_CREAT | O_EXCL), 0666);
    if (fd < 0)
        return false;
    struct stat now {};
    bool ok = ::fstat (fd, &now) == 0 && S_ISREG (now.st_mode);
    if (ok && static_cast<off_t> (size) > now.st_size && ::fallocate (fd, 0, 0, static_cast<off_t> (size)) != 0
        && errno != EOPNOTSUPP && errno != ENOSYS)
    {
        (void) ! ::ftruncate (fd, now.st_size);
        ok = false;
    }
    else if (ok)
    {
        ok = writeAll (fd, bytes, size, 0) && ::ftruncate (fd, static_cast<off_t> (size)) == 0 && ::fsync (fd) == 0;
    }
    if (::close (fd) != 0)
        ok = false;
    if (! exists)
    {
        if (! ok)
            ::unlink (path.c_str());
        else
            ok = syncFolder (path);
    }
    return ok;
}
} // namespace

int writeSoundFile (const std::vector<uint8_t>& bytes, const char* path)
{
    if (bytes.empty())
        return -1;
    try
    {
        // A link keeps pointing at the file it names; that file is the one written, made if need be.
        std::string target;
        if (! followLinks (path, target))
            return -2;
        struct stat old {};
        const bool exists = ::stat (target.c_str(), &old) == 0;
        if (! exists && errno != ENOENT)
            return -2;
        // Replacing a FIFO or a device with a file would break what it serves; opening one could block.
        if (exists && (! S_ISREG (old.st_mode) || ::access (target.c_str(), W_OK) != 0))
            return -2;

        const auto result = replaceThroughTemporary (bytes.data(), bytes.size(), target, exists ? &old : nullptr);
        if (result == Replaced::failed)
            return -2;
        // Where no file can be made beside it, a file that the user may write is written as it is.
        if (result == Replaced::noRoom && ! writeInPlace (bytes.data(), bytes.size(), target, exists))
            return -2;
        return static_cast<int> (bytes.size());
    }
    catch (const std::bad_alloc&)
    {
        return -2;
    }
}

int saveSoundFile (SoundVector* list, const char* path)
{
    if (list->size() == 0)
        return -1;
    std::vector<uint8_t> bytes;
    try
    {
        bytes = encodeSoundFile (list);
    }
    catch (const std::bad_alloc&)
    {
        return -2;
    }
    return writeSoundFile (bytes, path);
}
