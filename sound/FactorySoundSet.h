#pragma once
// The compiled-in factory set: 28 sound dumps back to back, programs 0..27.

#include <cstdint>

constexpr int factorySoundSetSize = 28 * 1330;
extern const uint8_t factorySoundSet[factorySoundSetSize];
extern const int factorySoundSetLength;
