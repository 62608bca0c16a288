#include "sound/SoundDump.h"
#include "sound/CcConversion.h"

#include <cstring>

namespace
{
constexpr uint64_t highBits = 0x8080808080808080ull;
constexpr uint64_t evenBytes = 0x00FF00FF00FF00FFull;

inline uint64_t load64 (const uint8_t* p) noexcept
{
    uint64_t v;
    std::memcpy (&v, p, sizeof (v));
    return v;
}

// Byte sum of up to 256 words of eight bytes below 0x80, in four 16-bit lanes.
inline unsigned laneTotal (uint64_t lanes) noexcept
{
    return static_cast<unsigned> ((lanes & 0xFFFF) + ((lanes >> 16) & 0xFFFF) + ((lanes >> 32) & 0xFFFF) + (lanes >> 48));
}
} // namespace

int encodeSoundDump (const SoundRecord* record, uint8_t* out, uint8_t program)
{
    const uint32_t* __restrict w = record->w;
    uint8_t* __restrict o = out;
    o[0] = 0xF0;
    o[1] = 0x7D;
    o[2] = 0x2B;
    o[3] = 0x7F;
    o[4] = 0x10;
    o[5] = program & 0x7F;
    unsigned sum = 0x7D + 0x2B + 0x7F + 0x10 + o[5];
    for (int k = 0; k < 6; ++k)
    {
        const uint32_t word = w[SoundRecord::packedName + k];
        const unsigned a = (word >> 16) & 0x7F, b = (word >> 8) & 0x7F, c = word & 0x7F;
        o[6 + 3 * k] = static_cast<uint8_t> (a);
        o[7 + 3 * k] = static_cast<uint8_t> (b);
        o[8 + 3 * k] = static_cast<uint8_t> (c);
        sum += a + b + c;
    }
    for (int k = 0; k < SoundRecord::numShortValues; ++k)
    {
        const unsigned v = w[SoundRecord::shortValues + k] & 0x7F;
        o[24 + k] = static_cast<uint8_t> (v);
        sum += v;
    }
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // Each word's four six-bit groups as one store; their byte sum in two 16-bit lanes.
    uint32_t lanes = 0;
    for (int k = 0; k < SoundRecord::numRawWords; ++k)
    {
        const uint32_t word = w[SoundRecord::rawWords + k];
        const uint32_t bytes = ((word >> 18) & 0x3F) | ((word >> 4) & 0x3F00) | ((word << 10) & 0x3F0000)
                             | ((word << 24) & 0x3F000000);
        std::memcpy (o + 44 + 4 * k, &bytes, sizeof (bytes));
        lanes += (bytes & 0x00FF00FF) + ((bytes >> 8) & 0x00FF00FF);
    }
    sum += (lanes & 0xFFFF) + (lanes >> 16);
#else
    for (int k = 0; k < SoundRecord::numRawWords; ++k)
    {
        const uint32_t word = w[SoundRecord::rawWords + k];
        const unsigned a = (word >> 18) & 0x3F, b = (word >> 12) & 0x3F, c = (word >> 6) & 0x3F, d = word & 0x3F;
        uint8_t* p = o + 44 + 4 * k;
        p[0] = static_cast<uint8_t> (a);
        p[1] = static_cast<uint8_t> (b);
        p[2] = static_cast<uint8_t> (c);
        p[3] = static_cast<uint8_t> (d);
        sum += a + b + c + d;
    }
#endif
    o[1328] = static_cast<uint8_t> (0u - sum) & 0x7F;
    o[1329] = 0xF7;
    return soundDumpLength;
}

int parseSoundDump (SoundRecord* record, const uint8_t* message)
{
    constexpr int scanLimit = 1400;
    unsigned sum = 0;
    int end = 1;
    if (message[1] < 0x80)
    {
        // Eight bytes at a time while they lie inside the 1330 bytes the caller guarantees.
        sum = message[1];
        end = 2;
        uint64_t lanes = 0;
        while (end + 8 <= soundDumpLength)
        {
            const uint64_t v = load64 (message + end);
            if ((v & highBits) != 0)
                break;
            lanes += (v & evenBytes) + ((v >> 8) & evenBytes);
            end += 8;
        }
        sum += laneTotal (lanes);
        while (end < scanLimit && message[end] < 0x80)
            sum += message[end++];
    }
    const int dataLength = end - 1;

    if ((sum & 0x7F) != 0 && message[end - 1] != 0x7F)
        return -1;
    if (message[0] != 0xF0 || message[1] != 0x7D || message[2] != 0x2B)
        return -2;
    if (message[4] != 0x10)
        return -3;
    if (dataLength < 1280)
        return -4;

    // A short dump is read from a zero-filled copy so that nothing after its end reaches the record.
    uint8_t padded[soundDumpLength];
    const uint8_t* __restrict m = message;
    if (end < soundDumpLength - 1)
    {
        std::memcpy (padded, message, static_cast<size_t> (end));
        std::memset (padded + end, 0, static_cast<size_t> (soundDumpLength - end));
        m = padded;
    }

    uint32_t* __restrict w = record->w;
    char* name = record->nameText();
    std::memcpy (name, m + 6, 18);
    name[18] = 0;
    for (int k = 0; k < 6; ++k)
        w[SoundRecord::packedName + k] = (uint32_t (m[6 + 3 * k]) << 16) | (uint32_t (m[7 + 3 * k]) << 8)
                                       | uint32_t (m[8 + 3 * k]);
    for (int k = 0; k < SoundRecord::numShortValues; ++k)
        w[SoundRecord::shortValues + k] = m[24 + k];
    for (int k = 0; k < SoundRecord::numRawWords; ++k)
    {
        // Bytes above 63 overlap the next six-bit group; the word keeps 24 bits as the dump does.
        const uint8_t* p = m + 44 + 4 * k;
        const uint32_t word = (uint32_t (p[0]) << 18) + (uint32_t (p[1]) << 12) + (uint32_t (p[2]) << 6) + p[3];
        w[SoundRecord::rawWords + k] = word & 0xFFFFFF;
    }
    std::memset (w + SoundRecord::reserved, 0, (1012 - SoundRecord::reserved) * sizeof (uint32_t));
    installEditorCache (record);
    w[0] = 0;
    w[1] = 0;
    computeFingerprint (record);
    applyFactoryNames (record);
    return message[5];
}
