#include "library/SoundListEditing.h"

#include <unordered_set>

#include "sound/SoundRecord.h"

SoundVector* dragSourceSounds = nullptr;

int eraseSounds (SoundVector* list, int first, int count)
{
    const int n = list->size();

    if (first < 0 || first >= n)
        return -1;
    if (count < 0 || count > n - first)
        return -2;
    if (count == 0)
        return 0;

    list->records.erase (list->records.begin() + first, list->records.begin() + first + count);
    return count;
}

namespace
{
uint64_t fingerprintOf (const SoundRecord& r)
{
    return (static_cast<uint64_t> (r.fingerprintHigh()) << 32) | r.fingerprintLow();
}
}

void appendSelectedIfAbsent (SoundVector* target, SoundVector* source)
{
    // A fingerprint of 0 only means "not computed yet": comparing it as it stands would take every
    // edited sound for a copy of any other edited sound. Content is compared instead, on copies,
    // so neither list is written but by the appends.
    std::unordered_set<uint64_t> present;
    present.reserve (static_cast<size_t> (target->size()) * 2 + 16);

    for (const auto& r : target->records)
    {
        if (fingerprintOf (r) != 0)
        {
            present.insert (fingerprintOf (r));
        }
        else
        {
            SoundRecord copy = r;
            computeFingerprint (&copy);
            present.insert (fingerprintOf (copy));
        }
    }

    const int n = source->size();

    for (int i = 0; i < n; ++i)
    {
        if (! (*source)[i].isSelected())
            continue;

        SoundRecord copy = (*source)[i];
        if (fingerprintOf (copy) == 0)
            computeFingerprint (&copy);

        if (present.insert (fingerprintOf (copy)).second)
            target->append (copy);
    }
}
