#include "sound/CcConversion.h"

#include <cmath>

const int32_t ccCacheSlots[128] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // 0
    0xFF, 0xFF, 0xFF, 0x081E, 0x0018, 0x081D, 0x0016, 0x0817,  // 8
    0x1018, 0x101A, 0x081C, 0x1019, 0x0819, 0x001D, 0xFF, 0xFF,  // 16
    0xFF, 0x081A, 0x001C, 0xFF, 0xFF, 0xFF, 0x001E, 0x101F,  // 24
    0x1000, 0x0800, 0x0000, 0x1001, 0x0801, 0x0001, 0x1002, 0x0802,  // 32
    0x0002, 0x1003, 0x0803, 0x0003, 0x1004, 0x0804, 0x0004, 0x1005,  // 40
    0x0805, 0x0005, 0x1006, 0x0806, 0x0006, 0x1007, 0x0807, 0x0007,  // 48
    0x1008, 0x0808, 0x0008, 0x1009, 0x0809, 0x0009, 0x080A, 0x000A,  // 56
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x1015, 0x0815,  // 64
    0x0015, 0x1016, 0x100B, 0x101E, 0x080B, 0x000B, 0x100C, 0x080C,  // 72
    0x000C, 0x100D, 0x080D, 0x000D, 0x100E, 0x001A, 0x101B, 0x081B,  // 80
    0x001B, 0x0019, 0x101C, 0x0818, 0x101D, 0x0816, 0x1017, 0x0017,  // 88
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x080E, 0x000E,  // 96
    0x080F, 0x000F, 0x1010, 0x0810, 0x0010, 0x1011, 0x0811, 0x0011,  // 104
    0x1012, 0x0812, 0x0012, 0x1013, 0x0813, 0x0013, 0x0814, 0x0014,  // 112
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // 120
};

const int32_t ccRowIndex[128] = {
    -1, -1, -1, -1, -1, -1, -1, -1,  // 0
    -1, -1, -1, -1, 10, 21, 4, 6,  // 8
    8, -1, 18, 11, 12, -1, -1, -1,  // 16
    -1, -1, 19, -1, -1, -1, -1, -1,  // 24
    22, 23, 24, 25, 26, 27, 28, 29,  // 32
    30, 31, 32, 33, 34, 35, 36, 37,  // 40
    38, 39, -1, -1, -1, -1, -1, -1,  // 48
    -1, -1, -1, -1, -1, -1, -1, -1,  // 56
    -1, -1, -1, -1, -1, -1, 0, 1,  // 64
    -1, 2, -1, -1, -1, -1, -1, -1,  // 72
    -1, -1, -1, -1, -1, 13, 14, 15,  // 80
    16, -1, 17, 9, 20, 3, 5, 7,  // 88
    -1, -1, -1, -1, -1, -1, -1, -1,  // 96
    -1, -1, -1, -1, -1, -1, -1, -1,  // 104
    -1, -1, -1, -1, -1, -1, -1, -1,  // 112
    -1, -1, -1, -1, -1, -1, -1, -1,  // 120
};

const int32_t ccFallbackValues[128] = {
    -1, -1, -1, -1, -1, -1, -1, -1,  // 0
    -1, -1, -1, -1, -1, -1, -1, -1,  // 8
    -1, -1, -1, -1, -1, -1, -1, -1,  // 16
    -1, -1, -1, -1, -1, -1, -1, -1,  // 24
    -1, -1, -1, -1, -1, -1, -1, -1,  // 32
    -1, -1, -1, -1, -1, -1, -1, -1,  // 40
    -1, -1, 76, 86, 58, 90, 93, 46,  // 48
    3, 15, 39, 72, 107, 2, 63, 119,  // 56
    -1, -1, -1, -1, -1, -1, -1, -1,  // 64
    -1, -1, 97, -1, 105, 114, 105, 105,  // 72
    64, 11, 34, 8, 95, -1, -1, -1,  // 80
    -1, -1, -1, -1, -1, -1, -1, -1,  // 88
    -1, -1, -1, -1, -1, -1, 64, 0,  // 96
    64, 0, 97, 105, 114, 105, 105, 64,  // 104
    77, 49, 6, 67, 64, 5, 64, 9,  // 112
    -1, -1, -1, -1, -1, -1, -1, -1,  // 120
};

const CcConversionRow ccConversionRows[numCcConversionRows + 1] = {
    { 70, 19 - 12, 0, 0, 128 },
    { 71, 26 - 12, 0, 0, 128 },
    { 73, 219 - 12, 0, 0, 128 },
    { 93, 52 - 12, 0, 0, 123225 },
    { 14, 53 - 12, 1, 100, 2000 },
    { 94, 56 - 12, 0, 0, 8388607 },
    { 15, 57 - 12, 1, 200, 8000 },
    { 95, 60 - 12, 0, 0, 8388607 },
    { 16, 61 - 12, 0, 0, 8388607 },
    { 91, 64 - 12, 1, 0, 8388607 },
    { 12, 65 - 12, 0, 0, 6710886 },
    { 19, 67 - 12, 0, 4410, 32976 },
    { 20, 66 - 12, 3, 0, 1 },
    { 85, 75 - 12, 0, -8388608, 8388608 },
    { 86, 74 - 12, 0, -8388608, 8388608 },
    { 87, 73 - 12, 0, -8388608, 8388608 },
    { 88, 72 - 12, 0, -8388608, 8388608 },
    { 90, 76 - 12, 1, 0, 8388607 },
    { 18, 77 - 12, 1, 83886, 8371830 },
    { 26, 78 - 12, 0, 0, 8388607 },
    { 92, 46 - 12, 0, 0, 8388607 },
    { 13, 47 - 12, 2, 100, 4000 },
    { 32, 93 - 12, 0, 0, 8388607 },
    { 33, 99 - 12, 0, 0, 8388607 },
    { 34, 80 - 12, 0, 0, 8388607 },
    { 35, 83 - 12, 4, 0, 0 },
    { 36, 84 - 12, 4, 0, 0 },
    { 37, 85 - 12, 0, 0, 167772 },
    { 38, 87 - 12, 0, 1159217, 3256369 },
    { 39, 94 - 12, 0, 0, 8388607 },
    { 40, 86 - 12, 4, 0, 0 },
    { 41, 89 - 12, 0, 0, 2492930 },
    { 42, 88 - 12, 0, -167772, 167772 },
    { 43, 90 - 12, 0, 0, 8388607 },
    { 44, 91 - 12, 0, -838860, 4194304 },
    { 45, 92 - 12, 0, 0, 8304721 },
    { 46, 97 - 12, 0, -4194304, 4194304 },
    { 47, 98 - 12, 0, 0, 128 },
    { 48, 95 - 12, 0, 0, 4194304 },
    { 49, 96 - 12, 4, 0, 0 },
    { 0, 0, 0, 0, 0 },
};

const int32_t curveTable[128] = {
    0x600000, 0x628F5F, 0x64F1EE, 0x67296F, 0x6937D1, 0x6B1F23, 0x6CE183, 0x6E8119,
    0x700009, 0x71606E, 0x72A457, 0x73CDC1, 0x74DE92, 0x75D89B, 0x76BD93, 0x778F1B,
    0x784EB9, 0x78FDD9, 0x799DD0, 0x7A2FDD, 0x7AB525, 0x7B2EBA, 0x7B9D98, 0x7C02A8,
    0x7C5EC1, 0x7CB2A8, 0x7CFF13, 0x7D44A9, 0x7D8404, 0x7DBDAE, 0x7DF228, 0x7E21E9,
    0x7E4D5B, 0x7E74E1, 0x7E98D3, 0x7EB985, 0x7ED740, 0x7EF249, 0x7F0ADE, 0x7F2137,
    0x7F3589, 0x7F4801, 0x7F58CB, 0x7F680E, 0x7F75ED, 0x7F8288, 0x7F8DFD, 0x7F9867,
    0x7FA1DE, 0x7FAA78, 0x7FB248, 0x7FB962, 0x7FBFD7, 0x7FC5B4, 0x7FCB08, 0x7FCFE0,
    0x7FD446, 0x7FD845, 0x7FDBE7, 0x7FDF34, 0x7FE234, 0x7FE4ED, 0x7FE767, 0x7FE9A7,
    0x7FEBB2, 0x7FED8E, 0x7FEF3D, 0x7FF0C6, 0x7FF22A, 0x7FF36E, 0x7FF495, 0x7FF5A0,
    0x7FF693, 0x7FF770, 0x7FF838, 0x7FF8EE, 0x7FF972, 0x7FFA2A, 0x7FFAB3, 0x7FFB2F,
    0x7FFBA0, 0x7FFC06, 0x7FFC63, 0x7FFCB8, 0x7FFD05, 0x7FFD4A, 0x7FFD8A, 0x7FFDC3,
    0x7FFDF8, 0x7FFE27, 0x7FFE5C, 0x7FFE7A, 0x7FFE9E, 0x7FFEB0, 0x7FFEDB, 0x7FFEF6,
    0x7FFF0E, 0x7FFF2E, 0x7FFF39, 0x7FFF4B, 0x7FFF5B, 0x7FFF6A, 0x7FFF78, 0x7FFF84,
    0x7FFF90, 0x7FFF97, 0x7FFFA3, 0x7FFFAC, 0x7FFFB3, 0x7FFFBA, 0x7FFFC1, 0x7FFFC7,
    0x7FFFCC, 0x7FFFD1, 0x7FFFD5, 0x7FFFD9, 0x7FFFDC, 0x7FFFE0, 0x7FFFE3, 0x7FFFE5,
    0x7FFFE8, 0x7FFFEA, 0x7FFFEC, 0x7FFFEE, 0x7FFFEF, 0x7FFFF1, 0x7FFFF2, 0x7FFFF3,
};

namespace
{
// Tine decay, tine release and bar decay keep the distance of the table value from 0x800000;
// CC 49 keeps the table value itself.
constexpr bool curveMirrored (int cc) noexcept { return cc == 35 || cc == 36 || cc == 40; }
constexpr int32_t curveMirror = 0x800000;

inline int32_t signed24 (uint32_t word) noexcept
{
    return static_cast<int32_t> (word << 8) >> 8;
}

inline int slotValue (const SoundRecord* r, int32_t slot) noexcept
{
    return static_cast<int> ((r->w[113 + (slot & 0xFF)] >> (slot >> 8)) & 0xFF);
}

inline void putSlot (SoundRecord* r, int32_t slot, int value) noexcept
{
    const int shift = slot >> 8;
    uint32_t& word = r->w[113 + (slot & 0xFF)];
    word = (word & ~(0xFFu << shift)) | (uint32_t (value & 0xFF) << shift);
}

inline bool cacheValid (const SoundRecord* r) noexcept
{
    return r->w[SoundRecord::cacheMarker] == SoundRecord::cacheMarkerValue;
}
} // namespace

int curveInverse (int32_t raw)
{
    int i = 0;
    for (int step = 64; step >= 1; step >>= 1)
        if (curveTable[i + step] <= raw)
            i += step;
    return i;
}

int32_t ccToRaw (SoundRecord* record, int cc, int value, bool store)
{
    cc &= 0x7F;
    value &= 0x7F;
    const int32_t rowNumber = ccRowIndex[cc];
    if (rowNumber < 0)
        return 0;
    const CcConversionRow& row = ccConversionRows[rowNumber];
    const double range = static_cast<double> (row.max - row.min);
    int32_t raw = 0;
    switch (row.curve)
    {
        case 0:
            raw = static_cast<int32_t> (value * 0.0078125 * range + row.min);
            break;
        case 1:
        case 2:
        {
            const double x = value * 0.0078125;
            raw = static_cast<int32_t> (x * x * range + row.min);
            break;
        }
        case 3:
            raw = value != 0 ? 1 : 0;
            break;
        default:
            raw = curveTable[value & 0x7F];
            if (curveMirrored (cc))
                raw = curveMirror - raw;
            break;
    }
    if (store)
    {
        // Kept as the dump carries it, so that the record's fingerprint is that of its dump.
        record->w[12 + row.rawWord] = static_cast<uint32_t> (raw) & 0xFFFFFF;
        record->w[0] = 0;
        record->w[1] = 0;
    }
    return raw;
}

int rawToCc (const SoundRecord* record, int cc)
{
    cc &= 0x7F;
    const int32_t rowNumber = ccRowIndex[cc];
    if (rowNumber < 0)
        return ccFallbackValues[cc];
    const CcConversionRow& row = ccConversionRows[rowNumber];
    const int32_t r = signed24 (record->w[12 + row.rawWord]);
    const double range = static_cast<double> (row.max - row.min);
    double x = 0.0;
    switch (row.curve)
    {
        case 0:
            x = (r - static_cast<double> (row.min)) / range;
            break;
        case 1:
        case 2:
        {
            const double q = (r - static_cast<double> (row.min)) / range;
            if (q < 0.0)
                return 0;
            x = std::sqrt (q);
            break;
        }
        case 3:
            return r != 0 ? 1 : 0;
        default:
            return curveInverse (curveMirrored (cc) ? curveMirror - r : r);
    }
    double v = std::trunc (x * 128.0 + 0.5);
    if (v < 0.0)
        v = 0.0;
    if (v > 127.0)
        v = 127.0;
    return static_cast<int> (v);
}

void setCc (SoundRecord* record, int cc, int value, bool writeRaw)
{
    value &= 0x7F;
    cc &= 0x7F;
    const int32_t slot = ccCacheSlots[cc];
    if (slot == 0xFF)
    {
        if (cc == 22)
            record->w[SoundRecord::engineType] = static_cast<uint32_t> (value);
        return;
    }
    putSlot (record, slot, value);
    if (writeRaw)
        ccToRaw (record, cc, value, true);
}

int getCc (SoundRecord* record, int cc, bool writeRaw)
{
    cc &= 0x7F;
    const int32_t slot = ccCacheSlots[cc];
    if (slot != 0xFF && cacheValid (record))
    {
        const int cached = slotValue (record, slot);
        if ((cached & 0x80) == 0)
            return cached;
    }
    const int v = rawToCc (record, cc);
    if (v < 0 || v > 127)
        return v;
    setCc (record, cc, v, writeRaw);
    return v;
}

void installEditorCache (SoundRecord* record)
{
    if (cacheValid (record))
        return;
    record->w[SoundRecord::cacheMarker] = SoundRecord::cacheMarkerValue;
    for (int i = 113; i <= 144; ++i)
        record->w[i] = 0xFFFFFF;
    record->w[122] = 0xFF6B02;
    record->w[123] = 0xFF3F77;
    record->w[127] = 0xFF4000;
    record->w[128] = 0xFF4000;
    record->w[132] = 0xFF4005;
    record->w[133] = 0xFF4009;
}

void normaliseSound (SoundRecord* record)
{
    for (int cc = 0; cc < 127; ++cc)
    {
        const int32_t slot = ccCacheSlots[cc];
        if (slot != 0xFF && cacheValid (record) && (slotValue (record, slot) & 0x80) == 0)
            continue;
        const int v = rawToCc (record, cc);
        if (v < 0 || v > 127)
            continue;
        if (slot == 0xFF)
        {
            if (cc == 22)
                record->w[SoundRecord::engineType] = static_cast<uint32_t> (v);
            continue;
        }
        putSlot (record, slot, v);
        ccToRaw (record, cc, v, true);
    }
}
