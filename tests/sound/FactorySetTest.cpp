#include "ConversionOracle.h"
#include "SoundTestSupport.h"
#include "tools/factoryset/FactorySetGenerator.h"

#include <cstring>
#include <gtest/gtest.h>
#include <set>

namespace
{
using oracle::signed24;

// Words 12..358 of a dump as the parse reads them, before anything is installed or renamed.
SoundRecord wordsOfDump (const uint8_t* d)
{
    SoundRecord r = emptyRecord();
    for (int k = 0; k < 6; ++k)
        r.w[12 + k] = (uint32_t (d[6 + 3 * k]) << 16) | (uint32_t (d[7 + 3 * k]) << 8) | d[8 + 3 * k];
    for (int k = 0; k < 20; ++k)
        r.w[18 + k] = d[24 + k];
    for (int k = 0; k < 321; ++k)
    {
        const uint8_t* b = d + 44 + 4 * k;
        r.w[38 + k] = (uint32_t (b[0]) << 18) | (uint32_t (b[1]) << 12) | (uint32_t (b[2]) << 6) | b[3];
    }
    return r;
}
} // namespace

// The generator only keeps the compiled-in file current; what the set must hold is checked below
// against the typed table, not against the generator.

TEST (FactorySet, GeneratorReproducesTheCompiledInSet)
{
    std::string error;
    const auto generated = generateFactorySet (error);
    ASSERT_TRUE (error.empty()) << error;
    ASSERT_EQ (factorySoundSetLength, 37240);
    ASSERT_EQ (generated.size(), 37240u);
    EXPECT_EQ (std::memcmp (generated.data(), factorySoundSet, generated.size()), 0)
        << "regenerate resources/factoryset/FactorySoundSet.ksx with tools/factoryset";
}

TEST (FactorySet, DumpsAreWellFormed)
{
    for (int i = 0; i < 28; ++i)
    {
        const uint8_t* d = factorySoundSet + i * soundDumpLength;
        EXPECT_EQ (d[0], 0xF0);
        EXPECT_EQ (d[1], 0x7D);
        EXPECT_EQ (d[2], 0x2B);
        EXPECT_EQ (d[3], 0x7F);
        EXPECT_EQ (d[4], 0x10);
        EXPECT_EQ (d[5], i);
        EXPECT_EQ (d[1329], 0xF7);
        int sum = 0;
        for (int k = 1; k <= 1328; ++k)
        {
            sum += d[k];
            ASSERT_LT (d[k], k >= 44 && k < 1328 ? 64 : 128) << "dump " << i << " byte " << k;
        }
        EXPECT_EQ (sum % 128, 0) << "dump " << i;
        EXPECT_NE (d[1328], 0x7F) << "a checksum of 0x7F would switch the test off";
    }
}

TEST (FactorySet, NamesAndFingerprintTablesOfTheCode)
{
    for (int i = 0; i < 28; ++i)
    {
        EXPECT_STREQ (factoryNames[i], oracle::factoryNames[i]) << i;
        EXPECT_EQ (factoryFingerprints[2 * i], oracle::factoryFingerprints[i][1]) << "low word of " << i;
        EXPECT_EQ (factoryFingerprints[2 * i + 1], oracle::factoryFingerprints[i][0]) << "high word of " << i;
    }
}

TEST (FactorySet, FingerprintsAsTheInstrumentKnowsThem)
{
    std::set<uint64_t> seen;
    for (int i = 0; i < 28; ++i)
    {
        const uint8_t* d = factorySoundSet + i * soundDumpLength;
        const uint64_t fp = oracle::fingerprint (wordsOfDump (d).w);
        bool factory = false;
        for (int f = 0; f < 28; ++f)
            factory |= oracle::factoryFingerprint (f) == fp;
        if (i == 0)
            EXPECT_EQ (fp, oracle::factoryFingerprint (0)) << "Tines as the instrument sends it";
        else
            EXPECT_FALSE (factory) << "dump " << i;
        EXPECT_TRUE (seen.insert (fp).second) << "dump " << i;

        // Parsed on its own: recognised when its fingerprint is a factory one, and left with the
        // fingerprint of its final content.
        SoundRecord p = emptyRecord();
        ASSERT_EQ (parseSoundDump (&p, d), i);
        EXPECT_STREQ (p.nameText(), oracle::factoryNames[i]) << i;
        EXPECT_EQ (fingerprintOf (p), oracle::fingerprint (p.w)) << i;
    }
}

TEST (FactorySet, ImportedAsTheListsShowIt)
{
    struct Row { int engine, sample, mix, layerEngine, layerSample; const char* layerName; };
    const Row table[28] = {
        { 0, 0, 0, -1, -1, "" }, { 0, 0, 0, -1, -1, "" }, { 0, 2, 0, -1, -1, "" }, { 1, 0, 0, -1, -1, "" },
        { 1, 1, 0, -1, -1, "" }, { 2, 0, 0, -1, -1, "" }, { 1, 2, 0, -1, -1, "" }, { 0, 0, 0, -1, -1, "" },
        { 0, 0, 0, -1, -1, "" }, { 0, 2, 0, -1, -1, "" }, { 1, 0, 12, 2, 0, "FM Piano" },
        { 1, 1, 0, -1, -1, "" }, { 2, 0, 17, 1, 8, "Synthetic Pad" }, { 1, 3, 0, -1, -1, "" },
        { 0, 0, 0, -1, -1, "" }, { 0, 0, 0, -1, -1, "" }, { 0, 2, 0, -1, -1, "" },
        { 1, 0, 13, 1, 4, "Strings" }, { 1, 1, 17, 1, 4, "Strings" }, { 2, 0, 117, 0, 0, "Tines" },
        { 1, 3, 0, -1, -1, "" }, { 0, 0, 0, -1, -1, "" }, { 0, 0, 127, 0, 0, "Scenic Roads" },
        { 0, 2, 0, -1, -1, "" }, { 1, 9, 0, -1, -1, "" }, { 1, 1, 14, 1, 8, "Synthetic Pad" },
        { 1, 7, 35, 1, 8, "Synthetic Pad" }, { 1, 5, 0, -1, -1, "" },
    };

    SoundVector user = factoryList();
    ASSERT_EQ (user.size(), 28);
    SoundVector library;
    EXPECT_EQ (importSoundDumps (&library, factorySoundSet, factorySoundSetLength, true), 28);

    for (int i = 0; i < 28; ++i)
    {
        SoundRecord& r = user[i];
        const Row& t = table[i];
        EXPECT_STREQ (r.nameText(), oracle::factoryNames[i]);
        EXPECT_EQ (r.w[SoundRecord::engineType], static_cast<uint32_t> (t.engine)) << i;
        EXPECT_EQ (r.w[SoundRecord::sampleNumber], static_cast<uint32_t> (t.sample)) << i;
        EXPECT_EQ (r.w[SoundRecord::layerMix], static_cast<uint32_t> (t.mix)) << i;
        if (t.mix != 0)
        {
            EXPECT_EQ (r.w[SoundRecord::layerEngineType], static_cast<uint32_t> (t.layerEngine)) << i;
            EXPECT_EQ (r.w[SoundRecord::layerSampleNumber], static_cast<uint32_t> (t.layerSample)) << i;
            EXPECT_EQ (getLayerName (&r), juce::String (t.layerName)) << i;
        }
        EXPECT_EQ (std::memcmp (&r, &library[i], sizeof (r)), 0) << "both lists get the same sounds";

        // The cache as sent: marker, presets, the layer mix, nothing else.
        EXPECT_EQ (r.w[112], 0xCEEDEEu) << "dump " << i;
        for (int w = 113; w <= 144; ++w)
        {
            uint32_t expected = 0xFFFFFF;
            for (const auto& p : oracle::presets)
                if (oracle::slotOf (p.cc).word == w)
                    expected = (expected & ~(0xFFu << oracle::slotOf (p.cc).shift)) | (uint32_t (p.value) << oracle::slotOf (p.cc).shift);
            const oracle::Slot mixSlot = oracle::slotOf (73);
            if (mixSlot.word == w)
                expected = (expected & ~(0xFFu << mixSlot.shift)) | (uint32_t (t.mix) << mixSlot.shift);
            EXPECT_EQ (r.w[w], expected) << "dump " << i << " word " << w;
        }

        // Every parameter with a known raw form lies within its row.
        for (const auto& c : oracle::rows)
        {
            const int32_t raw = signed24 (r.w[c.word]);
            if (c.curve <= 2)
            {
                EXPECT_GE (raw, c.min) << "dump " << i << " CC " << c.cc;
                EXPECT_LE (raw, c.max) << "dump " << i << " CC " << c.cc;
            }
            else if (c.curve == 3)
            {
                EXPECT_TRUE (raw == 0 || raw == 1) << "dump " << i << " CC " << c.cc;
            }
        }
        EXPECT_TRUE (r.w[83] == 0x2CCCC || r.w[83] == 0x5A666) << i;
        EXPECT_EQ (r.w[84], 0x3C51Eu) << i;
        EXPECT_TRUE (r.w[86] == 0x380 || r.w[86] == 0x347) << i;
        EXPECT_EQ (r.w[96], 0x7FFF3Au) << i;
        EXPECT_EQ (r.w[SoundRecord::effectMask] & ~0x1FCu, 0u) << "only the effect bits are set in word 38";
    }

    // Tines is recognised: its fingerprint now that of its space-padded name.
    EXPECT_EQ (user[0].w[12], ('T' << 16) | ('i' << 8) | 'n');
    EXPECT_EQ (user[0].w[17], 0x202020u);
    EXPECT_EQ (fingerprintOf (user[0]), oracle::fingerprint (user[0].w));
    EXPECT_NE (fingerprintOf (user[0]), oracle::factoryFingerprint (0));

    // Imported again with append, nothing is new.
    EXPECT_EQ (importSoundDumps (&user, factorySoundSet, factorySoundSetLength, true), 0);
    EXPECT_EQ (user.size(), 28);
}
