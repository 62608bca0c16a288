#pragma once
// The 1330-byte SysEx sound dump: F0 7D 2B device 10 program, name, values, raw words, checksum, F7.

#include <cstdint>
#include "sound/SoundRecord.h"

constexpr int soundDumpLength = 1330;

// Always writes soundDumpLength bytes and returns that count.
int encodeSoundDump (const SoundRecord* record, uint8_t* out, uint8_t program);

// Returns the program byte (0..127), or -1 checksum, -2 header, -3 command, -4 too short; a refused
// dump leaves the record unchanged. The buffer holds at least 1330 bytes (all of which may be
// read), and a byte of 0x80 or more follows the data no later than position 1400.
int parseSoundDump (SoundRecord* record, const uint8_t* message);
