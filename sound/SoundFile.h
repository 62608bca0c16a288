#pragma once
// ".ksx" sound files (dumps back to back), sound dumps inside Standard MIDI Files, and the import
// of dumps from memory.

#include <cstdint>
#include "sound/SoundRecord.h"

// Bytes written, -1 for an empty list, -2 when the file cannot be written (the old file is kept)
// or the target is no regular file (a FIFO or a device is left alone).
int saveSoundFile (SoundVector* list, const char* path);
// Dumps stored, or -2 when the file cannot be opened, is no regular file, or its dumps do not fit
// in memory; on -2 the list is as it was. The file is read first and `listLock`, when given, is
// held only while the dumps go into the list.
int loadSoundFile (SoundVector* list, const char* path, bool append,
                   const juce::CriticalSection* listLock = nullptr);
// Dumps stored; 0 when the scan ends at an F0 not followed by 0x7D; -2 without memory for them.
int importSoundDumps (SoundVector* list, const uint8_t* data, int length, bool append);
