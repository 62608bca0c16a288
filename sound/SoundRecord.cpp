#include "sound/SoundRecord.h"
#include "sound/CcConversion.h"

#include <cstring>

const uint32_t factoryFingerprints[28 * 2] = {
    0x0A768CA2, 0x86EACF55,  0x0D5B0473, 0x83BD4611,  0x256C6A6C, 0xFE90312C,  0x3E87AFBD, 0x11A5070D,
    0xEDC342DD, 0xCDF63DE0,  0xA60E9E5E, 0xC9602B60,  0x0B272E81, 0x78340F0D,  0x4AB11778, 0x95159A8D,
    0x10663228, 0x3A061EEC,  0x146C49BC, 0x7E2ECCFD,  0x0F778A6A, 0xCEC0F74D,  0xD1E79E2B, 0x07A425EB,
    0x91C71C23, 0xAB498527,  0x1F41EFAA, 0x57574FC2,  0x4657F481, 0x0D90DD2E,  0x35149ADD, 0xF48EED46,
    0xFBE8FBFF, 0x4E488373,  0xAD41894E, 0x7BB50DE7,  0xCBC3D1D8, 0x3EF2F713,  0x3EB87447, 0xE8FB132C,
    0x98C8C170, 0x5D468393,  0x1DC10E66, 0x3D7A4E0E,  0x8BF6034B, 0x9E521808,  0x4E5C1530, 0x1DC172E8,
    0xBF886B7D, 0x690E4E8E,  0xBC482561, 0x2DF21780,  0x6B5F4348, 0xECF5D171,  0x428EC27E, 0x331DE4DF,
};

const char* const factoryNames[28] = {
    "Tines", "Bars", "Reeds", "Grand Piano", "Electric Grand", "FM Piano", "Clavinet",
    "Tines Chorus", "Scenic Roads", "Phased Reeds", "Grand + FM", "Chorus Electric", "FM + Pad",
    "Mad Clavinet", "Tines Phased", "Scenic Drive", "Fuzz Reeds", "Piano+Strings",
    "Electric Kitsch", "FM + Model", "AutoWah Clavinet", "Tines Driven", "Scenic Phase",
    "Flanged Reeds", "Messy Upright", "Electric Goo", "Orchestra", "Drama Strings",
};

const char* const sampleNames[10] = {
    "Grand Piano", "Electric Grand", "Clavinet A", "Clavinet B", "Strings", "Fast Strings",
    "Orchestra", "Fast Orchestra", "Synthetic Pad", "Upright Piano",
};

ContentPageRefreshHook contentPageRefreshHook = nullptr;

int32_t SoundVector::findCurrent() noexcept
{
    const int n = size();
    for (int i = 0; i < n; ++i)
    {
        if (records[static_cast<size_t> (i)].isSelected())
        {
            __atomic_store_n (&current, i, __ATOMIC_RELAXED);
            return i;
        }
    }
    return -1;
}

void initSoundRecord (SoundRecord* record)
{
    std::memset (record->w, 0, sizeof (record->w));
    record->w[SoundRecord::recordMarker] = SoundRecord::recordMarkerValue;
}

namespace
{
// Six words of three seven-bit characters from a space-padded buffer.
void packName (uint32_t* out, const char* text, bool stopAtHighBit)
{
    unsigned char buf[32];
    std::memset (buf, ' ', sizeof (buf));
    for (int i = 0; i < 32; ++i)
    {
        const auto c = static_cast<unsigned char> (text[i]);
        if (c < 32 || (stopAtHighBit && c >= 128))
            break;
        buf[i] = c;
    }
    for (int k = 0; k < 6; ++k)
        out[k] = (uint32_t (buf[3 * k] & 0x7F) << 16) | (uint32_t (buf[3 * k + 1] & 0x7F) << 8)
               | uint32_t (buf[3 * k + 2] & 0x7F);
}
} // namespace

void setSoundName (SoundRecord* record, const char* text)
{
    char* name = record->nameText();
    int i = 0;
    for (; i < 18 && text[i] != 0; ++i)
        name[i] = text[i];
    for (; i <= 18; ++i)
        name[i] = 0;
    packName (record->w + SoundRecord::packedName, name, false);
    computeFingerprint (record);
}

void setLayerName (SoundRecord* record, const char* text)
{
    packName (record->w + SoundRecord::layerName, text, true);
    record->w[SoundRecord::contentFingerprint] = 0;
    record->w[SoundRecord::contentFingerprint + 1] = 0;
}

juce::String getLayerName (const SoundRecord* record)
{
    char chars[19];
    for (int k = 0; k < 6; ++k)
    {
        const uint32_t word = record->w[SoundRecord::layerName + k] & 0x7F7F7F;
        chars[3 * k] = static_cast<char> (word >> 16);
        chars[3 * k + 1] = static_cast<char> ((word >> 8) & 0x7F);
        chars[3 * k + 2] = static_cast<char> (word & 0x7F);
    }
    int len = 18;
    while (len > 0 && static_cast<unsigned char> (chars[len - 1]) <= 32)
        --len;
    chars[len] = 0;
    return juce::String (chars);  // up to the first NUL; seven-bit characters only
}

void copyIntoLayer (SoundRecord* dst, const SoundRecord* src)
{
    const uint32_t mixBefore = dst->w[SoundRecord::layerMix];
    std::memmove (dst->w + 206, src->w + 12, 13 * sizeof (uint32_t));
    std::memmove (dst->w + 227, src->w + 33, 5 * sizeof (uint32_t));
    std::memmove (dst->w + 233, src->w + 80, 126 * sizeof (uint32_t));
    if (mixBefore == 0)
    {
        setCc (dst, 73, 64, true);
        if (contentPageRefreshHook != nullptr)
            contentPageRefreshHook();
    }
    computeFingerprint (dst);
}

int containsFingerprint (const SoundVector* list, const uint32_t fingerprint[2])
{
    for (const auto& r : list->records)
        if (r.w[0] == fingerprint[0] && r.w[1] == fingerprint[1])
            return 1;
    return 0;
}

namespace
{
constexpr uint64_t fingerprintFeedback = 0x0102040810204081ull;

constexpr uint64_t fingerprintStep (uint64_t x, uint64_t word)
{
    return ((x << 1) ^ ((x >> 63) != 0 ? fingerprintFeedback : 0)) ^ word;
}

// Eight steps at once: what the top byte of the state feeds back over eight shifts.
struct FeedbackTable { uint64_t v[256]; };
constexpr FeedbackTable makeFeedbackTable()
{
    FeedbackTable t {};
    for (uint64_t b = 0; b < 256; ++b)
    {
        uint64_t x = b << 56;
        for (int i = 0; i < 8; ++i)
            x = fingerprintStep (x, 0);
        t.v[b] = x;
    }
    return t;
}
constexpr FeedbackTable feedback8 = makeFeedbackTable();
} // namespace

uint64_t fingerprintOfContent (const SoundRecord* record)
{
    // Words are 32 bits, so within eight steps they never reach the feedback.
    const uint32_t* w = record->w + SoundRecord::fingerprintFirst;
    constexpr int count = SoundRecord::fingerprintLast - SoundRecord::fingerprintFirst + 1;
    constexpr int head = count % 8;
    uint64_t x = 1;
    for (int i = 0; i < head; ++i)
        x = fingerprintStep (x, w[i]);
    for (int i = head; i < count; i += 8)
    {
        const uint64_t words = (uint64_t (w[i]) << 7) ^ (uint64_t (w[i + 1]) << 6) ^ (uint64_t (w[i + 2]) << 5)
                             ^ (uint64_t (w[i + 3]) << 4) ^ (uint64_t (w[i + 4]) << 3) ^ (uint64_t (w[i + 5]) << 2)
                             ^ (uint64_t (w[i + 6]) << 1) ^ uint64_t (w[i + 7]);
        x = (x << 8) ^ feedback8.v[x >> 56] ^ words;
    }
    return x;
}

void computeFingerprint (SoundRecord* record)
{
    const uint64_t x = fingerprintOfContent (record);
    record->w[0] = static_cast<uint32_t> (x);
    record->w[1] = static_cast<uint32_t> (x >> 32);
}

void applyFactoryNames (SoundRecord* record)
{
    if (record->w[0] == 0 && record->w[1] == 0)
        computeFingerprint (record);
    int found = -1;
    for (int i = 0; i < 28 && found < 0; ++i)
        if (factoryFingerprints[2 * i] == record->w[0] && factoryFingerprints[2 * i + 1] == record->w[1])
            found = i;
    if (found < 0)
        return;
    setSoundName (record, factoryNames[found]);
    if (record->w[SoundRecord::layerEngineType] == 1 && record->w[SoundRecord::layerSampleNumber] < 10)
        setLayerName (record, sampleNames[record->w[SoundRecord::layerSampleNumber]]);
    if (record->w[0] == 0 && record->w[1] == 0)
        computeFingerprint (record);
}
