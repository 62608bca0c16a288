#include "library/SoundListEditing.h"

#include "sound/SoundFile.h"
#include "sound/SoundRecord.h"
#include "sound/StoringRules.h"

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

void appendIfAbsent (SoundVector* target, const SoundVector* source, const std::vector<int>& rows)
{
    // As they would be saved: a stored fingerprint may be stale (edits through the editor cache and of
    // the engine type leave it as it was) or cleared (0 for every other edited sound), and a sound
    // saved and loaded again has its cache filled. References below the target's first size name
    // its records, the others the source's.
    const size_t size = static_cast<size_t> (target->size());
    SavedSounds present ([&] (size_t ref, uint8_t* out)
                         { savedForm (ref < size ? &(*target)[static_cast<int> (ref)] : &(*source)[static_cast<int> (ref - size)], out); });
    present.reserve (size + rows.size());
    for (size_t i = 0; i < size; ++i)
        present.insert (savedFingerprint (&(*target)[static_cast<int> (i)]), i);

    // Whole copies, stored fingerprint and all; a copy appended here counts as present.
    for (const int i : rows)
        if (i >= 0 && i < source->size() && present.insert (savedFingerprint (&(*source)[i]), size + static_cast<size_t> (i)))
            target->append ((*source)[i]);
}

void appendSelectedIfAbsent (SoundVector* target, SoundVector* source)
{
    std::vector<int> selected;
    for (int i = 0; i < source->size(); ++i)
        if ((*source)[i].isSelected())
            selected.push_back (i);
    appendIfAbsent (target, source, selected);
}
