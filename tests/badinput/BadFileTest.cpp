// Bad sound files and bad places to save, through every way the program reads and writes them:
// the load and save commands, a file dropped onto a list, and the sound layer underneath.
#include <fcntl.h>
#include <random>
#include <sys/resource.h>
#include <csignal>
#include <unistd.h>
#include "app/FileDialogs.h"
#include "library/SoundPanel.h"
#include "sound/SoundFile.h"
#include "tests/badinput/BadInputFixture.h"

namespace
{
struct AnsweringDialogs : FileDialogs
{
    juce::File chooseFileToOpen (const juce::String&, const juce::String&) override { return answer; }
    juce::File chooseFileToSave (const juce::String&, const juce::String&) override { return answer; }
    int askSoundsetDump() override { return dumpCancelled; }
    juce::File answer;
};

struct ScopedDialogs
{
    ScopedDialogs() { setFileDialogs (&dialogs); }
    ~ScopedDialogs() { setFileDialogs (nullptr); }
    AnsweringDialogs dialogs;
};

void write (const juce::File& f, const MidiBytes& bytes)
{
    f.deleteFile();
    ASSERT_TRUE (f.replaceWithData (bytes.data(), bytes.size()));
}

MidiBytes concat (std::initializer_list<MidiBytes> parts)
{
    MidiBytes all;
    for (const auto& p : parts)
        all.insert (all.end(), p.begin(), p.end());
    return all;
}

MidiBytes randomBytes (unsigned seed, size_t n)
{
    std::mt19937 rng (seed);
    MidiBytes m (n);
    for (auto& b : m)
        b = static_cast<uint8_t> (rng());
    return m;
}

// A Standard MIDI File with one track that holds `events`.
MidiBytes midiFile (const MidiBytes& events)
{
    MidiBytes f = { 'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k' };
    const auto n = static_cast<uint32_t> (events.size());
    for (int shift : { 24, 16, 8, 0 })
        f.push_back (static_cast<uint8_t> (n >> shift));
    f.insert (f.end(), events.begin(), events.end());
    return f;
}

// The event form of a dump: F0, two length bytes, then the dump from its 7D on.
MidiBytes midiEvent (const MidiBytes& dump)
{
    MidiBytes e = { 0x00, 0xF0, 0x8A, 0x31 };
    e.insert (e.end(), dump.begin() + 1, dump.end());
    return e;
}
} // namespace

class BadFiles : public BadInputFixture
{
protected:
    void SetUp() override
    {
        BadInputFixture::SetUp();
        folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                     .getChildFile ("ke-badfiles-" + juce::String (getpid()));
        folder.deleteRecursively();
        ASSERT_TRUE (folder.createDirectory());
    }

    void TearDown() override
    {
        folder.deleteRecursively();
        BadInputFixture::TearDown();
    }

    void command (int id)
    {
        juce::TextButton button;
        button.setCommandToTrigger (nullptr, id, false);
        main->buttonClicked (&button);
    }

    // The three ways a file comes in: "Load K content...", "Load K lib...", a drop onto the user list.
    enum Way { loadContent, loadLibrary, dropOnUserList };

    void read (Way way, const juce::File& f)
    {
        scoped.dialogs.answer = f;
        if (way == loadContent)
            command (0);
        else if (way == loadLibrary)
            command (2);
        else
            main->soundPanel->userList.filesDropped ({ f.getFullPathName() }, 20, 20);
        tick();
    }

    juce::File folder;
    ScopedDialogs scoped;
};

TEST_F (BadFiles, LeaveBothListsAsTheyWere)
{
    auto empty = folder.getChildFile ("empty.ksx");
    auto emptyMid = folder.getChildFile ("empty.mid");
    auto cutDump = folder.getChildFile ("cut.ksx");
    auto cutAtHeader = folder.getChildFile ("header.ksx");
    auto randomFile = folder.getChildFile ("random.ksx");
    auto damaged = folder.getChildFile ("damaged.ksx");
    auto cutMid = folder.getChildFile ("cut.mid");
    auto headerMid = folder.getChildFile ("header.mid");
    auto endless = folder.getChildFile ("endless.ksx");

    write (empty, {});
    write (emptyMid, {});
    auto dump = namedDump ("Never Seen", 0);
    write (cutDump, MidiBytes (dump.begin(), dump.begin() + 700));
    write (cutAtHeader, { 0xF0, 0x7D, 0x2B });
    write (randomFile, randomBytes (5, 1 << 16));
    auto badSum = dump;
    badSum[400] ^= 0x02;
    auto wrongCommand = dump;
    wrongCommand[4] = 0x12;
    auto wrongModel = dump;
    wrongModel[2] = 0x2A;
    write (damaged, concat ({ badSum, wrongCommand, wrongModel }));
    const auto wholeMid = midiFile (midiEvent (dump));
    write (cutMid, MidiBytes (wholeMid.begin(), wholeMid.begin() + 900));
    const auto noTrackMid = midiFile ({});
    write (headerMid, MidiBytes (noTrackMid.begin(), noTrackMid.begin() + 10));
    MidiBytes runOn (dump.begin(), dump.end() - 1);
    runOn.resize (20000, 0x11);
    write (endless, runOn);

    const juce::File unreadable[] = { folder.getChildFile ("missing.ksx"), folder,
                                      juce::File ("/etc/hostname").getChildFile ("x.ksx") };

    std::vector<juce::File> files = { empty, emptyMid, cutDump, cutAtHeader, randomFile, damaged,
                                      cutMid, headerMid, endless };
    files.insert (files.end(), std::begin (unreadable), std::end (unreadable));

    for (Way way : { loadContent, loadLibrary, dropOnUserList })
        for (const auto& f : files)
        {
            SCOPED_TRACE (testing::Message() << "way " << way << ", " << f.getFileName());
            const auto before = held();
            read (way, f);
            const auto after = held();
            ASSERT_EQ (after.user.size(), before.user.size());
            EXPECT_TRUE (after.sameRecords (after.user, before.user, before.user.size())) << "a user record changed";
            ASSERT_EQ (after.library.size(), before.library.size());
            EXPECT_TRUE (after.sameRecords (after.library, before.library, before.library.size())) << "the library changed";
            EXPECT_EQ (main->soundPanel->userList.getNumRows(), after.user.size());
            EXPECT_EQ (main->soundPanel->libraryList.getNumRows(), after.library.size());
        }
}

// Good dumps next to bad ones: the good ones are taken, whatever comes after them.
TEST_F (BadFiles, DumpsBeforeTheDamageAreKept)
{
    const auto first = namedDump ("First Good", 0);
    const auto second = namedDump ("Second Good", 1);
    auto cutThird = namedDump ("Third Cut", 2);
    cutThird.resize (1000);
    struct Case { const char* file; MidiBytes bytes; };
    const Case cases[] = {
        { "truncated.ksx", concat ({ first, second, cutThird }) },
        { "junk-between.ksx", concat ({ randomBytes (9, 5000), first, { 0xF0, 0x7D, 0x2B, 0x7F }, second, cutThird }) },
        { "truncated.mid", midiFile (concat ({ midiEvent (first), midiEvent (second), midiEvent (cutThird) })) },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.file);
        auto f = folder.getChildFile (c.file);
        write (f, c.bytes);
        const auto before = held();
        read (loadContent, f);
        ASSERT_EQ (main->userSounds.size(), 28);
        EXPECT_EQ (nameOf (main->userSounds[0]), "First Good");
        EXPECT_EQ (nameOf (main->userSounds[1]), "Second Good");
        EXPECT_TRUE (std::memcmp (&main->userSounds[2], &before.user[2], (28 - 2) * sizeof (SoundRecord)) == 0);

        const int librarySize = main->librarySounds.size();
        read (loadLibrary, f);
        ASSERT_EQ (main->librarySounds.size(), librarySize + 2) << "only the two good dumps are new";
        EXPECT_EQ (nameOf (main->librarySounds[librarySize]), "First Good");
        EXPECT_EQ (nameOf (main->librarySounds[librarySize + 1]), "Second Good");
        {
            const juce::ScopedLock sl (userSoundsLock);
            main->userSounds.records = before.user;
            main->librarySounds.records = before.library;
        }
        main->soundPanel->userList.refresh();
        main->soundPanel->libraryList.refresh();
    }
}

// 100 MB of nothing with one dump at its very end: read through, in bounded time, and the dump
// is found.
TEST_F (BadFiles, HugeFileIsReadThroughToItsLastDump)
{
    auto huge = folder.getChildFile ("huge.ksx");
    const auto dump = namedDump ("At The End", 0);
    const int64_t size = 100 * 1024 * 1024;
    {
        const int fd = ::open (huge.getFullPathName().toRawUTF8(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        ASSERT_GE (fd, 0);
        ASSERT_EQ (::ftruncate (fd, size - static_cast<int64_t> (dump.size())), 0);  // sparse: no disk
        ASSERT_EQ (::lseek (fd, 0, SEEK_END), size - static_cast<int64_t> (dump.size()));
        ASSERT_EQ (::write (fd, dump.data(), dump.size()), static_cast<ssize_t> (dump.size()));
        ::close (fd);
    }
    const auto started = juce::Time::getMillisecondCounterHiRes();
    read (loadContent, huge);
    const auto seconds = (juce::Time::getMillisecondCounterHiRes() - started) / 1000.0;
    EXPECT_LT (seconds, 60.0);
    ASSERT_EQ (main->userSounds.size(), 28);
    EXPECT_EQ (nameOf (main->userSounds[0]), "At The End");
    EXPECT_EQ (nameOf (main->userSounds[1]), nameOf (main->librarySounds[1]));
}

//==============================================================================
// Saving where nothing can be written: nothing is reported, the old file stays as it was, no
// half-written file is left beside it, and the list still holds every sound.
namespace
{
// Files larger than `bytes` cannot be written while this lives: a full disk, for this process.
struct ScopedFileSizeLimit
{
    explicit ScopedFileSizeLimit (rlim_t bytes)
    {
        getrlimit (RLIMIT_FSIZE, &old);
        previous = std::signal (SIGXFSZ, SIG_IGN);
        rlimit limit = old;
        limit.rlim_cur = bytes;
        setrlimit (RLIMIT_FSIZE, &limit);
    }
    ~ScopedFileSizeLimit()
    {
        setrlimit (RLIMIT_FSIZE, &old);
        std::signal (SIGXFSZ, previous);
    }
    rlimit old {};
    void (*previous) (int) = nullptr;
};

juce::StringArray namesOf (const SoundVector& v)
{
    juce::StringArray names;
    for (const auto& r : v.records)
        names.add (nameOf (r));
    return names;
}
} // namespace

TEST_F (BadFiles, FailedSavesKeepTheOldFileAndTheSounds)
{
    const MidiBytes oldContent = concat ({ namedDump ("Old One", 0), namedDump ("Old Two", 1) });
    auto target = folder.getChildFile ("kept.ksx");

    const auto userNames = namesOf (main->userSounds);
    const auto libraryNames = namesOf (main->librarySounds);

    // The disk fills up in the middle of the save, through both save commands and the sound layer.
    for (int id : { 1, 3, -1 })
    {
        SCOPED_TRACE (testing::Message() << "save " << id);
        write (target, oldContent);
        {
            ScopedFileSizeLimit full (4000);
            if (id < 0)
            {
                const juce::ScopedLock sl (userSoundsLock);
                EXPECT_EQ (saveSoundFile (&main->userSounds, target.getFullPathName().toRawUTF8()), -2)
                    << "a save that could not be written was reported as done";
            }
            else
            {
                scoped.dialogs.answer = target;
                command (id);
            }
        }
        juce::MemoryBlock now;
        ASSERT_TRUE (target.loadFileAsData (now));
        EXPECT_TRUE (now.getSize() == oldContent.size() && std::memcmp (now.getData(), oldContent.data(), oldContent.size()) == 0)
            << "the old file was damaged (" << now.getSize() << " bytes now)";
        EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFiles), 1) << "a half-written file was left";
        EXPECT_EQ (namesOf (main->userSounds), userNames);
        EXPECT_EQ (namesOf (main->librarySounds), libraryNames);
    }

    // Places where no file can be made at all.
    const juce::File nowhere[] = { juce::File ("/proc/ke-badinput.ksx"), juce::File ("/etc/hostname").getChildFile ("x.ksx"),
                                   folder.getChildFile ("no-such-folder").getChildFile ("x.ksx"), folder };
    for (const auto& place : nowhere)
        for (int id : { 1, 3 })
        {
            SCOPED_TRACE (testing::Message() << place.getFullPathName() << ", command " << id);
            scoped.dialogs.answer = place;
            command (id);
            tick();
            {
                const juce::ScopedLock sl (userSoundsLock);
                EXPECT_EQ (saveSoundFile (&main->userSounds, place.getFullPathName().toRawUTF8()), -2);
            }
            EXPECT_FALSE (place.existsAsFile());
            EXPECT_EQ (namesOf (main->userSounds), userNames);
            EXPECT_EQ (namesOf (main->librarySounds), libraryNames);
        }

    // An empty library is not saved: no file appears where the user pointed.
    {
        const juce::ScopedLock sl (userSoundsLock);
        main->librarySounds.records.clear();
    }
    main->soundPanel->libraryList.refresh();
    auto emptySave = folder.getChildFile ("empty-library.ksx");
    scoped.dialogs.answer = emptySave;
    command (3);
    EXPECT_FALSE (emptySave.exists());
}
