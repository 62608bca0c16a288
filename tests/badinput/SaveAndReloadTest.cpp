// Saves and loads as a user's days bring them: a save that must survive a power cut, a save that
// must not hold up the instrument's knobs, and a library saved today and loaded tomorrow.
// This program defines fsync itself, in front of the C library's, so that a case can see what a
// save syncs and in what order, and hold a save in the middle of its write.
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include "app/FileDialogs.h"
#include "library/SoundPanel.h"
#include "sound/CcConversion.h"
#include "sound/SoundFile.h"
#include "tests/badinput/BadInputFixture.h"

namespace
{
struct Sync
{
    std::string path;
    bool folder;
    long long watchedSize;  // of the watched file at that moment; -1 when it does not exist
};

std::mutex syncLock;
std::vector<Sync> syncs;
std::string watched;
std::function<void()> duringFileSync;  // runs inside the sync of a file (not of a folder)

std::string pathOfDescriptor (int fd)
{
    char link[64], path[PATH_MAX];
    std::snprintf (link, sizeof (link), "/proc/self/fd/%d", fd);
    const ssize_t n = ::readlink (link, path, sizeof (path) - 1);
    return n > 0 ? std::string (path, static_cast<size_t> (n)) : std::string();
}
} // namespace

extern "C" int fsync (int fd)
{
    struct stat st {};
    const bool folder = ::fstat (fd, &st) == 0 && S_ISDIR (st.st_mode);
    std::function<void()> hook;
    {
        const std::lock_guard<std::mutex> l (syncLock);
        struct stat w {};
        syncs.push_back ({ pathOfDescriptor (fd), folder,
                           ! watched.empty() && ::stat (watched.c_str(), &w) == 0 ? static_cast<long long> (w.st_size) : -1 });
        if (! folder)
            hook = duringFileSync;
    }
    if (hook)
        hook();
    return static_cast<int> (::syscall (SYS_fsync, fd));
}

namespace
{
void watch (const std::string& path, std::function<void()> hook = {})
{
    const std::lock_guard<std::mutex> l (syncLock);
    syncs.clear();
    watched = path;
    duringFileSync = std::move (hook);
}

std::vector<Sync> syncsSeen()
{
    const std::lock_guard<std::mutex> l (syncLock);
    auto seen = syncs;
    watched.clear();
    duringFileSync = nullptr;
    return seen;
}

struct AnsweringDialogs : FileDialogs
{
    std::string chooseFileToOpen (const juce::String&, const juce::String&) override { return answer.getFullPathName().toStdString(); }
    std::string chooseFileToSave (const juce::String&, const juce::String&) override { return answer.getFullPathName().toStdString(); }
    int askSoundsetDump() override { return dumpCancelled; }
    juce::File answer;
};
} // namespace

class SaveAndReload : public BadInputFixture
{
protected:
    void SetUp() override
    {
        BadInputFixture::SetUp();
        setFileDialogs (&dialogs);
        folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                     .getChildFile ("ke-savereload-" + juce::String (getpid()));
        folder.deleteRecursively();
        ASSERT_TRUE (folder.createDirectory());
    }

    void TearDown() override
    {
        setFileDialogs (nullptr);
        folder.deleteRecursively();
        BadInputFixture::TearDown();
    }

    void command (int id, const juce::File& answer)
    {
        dialogs.answer = answer;
        juce::TextButton button;
        button.setCommandToTrigger (nullptr, id, false);
        main->buttonClicked (&button);
    }

    AnsweringDialogs dialogs;
    juce::File folder;
};

// A rename is durable only once the folder that holds it is synced: the new file is synced before
// it takes the old one's name, and the folder after, when the name already leads to the new file.
TEST_F (SaveAndReload, SaveSyncsTheFolderAfterTheRename)
{
    for (bool replacing : { true, false })
    {
        SCOPED_TRACE (replacing ? "replacing a file" : "a new file");
        const auto target = folder.getChildFile ("synced.ksx");
        target.deleteFile();
        if (replacing)
        {
            ASSERT_TRUE (target.replaceWithText ("old"));
        }
        SoundVector list;
        list.records = held().user;
        const auto path = target.getFullPathName().toStdString();
        watch (path);
        ASSERT_EQ (saveSoundFile (&list, path.c_str()), list.size() * soundDumpLength);
        const auto seen = syncsSeen();

        const long long size = static_cast<long long> (list.size()) * soundDumpLength;
        int fileSync = -1, folderSync = -1;
        for (int i = 0; i < static_cast<int> (seen.size()); ++i)
        {
            if (! seen[i].folder && fileSync < 0)
                fileSync = i;
            if (seen[i].folder && seen[i].path == folder.getFullPathName().toStdString() && folderSync < 0)
                folderSync = i;
        }
        ASSERT_GE (fileSync, 0) << "the new file was not synced";
        EXPECT_NE (seen[static_cast<size_t> (fileSync)].watchedSize, size) << "synced after it took the name";
        ASSERT_GE (folderSync, 0) << "the folder was not synced";
        EXPECT_GT (folderSync, fileSync);
        EXPECT_EQ (seen[static_cast<size_t> (folderSync)].watchedSize, size) << "the folder was synced before the rename";
    }
}

// "Save K content..." reads the user list under its lock and writes the file after letting go: a
// CC from the instrument, which takes that lock, is stored while the save is still syncing its
// file, and the save holds what the list held when it was read.
TEST_F (SaveAndReload, ACcDoesNotWaitForTheSave)
{
    {
        const juce::ScopedLock sl (userSoundsLock);
        for (int i = 0; i < main->userSounds.size(); ++i)
            main->userSounds[i].setSelected (i == 0);
    }
    const auto target = folder.getChildFile ("content.ksx");
    const int before = getCc (&main->userSounds[0], 93, false);
    const int value = (before + 17) & 0x7F;

    // The instrument's knob, turned on the MIDI thread while the save syncs its file.
    std::mutex m;
    std::condition_variable cv;
    bool done = false, storedDuringSync = false;
    std::thread midi;
    watch (target.getFullPathName().toStdString(), [&] {
        if (midi.joinable())
            return;
        midi = std::thread ([&] {
            main->handleIncomingMidiMessage (nullptr, juce::MidiMessage::controllerEvent (1, 93, value));
            const std::lock_guard<std::mutex> l (m);
            done = true;
            cv.notify_one();
        });
        std::unique_lock<std::mutex> l (m);
        storedDuringSync = cv.wait_for (l, std::chrono::seconds (2), [&] { return done; });
    });
    command (1, target);
    const auto seen = syncsSeen();
    if (midi.joinable())
        midi.join();

    ASSERT_FALSE (seen.empty()) << "the save synced nothing";
    EXPECT_TRUE (storedDuringSync) << "the CC waited for the save to let the list go";
    {
        const juce::ScopedLock sl (userSoundsLock);
        EXPECT_EQ (getCc (&main->userSounds[0], 93, false), value);
    }
    SoundVector saved;
    ASSERT_EQ (loadSoundFile (&saved, target.getFullPathName().toRawUTF8(), false), main->userSounds.size());
    EXPECT_EQ (getCc (&saved[0], 93, false), before) << "the file holds the sound as it was read";
}

// The factory sounds that every start puts into the lists, saved one day and loaded the next (a
// new main component is a new start): "Load K lib..." adds nothing, and neither does "Copy to
// library" of the user sounds loaded from the saved content.
TEST_F (SaveAndReload, ALibrarySavedTodayIsTheSameTomorrow)
{
    const auto library = folder.getChildFile ("library.ksx");
    const auto content = folder.getChildFile ("content.ksx");
    command (3, library);
    command (1, content);
    ASSERT_EQ (library.getSize(), 28 * soundDumpLength);
    ASSERT_EQ (content.getSize(), 28 * soundDumpLength);

    main.reset();
    resetLinkState();
    main = std::make_unique<MainContentComponent>();
    main->stopTimer();
    ASSERT_EQ (main->librarySounds.size(), 28);
    const auto started = held();

    command (0, content);
    {
        const juce::ScopedLock sl (userSoundsLock);
        for (int i = 0; i < main->userSounds.size(); ++i)
            main->userSounds[i].setSelected (true);
    }
    command (9, {});
    EXPECT_EQ (main->librarySounds.size(), 28) << "the user's saved factory sounds were copied to the library again";

    command (2, library);
    EXPECT_EQ (main->librarySounds.size(), 28) << "the saved factory sounds were added again";
    EXPECT_EQ (main->soundPanel->libraryList.getNumRows(), main->librarySounds.size());
    EXPECT_TRUE (started.sameRecords (main->librarySounds.records, started.library, 28));
}
