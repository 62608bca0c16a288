#pragma once
// Mapping between CC values (0..127) and the raw parameter words of a sound, with the editor
// cache of CC values that travels inside the raw words.

#include <cstdint>
#include "sound/SoundRecord.h"

struct CcConversionRow
{
    int32_t cc;
    int32_t rawWord;   // distance from record word 12
    int32_t curve;     // 0 linear, 1 and 2 square law, 3 switch, 4 table
    int32_t min;
    int32_t max;
};

constexpr int numCcConversionRows = 40;

// 0xFF = no slot, else k + 256 * s: cache word 113 + k, slot at bit s (0, 8 or 16).
extern const int32_t ccCacheSlots[128];
// The 40 rows, then a row whose CC is 0.
extern const CcConversionRow ccConversionRows[numCcConversionRows + 1];
// CC to row number, -1 for a CC without a row.
extern const int32_t ccRowIndex[128];
extern const int32_t curveTable[128];
extern const int32_t ccFallbackValues[128];

void setCc (SoundRecord* record, int cc, int value, bool writeRaw);
int getCc (SoundRecord* record, int cc, bool writeRaw);
int32_t ccToRaw (SoundRecord* record, int cc, int value, bool store);
int rawToCc (const SoundRecord* record, int cc);
int curveInverse (int32_t raw);
void installEditorCache (SoundRecord* record);
void normaliseSound (SoundRecord* record);
