#include "ConversionOracle.h"
#include "SoundTestSupport.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

// Every expected value here comes from the typed tables of ConversionOracle.h, never from the
// code's own tables or conversions.
namespace
{
using oracle::signed24;

uint32_t rawWordOf (const SoundRecord& r, int cc) { return r.w[oracle::rowOf (cc)->word]; }

int slotOf (const SoundRecord& r, int cc)
{
    const oracle::Slot s = oracle::slotOf (cc);
    return static_cast<int> ((r.w[s.word] >> s.shift) & 0xFF);
}

SoundRecord cachedRecord()
{
    SoundRecord r = emptyRecord();
    installEditorCache (&r);
    return r;
}
} // namespace

TEST (CcTables, SlotsByCacheWord)
{
    for (int cc = 0; cc < 128; ++cc)
    {
        const oracle::Slot s = oracle::slotOf (cc);
        const int32_t expected = s.word == 0 ? 0xFF : (s.word - 113) + 256 * s.shift;
        EXPECT_EQ (ccCacheSlots[cc], expected) << "CC " << cc;
    }
    // CCs without a slot, as listed.
    for (int cc : { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 22, 23, 24, 27, 28, 29, 64, 65, 66, 67, 68, 69,
                    96, 97, 98, 99, 100, 101, 120, 121, 122, 123, 124, 125, 126, 127 })
        EXPECT_EQ (ccCacheSlots[cc], 0xFF) << "CC " << cc;
}

TEST (CcTables, RowsInTableOrder)
{
    for (int i = 0; i < oracle::numRows; ++i)
    {
        const oracle::Row& e = oracle::rows[i];
        const CcConversionRow& c = ccConversionRows[i];
        SCOPED_TRACE (testing::Message() << "row " << i << " CC " << e.cc);
        EXPECT_EQ (c.cc, e.cc);
        EXPECT_EQ (c.rawWord + 12, e.word);
        EXPECT_EQ (c.curve, e.curve);
        if (e.curve != 4)
        {
            EXPECT_EQ (c.min, e.min);
            EXPECT_EQ (c.max, e.max);
        }
        EXPECT_NE (oracle::slotOf (e.cc).word, 0) << "a CC with a row has a slot";
    }
    EXPECT_LT (ccConversionRows[oracle::numRows].cc, 1) << "the table ends after 40 rows";

    for (int cc = 0; cc < 128; ++cc)
    {
        const oracle::Row* row = oracle::rowOf (cc);
        EXPECT_EQ (ccRowIndex[cc], row == nullptr ? -1 : static_cast<int32_t> (row - oracle::rows)) << "CC " << cc;
    }
}

TEST (CcTables, CurveAndDefaults)
{
    for (int v = 0; v < 128; ++v)
        EXPECT_EQ (curveTable[v], oracle::curve[v]) << "entry " << v;
    for (int v = 1; v < 128; ++v)
        EXPECT_LT (oracle::curve[v - 1], oracle::curve[v]) << "the typed table is ascending";

    for (int cc = 0; cc < 128; ++cc)
        EXPECT_EQ (ccFallbackValues[cc], oracle::defaultOf (cc)) << "CC " << cc;

    // Five kinds of CC: with a row, with a default, with a bare slot, CC 22, and the rest.
    int rows = 0, defaults = 0, bare = 0;
    for (int cc = 0; cc < 128; ++cc)
    {
        const bool slot = oracle::slotOf (cc).word != 0;
        const bool row = oracle::rowOf (cc) != nullptr;
        const bool def = oracle::defaultOf (cc) >= 0;
        EXPECT_FALSE (row && def) << "CC " << cc;
        EXPECT_TRUE (slot || (! row && ! def)) << "CC " << cc;
        rows += row;
        defaults += def;
        bare += slot && ! row && ! def;
    }
    EXPECT_EQ (rows, 40);
    EXPECT_EQ (defaults, 42);
    EXPECT_EQ (bare, 9);
    for (int cc : { 11, 17, 21, 25, 30, 31, 72, 75, 89 })
    {
        SoundRecord r = emptyRecord();
        EXPECT_EQ (getCc (&r, cc, true), -1) << "CC " << cc << " has neither a row nor a default";
    }
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

// Every row, every value: the raw word that a CC value becomes, and the value that word reads back
// as, by the formulas of the conversion.
TEST (CcConversion, EveryRowEveryValueByTheFormulas)
{
    for (const auto& row : oracle::rows)
    {
        for (int v = 0; v < 128; ++v)
        {
            SCOPED_TRACE (testing::Message() << "CC " << row.cc << " = " << v);
            const int32_t raw = oracle::forward (row, v);
            SoundRecord r = emptyRecord();
            ASSERT_EQ (ccToRaw (&r, row.cc, v, true), raw);
            ASSERT_EQ (r.w[row.word], static_cast<uint32_t> (raw) & 0xFFFFFF) << "stored in record word " << row.word;
            ASSERT_EQ (rawToCc (&r, row.cc), oracle::reverse (row, r.w[row.word]));
        }
        // Words as a dump brings them, anywhere in the 24 bits.
        for (uint32_t word : { 0u, 1u, 0x3Fu, 0x1000u, 0x2CCCCu, 0x5A666u, 0x3C51Eu, 0x380u, 0x347u, 0x7FFF3Au,
                               0x600000u, 0x7FFFFFu, 0x800000u, 0xDC0000u, 0xFFFFFFu })
        {
            SoundRecord r = emptyRecord();
            r.w[row.word] = word;
            EXPECT_EQ (rawToCc (&r, row.cc), oracle::reverse (row, word)) << "CC " << row.cc << " word " << std::hex << word;
        }
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
        r.w[oracle::rowOf (c.cc)->word] = c.word;
        EXPECT_EQ (rawToCc (&r, c.cc), c.value) << "CC " << c.cc << " word " << std::hex << c.word;
    }
    SoundRecord r = emptyRecord();
    EXPECT_EQ (rawToCc (&r, 50), 76) << "a CC without a row reads its default";
    EXPECT_EQ (rawToCc (&r, 11), -1);
}

TEST (CcConversion, LinearAndSquareRowsReadBackEveryValue)
{
    for (const auto& row : oracle::rows)
    {
        if (row.curve == 3)
            continue;
        for (int v = 0; v < 128; ++v)
        {
            SoundRecord r = cachedRecord();
            setCc (&r, row.cc, v, true);
            r.w[SoundRecord::cacheMarker] = 0;  // force the reverse conversion
            // The small square-law ranges cannot hold the lowest values apart.
            if (row.curve == 0 || row.curve == 4 || v >= 8)
            {
                EXPECT_EQ (rawToCc (&r, row.cc), v) << "CC " << row.cc;
            }
            else
            {
                EXPECT_LE (std::abs (rawToCc (&r, row.cc) - v), 2) << "CC " << row.cc;
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
            EXPECT_EQ (raw, cc == 49 ? oracle::curve[v] : 0x800000 - oracle::curve[v]) << "CC " << cc;
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
        r.w[oracle::rowOf (c.cc)->word] = c.raw;
        const int v = getCc (&r, c.cc, true);
        const int32_t back = signed24 (rawWordOf (r, c.cc));
        const int32_t step = oracle::curve[v + 1 > 127 ? 127 : v + 1] - oracle::curve[v];
        EXPECT_GT (v, 0) << "CC " << c.cc;
        EXPECT_LE (std::abs (back - static_cast<int32_t> (c.raw)), step) << "CC " << c.cc;
        EXPECT_EQ (getCc (&r, c.cc, true), v) << "stable once written back";
    }

    struct Inverse { int32_t raw; int index; };
    for (const auto& c : { Inverse { 0, 0 }, Inverse { 0x5FFFFF, 0 }, Inverse { 0x600000, 0 }, Inverse { 0x628F5F, 1 },
                           Inverse { 0x628F5E, 0 }, Inverse { 0x7FFFF3, 127 }, Inverse { 0x7FFFFF, 127 },
                           Inverse { 0x7FFF3A, 98 }, Inverse { -1, 0 } })
        EXPECT_EQ (curveInverse (c.raw), c.index) << std::hex << c.raw;
    for (int v = 0; v < 128; ++v)
    {
        EXPECT_EQ (curveInverse (oracle::curve[v]), v);
        EXPECT_EQ (curveInverse (oracle::curve[v] - 1), v == 0 ? 0 : v - 1);
    }
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

    // Every CC with a slot lands in its own slot byte and nowhere else in the cache.
    for (int cc = 0; cc < 128; ++cc)
    {
        const oracle::Slot s = oracle::slotOf (cc);
        if (s.word == 0)
            continue;
        SoundRecord c = cachedRecord();
        const SoundRecord fresh = c;
        setCc (&c, cc, 0x2A, false);
        for (int w = 113; w <= 144; ++w)
        {
            const uint32_t expected = w == s.word ? (fresh.w[w] & ~(0xFFu << s.shift)) | (0x2Au << s.shift) : fresh.w[w];
            EXPECT_EQ (c.w[w], expected) << "CC " << cc << " word " << w;
        }
    }

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

    // Every default, read from an empty cache, and cached.
    for (const auto& def : oracle::defaults)
    {
        SoundRecord c = cachedRecord();
        const oracle::Slot s = oracle::slotOf (def.cc);
        c.w[s.word] |= 0xFFu << s.shift;
        EXPECT_EQ (getCc (&c, def.cc, true), def.value) << "CC " << def.cc;
        EXPECT_EQ (slotOf (c, def.cc), def.value) << "CC " << def.cc;
    }

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
    // The presets sit in their CCs' slots and equal those CCs' defaults.
    for (const auto& p : oracle::presets)
    {
        EXPECT_EQ (slotOf (r, p.cc), p.value) << "CC " << p.cc;
        EXPECT_EQ (oracle::defaultOf (p.cc), p.value) << "CC " << p.cc;
        EXPECT_EQ (getCc (&r, p.cc, false), p.value) << "CC " << p.cc;
    }

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

    for (int cc = 0; cc < 127; ++cc)
    {
        const oracle::Slot s = oracle::slotOf (cc);
        if (s.word == 0)
            continue;
        const oracle::Row* row = oracle::rowOf (cc);
        const int def = oracle::defaultOf (cc);
        const int wasSlot = slotOf (before, cc);
        SCOPED_TRACE (testing::Message() << "CC " << cc);
        if (wasSlot < 128)
            EXPECT_EQ (slotOf (r, cc), wasSlot) << "a filled slot is kept";
        else if (row != nullptr)
            EXPECT_EQ (slotOf (r, cc), oracle::reverse (*row, before.w[row->word])) << "filled from its raw word";
        else if (def >= 0)
            EXPECT_EQ (slotOf (r, cc), def) << "filled with its default";
        else
            EXPECT_EQ (slotOf (r, cc), wasSlot) << "nothing to fill in";
        if (row != nullptr)
        {
            const uint32_t expected = wasSlot < 128 ? before.w[row->word]
                                                    : static_cast<uint32_t> (oracle::forward (*row, slotOf (r, cc))) & 0xFFFFFF;
            EXPECT_EQ (r.w[row->word], expected);
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
