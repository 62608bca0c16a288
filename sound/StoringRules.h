#pragma once
// The storing rules that the file scan and the memory import share: what a scan keeps of the
// dumps it finds, and where each of them goes in the list.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>
#include <juce_core/juce_core.h>
#include "sound/SoundDump.h"
#include "sound/SoundRecord.h"

namespace soundfile
{
// Memory that a load fills at once: taken in pages of 2 MB where the system offers them, since a
// fault for each 4 KB page costs more than the load's own work on some machines.
void adviseLargePages (void* start, size_t bytes);

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
    void add (const uint8_t* message, int length, bool ended);

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
        void operator() (uint8_t* p) const noexcept;
    };

    static uint8_t* mapBlock();

    std::vector<std::unique_ptr<uint8_t, Unmap>> blocks;
    size_t kept = 0;
    const bool append;
    std::unordered_set<uint64_t> seen;
    SoundRecord scratch;
};

// Dumps stored, or -2 when there is no memory for them. Everything that can fail is done before
// the first record changes, so a failure leaves the list as it was. `listLock`, when given, is held
// while the dumps go in.
int storeDumps (SoundVector* list, const DumpCollector& dumps, bool append, const juce::CriticalSection* listLock);
} // namespace soundfile
