#pragma once
// ".ksx" sound files (dumps back to back), sound dumps inside Standard MIDI Files, and the import
// of dumps from memory.

#include <cstdint>
#include "sound/SoundRecord.h"

// Bytes written, -1 for an empty list, -2 when the file cannot be written (the old file is kept).
int saveSoundFile (SoundVector* list, const char* path);
// Dumps stored, or -2 when the file cannot be opened.
int loadSoundFile (SoundVector* list, const char* path, bool append);
// Dumps stored; 0 when the scan ends at an F0 not followed by 0x7D.
int importSoundDumps (SoundVector* list, const uint8_t* data, int length, bool append);
