#include "sound/StoringRules.h"
#include "sound/SoundFile.h"
#include "sound/CcConversion.h"

#include <cstring>
#include <sys/mman.h>

namespace soundfile
{
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

void DumpCollector::add (const uint8_t* message, int length, bool ended)
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

void DumpCollector::Unmap::operator() (uint8_t* p) const noexcept
{
    ::munmap (p, blockBytes);
}

uint8_t* DumpCollector::mapBlock()
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

namespace
{
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
} // namespace

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
} // namespace soundfile

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
