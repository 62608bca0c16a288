#pragma once

#include <vector>

struct SoundVector;

// The list from which the last row drag started; null until the first drag.
extern SoundVector* dragSourceSounds;

// Removes records first .. first + count - 1. Returns count, -1 when first is not inside the
// list, -2 when the run reaches past its end (the list is then unchanged).
int eraseSounds (SoundVector* list, int first, int count);

// Appends a copy of each selected record of source whose content target does not hold yet.
void appendSelectedIfAbsent (SoundVector* target, SoundVector* source);
// The same for the records of source at these indices, in this order.
void appendIfAbsent (SoundVector* target, const SoundVector* source, const std::vector<int>& rows);
