#pragma once
// The storing rules that the loads, the memory import and the copies between the lists share:
// which sounds are already there, what a scan keeps of the dumps it finds, and where each of them
// goes in the list.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>
#include <juce_core/juce_core.h>
#include "sound/SoundDump.h"
#include "sound/SoundRecord.h"

// The dump of a sound as a save writes it (normalised, with program 0); the record is not changed.
void savedForm (const SoundRecord* record, uint8_t out[soundDumpLength]);

// A set of sounds as a save would write them. A sound is there when one with the same
// savedFingerprint also has the same saved form: the fingerprint is linear, so sounds that differ
// in a few bits can share it, and the forms are compared only when it matches.
class SavedSounds
{
public:
    // Writes the saved form of the sound that a reference names.
    using FormOf = std::function<void (size_t ref, uint8_t* out)>;
    explicit SavedSounds (FormOf formOfRef) : formOf (std::move (formOfRef)) {}

    void reserve (size_t sounds) { byKey.reserve (sounds); }
    // Adds the sound named by `ref`, whose savedFingerprint is `key`, unless it is there already;
    // true when it was added. May throw std::bad_alloc.
    bool insert (uint64_t key, size_t ref);

private:
    FormOf formOf;
    std::unordered_multimap<uint64_t, size_t> byKey;
};

namespace soundfile
{
// Memory that a load fills at once: taken in pages of 2 MB where the system offers them, since a
// fault for each 4 KB page costs more than the load's own work on some machines.
void adviseLargePages (void* start, size_t bytes);

// A dump that the parse took, in file order.
struct FoundDump
{
    int64_t copy;           // the kept message it is read from
    uint64_t key;           // savedFingerprint of the parsed sound
    int64_t damagedBefore;  // damaged dumps between it and the dump before it
};

// What a scan found, gathered without touching the list: the list is locked only to take it.
// What is kept grows with the sounds that differ, not with damaged dumps or copies of a sound.
class DumpCollector
{
public:
    explicit DumpCollector (bool appending);
    DumpCollector (const DumpCollector&) = delete;
    DumpCollector& operator= (const DumpCollector&) = delete;

    // The first `length` bytes of `message` (at most soundDumpLength) are a message from its F0 on;
    // `ended` says whether its own F7 ended it. May throw std::bad_alloc.
    void add (const uint8_t* message, int length, bool ended);

    const uint8_t* messageOf (int64_t copy) const
    {
        const auto k = static_cast<size_t> (copy);
        return blocks[k / perBlock].get() + (k % perBlock) * soundDumpLength;
    }

    // Appending, only the first dump of each sound; else every dump the parse took, duplicates too.
    std::vector<FoundDump> found;
    int64_t damagedAtEnd = 0;  // damaged dumps after the last found one (not counted appending)
    int64_t soundsRead = 0;    // dumps the parse took, duplicates too

private:
    // In blocks of one large page each, so that what is kept grows without being copied.
    static constexpr size_t blockBytes = size_t (2) << 20;
    static constexpr size_t perBlock = blockBytes / soundDumpLength;
    struct Unmap
    {
        void operator() (uint8_t* p) const noexcept;
    };

    static uint8_t* mapBlock();
    int64_t keep (const uint8_t* padded);

    std::vector<std::unique_ptr<uint8_t, Unmap>> blocks;
    int64_t kept = 0;
    const bool append;
    std::unordered_multimap<uint64_t, int64_t> copies;  // savedFingerprint -> kept message
    SoundRecord scratch, other;
};

// Dumps stored, or -2 when there is no memory for them. Everything that can fail is done before
// the first record changes, so a failure leaves the list as it was. `listLock`, when given, is held
// while the dumps go in.
int storeDumps (SoundVector* list, const DumpCollector& dumps, bool append, const juce::CriticalSection* listLock);
} // namespace soundfile
