#include "sound/SoundDump.h"
#include "sound/CcConversion.h"

#include <cstring>

int encodeSoundDump (const SoundRecord* record, uint8_t* out, uint8_t program)
{
    const uint32_t* w = record->w;
    out[0] = 0xF0;
    out[1] = 0x7D;
    out[2] = 0x2B;
    out[3] = 0x7F;
    out[4] = 0x10;
    out[5] = program & 0x7F;
    uint8_t* p = out + 6;
    for (int k = 0; k < 6; ++k)
    {
        const uint32_t word = w[SoundRecord::packedName + k];
        *p++ = (word >> 16) & 0x7F;
        *p++ = (word >> 8) & 0x7F;
        *p++ = word & 0x7F;
    }
    for (int k = 0; k < SoundRecord::numShortValues; ++k)
        *p++ = w[SoundRecord::shortValues + k] & 0x7F;
    for (int k = 0; k < SoundRecord::numRawWords; ++k)
    {
        const uint32_t word = w[SoundRecord::rawWords + k];
        p[0] = (word >> 18) & 0x3F;
        p[1] = (word >> 12) & 0x3F;
        p[2] = (word >> 6) & 0x3F;
        p[3] = word & 0x3F;
        p += 4;
    }
    unsigned sum = 0;
    for (int i = 1; i < 1328; ++i)
        sum += out[i];
    out[1328] = static_cast<uint8_t> (0u - sum) & 0x7F;
    out[1329] = 0xF7;
    return soundDumpLength;
}

int parseSoundDump (SoundRecord* record, const uint8_t* message)
{
    constexpr int scanLimit = 1400;
    unsigned sum = 0;
    int end = 1;
    if (message[1] < 0x80)
    {
        sum = message[1];
        end = 2;
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
    const uint8_t* m = message;
    if (end < soundDumpLength - 1)
    {
        std::memcpy (padded, message, static_cast<size_t> (end));
        std::memset (padded + end, 0, static_cast<size_t> (soundDumpLength - end));
        m = padded;
    }

    uint32_t* w = record->w;
    char* name = record->nameText();
    for (int i = 0; i < 18; ++i)
        name[i] = static_cast<char> (m[6 + i]);
    name[18] = 0;
    for (int k = 0; k < 6; ++k)
        w[SoundRecord::packedName + k] = (uint32_t (m[6 + 3 * k]) << 16) | (uint32_t (m[7 + 3 * k]) << 8)
                                       | uint32_t (m[8 + 3 * k]);
    for (int k = 0; k < SoundRecord::numShortValues; ++k)
        w[SoundRecord::shortValues + k] = m[24 + k];
    const uint8_t* p = m + 44;
    for (int k = 0; k < SoundRecord::numRawWords; ++k, p += 4)
    {
        // Bytes above 63 overlap the next six-bit group; the word keeps 24 bits as the dump does.
        const uint32_t word = ((((uint32_t (p[0]) << 6) + p[1]) << 6) + p[2]) * 64u + p[3];
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
