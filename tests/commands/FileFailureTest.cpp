// A load or a save that fails says so in a box that names the file and the reason; a success says
// nothing. Full and read-only disks are real: a small tmpfs in a mount namespace of this process's
// own (root only). The box stops nothing: the timer takes the instrument's dumps while it is open.
#include "tests/commands/CommandsFixture.h"

#include <sched.h>
#include <sys/mount.h>
#include "library/SoundPanel.h"
#include "sound/SoundDump.h"
#include "sound/SoundFile.h"

namespace
{
std::vector<juce::AlertWindow*> openBoxes()
{
    std::vector<juce::AlertWindow*> boxes;
    auto& desktop = juce::Desktop::getInstance();
    for (int i = 0; i < desktop.getNumComponents(); ++i)
        if (auto* box = dynamic_cast<juce::AlertWindow*> (desktop.getComponent (i)); box != nullptr && box->isShowing())
            boxes.push_back (box);
    return boxes;
}

void closeBoxes()
{
    for (auto* box : openBoxes())
        box->triggerButtonClick ("OK");
    pumpMessageLoop (50);
}

struct FileFailures : CommandsTest
{
    juce::File mounted;  // a 64 KB tmpfs, or none

    void SetUp() override
    {
        CommandsTest::SetUp();
        mounted = folder.getChildFile ("disk");
        if (::geteuid() == 0 && mounted.createDirectory() && ::unshare (CLONE_NEWNS) == 0
            && ::mount ("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
            && ::mount ("ke-small", mounted.getFullPathName().toRawUTF8(), "tmpfs", 0, "size=64k") == 0)
            return;
        mounted = juce::File();
    }

    void TearDown() override
    {
        closeBoxes();
        if (mounted != juce::File())
            ::umount (mounted.getFullPathName().toRawUTF8());
        CommandsTest::TearDown();
    }

    void makeReadOnly()
    {
        ASSERT_EQ (::mount (nullptr, mounted.getFullPathName().toRawUTF8(), nullptr, MS_REMOUNT | MS_RDONLY, "size=64k"), 0);
    }
};
} // namespace

TEST_F (FileFailures, EachFailureNamesTheFileAndWhy)
{
    const auto noSound = tempFile ("notes.mid");
    ASSERT_TRUE (noSound.replaceWithText ("MThd and nothing of a sound"));
    const auto aFolder = tempFile ("Sounds.ksx");
    ASSERT_TRUE (aFolder.createDirectory());
    const auto f = folder.getFullPathName();
    const auto m = mounted.getFullPathName();

    struct Case
    {
        const char* what;
        bool needsDisk;
        std::function<void()> prepare;
        int command;
        juce::File file;
        juce::String box;  // title, ". ", text; empty: no box
        std::string bytes = {};  // the path instead of file, when given
    };
    const Case cases[] = {
        { "a library saved", false, [] {}, 3, tempFile ("Saved.ksx"), "" },
        { "a library loaded", false, [] {}, 2, tempFile ("Saved.ksx"), "" },
        { "a file without sounds", false, [] {}, 2, noSound,
          "Not loaded. Could not load \"notes.mid\" in " + f + ": no sound found in it." },
        { "a folder loaded", false, [] {}, 0, aFolder, "Not loaded. Could not load \"Sounds.ksx\" in " + f + ": it is a folder." },
        { "a folder saved over", false, [] {}, 1, aFolder,
          "Not saved. Could not save \"Sounds.ksx\" in " + f
              + ": it is a folder.\n\nThe sounds are still here in the editor; save them somewhere else before you quit." },
        { "a file that is gone", false, [] {}, 0, tempFile ("Gone.ksx"),
          "Not loaded. Could not load \"Gone.ksx\" in " + f + ": it is not there any more." },
        { "a full disk", true, [this] {
              // Its 64 KB hold one library of 28 sounds (37 KB), not a second one beside it.
              SoundVector first = main->librarySounds;
              ASSERT_EQ (saveSoundFile (&first, mounted.getChildFile ("Full.ksx").getFullPathName().toRawUTF8()), 28 * soundDumpLength);
          }, 3, mounted.getChildFile ("Full.ksx"),
          "Not saved. Could not save \"Full.ksx\" in " + m
              + ": the disk is full.\n\nThe sounds are still here in the editor; save them somewhere else before you quit." },
        { "a read-only disk", true, [this] { makeReadOnly(); }, 1, mounted.getChildFile ("Gig.ksx"),
          "Not saved. Could not save \"Gig.ksx\" in " + m
              + ": the folder or disk is read-only.\n\nThe sounds are still here in the editor; save them somewhere else before you quit." },
        // A name that is not UTF-8 is shown as Latin-1.
        { "a read-only disk, a name in Latin-1", true, [] {}, 3, {},
          juce::String::fromUTF8 ("Not saved. Could not save \"Sounds \xC3\xA9t\xC3\xA9.ksx\" in ") + m
              + ": the folder or disk is read-only.\n\nThe sounds are still here in the editor; save them somewhere else before you quit.",
          m.toStdString() + "/Sounds \xE9t\xE9.ksx" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        if (c.needsDisk && mounted == juce::File())
        {
            std::printf ("skipped without a tmpfs of its own (needs root): %s\n", c.what);
            continue;
        }
        c.prepare();
        dialogs.answerFile = c.file;
        dialogs.answerPath = c.bytes;
        command (c.command);
        pumpMessageLoop (50);
        const auto boxes = openBoxes();
        if (c.box.isEmpty())
        {
            EXPECT_TRUE (boxes.empty()) << "a box after a success: " << boxes.front()->getDescription();
            continue;
        }
        ASSERT_EQ (boxes.size(), 1u);
        EXPECT_EQ (boxes[0]->getDescription(), c.box);
        closeBoxes();
    }
}

// While the box is open, the timer goes on: a dump that the instrument sends lands in its slot.
TEST_F (FileFailures, TheTimerRunsWhileABoxIsOpen)
{
    dialogs.answerFile = tempFile ("Gone.ksx");
    command (0);
    ASSERT_EQ (openBoxes().size(), 1u);

    main->startTimer (300);
    SoundRecord sent = renamed (main->userSounds[5], "While Shown");
    MidiBytes dump (soundDumpLength);
    encodeSoundDump (&sent, dump.data(), 5);
    instrument->sendSoundDump (5, dump);
    for (int waited = 0; waited < 3000 && nameOf (main->userSounds[5]) != "While Shown"; waited += 50)
        pumpMessageLoop (50);
    EXPECT_EQ (nameOf (main->userSounds[5]), "While Shown");
    EXPECT_EQ (openBoxes().size(), 1u) << "the box closed by itself";
    main->stopTimer();
}
