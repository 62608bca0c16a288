#include "SoundTestSupport.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

namespace
{
int32_t signed24 (uint32_t w) { return static_cast<int32_t> (w << 8) >> 8; }

const CcConversionRow* rowOf (int cc)
{
    for (int i = 0; ccConversionRows[i].cc >= 1; ++i)
        if (ccConversionRows[i].cc == cc)
            return &ccConversionRows[i];
    return nullptr;
}

uint32_t rawWordOf (const SoundRecord& r, int cc) { return r.w[12 + rowOf (cc)->rawWord]; }

int slotOf (const SoundRecord& r, int cc)
{
    const int32_t s = ccCacheSlots[cc];
    return static_cast<int> ((r.w[113 + (s & 0xFF)] >> (s >> 8)) & 0xFF);
}

SoundRecord cachedRecord()
{
    SoundRecord r = emptyRecord();
    installEditorCache (&r);
    return r;
}
} // namespace

TEST (CcTables, KindsOfCc)
{
    int rows = 0, slots = 0, defaults = 0;
    for (int cc = 0; cc < 128; ++cc)
    {
        const bool hasSlot = ccCacheSlots[cc] != 0xFF;
        const bool hasRow = ccRowIndex[cc] >= 0;
        slots += hasSlot;
        rows += hasRow;
        if (hasRow)
        {
            EXPECT_EQ (ccConversionRows[ccRowIndex[cc]].cc, cc);
            EXPECT_TRUE (hasSlot) << "CC " << cc << " has a row but no slot";
        }
        if (ccFallbackValues[cc] != -1)
        {
            ++defaults;
            EXPECT_TRUE (hasSlot && ! hasRow) << "CC " << cc;
        }
        if (hasSlot)
        {
            EXPECT_LT (ccCacheSlots[cc] & 0xFF, 32);
        }
    }
    EXPECT_EQ (rows, 40);
    EXPECT_EQ (defaults, 42);
    EXPECT_EQ (slots, 91);
    EXPECT_LT (ccConversionRows[numCcConversionRows].cc, 1);

    // No two CCs share a slot.
    for (int a = 0; a < 128; ++a)
        for (int b = a + 1; b < 128; ++b)
        {
            if (ccCacheSlots[a] != 0xFF)
            {
                EXPECT_NE (ccCacheSlots[a], ccCacheSlots[b]) << a << " " << b;
            }
        }

    for (int v = 1; v < 128; ++v)
        EXPECT_LT (curveTable[v - 1], curveTable[v]);
}

TEST (CcConversion, ForwardAndBack)
{
    struct Case { int cc; int value; int32_t raw; int readBack; };
    const Case cases[] = {
        { 93, 64, 61612, 64 },
        { 19, 0, 4410, 0 },
        { 19, 127, 32752, 127 },
        { 70, 9, 9, 9 },
        { 71, 127, 127, 127 },
        { 73, 64, 64, 64 },
        { 14, 64, 575, 64 },             // square law
        { 13, 127, 3939, 127 },
        { 88, 0, -8388608, 0 },          // negative ranges travel as 24-bit two's complement
        { 88, 64, 0, 64 },
        { 88, 127, 8257536, 127 },
        { 42, 0, -167772, 0 },
        { 20, 5, 1, 1 },                 // a switch reads back as 0 or 1
        { 20, 127, 1, 1 },
        { 20, 0, 0, 0 },
        { 47, 4, 4, 4 },
    };
    for (const auto& c : cases)
    {
        SoundRecord r = namedRecord ("x");
        EXPECT_EQ (ccToRaw (&r, c.cc, c.value, false), c.raw) << "CC " << c.cc << " = " << c.value;
        EXPECT_NE (fingerprintOf (r), 0u) << "not stored, fingerprint kept";
        EXPECT_EQ (ccToRaw (&r, c.cc, c.value, true), c.raw);
        EXPECT_EQ (fingerprintOf (r), 0u) << "a stored raw word clears the fingerprint";
        EXPECT_EQ (rawWordOf (r, c.cc), static_cast<uint32_t> (c.raw) & 0xFFFFFF);
        EXPECT_EQ (rawToCc (&r, c.cc), c.readBack) << "CC " << c.cc;
    }
}

TEST (CcConversion, ReverseOfReceivedWords)
{
    struct Case { int cc; uint32_t word; int value; };
    const Case cases[] = {
        { 88, 0xDC0000, 46 },
        { 88, 0x800000, 0 },
        { 88, 0x7FFFFF, 127 },          // clamped
        { 14, 0, 0 },                   // below the minimum: square law gives 0
        { 93, 0xFFFFFF, 0 },            // reads as -1: below the range
        { 20, 0x000100, 1 },
    };
    for (const auto& c : cases)
    {
        SoundRecord r = emptyRecord();
        r.w[12 + rowOf (c.cc)->rawWord] = c.word;
        EXPECT_EQ (rawToCc (&r, c.cc), c.value) << "CC " << c.cc << " word " << std::hex << c.word;
    }
    SoundRecord r = emptyRecord();
    EXPECT_EQ (rawToCc (&r, 50), 76) << "a CC without a row reads its default";
    EXPECT_EQ (rawToCc (&r, 11), -1);
}

TEST (CcConversion, LinearAndSquareRowsReadBackEveryValue)
{
    for (int row = 0; ccConversionRows[row].cc >= 1; ++row)
    {
        const int cc = ccConversionRows[row].cc;
        if (ccConversionRows[row].curve == 3)
            continue;
        for (int v = 0; v < 128; ++v)
        {
            SoundRecord r = cachedRecord();
            setCc (&r, cc, v, true);
            r.w[SoundRecord::cacheMarker] = 0;  // force the reverse conversion
            // The small square-law ranges cannot hold the lowest values apart.
            if (ccConversionRows[row].curve == 0 || v >= 8)
            {
                EXPECT_EQ (rawToCc (&r, cc), v) << "CC " << cc;
            }
            else
            {
                EXPECT_LE (std::abs (rawToCc (&r, cc) - v), 2) << "CC " << cc;
            }
        }
    }
}

TEST (CcConversion, TableCurveDirectionsAreInverse)
{
    for (int cc : { 35, 36, 40, 49 })
    {
        for (int v = 0; v < 128; ++v)
        {
            SoundRecord r = cachedRecord();
            setCc (&r, cc, v, true);
            const int32_t raw = signed24 (rawWordOf (r, cc));
            EXPECT_EQ (raw, cc == 49 ? curveTable[v] : 0x800000 - curveTable[v]) << "CC " << cc;
            r.w[SoundRecord::cacheMarker] = 0;
            EXPECT_EQ (rawToCc (&r, cc), v) << "CC " << cc;
        }
    }

    // The factory raw words move by at most one table step when written back.
    struct Case { int cc; uint32_t raw; };
    const Case cases[] = { { 35, 0x2CCCC }, { 35, 0x5A666 }, { 36, 0x3C51E }, { 40, 0x380 }, { 40, 0x347 }, { 49, 0x7FFF3A } };
    for (const auto& c : cases)
    {
        SoundRecord r = emptyRecord();
        r.w[12 + rowOf (c.cc)->rawWord] = c.raw;
        const int v = getCc (&r, c.cc, true);
        const int32_t back = signed24 (rawWordOf (r, c.cc));
        const int32_t step = curveTable[v + 1 > 127 ? 127 : v + 1] - curveTable[v];
        EXPECT_GT (v, 0) << "CC " << c.cc;
        EXPECT_LE (std::abs (back - static_cast<int32_t> (c.raw)), step) << "CC " << c.cc;
        EXPECT_EQ (getCc (&r, c.cc, true), v) << "stable once written back";
    }

    struct Inverse { int32_t raw; int index; };
    for (const auto& c : { Inverse { 0, 0 }, Inverse { 0x5FFFFF, 0 }, Inverse { 0x600000, 0 }, Inverse { 0x628F5F, 1 },
                           Inverse { 0x628F5E, 0 }, Inverse { 0x7FFFF3, 127 }, Inverse { 0x7FFFFF, 127 },
                           Inverse { 0x7FFF3A, 98 }, Inverse { -1, 0 } })
        EXPECT_EQ (curveInverse (c.raw), c.index) << std::hex << c.raw;
}

TEST (CcConversion, SetCcByKindOfCc)
{
    // A CC with a row: slot and raw word.
    SoundRecord r = namedRecord ("x");
    setCc (&r, 93, 64, true);
    EXPECT_EQ (slotOf (r, 93), 64);
    EXPECT_EQ (rawWordOf (r, 93), 61612u);
    EXPECT_EQ (fingerprintOf (r), 0u);

    // Without writeRaw only the slot changes.
    r = namedRecord ("x");
    const uint64_t fp = fingerprintOf (r);
    const uint32_t rawBefore = rawWordOf (r, 93);
    setCc (&r, 93, 10, false);
    EXPECT_EQ (slotOf (r, 93), 10);
    EXPECT_EQ (rawWordOf (r, 93), rawBefore);
    EXPECT_EQ (fingerprintOf (r), fp);

    // A slot without a row: only the slot, fingerprint untouched.
    SoundRecord before = r;
    setCc (&r, 60, 99, true);
    EXPECT_EQ (slotOf (r, 60), 99);
    EXPECT_EQ (fingerprintOf (r), fp);
    before.w[122] = r.w[122];
    EXPECT_EQ (std::memcmp (&before, &r, sizeof (r)), 0);

    // CC 22 is the engine type; other CCs without a slot are ignored.
    setCc (&r, 22, 2, true);
    EXPECT_EQ (r.w[SoundRecord::engineType], 2u);
    EXPECT_EQ (fingerprintOf (r), fp);
    before = r;
    for (int cc : { 0, 7, 64, 100, 127 })
        setCc (&r, cc, 55, true);
    EXPECT_EQ (std::memcmp (&before, &r, sizeof (r)), 0);

    // Values are taken as seven bits, CCs as 0..127.
    setCc (&r, 93 + 128, 64 + 128, true);
    EXPECT_EQ (slotOf (r, 93), 64);
    EXPECT_EQ (getCc (&r, 93 - 256, true), 64);
    EXPECT_EQ (rawToCc (&r, 50 + 128), 76);
    EXPECT_EQ (ccToRaw (&r, 93 + 128, 64, false), 61612);
}

TEST (CcConversion, GetCc)
{
    SoundRecord r = emptyRecord();
    EXPECT_EQ (getCc (&r, 22, true), -1);
    for (int cc : { 11, 30, 0, 127 })
    {
        const SoundRecord before = r;
        EXPECT_EQ (getCc (&r, cc, true), -1) << "CC " << cc;
        EXPECT_EQ (std::memcmp (&before, &r, sizeof (r)), 0) << "nothing stored for CC " << cc;
    }

    // A parsed dump without cache marker gets the presets; CC 50 reads its default and caches it.
    SoundRecord plain = emptyRecord();
    setSoundName (&plain, "plain");
    std::vector<uint8_t> d = dumpOf (plain);
    SoundRecord parsed = emptyRecord();
    ASSERT_EQ (parseSoundDump (&parsed, d.data()), 0);
    ASSERT_EQ (parsed.w[SoundRecord::cacheMarker], 0xCEEDEEu);
    EXPECT_EQ (slotOf (parsed, 50), 0xFF);
    EXPECT_EQ (getCc (&parsed, 50, true), 76);
    EXPECT_EQ (slotOf (parsed, 50), 76);
    EXPECT_EQ (getCc (&parsed, 60, true), 107) << "preset slot";

    // With the slot filled the cached value comes back and the raw word is not touched.
    SoundRecord c = cachedRecord();
    setCc (&c, 93, 10, false);
    c.w[52] = 0x1234;
    computeFingerprint (&c);
    const SoundRecord before = c;
    EXPECT_EQ (getCc (&c, 93, true), 10);
    EXPECT_EQ (std::memcmp (&before, &c, sizeof (c)), 0);

    // An empty slot (any value with bit 7 set) is worked out from the raw word and written back.
    struct Slot { uint8_t byte; int expected; };
    for (const auto& s : { Slot { 0xFF, 64 }, Slot { 0x80, 64 }, Slot { 0, 0 } })
    {
        SoundRecord e = cachedRecord();
        e.w[52] = 61700;  // near CC 93 = 64
        e.w[135] = (e.w[135] & 0xFFFF00FFu) | (uint32_t (s.byte) << 8);
        EXPECT_EQ (getCc (&e, 93, true), s.expected) << int (s.byte);
        if (s.byte & 0x80)
        {
            EXPECT_EQ (slotOf (e, 93), 64);
            EXPECT_EQ (e.w[52], 61612u) << "written back as the image of the value";
        }
    }

    // Without the marker the slot is not read.
    SoundRecord m = emptyRecord();
    ccToRaw (&m, 88, 100, true);
    EXPECT_EQ (getCc (&m, 88, false), 100);
    EXPECT_EQ (getCc (&m, 88, false), 100);
}

TEST (CcConversion, InstallEditorCache)
{
    SoundRecord r = emptyRecord();
    installEditorCache (&r);
    EXPECT_EQ (r.w[112], 0xCEEDEEu);
    for (int i = 113; i <= 144; ++i)
    {
        uint32_t expected = 0xFFFFFF;
        switch (i)
        {
            case 122: expected = 0xFF6B02; break;
            case 123: expected = 0xFF3F77; break;
            case 127: case 128: expected = 0xFF4000; break;
            case 132: expected = 0xFF4005; break;
            case 133: expected = 0xFF4009; break;
            default: break;
        }
        EXPECT_EQ (r.w[i], expected) << "word " << i;
    }
    // The presets equal the defaults of their CCs.
    for (int cc : { 60, 61, 62, 63, 102, 103, 104, 105, 116, 117, 118, 119 })
        EXPECT_EQ (getCc (&r, cc, false), ccFallbackValues[cc]) << "CC " << cc;

    setCc (&r, 60, 1, false);
    installEditorCache (&r);
    EXPECT_EQ (slotOf (r, 60), 1) << "a valid cache is kept";
}

TEST (CcConversion, NormaliseFillsEmptySlotsAndRewritesTheirRawWords)
{
    SoundVector factory = factoryList();
    SoundRecord& r = factory[0];
    const SoundRecord before = r;
    normaliseSound (&r);

    for (int cc = 0; cc < 128; ++cc)
    {
        if (ccCacheSlots[cc] == 0xFF)
            continue;
        const bool hasRow = ccRowIndex[cc] >= 0;
        const int wasSlot = slotOf (before, cc);
        if (hasRow || ccFallbackValues[cc] >= 0)
            EXPECT_LT (slotOf (r, cc), 128) << "CC " << cc << " filled";
        else
            EXPECT_EQ (slotOf (r, cc), wasSlot) << "CC " << cc << " has nothing to fill in";
        if (hasRow)
        {
            const uint32_t expected = wasSlot < 128 ? rawWordOf (before, cc)
                                                    : static_cast<uint32_t> (ccToRaw (&r, cc, slotOf (r, cc), false)) & 0xFFFFFF;
            EXPECT_EQ (rawWordOf (r, cc), expected) << "CC " << cc;
        }
    }
    EXPECT_EQ (rawWordOf (r, 73), 0u) << "the mix slot was filled, its raw word stays";
    EXPECT_EQ (fingerprintOf (r), 0u);

    SoundRecord again = r;
    normaliseSound (&again);
    EXPECT_EQ (std::memcmp (&again, &r, sizeof (r)), 0) << "a normalised sound stays as it is";
}

TEST (CcConversion, RawWordsKeepTheirDumpForm)
{
    // A list saved and loaded back into itself adds nothing, negative values included.
    SoundRecord r = namedRecord ("neg");
    setCc (&r, 88, 3, true);
    setCc (&r, 42, 0, true);
    setCc (&r, 46, 1, true);
    computeFingerprint (&r);
    SoundRecord parsed = emptyRecord();
    const auto d = dumpOf (r);
    ASSERT_EQ (parseSoundDump (&parsed, d.data()), 0);
    EXPECT_EQ (fingerprintOf (parsed), fingerprintOf (r));
    EXPECT_EQ (ccToRaw (&r, 88, 3, false), -7995392) << "the result stays signed";
}
