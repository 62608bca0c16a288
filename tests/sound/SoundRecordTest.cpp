#include "SoundTestSupport.h"

#include <cstring>
#include <gtest/gtest.h>

TEST (SoundRecord, EmptyRecordIsZeroButItsMarker)
{
    SoundRecord r;
    std::memset (&r, 0xA5, sizeof (r));
    initSoundRecord (&r);
    for (int i = 0; i < SoundRecord::numWords; ++i)
        EXPECT_EQ (r.w[i], i == SoundRecord::recordMarker ? 0xFEEDF00Du : 0u) << "word " << i;
    EXPECT_STREQ (r.nameText(), "");
    EXPECT_FALSE (r.isSelected());
}

TEST (SoundRecord, FingerprintOfAKnownContent)
{
    SoundRecord r = emptyRecord();
    r.w[12] = ('a' << 16) | ('b' << 8) | 'c';
    for (int k = 13; k < 18; ++k)
        r.w[k] = 0x202020;
    computeFingerprint (&r);
    EXPECT_EQ (r.fingerprintHigh(), 0x962D4B7Fu);
    EXPECT_EQ (r.fingerprintLow(), 0x70F1D3D7u);

    // Neither the text name nor the selection is covered; the record marker is outside it too.
    std::strcpy (r.nameText(), "other");
    r.setSelected (true);
    r.w[SoundRecord::recordMarker] = 0;
    computeFingerprint (&r);
    EXPECT_EQ (r.fingerprintHigh(), 0x962D4B7Fu);
    EXPECT_EQ (r.fingerprintLow(), 0x70F1D3D7u);
}

TEST (SoundRecord, SelectionFlagIsTheLowestByteOfItsWord)
{
    SoundRecord r = emptyRecord();
    r.w[SoundRecord::selected] = 0x12345600;
    EXPECT_FALSE (r.isSelected());
    r.setSelected (true);
    EXPECT_EQ (r.w[SoundRecord::selected], 0x12345601u);
    r.setSelected (false);
    EXPECT_EQ (r.w[SoundRecord::selected], 0x12345600u);
}

TEST (SoundRecord, SetSoundName)
{
    struct Case { const char* text; const char* name; const char* packed; };
    const Case cases[] = {
        { "Pad", "Pad", "Pad               " },
        { "A name far longer than 18", "A name far longer ", "A name far longer " },
        { "", "", "                  " },
        { "Tab\there", "Tab\there", "Tab               " },  // packing stops at a control character
        { "exactly eighteen!!", "exactly eighteen!!", "exactly eighteen!!" },
    };
    for (const auto& c : cases)
    {
        SoundRecord r = emptyRecord();
        std::memset (r.nameText(), 'x', 32);
        setSoundName (&r, c.text);
        EXPECT_STREQ (r.nameText(), c.name) << c.text;
        for (int i = static_cast<int> (std::strlen (c.name)); i <= 18; ++i)
            EXPECT_EQ (r.nameText()[i], 0) << c.text << " position " << i;
        EXPECT_EQ (r.nameText()[19], 'x') << "bytes after the 19th are left alone";
        char packed[19] = {};
        for (int k = 0; k < 6; ++k)
        {
            const uint32_t w = r.w[SoundRecord::packedName + k];
            EXPECT_EQ (w & ~0x7F7F7Fu, 0u);
            packed[3 * k] = char (w >> 16);
            packed[3 * k + 1] = char (w >> 8);
            packed[3 * k + 2] = char (w);
        }
        EXPECT_STREQ (packed, c.packed) << c.text;

        SoundRecord again = r;
        computeFingerprint (&again);
        EXPECT_EQ (fingerprintOf (r), fingerprintOf (again)) << "the fingerprint is computed";
    }
}

TEST (SoundRecord, LayerNames)
{
    struct Case { const char* text; const char* expected; };
    const Case cases[] = {
        { "Strings", "Strings" },
        { "                  ", "" },
        { "", "" },
        { "Synthetic Pad and more", "Synthetic Pad and" },
        { "Pad\xC3\xA9 more", "Pad" },  // stops at a character of 128 or more
        { "  lead", "  lead" },         // only the end is trimmed
    };
    for (const auto& c : cases)
    {
        SoundRecord r = namedRecord ("x");
        ASSERT_NE (fingerprintOf (r), 0u);
        setLayerName (&r, c.text);
        EXPECT_EQ (getLayerName (&r), juce::String (c.expected)) << c.text;
        EXPECT_EQ (fingerprintOf (r), 0u) << "setLayerName clears the fingerprint";
    }

    // Bits outside the seven-bit characters are ignored, and a NUL ends the name.
    SoundRecord r = emptyRecord();
    r.w[SoundRecord::layerName] = 0x80000000u | ('A' << 16) | ('b' << 8) | 0;
    r.w[SoundRecord::layerName + 1] = ('z' << 16) | ('z' << 8) | 'z';
    EXPECT_EQ (getLayerName (&r), juce::String ("Ab"));
}

TEST (SoundRecord, CopyIntoLayerMovesTheSourceAndSetsAMissingMix)
{
    static int refreshes;
    refreshes = 0;
    contentPageRefreshHook = [] { ++refreshes; };

    SoundRecord src = namedRecord ("Strings", 3);
    for (int i = 20; i <= 358; ++i)
        if (i != 112 && (i < 113 || i > 144))
            src.w[i] = 0x10000u + static_cast<uint32_t> (i);
    src.w[SoundRecord::engineType] = 1;
    src.w[SoundRecord::sampleNumber] = 4;

    struct Case { uint32_t mixBefore; uint32_t mixAfter; int refreshes; };
    for (const Case c : { Case { 0, 64, 1 }, Case { 30, 30, 0 } })
    {
        refreshes = 0;
        SoundRecord dst = namedRecord ("Piano", 9);
        dst.w[SoundRecord::layerMix] = c.mixBefore;
        for (int i = 220; i <= 226; ++i)
            dst.w[i] = 0xAA00u + static_cast<uint32_t> (i);
        dst.w[232] = 0xBBBB;
        const SoundRecord before = dst;

        copyIntoLayer (&dst, &src);

        for (int i = 0; i < 13; ++i)
            EXPECT_EQ (dst.w[206 + i], src.w[12 + i]) << "word " << 206 + i;
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ (dst.w[227 + i], src.w[33 + i]);
        for (int i = 0; i < 126; ++i)
            EXPECT_EQ (dst.w[233 + i], src.w[80 + i]);
        for (int i = 220; i <= 226; ++i)
            EXPECT_EQ (dst.w[i], before.w[i]);
        EXPECT_EQ (dst.w[232], 0xBBBBu);
        for (int i = 12; i < 206; ++i)
        {
            if (i != 135)  // the cache word holding CC 73
            {
                EXPECT_EQ (dst.w[i], before.w[i]) << "the sound's own words stay, word " << i;
            }
        }

        EXPECT_EQ (dst.w[SoundRecord::layerMix], c.mixAfter);
        const uint32_t mixSlot = (dst.w[135] >> 16) & 0xFF;  // CC 73's cache slot
        EXPECT_EQ (mixSlot, c.mixBefore == 0 ? 64u : 0xFFu);
        EXPECT_EQ (refreshes, c.refreshes);
        EXPECT_EQ (getLayerName (&dst), juce::String ("Strings"));
        EXPECT_EQ (dst.w[SoundRecord::layerEngineType], 1u);
        EXPECT_EQ (dst.w[SoundRecord::layerSampleNumber], 4u);

        SoundRecord check = dst;
        computeFingerprint (&check);
        EXPECT_EQ (fingerprintOf (dst), fingerprintOf (check)) << "fingerprint of the final content";
    }
    contentPageRefreshHook = nullptr;
}

TEST (SoundRecord, ContainsFingerprint)
{
    SoundVector list;
    const uint32_t zero[2] = { 0, 0 };
    EXPECT_EQ (containsFingerprint (&list, zero), 0);

    list.append (namedRecord ("a", 1));
    list.append (namedRecord ("b", 2));
    const uint32_t second[2] = { list[1].w[0], list[1].w[1] };
    const uint32_t halfMatch[2] = { list[1].w[0], list[0].w[1] };
    EXPECT_EQ (containsFingerprint (&list, second), 1);
    EXPECT_EQ (containsFingerprint (&list, halfMatch), 0);
    EXPECT_EQ (containsFingerprint (&list, zero), 0);

    // Cleared fingerprints match each other.
    setLayerName (&list[0], "x");
    EXPECT_EQ (containsFingerprint (&list, zero), 1);
}

TEST (SoundRecord, FactoryRecognition)
{
    const SoundVector factory = factoryList();
    ASSERT_EQ (factory.size(), 28);
    const SoundRecord& tines = factory[0];
    EXPECT_STREQ (tines.nameText(), "Tines");

    // An unrecognised record is left untouched, its fingerprint computed only when it was 0.
    SoundRecord other = namedRecord ("Mine", 4);
    const SoundRecord before = other;
    applyFactoryNames (&other);
    EXPECT_EQ (std::memcmp (&other, &before, sizeof (other)), 0);

    // A record with factory sound 0's fingerprint: renamed, Sample layer named after its sample.
    struct Case { uint32_t layerEngine; uint32_t sample; const char* layerName; };
    const Case cases[] = {
        { 1, 8, "Synthetic Pad" },
        { 1, 10, "Keep" },        // no such sample: the layer name stays
        { 1, 0xFFFFFFFF, "Keep" },
        { 2, 8, "Keep" },         // not a Sample layer
    };
    for (const auto& c : cases)
    {
        SoundRecord r = emptyRecord();
        setLayerName (&r, "Keep");
        r.w[SoundRecord::layerEngineType] = c.layerEngine;
        r.w[SoundRecord::layerSampleNumber] = c.sample;
        r.w[0] = factoryFingerprints[0];
        r.w[1] = factoryFingerprints[1];  // stored as if computed: recognition looks at it as it stands
        applyFactoryNames (&r);
        EXPECT_STREQ (r.nameText(), "Tines");
        EXPECT_EQ (getLayerName (&r), juce::String (c.layerName));
        SoundRecord check = r;
        computeFingerprint (&check);
        EXPECT_EQ (fingerprintOf (r), fingerprintOf (check));
    }
}

TEST (SoundVector, FindCurrent)
{
    SoundVector v;
    v.current = 5;
    EXPECT_EQ (v.findCurrent(), -1);
    EXPECT_EQ (v.current, 5);
    for (int i = 0; i < 12; ++i)
        v.append (emptyRecord());
    EXPECT_EQ (v.findCurrent(), -1);
    EXPECT_EQ (v.current, 5) << "kept when nothing is selected";
    for (int i : { 9, 3, 4 })
        v[i].setSelected (true);
    EXPECT_EQ (v.findCurrent(), 3);
    EXPECT_EQ (v.current, 3);
}
