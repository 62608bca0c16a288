// Bad sound files and bad places to save, through every way the program reads and writes them:
// the load and save commands, a file dropped onto a list, and the sound layer underneath.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <poll.h>
#include <random>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include "app/FileDialogs.h"
#include "library/SoundPanel.h"
#include "sound/SoundFile.h"
#include "tests/badinput/BadInputFixture.h"

namespace
{
struct AnsweringDialogs : FileDialogs
{
    std::string chooseFileToOpen (const juce::String&, const juce::String&) override { return answer.getFullPathName().toStdString(); }
    std::string chooseFileToSave (const juce::String&, const juce::String&) override { return answer.getFullPathName().toStdString(); }
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
    // replaceWithData makes no file of no bytes.
    if (bytes.empty())
        ASSERT_TRUE (f.create().wasOk());
    else
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

// Ends the test program when a read or a write does not come back: a hang cannot be undone.
class Watchdog
{
public:
    Watchdog (std::string what, int seconds)
        : thread ([this, what, seconds] {
              std::unique_lock<std::mutex> l (m);
              if (! cv.wait_for (l, std::chrono::seconds (seconds), [this] { return done; }))
              {
                  std::fprintf (stderr, "FAILED: %s did not return within %d s\n", what.c_str(), seconds);
                  std::fflush (stderr);
                  std::_Exit (1);
              }
          })
    {
    }
    ~Watchdog()
    {
        {
            const std::lock_guard<std::mutex> l (m);
            done = true;
        }
        cv.notify_one();
        thread.join();
    }

private:
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    std::thread thread;
};

// A descriptor closed at the end of the case.
struct Fd
{
    explicit Fd (int f = -1) : fd (f) {}
    ~Fd()
    {
        if (fd >= 0)
            ::close (fd);
    }
    Fd (const Fd&) = delete;
    Fd& operator= (const Fd&) = delete;
    int fd;
};

std::string pathOf (const juce::File& f) { return f.getFullPathName().toStdString(); }

// A FIFO, and a descriptor that keeps a writer on it (opened read-write, which never waits).
bool makeFifo (const juce::File& f) { return ::mkfifo (pathOf (f).c_str(), 0644) == 0; }

int fifoWriter (const juce::File& f, const MidiBytes& content)
{
    const int fd = ::open (pathOf (f).c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 && ! content.empty() && ::write (fd, content.data(), content.size()) != static_cast<ssize_t> (content.size()))
    {
        ::close (fd);
        return -1;
    }
    return fd;
}

int listeningSocket (const juce::File& f)
{
    const int fd = ::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::snprintf (address.sun_path, sizeof (address.sun_path), "%s", pathOf (f).c_str());
    if (fd < 0 || ::bind (fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)) != 0 || ::listen (fd, 1) != 0)
        return -1;
    return fd;
}

// A sparse file of `size` bytes whose last bytes are `tail`.
bool sparseFileEndingIn (const juce::File& f, int64_t size, const MidiBytes& tail)
{
    const int fd = ::open (pathOf (f).c_str(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const int64_t start = size - static_cast<int64_t> (tail.size());
    const bool ok = ::ftruncate (fd, start) == 0 && ::pwrite (fd, tail.data(), tail.size(), start) == static_cast<ssize_t> (tail.size());
    ::close (fd);
    return ok;
}

mode_t typeOf (const juce::File& f)
{
    struct stat st {};
    return ::lstat (pathOf (f).c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

// The sound layer's answer for a list like the user list, and whether that list stayed as it was.
struct LayerLoad
{
    int result;
    bool unchanged;
};

LayerLoad loadIntoCopy (const std::vector<SoundRecord>& records, const juce::File& f, bool append)
{
    SoundVector copy;
    copy.records = records;
    const int result = loadSoundFile (&copy, pathOf (f).c_str(), append);
    const bool unchanged = copy.records.size() == records.size()
                        && std::memcmp (copy.records.data(), records.data(), records.size() * sizeof (SoundRecord)) == 0;
    return { result, unchanged };
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

// Files without a sound dump, files that cannot be opened and files that are no regular file:
// the sound layer's answer, and every way in leaves both lists as they were. A FIFO, a device,
// a socket and a folder are refused at once, whether or not anything waits behind them.
TEST_F (BadFiles, LeaveBothListsAsTheyWere)
{
    auto dump = namedDump ("Never Seen", 0);
    auto badSum = dump;
    badSum[400] ^= 0x02;
    auto wrongCommand = dump;
    wrongCommand[4] = 0x12;
    auto wrongModel = dump;
    wrongModel[2] = 0x2A;
    const auto wholeMid = midiFile (midiEvent (dump));
    const auto noTrackMid = midiFile ({});
    MidiBytes runOn (dump.begin(), dump.end() - 1);
    runOn.resize (20000, 0x11);

    struct Row
    {
        juce::File file;
        MidiBytes content;  // written as a regular file unless `make` makes the file
        std::function<bool (const juce::File&)> make;
        int result;          // of the sound layer, appending or not
    };
    std::vector<std::unique_ptr<Fd>> kept;
    const auto keep = [&kept] (int fd) { kept.push_back (std::make_unique<Fd> (fd)); return fd >= 0; };
    const Row rows[] = {
        { folder.getChildFile ("empty.ksx"), {}, {}, 0 },
        { folder.getChildFile ("empty.mid"), {}, {}, 0 },
        { folder.getChildFile ("cut.ksx"), MidiBytes (dump.begin(), dump.begin() + 700), {}, 0 },
        { folder.getChildFile ("header.ksx"), { 0xF0, 0x7D, 0x2B }, {}, 0 },
        { folder.getChildFile ("random.ksx"), randomBytes (5, 1 << 16), {}, 0 },
        { folder.getChildFile ("damaged.ksx"), concat ({ badSum, wrongCommand, wrongModel }), {}, 0 },
        { folder.getChildFile ("cut.mid"), MidiBytes (wholeMid.begin(), wholeMid.begin() + 900), {}, 0 },
        { folder.getChildFile ("header.mid"), MidiBytes (noTrackMid.begin(), noTrackMid.begin() + 10), {}, 0 },
        { folder.getChildFile ("endless.ksx"), runOn, {}, 0 },
        { folder.getChildFile ("missing.ksx"), {}, [] (const juce::File&) { return true; }, -2 },
        { juce::File ("/etc/debian_version").getChildFile ("x.ksx"), {}, [] (const juce::File&) { return true; }, -2 },
        { folder.getChildFile ("folder.ksx"), {}, [] (const juce::File& f) { return f.createDirectory().wasOk(); }, -2 },
        { folder.getChildFile ("fifo-without-writer.ksx"), {}, makeFifo, -2 },
        { folder.getChildFile ("fifo-with-writer.ksx"), {}, [&] (const juce::File& f) { return makeFifo (f) && keep (fifoWriter (f, dump)); }, -2 },
        { folder.getChildFile ("link-to-fifo.ksx"), {}, [&] (const juce::File& f) {
              return makeFifo (f.getSiblingFile ("target-fifo")) && keep (fifoWriter (f.getSiblingFile ("target-fifo"), {}))
                  && f.getSiblingFile ("target-fifo").createSymbolicLink (f, false); }, -2 },
        { folder.getChildFile ("link-to-dev-zero.ksx"), {}, [] (const juce::File& f) { return juce::File ("/dev/zero").createSymbolicLink (f, false); }, -2 },
        { folder.getChildFile ("link-to-dev-null.ksx"), {}, [] (const juce::File& f) { return juce::File ("/dev/null").createSymbolicLink (f, false); }, -2 },
        { folder.getChildFile ("socket.ksx"), {}, [&] (const juce::File& f) { return keep (listeningSocket (f)); }, -2 },
    };

    for (const auto& row : rows)
    {
        const auto& f = row.file;
        const std::string name = f.getFullPathName().toStdString();
        if (row.make)
            ASSERT_TRUE (row.make (f)) << name;
        else
            write (f, row.content);

        for (bool append : { false, true })
        {
            SCOPED_TRACE (testing::Message() << name << ", sound layer, append " << append);
            const Watchdog watchdog ("loading " + name, 20);
            const auto started = juce::Time::getMillisecondCounterHiRes();
            const auto load = loadIntoCopy (held().user, f, append);
            EXPECT_EQ (load.result, row.result);
            EXPECT_TRUE (load.unchanged);
            EXPECT_LT (juce::Time::getMillisecondCounterHiRes() - started, 2000.0);
        }
        for (Way way : { loadContent, loadLibrary, dropOnUserList })
        {
            SCOPED_TRACE (testing::Message() << name << ", way " << way);
            const Watchdog watchdog ("reading " + name, 20);
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

// The list's lock is what the MIDI thread waits for to store a CC: a load holds it only to put the
// file's sounds in place, never while the file is read. Another thread holds the lock until the
// kernel reports the file read and closed; then the load stores what it read, as ever.
TEST_F (BadFiles, NoLockIsHeldWhileAFileIsRead)
{
    auto f = folder.getChildFile ("read-unlocked.ksx");
    write (f, namedDump ("Read Unlocked", 0));
    for (Way way : { loadContent, dropOnUserList })
    {
        SCOPED_TRACE (testing::Message() << "way " << way);
        const auto before = held();
        const Fd watch (::inotify_init1 (IN_CLOEXEC | IN_NONBLOCK));
        ASSERT_GE (watch.fd, 0);
        ASSERT_GE (::inotify_add_watch (watch.fd, pathOf (f).c_str(), IN_CLOSE_NOWRITE), 0);
        std::atomic<bool> holding { false }, readWhileHeld { false };
        std::thread holder ([&] {
            const juce::ScopedLock sl (userSoundsLock);
            holding = true;
            pollfd closed { watch.fd, POLLIN, 0 };
            readWhileHeld = ::poll (&closed, 1, 3000) == 1;
        });
        while (! holding)
            std::this_thread::yield();
        read (way, f);
        holder.join();
        EXPECT_TRUE (readWhileHeld) << "the file was read only once the lock was free";
        EXPECT_EQ (nameOf (main->userSounds[0]), "Read Unlocked");
        {
            const juce::ScopedLock sl (userSoundsLock);
            main->userSounds.records = before.user;
        }
        main->soundPanel->userList.refresh();
    }
}

// A regular file that grows while it is read: the scan ends at the size that the file had when it
// was opened, so a writer that keeps up cannot keep the load going. The writer appends a dump as
// soon as the load has begun to read.
TEST_F (BadFiles, FileThatGrowsWhileReadIsReadUpToItsSizeAtOpening)
{
    auto f = folder.getChildFile ("growing.ksx");
    ASSERT_TRUE (sparseFileEndingIn (f, int64_t (128) << 20, namedDump ("There At Opening", 0)));
    const auto grown = namedDump ("Grown Later", 1);
    const Fd watch (::inotify_init1 (IN_CLOEXEC));
    ASSERT_GE (watch.fd, 0);
    ASSERT_GE (::inotify_add_watch (watch.fd, pathOf (f).c_str(), IN_ACCESS), 0);
    std::atomic<bool> appended { false };
    std::thread writer ([&] {
        pollfd readFrom { watch.fd, POLLIN, 0 };
        if (::poll (&readFrom, 1, 10000) != 1)
            return;
        const Fd out (::open (pathOf (f).c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
        appended = out.fd >= 0 && ::write (out.fd, grown.data(), grown.size()) == static_cast<ssize_t> (grown.size());
    });

    SoundVector list;
    list.records = held().library;
    int result;
    {
        const Watchdog watchdog ("loading a growing file", 60);
        result = loadSoundFile (&list, pathOf (f).c_str(), true);
    }
    writer.join();
    ASSERT_TRUE (appended);
    EXPECT_EQ (result, 1);
    ASSERT_EQ (list.size(), 29);
    EXPECT_EQ (nameOf (list[28]), "There At Opening");
}

namespace
{
// n dumps that differ in their names, so that no two share a fingerprint; or that all carry a
// wrong checksum; or n copies of one dump. `last`, when given, follows them.
enum class Dumps { distinct, badChecksums, sameSound };

bool writeDumps (const juce::File& f, int n, Dumps kind, const MidiBytes& last = {})
{
    const Fd out (::open (pathOf (f).c_str(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644));
    if (out.fd < 0)
        return false;
    const auto base = namedDump ("Many", 0);
    MidiBytes chunk;
    for (int i = 0; i < n; ++i)
    {
        auto d = base;
        if (kind != Dumps::sameSound)
        {
            for (int k = 0, v = i; k < 4; ++k, v /= 26)
                d[10 + k] = static_cast<uint8_t> ('A' + v % 26);
            unsigned sum = 0;
            for (int k = 1; k < soundDumpLength - 2; ++k)
                sum += d[static_cast<size_t> (k)];
            uint8_t checksum = static_cast<uint8_t> ((0u - sum) & 0x7F);
            // Wrong by one, and never 0x7F, which turns the test off.
            if (kind == Dumps::badChecksums)
                checksum = static_cast<uint8_t> ((checksum + (checksum == 0x7E ? 2 : 1)) & 0x7F);
            d[soundDumpLength - 2] = checksum;
        }
        chunk.insert (chunk.end(), d.begin(), d.end());
        if (i == n - 1)
            chunk.insert (chunk.end(), last.begin(), last.end());
        if (chunk.size() >= (1u << 20) || i == n - 1)
        {
            if (::write (out.fd, chunk.data(), chunk.size()) != static_cast<ssize_t> (chunk.size()))
                return false;
            chunk.clear();
        }
    }
    return true;
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif
#else
constexpr bool sanitized = false;
#endif
} // namespace

// Memory grows with the dumps that a load can use, not with the file's length, and a load that runs out of
// memory returns -2 and leaves the list as it was: each row loads into the factory set in a
// process of its own under an address-space limit.
TEST_F (BadFiles, LoadsUnderAnAddressSpaceLimit)
{
    if (sanitized)
        GTEST_SKIP() << "the sanitizers' shadow memory needs more address space than any of these limits";

    constexpr int64_t megabyte = 1 << 20;
    auto oneDumpIn200Mb = folder.getChildFile ("200mb.ksx");
    auto oneDumpIn2Gb = folder.getChildFile ("2gb.ksx");
    auto dumpsBeyondMemory = folder.getChildFile ("120000-dumps.ksx");
    auto soundsBeyondMemory = folder.getChildFile ("20000-dumps.ksx");
    ASSERT_TRUE (sparseFileEndingIn (oneDumpIn200Mb, 200 * megabyte, namedDump ("At The End", 0)));
    ASSERT_TRUE (sparseFileEndingIn (oneDumpIn2Gb, 2048 * megabyte, namedDump ("After 2 GB", 0)));
    ASSERT_TRUE (writeDumps (dumpsBeyondMemory, 120000, Dumps::distinct));   // 160 MB of dumps
    ASSERT_TRUE (writeDumps (soundsBeyondMemory, 20000, Dumps::distinct));   // 27 MB of dumps, 164 MB of sounds
    // 133 MB that a load cannot use, then one sound it can: only that one needs memory.
    auto refusedThenOne = folder.getChildFile ("refused-then-one.ksx");
    auto oneSoundRepeated = folder.getChildFile ("one-sound-repeated.ksx");
    ASSERT_TRUE (writeDumps (refusedThenOne, 100000, Dumps::badChecksums, namedDump ("After The Damage", 0)));
    ASSERT_TRUE (writeDumps (oneSoundRepeated, 100000, Dumps::sameSound));
    // 64 MB of the five bytes that begin a dump, each cut short by the next, then one sound.
    auto damagedHeaders = folder.getChildFile ("damaged-headers.ksx");
    {
        MidiBytes headers;
        for (int i = 0; i < (64 << 20) / 5; ++i)
            headers.insert (headers.end(), { 0xF0, 0x7D, 0x2B, 0x00, 0x10 });
        const auto last = namedDump ("After The Headers", 0);
        headers.insert (headers.end(), last.begin(), last.end());
        ASSERT_TRUE (damagedHeaders.replaceWithData (headers.data(), headers.size()));
    }

    struct Row
    {
        juce::File file;
        int64_t limit;
        bool append;
        int result, size, unchanged;   // unchanged: of the 28 factory records
        const char* first;
        const char* last;
    };
    const Row rows[] = {
        { oneDumpIn200Mb, 400 * megabyte, false, 1, 28, 27, "At The End", "Drama Strings" },
        { oneDumpIn200Mb, 400 * megabyte, true, 1, 29, 28, "Tines", "At The End" },
        { oneDumpIn2Gb, 400 * megabyte, false, 1, 28, 27, "After 2 GB", "Drama Strings" },
        { oneDumpIn2Gb, 400 * megabyte, true, 1, 29, 28, "Tines", "After 2 GB" },
        { dumpsBeyondMemory, 128 * megabyte, false, -2, 28, 28, "Tines", "Drama Strings" },
        { dumpsBeyondMemory, 128 * megabyte, true, -2, 28, 28, "Tines", "Drama Strings" },
        { soundsBeyondMemory, 128 * megabyte, false, -2, 28, 28, "Tines", "Drama Strings" },
        { soundsBeyondMemory, 128 * megabyte, true, -2, 28, 28, "Tines", "Drama Strings" },
        { refusedThenOne, 250 * megabyte, true, 1, 29, 28, "Tines", "After The Damage" },
        { refusedThenOne, 250 * megabyte, false, 1, 29, 28, "Tines", "After The Damage" },
        { oneSoundRepeated, 250 * megabyte, true, 1, 29, 28, "Tines", "Many" },
        // What a load into the user list keeps grows with the sounds, not with what it reads.
        { oneSoundRepeated, 128 * megabyte, false, 28, 28, 0, "Many", "Many" },
        { damagedHeaders, 128 * megabyte, false, 1, 29, 28, "Tines", "After The Headers" },
        { damagedHeaders, 128 * megabyte, true, 1, 29, 28, "Tines", "After The Headers" },
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE (testing::Message() << row.file.getFileName() << ", limit " << row.limit / megabyte
                                         << " MB, append " << row.append);
        const Watchdog watchdog ("a load under a limit", 120);
        juce::ChildProcess child;
        ASSERT_TRUE (child.start (juce::StringArray { LIMITED_LOAD, juce::String (row.limit), row.append ? "1" : "0",
                                                      row.file.getFullPathName() },
                                  juce::ChildProcess::wantStdOut));
        const auto output = child.readAllProcessOutput();
        child.waitForProcessToFinish (10000);
        const auto lines = juce::StringArray::fromLines (output.trimEnd());
        if (lines.size() != 5)
        {
            ADD_FAILURE() << "the load did not come back: " << output;
            continue;
        }
        EXPECT_EQ (lines[0].getIntValue(), row.result);
        EXPECT_EQ (lines[1].getIntValue(), row.size);
        EXPECT_EQ (lines[2].getIntValue(), row.unchanged);
        EXPECT_EQ (lines[3].trimEnd(), row.first);
        EXPECT_EQ (lines[4].trimEnd(), row.last);
    }
}

// Where a save may and may not write. A name of any legal length saves. A FIFO or a device is left
// as it is and never opened, so nothing waits for a reader and a reader gets nothing. A file that
// root replaces keeps its owner, group and mode.
TEST_F (BadFiles, SaveTargets)
{
    struct Row
    {
        juce::String name;
        std::function<bool (const juce::File&)> make;   // none: the target does not exist yet
        mode_t type;                                     // what the target is afterwards
        bool saves;
        mode_t linkedType = 0;                           // of the file that a link names
    };
    const auto otherOwner = [] (const juce::File& f) {
        return f.replaceWithText ("old") && ::chown (pathOf (f).c_str(), 4321, 8765) == 0 && ::chmod (pathOf (f).c_str(), 0640) == 0;
    };
    const auto characterDevice = [] (const juce::File& f) {
        return ::mknod (pathOf (f).c_str(), S_IFCHR | 0666, makedev (1, 3)) == 0;
    };
    int reader = -1;
    const auto fifoWithReader = [&reader] (const juce::File& f) {
        return makeFifo (f) && (reader = ::open (pathOf (f).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) >= 0;
    };
    const auto linkToFifo = [] (const juce::File& f) {
        return makeFifo (f.getSiblingFile ("fifo")) && f.getSiblingFile ("fifo").createSymbolicLink (f, false);
    };
    const Row rows[] = {
        { juce::String::repeatedString ("n", 246) + ".ksx", {}, S_IFREG, true },
        { juce::String::repeatedString ("m", 251) + ".ksx", {}, S_IFREG, true },
        { "fifo.ksx", makeFifo, S_IFIFO, false },
        { "fifo-with-reader.ksx", fifoWithReader, S_IFIFO, false },
        { "link-to-fifo.ksx", linkToFifo, S_IFLNK, false, S_IFIFO },
        { "device.ksx", characterDevice, S_IFCHR, false },
        { "other-owner.ksx", otherOwner, S_IFREG, true },
    };

    for (const auto& row : rows)
        for (int way : { 1, 3, 0 })   // the two save commands, the sound layer
        {
            SCOPED_TRACE (testing::Message() << row.name.substring (0, 20) << " (" << row.name.length()
                                             << " characters), " << (way == 0 ? juce::String ("sound layer") : "command " + juce::String (way)));
            folder.deleteRecursively();
            ASSERT_TRUE (folder.createDirectory());
            const auto target = folder.getChildFile (row.name);
            reader = -1;
            if (row.make && ! row.make (target))
            {
                ASSERT_EQ (errno, EPERM) << "could not make the target";
                std::printf ("  (skipped: only root can make %s)\n", row.name.toRawUTF8());
                continue;
            }
            const Fd readerEnd (reader);
            const int entries = folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories);
            const auto& list = way == 3 ? main->librarySounds : main->userSounds;
            const int bytes = list.size() * soundDumpLength;
            {
                const Watchdog watchdog ("saving to " + row.name.toStdString(), 20);
                if (way == 0)
                {
                    SoundVector copy;
                    copy.records = held().user;
                    EXPECT_EQ (saveSoundFile (&copy, pathOf (target).c_str()), row.saves ? bytes : -2);
                }
                else
                {
                    scoped.dialogs.answer = target;
                    command (way);
                }
            }
            EXPECT_EQ (typeOf (target), row.type);
            if (row.linkedType != 0)
            {
                EXPECT_EQ (typeOf (target.getLinkedTarget()), row.linkedType);
            }
            EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories), entries + (row.make ? 0 : 1))
                << "a file was left beside the target";
            if (row.saves)
            {
                EXPECT_EQ (target.getSize(), bytes);
                SoundVector back;
                EXPECT_EQ (loadSoundFile (&back, pathOf (target).c_str(), false), list.size());
            }
            if (readerEnd.fd >= 0)
            {
                char c;
                EXPECT_EQ (::read (readerEnd.fd, &c, 1), 0) << "the FIFO was written to";
            }
            if (row.name == "other-owner.ksx")
            {
                struct stat st {};
                ASSERT_EQ (::stat (pathOf (target).c_str(), &st), 0);
                EXPECT_EQ (st.st_uid, 4321u);
                EXPECT_EQ (st.st_gid, 8765u);
                EXPECT_EQ (st.st_mode & 07777, 0640u);
            }
        }
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
    const juce::File nowhere[] = { juce::File ("/proc/ke-badinput.ksx"), juce::File ("/etc/debian_version").getChildFile ("x.ksx"),
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
