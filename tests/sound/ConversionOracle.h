#pragma once
// The conversion tables, the fingerprint and the factory set's names and fingerprints, typed in
// by hand so that the code's own tables and functions are checked against them and never against
// themselves. Nothing here includes or calls the code under test.

#include <cmath>
#include <cstdint>

namespace oracle
{
// Cache word, then the CCs of its slots at bits 23-16, 15-8 and 7-0 (0: no CC).
struct CacheWord { int word, high, middle, low; };
constexpr CacheWord cacheWords[32] = {
    { 113, 32, 33, 34 }, { 114, 35, 36, 37 }, { 115, 38, 39, 40 }, { 116, 41, 42, 43 },
    { 117, 44, 45, 46 }, { 118, 47, 48, 49 }, { 119, 50, 51, 52 }, { 120, 53, 54, 55 },
    { 121, 56, 57, 58 }, { 122, 59, 60, 61 }, { 123, 0, 62, 63 }, { 124, 74, 76, 77 },
    { 125, 78, 79, 80 }, { 126, 81, 82, 83 }, { 127, 84, 102, 103 }, { 128, 0, 104, 105 },
    { 129, 106, 107, 108 }, { 130, 109, 110, 111 }, { 131, 112, 113, 114 }, { 132, 115, 116, 117 },
    { 133, 0, 118, 119 }, { 134, 70, 71, 72 }, { 135, 73, 93, 14 }, { 136, 94, 15, 95 },
    { 137, 16, 91, 12 }, { 138, 19, 20, 89 }, { 139, 17, 25, 85 }, { 140, 86, 87, 88 },
    { 141, 90, 18, 26 }, { 142, 92, 13, 21 }, { 143, 75, 11, 30 }, { 144, 31, 0, 0 },
};

// Where a CC's slot lies: its cache word and bit position, or word 0 for a CC without one.
struct Slot { int word = 0, shift = 0; };
inline Slot slotOf (int cc)
{
    if (cc < 1)
        return {};  // 0 marks a slot without a CC in the table above
    for (const auto& w : cacheWords)
    {
        if (w.high == cc) return { w.word, 16 };
        if (w.middle == cc) return { w.word, 8 };
        if (w.low == cc) return { w.word, 0 };
    }
    return {};
}

// The presets that a fresh cache holds: CC, value.
struct Preset { int cc, value; };
constexpr Preset presets[12] = {
    { 60, 107 }, { 61, 2 }, { 62, 63 }, { 63, 119 }, { 102, 64 }, { 103, 0 },
    { 104, 64 }, { 105, 0 }, { 116, 64 }, { 117, 5 }, { 118, 64 }, { 119, 9 },
};

// The conversion rows in table order: CC, record word, curve, min, max (curve 4 has no range).
struct Row { int cc, word, curve, min, max; };
constexpr int numRows = 40;
constexpr Row rows[numRows] = {
    { 70, 19, 0, 0, 128 },           { 71, 26, 0, 0, 128 },
    { 73, 219, 0, 0, 128 },          { 93, 52, 0, 0, 123225 },
    { 14, 53, 1, 100, 2000 },        { 94, 56, 0, 0, 8388607 },
    { 15, 57, 1, 200, 8000 },        { 95, 60, 0, 0, 8388607 },
    { 16, 61, 0, 0, 8388607 },       { 91, 64, 1, 0, 8388607 },
    { 12, 65, 0, 0, 6710886 },       { 19, 67, 0, 4410, 32976 },
    { 20, 66, 3, 0, 1 },             { 85, 75, 0, -8388608, 8388608 },
    { 86, 74, 0, -8388608, 8388608 }, { 87, 73, 0, -8388608, 8388608 },
    { 88, 72, 0, -8388608, 8388608 }, { 90, 76, 1, 0, 8388607 },
    { 18, 77, 1, 83886, 8371830 },   { 26, 78, 0, 0, 8388607 },
    { 92, 46, 0, 0, 8388607 },       { 13, 47, 2, 100, 4000 },
    { 32, 93, 0, 0, 8388607 },       { 33, 99, 0, 0, 8388607 },
    { 34, 80, 0, 0, 8388607 },       { 35, 83, 4, 0, 0 },
    { 36, 84, 4, 0, 0 },             { 37, 85, 0, 0, 167772 },
    { 38, 87, 0, 1159217, 3256369 }, { 39, 94, 0, 0, 8388607 },
    { 40, 86, 4, 0, 0 },             { 41, 89, 0, 0, 2492930 },
    { 42, 88, 0, -167772, 167772 },  { 43, 90, 0, 0, 8388607 },
    { 44, 91, 0, -838860, 4194304 }, { 45, 92, 0, 0, 8304721 },
    { 46, 97, 0, -4194304, 4194304 }, { 47, 98, 0, 0, 128 },
    { 48, 95, 0, 0, 4194304 },       { 49, 96, 4, 0, 0 },
};

inline const Row* rowOf (int cc)
{
    for (const auto& r : rows)
        if (r.cc == cc)
            return &r;
    return nullptr;
}

constexpr int32_t curve[128] = {
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

// The defaults of the CCs without a row: CC, value (every other CC has none).
struct Default { int cc, value; };
constexpr Default defaults[42] = {
    { 50, 76 }, { 51, 86 }, { 52, 58 }, { 53, 90 }, { 54, 93 }, { 55, 46 }, { 56, 3 }, { 57, 15 },
    { 58, 39 }, { 59, 72 }, { 60, 107 }, { 61, 2 }, { 62, 63 }, { 63, 119 }, { 74, 97 }, { 76, 105 },
    { 77, 114 }, { 78, 105 }, { 79, 105 }, { 80, 64 }, { 81, 11 }, { 82, 34 }, { 83, 8 }, { 84, 95 },
    { 102, 64 }, { 103, 0 }, { 104, 64 }, { 105, 0 }, { 106, 97 }, { 107, 105 }, { 108, 114 }, { 109, 105 },
    { 110, 105 }, { 111, 64 }, { 112, 77 }, { 113, 49 }, { 114, 6 }, { 115, 67 }, { 116, 64 }, { 117, 5 },
    { 118, 64 }, { 119, 9 },
};

inline int defaultOf (int cc)
{
    for (const auto& d : defaults)
        if (d.cc == cc)
            return d.value;
    return -1;
}

// The tine and bar decays keep their raw words as the distance below 0x800000; CC 49 keeps the
// table value itself (the factory raw words lie in those two ranges).
constexpr bool curveMirrored (int cc) { return cc == 35 || cc == 36 || cc == 40; }

inline int32_t signed24 (uint32_t w) { return static_cast<int32_t> (w << 8) >> 8; }

// CC value to raw value, by the row's formula.
inline int32_t forward (const Row& row, int v)
{
    const double range = static_cast<double> (row.max - row.min);
    const double x = v * 0.0078125;
    switch (row.curve)
    {
        case 0: return static_cast<int32_t> (std::trunc (x * range + row.min));
        case 1:
        case 2: return static_cast<int32_t> (std::trunc (x * x * range + row.min));
        case 3: return v != 0 ? 1 : 0;
        default: return curveMirrored (row.cc) ? 0x800000 - curve[v] : curve[v];
    }
}

// The largest table index whose entry is at most target; 0 below the table.
inline int curveIndex (int32_t target)
{
    int i = 0;
    for (int k = 1; k < 128; ++k)
        if (curve[k] <= target)
            i = k;
    return i;
}

// Raw word (as the record holds it) back to the CC value.
inline int reverse (const Row& row, uint32_t word)
{
    const int32_t r = signed24 (word);
    const double range = static_cast<double> (row.max - row.min);
    double x = 0;
    switch (row.curve)
    {
        case 0: x = (r - static_cast<double> (row.min)) / range; break;
        case 1:
        case 2:
        {
            const double q = (r - static_cast<double> (row.min)) / range;
            if (q < 0)
                return 0;
            x = std::sqrt (q);
            break;
        }
        case 3: return r != 0 ? 1 : 0;
        default: return curveIndex (curveMirrored (row.cc) ? 0x800000 - r : r);
    }
    const double v = std::trunc (x * 128 + 0.5);
    return v < 0 ? 0 : v > 127 ? 127 : static_cast<int> (v);
}

// The content fingerprint of words 12..358 of a record's word array.
inline uint64_t fingerprint (const uint32_t* w)
{
    uint64_t x = 1;
    for (int i = 12; i <= 358; ++i)
    {
        const bool top = (x >> 63) != 0;
        x <<= 1;
        if (top)
            x ^= 0x0102040810204081ull;
        x ^= w[i];
    }
    return x;
}

constexpr const char* factoryNames[28] = {
    "Tines", "Bars", "Reeds", "Grand Piano", "Electric Grand", "FM Piano", "Clavinet", "Tines Chorus",
    "Scenic Roads", "Phased Reeds", "Grand + FM", "Chorus Electric", "FM + Pad", "Mad Clavinet",
    "Tines Phased", "Scenic Drive", "Fuzz Reeds", "Piano+Strings", "Electric Kitsch", "FM + Model",
    "AutoWah Clavinet", "Tines Driven", "Scenic Phase", "Flanged Reeds", "Messy Upright", "Electric Goo",
    "Orchestra", "Drama Strings",
};

// The instrument's factory fingerprints, high word then low word.
constexpr uint32_t factoryFingerprints[28][2] = {
    { 0x86EACF55, 0x0A768CA2 }, { 0x83BD4611, 0x0D5B0473 }, { 0xFE90312C, 0x256C6A6C }, { 0x11A5070D, 0x3E87AFBD },
    { 0xCDF63DE0, 0xEDC342DD }, { 0xC9602B60, 0xA60E9E5E }, { 0x78340F0D, 0x0B272E81 }, { 0x95159A8D, 0x4AB11778 },
    { 0x3A061EEC, 0x10663228 }, { 0x7E2ECCFD, 0x146C49BC }, { 0xCEC0F74D, 0x0F778A6A }, { 0x07A425EB, 0xD1E79E2B },
    { 0xAB498527, 0x91C71C23 }, { 0x57574FC2, 0x1F41EFAA }, { 0x0D90DD2E, 0x4657F481 }, { 0xF48EED46, 0x35149ADD },
    { 0x4E488373, 0xFBE8FBFF }, { 0x7BB50DE7, 0xAD41894E }, { 0x3EF2F713, 0xCBC3D1D8 }, { 0xE8FB132C, 0x3EB87447 },
    { 0x5D468393, 0x98C8C170 }, { 0x3D7A4E0E, 0x1DC10E66 }, { 0x9E521808, 0x8BF6034B }, { 0x1DC172E8, 0x4E5C1530 },
    { 0x690E4E8E, 0xBF886B7D }, { 0x2DF21780, 0xBC482561 }, { 0xECF5D171, 0x6B5F4348 }, { 0x331DE4DF, 0x428EC27E },
};

inline uint64_t factoryFingerprint (int i)
{
    return (uint64_t (factoryFingerprints[i][0]) << 32) | factoryFingerprints[i][1];
}
} // namespace oracle
