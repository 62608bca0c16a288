#pragma once
// ".ksx" sound files (dumps back to back), sound dumps inside Standard MIDI Files, and the import
// of dumps from memory.

#include <cstdint>
#include <vector>
#include "sound/SoundRecord.h"

// Why a load or a save failed, as the user is told.
enum class FileProblem
{
    none,
    readOnly,      // the folder or the disk takes no writes
    diskFull,
    isFolder,
    notRegular,    // a FIFO, a device, a socket
    notFound,      // the file, or the folder it would be in, is not there
    noPermission,
    noSound,       // the file was read and holds no sound dump
    unreadable,    // the disk failed while the file was read: only its first part was loaded
    noMemory,
    diskError      // any other failure of the system
};
// The problem that an errno value stands for.
FileProblem fileProblemOf (int error);

// Bytes written, -1 for an empty list, -2 when the user may not write the file, it cannot be
// written (the old file is kept) or the target is no regular file (a FIFO or a device is left
// alone); on -2 `problem`, when given, says why. The file is replaced through a temporary file
// beside it, or written in place where none can be made there. What is returned is what the disk
// holds afterwards: the new bytes on success, else the old file (in place, unless the old bytes
// could not be put back either).
int saveSoundFile (SoundVector* list, const char* path, FileProblem* problem = nullptr);
// The two halves of a save, so that a list under a lock is let go before the write: the file's
// bytes (each record normalised in the list itself first; may throw std::bad_alloc), and their
// write as saveSoundFile does it (-1 for no bytes).
std::vector<uint8_t> encodeSoundFile (SoundVector* list);
int writeSoundFile (const std::vector<uint8_t>& bytes, const char* path, FileProblem* problem = nullptr);
// Dumps stored, or -2 when the file cannot be opened, is no regular file, or its dumps do not fit
// in memory; on -2 the list is as it was. The file is read first and `listLock`, when given, is
// held only while the dumps go into the list. `problem`, when given, says why a load failed, that
// the file holds no sound (0 stored), or that it could not be read to its end (the sounds before
// are stored); it is none otherwise, also when every sound was there already.
int loadSoundFile (SoundVector* list, const char* path, bool append,
                   const juce::CriticalSection* listLock = nullptr, FileProblem* problem = nullptr);
// Dumps stored; 0 when the scan ends at an F0 not followed by 0x7D; -2 without memory for them.
int importSoundDumps (SoundVector* list, const uint8_t* data, int length, bool append);

// The fingerprint of a sound as a save writes it and a load reads it back: of its normalised
// contents as a dump carries them. Loads and copies between the lists take two sounds for the
// same when these are equal; the record is not changed.
uint64_t savedFingerprint (const SoundRecord* record);
