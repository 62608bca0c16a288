// Which sounds a load takes for sounds it holds already. The fingerprint is linear: two sounds
// that differ in two neighbouring words, by d and by 2d, share it, and both must be kept.
#include "SoundTestSupport.h"
#include "sound/StoringRules.h"

#include <gtest/gtest.h>

namespace
{
// The fingerprint as the record's description gives it: x starts at 1; for each of the words 12
// to 358 it is shifted left by one, XORed with 0x0102040810204081 when its top bit fell out, and
// XORed with the word.
uint64_t fingerprintByTheBook (const SoundRecord& r)
{
    uint64_t x = 1;
    for (int k = 12; k <= 358; ++k)
    {
        const bool top = (x >> 63) != 0;
        x <<= 1;
        if (top)
            x ^= 0x0102040810204081ull;
        x ^= r.w[k];
    }
    return x;
}

// Two sounds alike but for the seven-bit values of words 20 and 21: 0, 0 and 1, 2.
struct Twins
{
    SoundRecord a = namedRecord ("Twin", 9), b;
    Twins()
    {
        a.w[20] = 0;
        a.w[21] = 0;
        computeFingerprint (&a);
        b = a;
        b.w[20] = 1;
        b.w[21] = 2;
        computeFingerprint (&b);
    }
};

std::vector<uint32_t> word20s (const SoundVector& v)
{
    std::vector<uint32_t> values;
    for (const auto& r : v.records)
        values.push_back (r.w[20]);
    return values;
}
} // namespace

TEST (SameSound, TheTwinsShareTheirFingerprintButNotTheirDumps)
{
    const Twins t;
    EXPECT_EQ (fingerprintByTheBook (t.a), fingerprintByTheBook (t.b));
    EXPECT_EQ (fingerprintOf (t.a), fingerprintOf (t.b));
    EXPECT_EQ (savedFingerprint (&t.a), savedFingerprint (&t.b));

    // Their dumps differ in the two values (bytes 24 + 2 and 24 + 3) and in the checksum (1328).
    const auto da = dumpOf (t.a), db = dumpOf (t.b);
    std::vector<int> differ;
    for (int i = 0; i < soundDumpLength; ++i)
        if (da[static_cast<size_t> (i)] != db[static_cast<size_t> (i)])
            differ.push_back (i);
    EXPECT_EQ (differ, (std::vector<int> { 26, 27, 1328 }));
    EXPECT_EQ (da[26], 0);
    EXPECT_EQ (da[27], 0);
    EXPECT_EQ (db[26], 1);
    EXPECT_EQ (db[27], 2);
}

// Each twin is a sound of its own wherever a load asks whether a sound is there already; a sound
// saved twice, at two program numbers, is still one sound.
TEST (SameSound, LoadsKeepBothTwinsAndOneCopyOfASound)
{
    const Twins t;
    const auto a = dumpOf (t.a, 0), b = dumpOf (t.b, 1), aAgain = dumpOf (t.a, 5);
    const SoundRecord other = namedRecord ("Other", 3);

    struct Case
    {
        const char* what;
        std::vector<SoundRecord> list;
        std::vector<uint8_t> file;
        bool append, fromMemory;
        int stored;
        std::vector<uint32_t> word20;  // of the list afterwards
    };
    const Case cases[] = {
        { "an empty library loads both", {}, joined ({ a, b }), true, false, 2, { 0, 1 } },
        { "a library holding one loads the other", { t.a }, joined ({ b }), true, false, 1, { 0, 1 } },
        { "a library holding one loads both", { t.b }, joined ({ a, b }), true, false, 1, { 1, 0 } },
        { "the user list: the second goes past its end", { other }, joined ({ a, b }), false, false, 2, { 0, 1 } },
        { "the user list, empty", {}, joined ({ a, b }), false, false, 2, { 0, 1 } },
        { "the memory import", {}, joined ({ a, b }), true, true, 2, { 0, 1 } },
        { "one sound at two programs", {}, joined ({ a, aAgain }), true, false, 1, { 0 } },
        { "one sound at two programs, past the user list's end", { other }, joined ({ b, a, aAgain }), false, false, 2, { 1, 0 } },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        SoundVector v;
        v.records = c.list;
        int stored;
        if (c.fromMemory)
        {
            stored = importSoundDumps (&v, c.file.data(), static_cast<int> (c.file.size()), c.append);
        }
        else
        {
            TempDir dir;
            writeFile (dir.file ("twins.ksx"), c.file);
            stored = loadSoundFile (&v, dir.file ("twins.ksx").c_str(), c.append);
        }
        EXPECT_EQ (stored, c.stored);
        EXPECT_EQ (word20s (v), c.word20);
    }
}
