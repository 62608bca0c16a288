#include "ConversionOracle.h"
#include "SoundTestSupport.h"

#include <cstring>
#include <gtest/gtest.h>

namespace
{
// A record with every field of the dump in use, including bits that do not travel.
SoundRecord busyRecord()
{
    SoundRecord r = emptyRecord();
    setSoundName (&r, "Busy Sound");
    for (int i = 18; i <= 37; ++i)
        r.w[i] = 0x100u * static_cast<uint32_t> (i) + static_cast<uint32_t> (i * 5);
    for (int i = 38; i <= 358; ++i)
        r.w[i] = 0x9E3779B9u * static_cast<uint32_t> (i);
    r.w[SoundRecord::cacheMarker] = 0xCEEDEE;
    r.w[400] = 7;
    return r;
}

int sumOf (const std::vector<uint8_t>& d, int from, int to)
{
    int s = 0;
    for (int i = from; i <= to; ++i)
        s += d[static_cast<size_t> (i)];
    return s;
}

// A dump cut short: the F7 put at position end, then bytes the parse must not take.
std::vector<uint8_t> shortDump (const SoundRecord& r, int end, uint8_t filler)
{
    std::vector<uint8_t> d = dumpOf (r);
    d.resize (static_cast<size_t> (end));
    int sum = sumOf (d, 1, end - 2);
    d[static_cast<size_t> (end - 1)] = static_cast<uint8_t> (-sum & 0x7F);
    d.push_back (0xF7);
    d.resize (1400, filler);
    d.push_back (0xF7);
    return d;
}
} // namespace

// The dump byte by byte as the instrument reads it, worked out here from the record's words.
TEST (SoundDump, EncodeLayout)
{
    SoundRecord r = busyRecord();
    r.w[13] |= 0xFF808080u;  // bits outside the three seven-bit characters do not travel
    const SoundRecord before = r;
    std::vector<uint8_t> d (soundDumpLength + 4, 0xEE);
    EXPECT_EQ (encodeSoundDump (&r, d.data(), 0x85), soundDumpLength);
    EXPECT_EQ (std::memcmp (&r, &before, sizeof (r)), 0);
    EXPECT_EQ (d[soundDumpLength], 0xEE) << "nothing written past the dump";

    std::vector<uint8_t> expected = { 0xF0, 0x7D, 0x2B, 0x7F, 0x10, 0x05 };
    for (int k = 0; k < 6; ++k)
        for (int shift : { 16, 8, 0 })
            expected.push_back (static_cast<uint8_t> ((r.w[12 + k] >> shift) & 0x7F));
    for (int i = 18; i <= 37; ++i)
        expected.push_back (static_cast<uint8_t> (r.w[i] & 0x7F));
    for (int i = 38; i <= 358; ++i)
        for (int shift : { 18, 12, 6, 0 })
            expected.push_back (static_cast<uint8_t> ((r.w[i] >> shift) & 0x3F));
    ASSERT_EQ (expected.size(), 1328u);
    expected.push_back (static_cast<uint8_t> (-sumOf (expected, 1, 1327) & 0x7F));
    expected.push_back (0xF7);
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ (d[i], expected[i]) << "byte " << i;

    const uint8_t head[] = { 0xF0, 0x7D, 0x2B, 0x7F, 0x10, 0x05, 'B', 'u', 's', 'y' };
    EXPECT_EQ (std::memcmp (d.data(), head, sizeof (head)), 0);
    EXPECT_EQ (sumOf (d, 1, 1328) % 128, 0);
    for (int i = 1; i < 1329; ++i)
        EXPECT_LT (d[static_cast<size_t> (i)], 0x80) << i;
}

// The fingerprint worked out by hand in these tests matches the known vector, and so may
// stand as the expected value of the fingerprints below.
TEST (SoundDump, FingerprintOfTheKnownVector)
{
    SoundRecord r = emptyRecord();
    r.w[12] = ('a' << 16) | ('b' << 8) | 'c';
    for (int k = 13; k <= 17; ++k)
        r.w[k] = 0x202020;
    EXPECT_EQ (oracle::fingerprint (r.w), 0x962D4B7F70F1D3D7ull);
}

TEST (SoundDump, RoundTrip)
{
    const SoundRecord r = busyRecord();
    const auto d = dumpOf (r, 127);
    SoundRecord p = emptyRecord();
    std::memset (p.w + 359, 0x5A, (1012 - 359) * 4);
    p.setSelected (true);
    p.setOrderIndex (42);
    std::memset (p.nameText() + 19, 'q', 13);
    ASSERT_EQ (parseSoundDump (&p, d.data()), 127) << "the program byte comes back";

    for (int i = 12; i <= 17; ++i)
        EXPECT_EQ (p.w[i], r.w[i]);
    for (int i = 18; i <= 37; ++i)
        EXPECT_EQ (p.w[i], r.w[i] & 0x7F);
    for (int i = 38; i <= 358; ++i)
        EXPECT_EQ (p.w[i], r.w[i] & 0xFFFFFF) << "word " << i;
    for (int i = 359; i < 1012; ++i)
        ASSERT_EQ (p.w[i], 0u) << "word " << i;
    EXPECT_EQ (std::string (p.nameText()), "Busy Sound        ") << "the 18 packed characters, spaces included";
    EXPECT_EQ (p.nameText()[19], 'q');
    EXPECT_TRUE (p.isSelected());
    EXPECT_EQ (p.getOrderIndex(), 42);
    EXPECT_EQ (fingerprintOf (p), oracle::fingerprint (p.w)) << "the parse leaves the fingerprint of what it read";
    EXPECT_NE (fingerprintOf (p), 0u);
}

TEST (SoundDump, ChecksumGuardsEveryDataByte)
{
    const auto good = dumpOf (busyRecord());
    for (int pos = 1; pos < 1328; pos += 1)
    {
        auto d = good;
        d[static_cast<size_t> (pos)] ^= 0x01;
        SoundRecord p = emptyRecord();
        const SoundRecord before = p;
        ASSERT_EQ (parseSoundDump (&p, d.data()), -1) << "byte " << pos;
        ASSERT_EQ (std::memcmp (&p, &before, sizeof (p)), 0) << "a refused dump changes nothing";
        d[1328] = 0x7F;  // turns the test off; the header checks still apply
        const int expected = pos <= 2 ? -2 : pos == 4 ? -3 : pos == 5 ? (good[5] ^ 1) : 0;
        ASSERT_EQ (parseSoundDump (&p, d.data()), expected) << "byte " << pos;
    }
}

TEST (SoundDump, RefusedDumps)
{
    const auto good = dumpOf (busyRecord());
    auto fixSum = [] (std::vector<uint8_t>& d) {
        d[1328] = static_cast<uint8_t> (-sumOf (d, 1, 1327) & 0x7F);
    };
    struct Case { const char* what; int pos; uint8_t value; bool resum; int expected; };
    const Case cases[] = {
        { "device byte 0", 3, 0x00, true, 0 },
        { "command 0x11", 4, 0x11, true, -3 },
        { "model byte", 2, 0x2C, true, -2 },
        { "manufacturer", 1, 0x7E, true, -2 },
        { "no F0", 0, 0xF1, true, -2 },
        { "byte 1 a status byte", 1, 0x80, false, -2 },
        { "bad checksum before bad header", 2, 0x2C, false, -1 },
    };
    for (const auto& c : cases)
    {
        auto d = good;
        d[static_cast<size_t> (c.pos)] = c.value;
        if (c.resum)
            fixSum (d);
        SoundRecord p = emptyRecord();
        const SoundRecord before = p;
        EXPECT_EQ (parseSoundDump (&p, d.data()), c.expected) << c.what;
        if (c.expected < 0)
        {
            EXPECT_EQ (std::memcmp (&p, &before, sizeof (p)), 0) << c.what;
        }
    }
}

TEST (SoundDump, ShortDumps)
{
    const SoundRecord r = busyRecord();
    SoundRecord p = emptyRecord();
    EXPECT_EQ (parseSoundDump (&p, shortDump (r, 1280, 0x11).data()), -4);
    EXPECT_EQ (parseSoundDump (&p, shortDump (r, 1279, 0x11).data()), -4);

    // Accepted short dumps read nothing from after their end: the missing bytes count as 0.
    for (int end : { 1281, 1300, 1328 })
    {
        SoundRecord q = emptyRecord();
        const auto d = shortDump (r, end, 0x3F);
        ASSERT_EQ (parseSoundDump (&q, d.data()), 0) << end;
        const int lastWhole = (end - 1 - 44) / 4;  // raw words whose four bytes precede the checksum
        for (int j = 0; j < lastWhole; ++j)
            ASSERT_EQ (q.w[38 + j], r.w[38 + j] & 0xFFFFFF) << end << " word " << 38 + j;
        for (int j = (end - 44 + 3) / 4; j < 321; ++j)
            ASSERT_EQ (q.w[38 + j], 0u) << end << " word " << 38 + j;
    }

    // The scan stops at 1400 when no terminator comes.
    std::vector<uint8_t> longer = dumpOf (r);
    longer.pop_back();
    longer.resize (1500, 0);
    longer[1450] = 0xF7;
    SoundRecord q = emptyRecord();
    EXPECT_EQ (parseSoundDump (&q, longer.data()), 0);
}
