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

DumpCollector::DumpCollector (bool appending) : append (appending)
{
    initSoundRecord (&scratch);
    initSoundRecord (&other);
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
            ++damagedAtEnd;
        return;
    }
    ++soundsRead;
    const uint64_t key = savedFingerprint (&scratch);

    // A message whose sound bytes (all but the header and the checksum) are those of one kept
    // already is read from that one.
    constexpr int soundFirst = 6, soundEnd = soundDumpLength - 2;
    int64_t copy = -1;
    const auto range = copies.equal_range (key);
    for (auto it = range.first; it != range.second && copy < 0; ++it)
        if (std::memcmp (messageOf (it->second) + soundFirst, padded + soundFirst, soundEnd - soundFirst) == 0)
            copy = it->second;

    if (append)
    {
        // Appending, a second copy of a sound in the same file is never stored: the same bytes, or
        // other bytes that a save writes as the same.
        if (copy >= 0)
            return;
        if (range.first != range.second)
        {
            uint8_t mine[soundDumpLength], theirs[soundDumpLength];
            savedForm (&scratch, mine);
            for (auto it = range.first; it != range.second; ++it)
            {
                parseSoundDump (&other, messageOf (it->second));
                savedForm (&other, theirs);
                if (std::memcmp (mine, theirs, soundDumpLength) == 0)
                    return;
            }
        }
    }
    if (copy < 0)
    {
        copy = keep (padded);
        copies.emplace (key, copy);
    }
    found.push_back ({ copy, key, damagedAtEnd });
    damagedAtEnd = 0;
}

int64_t DumpCollector::keep (const uint8_t* padded)
{
    const auto k = static_cast<size_t> (kept);
    if (k % perBlock == 0)
    {
        if (blocks.size() == blocks.capacity())
            blocks.reserve (2 * blocks.size() + 1);
        blocks.emplace_back (mapBlock());
    }
    std::memcpy (blocks.back().get() + (k % perBlock) * soundDumpLength, padded, soundDumpLength);
    return kept++;
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
        // What the list will hold: references below `size` name its records, the others found dumps.
        SoundRecord parsed;
        initSoundRecord (&parsed);
        SavedSounds known ([&] (size_t ref, uint8_t* out)
                           {
                               if (ref < static_cast<size_t> (size))
                                   return savedForm (&(*list)[static_cast<int> (ref)], out);
                               parseSoundDump (&parsed, dumps.messageOf (found[ref - static_cast<size_t> (size)].copy));
                               savedForm (&parsed, out);
                           });
        bool indexed = false;
        int64_t place = 0;
        int stored = 0;
        size_t appends = 0;
        for (size_t k = 0; k < found.size(); ++k)
        {
            const auto& d = found[k];
            if (! append)
            {
                // A damaged dump still holds its program's place.
                place += d.damagedBefore;
                if (place < size)
                {
                    targets.push_back (static_cast<int> (place++));
                    ++stored;
                    continue;
                }
            }
            // The list is only appended to from here on, so its sounds are gathered once, as they
            // will be once the dumps before have overwritten their records.
            if (! indexed)
            {
                known.reserve (static_cast<size_t> (size) + found.size() - k);
                std::vector<int64_t> overwrittenBy (append ? 0 : static_cast<size_t> (size), -1);
                for (size_t j = 0; j < k; ++j)
                    overwrittenBy[static_cast<size_t> (targets[j])] = static_cast<int64_t> (j);
                for (int i = 0; i < size; ++i)
                {
                    const int64_t by = append ? -1 : overwrittenBy[static_cast<size_t> (i)];
                    if (by >= 0)
                        known.insert (found[static_cast<size_t> (by)].key, static_cast<size_t> (size + by));
                    else
                        known.insert (savedFingerprint (&(*list)[i]), static_cast<size_t> (i));
                }
                indexed = true;
            }
            const bool fresh = known.insert (d.key, static_cast<size_t> (size) + k);
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
                parseSoundDump (&(*list)[targets[k]], dumps.messageOf (found[k].copy));
            }
            else if (targets[k] == appended)
            {
                parseSoundDump (&fresh, dumps.messageOf (found[k].copy));
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

bool SavedSounds::insert (uint64_t key, size_t ref)
{
    const auto range = byKey.equal_range (key);
    if (range.first != range.second)
    {
        uint8_t mine[soundDumpLength], theirs[soundDumpLength];
        formOf (ref, mine);
        for (auto it = range.first; it != range.second; ++it)
        {
            formOf (it->second, theirs);
            if (std::memcmp (mine, theirs, soundDumpLength) == 0)
                return false;
        }
    }
    byKey.emplace (key, ref);
    return true;
}

void savedForm (const SoundRecord* record, uint8_t out[soundDumpLength])
{
    SoundRecord copy = *record;
    normaliseSound (&copy);
    encodeSoundDump (&copy, out, 0);
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
