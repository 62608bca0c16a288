#include "SoundTestSupport.h"

#include <algorithm>
#include <climits>
#include <csignal>
#include <dirent.h>
#include <functional>
#include <grp.h>
#include <sys/wait.h>
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

// Random bytes, some holding a whole dump: both loaders, both storing modes. What a load reports
// is what it added, the sounds that were there are untouched by an append, nothing stored twice,
// and the file scan always finds the whole dump, whatever the bytes before it.
TEST (SoundImport, RandomBytesNeverBreakTheLoaders)
{
    std::mt19937 rng (1234);
    const auto a = dumpOf (namedRecord ("A", 1));
    SoundRecord parsedA = emptyRecord();
    ASSERT_EQ (parseSoundDump (&parsedA, a.data()), 0);
    const uint64_t soundA = savedFingerprint (&parsedA);
    int withA = 0;
    for (int round = 0; round < 200; ++round)
    {
        SCOPED_TRACE (testing::Message() << "round " << round);
        std::vector<uint8_t> bytes (static_cast<size_t> (rng() % 5000));
        for (auto& x : bytes)
        {
            const uint32_t pick = rng() % 16;
            x = pick == 0 ? 0xF0 : pick == 1 ? 0x7D : pick == 2 ? 0xF7 : pick == 3 ? 0x2B : static_cast<uint8_t> (rng());
        }
        const bool holdsA = round % 3 == 0 && bytes.size() > 2000;
        if (holdsA)
        {
            std::copy (a.begin(), a.end(), bytes.begin() + static_cast<long> (rng() % (bytes.size() - 1330)));
            ++withA;
        }
        std::unique_ptr<uint8_t[]> exact (new uint8_t[bytes.size() + 1]);
        if (! bytes.empty())
            std::memcpy (exact.get(), bytes.data(), bytes.size());

        for (bool useFile : { false, true })
            for (bool append : { false, true })
            {
                SCOPED_TRACE (testing::Message() << (useFile ? "file" : "memory") << ", append " << append);
                const SoundVector before = listOf (2);
                SoundVector v = before;
                const int n = useFile ? loadBytes (&v, bytes, append)
                                      : importSoundDumps (&v, exact.get(), static_cast<int> (bytes.size()), append);
                ASSERT_GE (n, 0);
                const int added = v.size() - before.size();
                if (append)
                {
                    EXPECT_EQ (added, n);
                    EXPECT_EQ (std::memcmp (v.records.data(), before.records.data(), 2 * sizeof (SoundRecord)), 0);
                }
                else
                {
                    EXPECT_LE (added, n);
                    EXPECT_GE (added, n - 2);
                }
                std::vector<uint64_t> appended;
                for (int i = 2; i < v.size(); ++i)
                    appended.push_back (savedFingerprint (&v[i]));
                std::sort (appended.begin(), appended.end());
                EXPECT_EQ (std::adjacent_find (appended.begin(), appended.end()), appended.end()) << "a sound appended twice";
                if (useFile && holdsA)
                {
                    bool found = false;
                    for (const auto& r : v.records)
                        found = found || savedFingerprint (&r) == soundA;
                    EXPECT_TRUE (found) << "the whole dump in the bytes was not loaded";
                }
            }
    }
    EXPECT_GT (withA, 10);
}

//==============================================================================
namespace
{
// A list's names without the spaces that pad a packed name.
std::vector<std::string> trimmedNames (const SoundVector& v)
{
    std::vector<std::string> names;
    for (const auto& r : v.records)
    {
        std::string n = r.nameText();
        n.erase (n.find_last_not_of (' ') + 1);
        names.push_back (n);
    }
    return names;
}

std::vector<uint8_t> namedDump (const char* name, int seed)
{
    return dumpOf (namedRecord (name, seed), static_cast<uint8_t> (seed & 0x7F));
}
} // namespace

// Five dumps loaded with append off into a list of eight, the third of them damaged: every dump
// stays at its own place in file order, the damaged one's place keeps its old sound, whatever ends
// the damaged message.
TEST (SoundFilePlaces, ADamagedDumpKeepsItsPlace)
{
    const auto d2 = namedDump ("D2", 2);
    auto with = [&d2] (std::function<void (std::vector<uint8_t>&)> damage) {
        auto d = d2;
        damage (d);
        return d;
    };
    struct Case { const char* what; std::vector<uint8_t> damaged; };
    const Case cases[] = {
        { "a data byte of 0x85", with ([] (auto& d) { d[500] = 0x85; }) },
        { "an F0 in the data", with ([] (auto& d) { d[500] = 0xF0; }) },
        { "active sensing between two data bytes", with ([] (auto& d) { d.insert (d.begin() + 500, 0xFE); }) },
        { "a note-on status in the data", with ([] (auto& d) { d[500] = 0x90; }) },
        { "cut short, the next dump right after", with ([] (auto& d) { d.resize (600); }) },
        { "its F7 replaced by a status byte", with ([] (auto& d) { d.back() = 0x90; }) },
        { "its F7 missing", with ([] (auto& d) { d.pop_back(); }) },
        { "its F7 replaced by a data byte", with ([] (auto& d) { d.back() = 0x00; }) },
        { "a bad checksum", with ([] (auto& d) { d[1328] ^= 0x01; }) },
        { "an F7 in the data", with ([] (auto& d) { d[500] = 0xF7; }) },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        const auto file = joined ({ namedDump ("D0", 0), namedDump ("D1", 1), c.damaged, namedDump ("D3", 3), namedDump ("D4", 4) });
        SoundVector v = listOf (8);
        EXPECT_EQ (loadBytes (&v, file, false), 4);
        EXPECT_EQ (trimmedNames (v), (std::vector<std::string> { "D0", "D1", "Sound 2", "D3", "D4", "Sound 5", "Sound 6", "Sound 7" }));

        SoundVector appended = listOf (1);
        EXPECT_EQ (loadBytes (&appended, file, true), 4);
        EXPECT_EQ (trimmedNames (appended), (std::vector<std::string> { "Sound 0", "D0", "D1", "D3", "D4" }));
    }
}

// The instrument's other messages in a file (a MIDI monitor's capture, say) take no program's place,
// whatever their checksum.
TEST (SoundFilePlaces, OtherMessagesTakeNoPlace)
{
    std::vector<uint8_t> globalDump = { 0xF0, 0x7D, 0x2B, 0x00, 0x12, 0x40, 0x40, 0x10, 0x7F, 0x00, 0x00 };
    globalDump.resize (21, 0x00);
    append (globalDump, { 0x00, 0xF7 });
    struct Case { const char* what; std::vector<uint8_t> message; };
    const Case cases[] = {
        { "probe", { 0xF0, 0x7D, 0x2B, 0x03, 0x7A, 0xF7 } },
        { "probe answer", { 0xF0, 0x7D, 0x2B, 0x02, 0x7B, 0x11, 0x22, 0xF7 } },
        { "sound request", { 0xF0, 0x7D, 0x2B, 0x7F, 0x00, 0x7F, 0xF7 } },
        { "global request", { 0xF0, 0x7D, 0x2B, 0x7F, 0x02, 0x7F, 0xF7 } },
        { "global dump", globalDump },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        const auto file = joined ({ namedDump ("D0", 0), c.message, namedDump ("D1", 1), c.message, namedDump ("D2", 2) });
        SoundVector v = listOf (5);
        EXPECT_EQ (loadBytes (&v, file, false), 3);
        EXPECT_EQ (trimmedNames (v), (std::vector<std::string> { "D0", "D1", "D2", "Sound 3", "Sound 4" }));
    }
}

// The factory set as every start puts it into the lists, saved today and loaded tomorrow: the
// saved sounds are the same sounds, so nothing is added; and a file's sound that is a list's sound
// with its cache filled is the same sound.
TEST (SoundFilePlaces, SavedSoundsAreTheSameSoundsTheNextDay)
{
    TempDir dir;
    SoundVector today = factoryList();
    ASSERT_EQ (saveSoundFile (&today, dir.file ("lib.ksx").c_str()), 28 * soundDumpLength);

    SoundVector tomorrow = factoryList();
    const SoundVector started = tomorrow;
    EXPECT_EQ (loadSoundFile (&tomorrow, dir.file ("lib.ksx").c_str(), true), 0);
    ASSERT_EQ (tomorrow.size(), 28);
    EXPECT_EQ (std::memcmp (tomorrow.records.data(), started.records.data(), 28 * sizeof (SoundRecord)), 0);

    // Past the end of the list too, and in the other direction: the unsaved sound is no new one
    // for a list that holds its saved form.
    SoundVector few = factoryList();
    few.records.resize (3);
    EXPECT_EQ (loadSoundFile (&few, dir.file ("lib.ksx").c_str(), false), 28);
    EXPECT_EQ (few.size(), 28);
    SoundVector unsaved;
    importSoundDumps (&unsaved, factorySoundSet, factorySoundSetLength, false);
    for (int i = 0; i < 28; ++i)
        EXPECT_EQ (savedFingerprint (&unsaved[i]), savedFingerprint (&few[i])) << "sound " << i;

    // What the load stores is the file's dump as it parses, as ever.
    SoundRecord parsed = emptyRecord();
    const auto bytes = readFile (dir.file ("lib.ksx"));
    ASSERT_EQ (parseSoundDump (&parsed, bytes.data() + 5 * soundDumpLength), 5);
    EXPECT_EQ (std::memcmp (parsed.w + 12, few[5].w + 12, (359 - 12) * sizeof (uint32_t)), 0);
}

namespace
{
std::vector<uint8_t> vlq (uint32_t v)
{
    std::vector<uint8_t> out { static_cast<uint8_t> (v & 0x7F) };
    while ((v >>= 7) != 0)
        out.insert (out.begin(), static_cast<uint8_t> (0x80 | (v & 0x7F)));
    return out;
}

// A chunk with its four-byte length, the true one unless another is given.
std::vector<uint8_t> chunk (const char* id, const std::vector<uint8_t>& body, int64_t claimed = -1)
{
    std::vector<uint8_t> c (id, id + 4);
    const auto n = static_cast<uint32_t> (claimed < 0 ? static_cast<int64_t> (body.size()) : claimed);
    append (c, { static_cast<uint8_t> (n >> 24), static_cast<uint8_t> (n >> 16), static_cast<uint8_t> (n >> 8), static_cast<uint8_t> (n) });
    append (c, body);
    return c;
}

std::vector<uint8_t> midiHeader (int format, int tracks)
{
    return chunk ("MThd", { 0, static_cast<uint8_t> (format), static_cast<uint8_t> (tracks >> 8), static_cast<uint8_t> (tracks), 0, 96 });
}

const std::vector<uint8_t> endOfTrack = { 0x00, 0xFF, 0x2F, 0x00 };

// The dump as one SysEx event: a delta time of 0, F0, the length, the bytes after F0.
std::vector<uint8_t> sysexEvent (const std::vector<uint8_t>& dump)
{
    std::vector<uint8_t> e = { 0x00, 0xF0 };
    append (e, vlq (static_cast<uint32_t> (dump.size() - 1)));
    e.insert (e.end(), dump.begin() + 1, dump.end());
    return e;
}

// The dump as a sequencer records it in packets: an F0 event with the first `first` bytes after
// F0, then F7 events of at most `size` bytes, each after the delta time `delta`.
std::vector<uint8_t> splitSysex (const std::vector<uint8_t>& dump, size_t first, size_t size, const std::vector<uint8_t>& delta)
{
    std::vector<uint8_t> e = { 0x00, 0xF0 };
    append (e, vlq (static_cast<uint32_t> (first)));
    e.insert (e.end(), dump.begin() + 1, dump.begin() + 1 + static_cast<long> (first));
    for (size_t at = 1 + first; at < dump.size(); at += size)
    {
        const size_t n = std::min (size, dump.size() - at);
        append (e, delta);
        e.push_back (0xF7);
        append (e, vlq (static_cast<uint32_t> (n)));
        e.insert (e.end(), dump.begin() + static_cast<long> (at), dump.begin() + static_cast<long> (at + n));
    }
    return e;
}
} // namespace

// Standard MIDI Files as sequencers write them: a dump split into an F0 event and F7 continuation
// events is joined, and the forms that loaded before still load.
TEST (SoundFilePlaces, StandardMidiFiles)
{
    const auto a = namedDump ("A", 1);
    const auto b = namedDump ("B", 2);
    const std::vector<uint8_t> notes = { 0x00, 0x90, 0x3C, 0x40, 0x30, 0x3C, 0x00, 0x30, 0x3E, 0x40 };  // running status
    const std::vector<uint8_t> metas = { 0x00, 0xFF, 0x03, 0x04, 'K', 'e', 'y', 's', 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20 };
    std::vector<uint8_t> manyTracks = midiHeader (1, 10000);
    for (int i = 0; i < 9999; ++i)
        append (manyTracks, chunk ("MTrk", endOfTrack));
    append (manyTracks, chunk ("MTrk", joined ({ sysexEvent (a), endOfTrack })));

    struct Case { const char* what; std::vector<uint8_t> file; std::vector<std::string> names; };
    const Case cases[] = {
        { "format 0, notes and metas around the dump",
          joined ({ midiHeader (0, 1), chunk ("MTrk", joined ({ metas, notes, sysexEvent (a), notes, endOfTrack })) }), { "A" } },
        { "format 1, a tempo track, then two dumps",
          joined ({ midiHeader (1, 2), chunk ("MTrk", joined ({ metas, endOfTrack })),
                    chunk ("MTrk", joined ({ sysexEvent (a), notes, sysexEvent (b), endOfTrack })) }), { "A", "B" } },
        { "a track length that claims too little",
          joined ({ midiHeader (0, 1), chunk ("MTrk", joined ({ sysexEvent (a), endOfTrack }), 4) }), { "A" } },
        { "a track length that claims too much",
          joined ({ midiHeader (0, 1), chunk ("MTrk", joined ({ sysexEvent (a), endOfTrack }), 0x7FFFFFFF) }), { "A" } },
        { "10,000 tracks", manyTracks, { "A" } },
        { "split into packets of 256 bytes",
          joined ({ midiHeader (0, 1), chunk ("MTrk", joined ({ splitSysex (a, 256, 256, { 0x00 }), endOfTrack })) }), { "A" } },
        { "split into packets of 100 bytes, one-byte lengths",
          joined ({ midiHeader (0, 1), chunk ("MTrk", joined ({ splitSysex (a, 100, 100, { 0x00 }), endOfTrack })) }), { "A" } },
        { "split, two-byte delta times",
          joined ({ midiHeader (0, 1), chunk ("MTrk", joined ({ splitSysex (a, 300, 500, { 0x81, 0x40 }), endOfTrack })) }), { "A" } },
        { "split right after 7D 2B",
          joined ({ midiHeader (0, 1), chunk ("MTrk", joined ({ splitSysex (a, 2, 1000, { 0x05 }), endOfTrack })) }), { "A" } },
        { "split, the last event only F7",
          joined ({ midiHeader (0, 1), chunk ("MTrk", joined ({ splitSysex (a, 1328, 1, { 0x00 }), endOfTrack })) }), { "A" } },
        { "two split dumps with notes between",
          joined ({ midiHeader (0, 1), chunk ("MTrk", joined ({ splitSysex (a, 128, 128, { 0x00 }), notes,
                                                              splitSysex (b, 700, 700, { 0x10 }), endOfTrack })) }), { "A", "B" } },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        SoundVector v;
        EXPECT_EQ (loadBytes (&v, c.file, true), static_cast<int> (c.names.size()));
        EXPECT_EQ (trimmedNames (v), c.names);

        // As the content's program places: a file of one split dump overwrites the first sound.
        SoundVector places = listOf (3);
        EXPECT_EQ (loadBytes (&places, c.file, false), static_cast<int> (c.names.size()));
        EXPECT_EQ (trimmedNames (places)[0], c.names[0]);
    }

    // A split dump whose continuation never comes is damaged: it keeps its place, the next dump
    // takes the next one.
    auto cut = splitSysex (a, 256, 256, { 0x00 });
    cut.resize (cut.size() - 900);
    const auto file = joined ({ midiHeader (0, 1), chunk ("MTrk", joined ({ cut, notes, sysexEvent (b), endOfTrack })) });
    SoundVector places = listOf (3);
    EXPECT_EQ (loadBytes (&places, file, false), 1);
    EXPECT_EQ (trimmedNames (places), (std::vector<std::string> { "Sound 0", "B", "Sound 2" }));
}

// Every form in which a Standard MIDI File may hold a dump, written out byte by byte: a length in
// more bytes than it needs, a first packet that ends before 7D 2B (F0 alone too), packets of one
// byte, and a merged track's clock and notes between two packets. Each dump keeps its place.
TEST (SoundFilePlaces, EveryEventFormOfADumpKeepsItsPlace)
{
    const auto a = namedDump ("A", 1);
    const auto b = namedDump ("B", 2);
    const auto from = [&a] (size_t first, size_t end) { return std::vector<uint8_t> (a.begin() + static_cast<long> (first), a.begin() + static_cast<long> (end)); };
    const size_t n = a.size();  // 1330: F0, then 7D 2B .. F7

    std::vector<uint8_t> oneBytePackets = { 0x00, 0xF0, 0x00 };
    for (size_t i = 1; i < n; ++i)
        append (oneBytePackets, { 0x00, 0xF7, 0x01, a[i] });

    struct Case { const char* what; std::vector<uint8_t> event; };
    const Case cases[] = {
        { "a length in two bytes", joined ({ { 0x00, 0xF0, 0x8A, 0x31 }, from (1, n) }) },
        { "a length in three bytes", joined ({ { 0x00, 0xF0, 0x80, 0x8A, 0x31 }, from (1, n) }) },
        { "a length in four bytes", joined ({ { 0x00, 0xF0, 0x80, 0x80, 0x8A, 0x31 }, from (1, n) }) },
        { "F0 alone, then the rest", joined ({ { 0x00, 0xF0, 0x00, 0x00, 0xF7, 0x8A, 0x31 }, from (1, n) }) },
        { "F0 01 7D, then the rest", joined ({ { 0x00, 0xF0, 0x01, 0x7D, 0x00, 0xF7, 0x8A, 0x30 }, from (2, n) }) },
        { "packets of one byte", oneBytePackets },
        { "a clock between two packets",
          joined ({ { 0x00, 0xF0, 0x82, 0x00 }, from (1, 257), { 0x00, 0xF7, 0x01, 0xF8 }, { 0x00, 0xF7, 0x88, 0x31 }, from (257, n) }) },
        { "a note of a merged track between two packets",
          joined ({ { 0x00, 0xF0, 0x82, 0x00 }, from (1, 257), { 0x00, 0x90, 0x3C, 0x40 }, { 0x00, 0xF7, 0x88, 0x31 }, from (257, n) }) },
        { "notes in running status, a clock and a controller between two packets",
          joined ({ { 0x00, 0xF0, 0x82, 0x00 }, from (1, 257),
                    { 0x00, 0x90, 0x3C, 0x40, 0x10, 0x3C, 0x00, 0x00, 0xF7, 0x01, 0xF8, 0x05, 0xB0, 0x40, 0x7F },
                    { 0x00, 0xF7, 0x88, 0x31 }, from (257, n) }) },
        { "F0 alone, a clock, then the rest",
          joined ({ { 0x00, 0xF0, 0x00, 0x00, 0xF7, 0x01, 0xF8, 0x00, 0xF7, 0x8A, 0x31 }, from (1, n) }) },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        const auto file = joined ({ midiHeader (0, 1), chunk ("MTrk", joined ({ c.event, sysexEvent (b), endOfTrack })) });
        SoundVector places = listOf (4);
        EXPECT_EQ (loadBytes (&places, file, false), 2);
        EXPECT_EQ (trimmedNames (places), (std::vector<std::string> { "A", "B", "Sound 2", "Sound 3" }));

        SoundVector library;
        EXPECT_EQ (loadBytes (&library, file, true), 2);
        EXPECT_EQ (trimmedNames (library), (std::vector<std::string> { "A", "B" }));
    }
}

// A save through a symbolic link writes the file that the link names, also when that file does
// not exist yet; the link stays a link. A link that names nothing that could be made is refused.
TEST (SoundFilePlaces, SaveThroughALinkWritesTheFileItNames)
{
    struct Case
    {
        const char* what;
        std::vector<std::pair<std::string, std::string>> links;  // link name, what it names (as stored)
        const char* written;                                      // the file that must hold the save; none: refused
    };
    const Case cases[] = {
        { "dangling, relative", { { "l.ksx", "new.ksx" } }, "new.ksx" },
        { "dangling, into a subfolder", { { "l.ksx", "sub/new.ksx" } }, "sub/new.ksx" },
        { "dangling, absolute", { { "l.ksx", "@/abs.ksx" } }, "abs.ksx" },
        { "dangling, through a second link", { { "l.ksx", "m.ksx" }, { "m.ksx", "sub/end.ksx" } }, "sub/end.ksx" },
        { "relative, from a link in a subfolder", { { "sub/l.ksx", "../up.ksx" } }, "up.ksx" },
        { "dangling into a missing folder", { { "l.ksx", "missing/new.ksx" } }, nullptr },
        { "a loop", { { "l.ksx", "m.ksx" }, { "m.ksx", "l.ksx" } }, nullptr },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        TempDir dir;
        ASSERT_EQ (mkdir (dir.file ("sub").c_str(), 0755), 0);
        for (const auto& [name, target] : c.links)
        {
            const std::string named = target[0] == '@' ? dir.path + target.substr (1) : target;
            ASSERT_EQ (symlink (named.c_str(), dir.file (name.c_str()).c_str()), 0);
        }
        SoundVector v = listOf (2);
        const int result = saveSoundFile (&v, dir.file (c.links.front().first.c_str()).c_str());
        for (const auto& link : c.links)
        {
            struct stat st {};
            ASSERT_EQ (lstat (dir.file (link.first.c_str()).c_str(), &st), 0);
            EXPECT_TRUE (S_ISLNK (st.st_mode)) << link.first << " is no link any more";
        }
        if (c.written == nullptr)
        {
            EXPECT_EQ (result, -2);
            continue;
        }
        EXPECT_EQ (result, 2 * soundDumpLength);
        SoundVector back;
        EXPECT_EQ (loadSoundFile (&back, dir.file (c.written).c_str(), true), 2);
        EXPECT_EQ (trimmedNames (back), (std::vector<std::string> { "Sound 0", "Sound 1" }));
    }
}

namespace
{
constexpr uid_t nobody = 65534;

// The save as a user who is not root, in a child process that gives up root first (these tests
// run as root, who may write anything). The child saves `sounds` sounds; the save's result, or
// INT_MIN when the child could not become that user.
int saveAsNobody (const std::string& path, int sounds, rlim_t fileSizeLimit = RLIM_INFINITY)
{
    int channel[2];
    if (pipe (channel) != 0)
        return INT_MIN;
    const pid_t pid = fork();
    if (pid == 0)
    {
        close (channel[0]);
        int result = INT_MIN;
        if (setgroups (0, nullptr) == 0 && setgid (nobody) == 0 && setuid (nobody) == 0)
        {
            std::signal (SIGXFSZ, SIG_IGN);
            const rlimit limit { fileSizeLimit, fileSizeLimit };
            if (fileSizeLimit == RLIM_INFINITY || setrlimit (RLIMIT_FSIZE, &limit) == 0)
            {
                SoundVector v = listOf (sounds);
                result = saveSoundFile (&v, path.c_str());
            }
        }
        (void) ! write (channel[1], &result, sizeof (result));
        _exit (0);
    }
    close (channel[1]);
    int result = INT_MIN;
    if (pid < 0 || read (channel[0], &result, sizeof (result)) != static_cast<ssize_t> (sizeof (result)))
        result = INT_MIN;
    close (channel[0]);
    if (pid > 0)
        waitpid (pid, nullptr, 0);
    return result;
}

int entriesIn (const std::string& folder)
{
    int n = 0;
    if (DIR* d = opendir (folder.c_str()))
    {
        while (const dirent* e = readdir (d))
            n += std::strcmp (e->d_name, ".") != 0 && std::strcmp (e->d_name, "..") != 0 ? 1 : 0;
        closedir (d);
    }
    return n;
}
} // namespace

// Where the temporary file cannot be made beside the target, a file that the user may write is
// written in place; only what the user may not write is refused, and a refused save leaves the
// old file as it was. Root owns the folders and the old files; the save runs as "nobody".
TEST (SoundFilePlaces, SaveWhereNoFileCanBeMadeBesideIt)
{
    if (getuid() != 0)
        GTEST_SKIP() << "needs root to make folders that another user may not write";

    struct Case
    {
        const char* what;
        mode_t folderMode;     // of the folder "f" that holds the target, owned by root
        mode_t fileMode;       // of the old file "f/x.ksx", owned by root; 0 = no old file
        bool throughLink;      // saved through a link in a folder that everybody may write
        rlim_t fileSizeLimit;  // a disk that fills up
        bool saves;
    };
    const Case cases[] = {
        { "a file the user may write, in a folder they may not", 0755, 0666, false, RLIM_INFINITY, true },
        { "another user's file that they may write, in a sticky folder", 01777, 0666, false, RLIM_INFINITY, true },
        { "a link to such a file", 0755, 0666, true, RLIM_INFINITY, true },
        { "a file the user may not write, in a folder they may", 0777, 0644, false, RLIM_INFINITY, false },
        { "a new file in a folder they may not write", 0755, 0, false, RLIM_INFINITY, false },
        { "a file they may write, in a folder they may not, on a full disk", 0755, 0666, false, 2000, false },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        TempDir dir;
        ASSERT_EQ (chmod (dir.path.c_str(), 0777), 0);
        const std::string folder = dir.file ("f");
        const std::string target = folder + "/x.ksx";
        ASSERT_EQ (mkdir (folder.c_str(), 0700), 0);
        const std::vector<uint8_t> old = { 1, 2, 3 };
        if (c.fileMode != 0)
        {
            writeFile (target, old);
            ASSERT_EQ (chmod (target.c_str(), c.fileMode), 0);
        }
        ASSERT_EQ (chmod (folder.c_str(), c.folderMode), 0);
        std::string saveTo = target;
        if (c.throughLink)
        {
            saveTo = dir.file ("link.ksx");
            ASSERT_EQ (symlink (target.c_str(), saveTo.c_str()), 0);
        }

        const int result = saveAsNobody (saveTo, 3, c.fileSizeLimit);
        ASSERT_NE (result, INT_MIN) << "the child could not give up root";
        EXPECT_EQ (result, c.saves ? 3 * soundDumpLength : -2);
        EXPECT_EQ (entriesIn (folder), c.fileMode != 0 ? 1 : 0) << "a file was left beside the target";
        if (c.saves)
        {
            SoundVector back;
            EXPECT_EQ (loadSoundFile (&back, target.c_str(), true), 3);
            EXPECT_EQ (trimmedNames (back), (std::vector<std::string> { "Sound 0", "Sound 1", "Sound 2" }));
            EXPECT_EQ (readFile (target).size(), 3u * soundDumpLength);
            struct stat st {};
            ASSERT_EQ (stat (target.c_str(), &st), 0);
            EXPECT_EQ (st.st_uid, 0u) << "the file is still root's";
            EXPECT_EQ (st.st_mode & 07777, c.fileMode);
        }
        else if (c.fileMode != 0)
        {
            EXPECT_EQ (readFile (target), old) << "a refused save changed the old file";
        }
        if (c.throughLink)
        {
            struct stat st {};
            ASSERT_EQ (lstat (saveTo.c_str(), &st), 0);
            EXPECT_TRUE (S_ISLNK (st.st_mode));
        }
    }
}
