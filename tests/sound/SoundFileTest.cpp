#include "SoundTestSupport.h"

#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>

namespace
{
SoundVector listOf (int n, int seed = 0)
{
    SoundVector v;
    for (int i = 0; i < n; ++i)
        v.append (namedRecord (("Sound " + std::to_string (i)).c_str(), seed + i));
    return v;
}

std::vector<uint8_t> dumpsOf (int n, int seed)
{
    std::vector<uint8_t> bytes;
    for (int i = 0; i < n; ++i)
        append (bytes, dumpOf (namedRecord (("Dump " + std::to_string (i)).c_str(), seed + i), static_cast<uint8_t> (i)));
    return bytes;
}

// The file loader and the memory import must agree wherever the memory import has no rule of its own.
int loadBytes (SoundVector* v, const std::vector<uint8_t>& bytes, bool append)
{
    TempDir dir;
    writeFile (dir.file ("x.ksx"), bytes);
    return loadSoundFile (v, dir.file ("x.ksx").c_str(), append);
}

std::vector<std::string> namesOf (const SoundVector& v)
{
    std::vector<std::string> names;
    for (const auto& r : v.records)
        names.emplace_back (r.nameText());
    return names;
}
} // namespace

TEST (SoundFile, SaveWritesTheDumpsInListOrder)
{
    TempDir dir;
    SoundVector v = listOf (3);
    EXPECT_EQ (saveSoundFile (&v, dir.file ("three.ksx").c_str()), 3990);
    const auto bytes = readFile (dir.file ("three.ksx"));
    ASSERT_EQ (bytes.size(), 3990u);
    for (int i = 0; i < 3; ++i)
    {
        const uint8_t* d = bytes.data() + i * soundDumpLength;
        EXPECT_EQ (d[3], 0x7F);
        EXPECT_EQ (d[4], 0x10);
        EXPECT_EQ (d[5], i);
        SoundRecord p = emptyRecord();
        EXPECT_EQ (parseSoundDump (&p, d), i);
        EXPECT_EQ (fingerprintOf (p), fingerprintOf (v[i])) << "the list holds what the file holds";
    }

    // Loaded without append into a list of 28: records 0..2 replaced, 3..27 kept, selection kept.
    SoundVector factory = factoryList();
    factory[1].setSelected (true);
    const SoundRecord seventh = factory[7];
    EXPECT_EQ (loadSoundFile (&factory, dir.file ("three.ksx").c_str(), false), 3);
    ASSERT_EQ (factory.size(), 28);
    EXPECT_EQ (std::string (factory[2].nameText()).substr (0, 7), "Sound 2");
    EXPECT_TRUE (factory[1].isSelected());
    EXPECT_EQ (std::memcmp (&factory[7], &seventh, sizeof (seventh)), 0);
}

TEST (SoundFile, SaveNormalisesAndNumbersModulo128)
{
    TempDir dir;
    SoundVector v = listOf (130);
    v[5].w[0] = v[5].w[1] = 0;
    EXPECT_EQ (saveSoundFile (&v, dir.file ("many.ksx").c_str()), 130 * soundDumpLength);
    const auto bytes = readFile (dir.file ("many.ksx"));
    ASSERT_EQ (bytes.size(), 130u * soundDumpLength);
    for (int i : { 0, 1, 127, 128, 129 })
        EXPECT_EQ (bytes[static_cast<size_t> (i * soundDumpLength + 5)], i & 0x7F);
    EXPECT_NE (fingerprintOf (v[5]), 0u) << "a cleared fingerprint is computed";
    EXPECT_EQ (getCc (&v[5], 50, false), 76);
    EXPECT_LT ((v[5].w[119] >> 16) & 0xFF, 0x80u) << "CC 50's slot was filled";
}

TEST (SoundFile, SaveFailures)
{
    TempDir dir;
    SoundVector empty;
    writeFile (dir.file ("old.ksx"), { 1, 2, 3 });
    EXPECT_EQ (saveSoundFile (&empty, dir.file ("old.ksx").c_str()), -1);
    EXPECT_EQ (readFile (dir.file ("old.ksx")), (std::vector<uint8_t> { 1, 2, 3 }));
    EXPECT_EQ (saveSoundFile (&empty, dir.file ("new.ksx").c_str()), -1);
    EXPECT_EQ (access (dir.file ("new.ksx").c_str(), F_OK), -1) << "no file created";

    SoundVector v = listOf (3);
    EXPECT_EQ (saveSoundFile (&v, dir.file ("missing/x.ksx").c_str()), -2);
    EXPECT_EQ (saveSoundFile (&v, dir.path.c_str()), -2) << "a folder is not replaced";

    // A write that fails half-way leaves the old file byte for byte and no temporary file.
    std::signal (SIGXFSZ, SIG_IGN);
    rlimit old {};
    getrlimit (RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 2000;
    ASSERT_EQ (setrlimit (RLIMIT_FSIZE, &small), 0);
    const int result = saveSoundFile (&v, dir.file ("old.ksx").c_str());
    setrlimit (RLIMIT_FSIZE, &old);
    EXPECT_EQ (result, -2);
    EXPECT_EQ (readFile (dir.file ("old.ksx")), (std::vector<uint8_t> { 1, 2, 3 }));
    int entries = 0;
    if (FILE* ls = popen (("ls -A '" + dir.path + "'").c_str(), "r"))
    {
        char line[512];
        while (std::fgets (line, sizeof (line), ls) != nullptr)
            ++entries;
        pclose (ls);
    }
    EXPECT_EQ (entries, 1) << "only old.ksx is left";

    // And a save that works replaces it.
    EXPECT_EQ (saveSoundFile (&v, dir.file ("old.ksx").c_str()), 3990);
    EXPECT_EQ (readFile (dir.file ("old.ksx")).size(), 3990u);
}

TEST (SoundFile, SaveThroughALinkReplacesTheLinkedFile)
{
    TempDir dir;
    writeFile (dir.file ("real.ksx"), { 9 });
    ASSERT_EQ (symlink ("real.ksx", dir.file ("link.ksx").c_str()), 0);
    SoundVector v = listOf (1);
    EXPECT_EQ (saveSoundFile (&v, dir.file ("link.ksx").c_str()), soundDumpLength);
    struct stat st {};
    ASSERT_EQ (lstat (dir.file ("link.ksx").c_str(), &st), 0);
    EXPECT_TRUE (S_ISLNK (st.st_mode));
    EXPECT_EQ (readFile (dir.file ("real.ksx")).size(), static_cast<size_t> (soundDumpLength));
}

TEST (SoundFile, LoadBasics)
{
    SoundVector v = listOf (2);
    EXPECT_EQ (loadSoundFile (&v, "/nonexistent/file.ksx", true), -2);
    EXPECT_EQ (v.size(), 2);
    EXPECT_EQ (loadBytes (&v, {}, true), 0);
    EXPECT_EQ (loadBytes (&v, {}, false), 0);
    EXPECT_EQ (v.size(), 2);

    // Twice with append: the sounds arrive once.
    const auto file = dumpsOf (4, 100);
    EXPECT_EQ (loadBytes (&v, file, true), 4);
    EXPECT_EQ (loadBytes (&v, file, true), 0);
    EXPECT_EQ (v.size(), 6);

    // Without append, past the end of the list the duplicate test applies too.
    SoundVector w = listOf (1, 100);
    const auto two = dumpsOf (3, 100);  // its first dump replaces record 0, the others are new
    EXPECT_EQ (loadBytes (&w, two, false), 3);
    EXPECT_EQ (w.size(), 3);
}

TEST (SoundFile, ListSavedAndLoadedBackAddsNothing)
{
    TempDir dir;
    SoundVector v = factoryList();
    for (int i = 0; i < v.size(); ++i)
        setCc (&v[i], 88, i, true);  // negative raw words among them
    setCc (&v[3], 42, 0, true);
    ASSERT_EQ (saveSoundFile (&v, dir.file ("all.ksx").c_str()), 28 * soundDumpLength);
    EXPECT_EQ (loadSoundFile (&v, dir.file ("all.ksx").c_str(), true), 0);
    EXPECT_EQ (v.size(), 28);
}

// An edit may leave a record's stored fingerprint behind (an FM bar has no conversion row): the
// file's original is still a sound the list lacks.
TEST (SoundFile, AnEditedSoundDoesNotHideItsOriginalInAFile)
{
    const struct { const char* what; int cc, value; } edits[] = {
        { "FM bar", 60, 5 }, { "CC 89", 89, 3 }, { "CC 17", 17, 100 }, { "engine", 22, 2 },
    };
    for (const auto& e : edits)
    {
        SCOPED_TRACE (e.what);
        TempDir dir;
        SoundVector original = factoryList();
        original.records.resize (1);
        ASSERT_EQ (saveSoundFile (&original, dir.file ("one.ksx").c_str()), soundDumpLength);
        SoundVector v = original;
        setCc (&v[0], e.cc, e.value, true);
        ASSERT_NE (fingerprintOfContent (&v[0]), fingerprintOfContent (&original[0]));
        EXPECT_EQ (loadSoundFile (&v, dir.file ("one.ksx").c_str(), true), 1);
        ASSERT_EQ (v.size(), 2);
        EXPECT_EQ (fingerprintOfContent (&v[1]), fingerprintOfContent (&original[0]));
        EXPECT_EQ (loadSoundFile (&v, dir.file ("one.ksx").c_str(), true), 0);  // now it is there
    }
}

TEST (SoundFile, StandardMidiFileEvents)
{
    const SoundRecord r = namedRecord ("From SMF", 5);
    const auto dump = dumpOf (r, 3);
    std::vector<uint8_t> smf = { 'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 0x60,
                                 'M', 'T', 'r', 'k', 0, 0, 0x05, 0x40, 0x00, 0xF0, 0x8A, 0x31 };
    smf.insert (smf.end(), dump.begin() + 1, dump.end());  // 7D 2B .. F7
    append (smf, { 0x00, 0xFF, 0x2F, 0x00 });
    SoundVector v;
    EXPECT_EQ (loadBytes (&v, smf, true), 1);
    ASSERT_EQ (v.size(), 1);
    EXPECT_EQ (fingerprintOf (v[0]), fingerprintOf (r));

    // The memory import knows only plain dumps.
    SoundVector m;
    EXPECT_EQ (importSoundDumps (&m, smf.data(), static_cast<int> (smf.size()), true), 0);
    EXPECT_EQ (m.size(), 0);
}

TEST (SoundFile, ScanKeepsDumpsNextToJunk)
{
    const auto a = dumpOf (namedRecord ("A", 1));
    const auto b = dumpOf (namedRecord ("B", 2));
    std::vector<uint8_t> truncated (a.begin(), a.begin() + 600);
    std::vector<uint8_t> noEnd = a;
    noEnd.back() = 0x00;
    noEnd.resize (1400, 0x01);  // longer than a dump, no F7

    struct Case { const char* what; std::vector<std::vector<uint8_t>> parts; std::vector<std::string> names; };
    const Case cases[] = {
        { "plain", { a, b }, { "A", "B" } },
        { "junk between", { { 0x00, 0x12, 0xF7 }, a, { 0x90, 0x40, 0x7F, 0xF7 }, b }, { "A", "B" } },
        { "run of F0", { { 0xF0, 0xF0, 0xF0, 0xF0, 0xF0 }, a }, { "A" } },
        { "F0 among the four bytes", { { 0xF0, 0x01, 0x02 }, a }, { "A" } },
        { "F0 as the fourth byte", { { 0xF0, 0x01, 0x02, 0x03 }, a, b }, { "A", "B" } },
        { "truncated dump then a dump", { truncated, b }, { "B" } },
        { "status byte in the header", { { 0xF0, 0x7D, 0x90 }, a }, { "A" } },
        { "over-long message then a dump", { noEnd, b }, { "B" } },
        { "file ends inside a dump", { a, truncated }, { "A" } },
        { "F0 7D without F7", { { 0xF0, 0x7D, 0x2B, 0x7F, 0x10 }, std::vector<uint8_t> (2000, 0x22) }, {} },
    };
    for (const auto& c : cases)
    {
        std::vector<uint8_t> bytes;
        for (const auto& p : c.parts)
            append (bytes, p);
        SoundVector v;
        EXPECT_EQ (loadBytes (&v, bytes, true), static_cast<int> (c.names.size())) << c.what;
        std::vector<std::string> got;
        for (const auto& n : namesOf (v))
            got.push_back (n.substr (0, n.find (' ')));
        EXPECT_EQ (got, c.names) << c.what;
    }
}

TEST (SoundFile, RefusedDumpsAreNeverStored)
{
    auto badSum = dumpOf (namedRecord ("Bad", 7));
    badSum[100] ^= 1;
    auto badModel = dumpOf (namedRecord ("Model", 8));
    badModel[2] = 0x2C;
    badModel[1328] = static_cast<uint8_t> ((badModel[1328] - 1) & 0x7F);
    auto badCommand = dumpOf (namedRecord ("Cmd", 9));
    badCommand[4] = 0x11;
    badCommand[1328] = static_cast<uint8_t> ((badCommand[1328] - 1) & 0x7F);
    std::vector<uint8_t> tooShort = dumpOf (namedRecord ("Short", 11));
    tooShort.resize (1000);
    tooShort.back() = 0x7F;
    tooShort.push_back (0xF7);
    const auto good = dumpOf (namedRecord ("Good", 10));

    // Appending: nothing refused is added, not even an empty record.
    for (bool useFile : { true, false })
    {
        SoundVector v;
        std::vector<uint8_t> bytes = badSum;
        append (bytes, badModel);
        append (bytes, badCommand);
        append (bytes, tooShort);
        append (bytes, good);
        const int n = useFile ? loadBytes (&v, bytes, true)
                              : importSoundDumps (&v, bytes.data(), static_cast<int> (bytes.size()), true);
        EXPECT_EQ (n, 1);
        EXPECT_EQ (namesOf (v), (std::vector<std::string> { "Good              " }));
    }

    // Overwriting: a damaged dump keeps its program's slot, a message that is no sound dump takes none.
    for (bool useFile : { true, false })
    {
        SoundVector v = listOf (4);
        const SoundVector before = v;
        std::vector<uint8_t> bytes = badSum;  // slot 0, left as it was
        append (bytes, badModel);             // no slot
        append (bytes, badCommand);           // no slot
        append (bytes, tooShort);             // slot 1, left as it was
        append (bytes, good);                 // slot 2
        const int n = useFile ? loadBytes (&v, bytes, false)
                              : importSoundDumps (&v, bytes.data(), static_cast<int> (bytes.size()), false);
        EXPECT_EQ (n, 1);
        ASSERT_EQ (v.size(), 4);
        EXPECT_EQ (std::memcmp (&v[0], &before[0], sizeof (SoundRecord)), 0);
        EXPECT_EQ (std::memcmp (&v[1], &before[1], sizeof (SoundRecord)), 0);
        EXPECT_EQ (std::string (v[2].nameText()), "Good              ");
        EXPECT_EQ (std::memcmp (&v[3], &before[3], sizeof (SoundRecord)), 0);
    }
}

TEST (SoundImport, MemoryScan)
{
    const auto a = dumpOf (namedRecord ("A", 1));
    const auto b = dumpOf (namedRecord ("B", 2));
    struct Case { const char* what; std::vector<std::vector<uint8_t>> parts; int result; int size; };
    const Case cases[] = {
        { "two dumps", { a, b }, 2, 2 },
        { "junk around", { { 0x01, 0xF7, 0x80 }, a, { 0x33 } }, 1, 1 },
        { "F0 not followed by 7D ends the import", { a, { 0xF0, 0x00 }, b }, 0, 1 },
        { "F0 as the last byte", { a, { 0xF0 } }, 1, 1 },
        { "F0 7D without F7", { { 0xF0, 0x7D, 0x2B }, std::vector<uint8_t> (1400, 0x05) }, 0, 0 },
        { "F0 7D without F7, a dump inside", { { 0xF0, 0x7D, 0x2B, 0x00 }, a }, 1, 1 },
        { "F7 too close", { { 0xF0, 0x7D, 0x2B, 0x7F, 0xF7 }, b }, 1, 1 },
        { "truncated at the end", { a, std::vector<uint8_t> (b.begin(), b.begin() + 700) }, 1, 1 },
    };
    for (const auto& c : cases)
    {
        std::vector<uint8_t> bytes;
        for (const auto& p : c.parts)
            append (bytes, p);
        // An exact-size heap copy, so that a read past the end is caught by the sanitizer.
        std::unique_ptr<uint8_t[]> exact (new uint8_t[bytes.size()]);
        std::memcpy (exact.get(), bytes.data(), bytes.size());
        SoundVector v;
        EXPECT_EQ (importSoundDumps (&v, exact.get(), static_cast<int> (bytes.size()), true), c.result) << c.what;
        EXPECT_EQ (v.size(), c.size) << c.what;
    }
}

TEST (SoundImport, ShortDumpInMemoryReadsNothingAfterIt)
{
    // F7 at 1290: accepted, and the fields after it come out as 0 whatever follows in the buffer.
    const SoundRecord r = namedRecord ("Short", 3);
    std::vector<uint8_t> d = dumpOf (r);
    d.resize (1290);
    d[1289] = 0x7F;  // no checksum test
    d.push_back (0xF7);
    std::unique_ptr<uint8_t[]> exact (new uint8_t[d.size()]);
    std::memcpy (exact.get(), d.data(), d.size());
    SoundVector v;
    ASSERT_EQ (importSoundDumps (&v, exact.get(), static_cast<int> (d.size()), true), 1);
    for (int i = (1290 - 44 + 3) / 4 + 38; i <= 358; ++i)
        EXPECT_EQ (v[0].w[i], 0u) << "word " << i;
}

TEST (SoundImport, RandomBytesNeverBreakTheLoaders)
{
    std::mt19937 rng (1234);
    const auto a = dumpOf (namedRecord ("A", 1));
    for (int round = 0; round < 200; ++round)
    {
        std::vector<uint8_t> bytes (static_cast<size_t> (rng() % 5000));
        for (auto& x : bytes)
        {
            const uint32_t pick = rng() % 16;
            x = pick == 0 ? 0xF0 : pick == 1 ? 0x7D : pick == 2 ? 0xF7 : static_cast<uint8_t> (rng());
        }
        if (round % 3 == 0 && bytes.size() > 2000)
            std::copy (a.begin(), a.end(), bytes.begin() + static_cast<long> (rng() % (bytes.size() - 1330)));
        SoundVector v = listOf (2);
        std::unique_ptr<uint8_t[]> exact (new uint8_t[bytes.size() + 1]);
        if (! bytes.empty())
            std::memcpy (exact.get(), bytes.data(), bytes.size());
        const int n = importSoundDumps (&v, exact.get(), static_cast<int> (bytes.size()), round % 2 == 0);
        EXPECT_GE (n, 0);
        EXPECT_GE (v.size(), 2);
        const int m = loadBytes (&v, bytes, round % 2 == 1);
        EXPECT_GE (m, 0);
    }
}
