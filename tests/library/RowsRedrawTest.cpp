// What the content page shows after the lists' records change: every row that shows a changed
// record is drawn again, and the slider's caption follows the shown sound. The window is real;
// with KE_SCREENSHOT_DIR set, each case leaves a screenshot of the screen there.
#include <functional>
#include <gtest/gtest.h>

#include "app/FileDialogs.h"
#include "controls/zbutton.h"
#include "sound/SoundDump.h"
#include "sound/SoundFile.h"
#include "tests/library/LibraryFixtures.h"
#include "tests/library/PageFixture.h"

namespace
{
juce::String trimmedName (const SoundRecord& r) { return juce::String (r.nameText()).trimEnd(); }

// The file dialog, answered with one file.
struct AnsweredDialogs : FileDialogs
{
    std::string chooseFileToOpen (const juce::String&, const juce::String&) override { return file.getFullPathName().toStdString(); }
    juce::File file;
};

class Redraw : public PageFixture
{
protected:
    void SetUp() override
    {
        PageFixture::SetUp();
        dir = juce::File::getSpecialLocation (juce::File::tempDirectory)
                  .getChildFile ("ke-redraw-test-" + juce::String (juce::Random::getSystemRandom().nextInt64()));
        dir.createDirectory();
        setFileDialogs (&dialogs);
        // A short library, so that the rows of appended sounds are in view.
        library().records.resize (10);
        page().libraryList.refresh();
        showOnDesktop();
        forgetSent();
    }

    void TearDown() override
    {
        setFileDialogs (nullptr);
        main->removeFromDesktop();
        dir.deleteRecursively();
        PageFixture::TearDown();
    }

    juce::String writeFile (const char* fileName, SoundVector v)
    {
        const auto path = dir.getChildFile (fileName).getFullPathName();
        EXPECT_EQ (saveSoundFile (&v, path.toRawUTF8()), v.size() * soundDumpLength);
        return path;
    }

    // How often `row` of `list` is painted while `change` runs and the message loop settles.
    int paintsOfRow (Soundlist& list, int row, const std::function<void()>& change)
    {
        PaintSpy spy;
        spy.setBounds (40, row * 16 + 4, 20, 8);
        list.addAndMakeVisible (spy);
        pumpMessageLoop (150);
        spy.paints = 0;
        change();
        pumpMessageLoop (200);
        list.removeChildComponent (&spy);
        return spy.paints;
    }

    static void screenshot (const juce::String& name)
    {
        const auto dirName = juce::SystemStats::getEnvironmentVariable ("KE_SCREENSHOT_DIR", {});
        if (dirName.isEmpty())
            return;
        const auto file = juce::File (dirName).getChildFile (name.replaceCharacter (' ', '-') + ".png");
        juce::ChildProcess import;
        if (import.start (juce::StringArray { "import", "-window", "root", file.getFullPathName() }))
            import.waitForProcessToFinish (10000);
    }

    AnsweredDialogs dialogs;
    juce::File dir;
};
} // namespace

TEST_F (Redraw, EveryChangeOfAListsRecordsRedrawsTheirRows)
{
    const auto content = writeFile ("content.ksx", makeList (8, false, "load"));
    const auto dropped = writeFile ("dropped.ksx", makeList (8, false, "drop"));
    const auto newSounds = writeFile ("new.ksx", makeList (3, false, "new"));
    const auto moreSounds = writeFile ("more.ksx", makeList (2, false, "more"));
    const int libraryEnd = library().size();
    const auto nothing = [] {};

    struct Case
    {
        const char* what;
        bool onUserList;
        int row;  // a row whose record changes while its selection stays as it is
        std::function<void()> prepare, change;
        juce::String rowName;  // the name of that row's record afterwards; empty: another name
    };
    const Case cases[] = {
        { "Load K content", true, 5, nothing, [&] { dialogs.file = content; main->buttonClicked (page().buttons[0]); }, "load5" },
        { "a file dropped on the user list", true, 6, nothing, [&] { page().userList.filesDropped ({ dropped }, 20, 20); }, "drop6" },
        { "Load K lib", false, libraryEnd, nothing, [&] { dialogs.file = newSounds; main->buttonClicked (page().buttons[6]); }, "new0" },
        { "a file dropped on the library", false, libraryEnd + 3, nothing,
          [&] { page().libraryList.filesDropped ({ moreSounds }, 20, 20); }, "more0" },
        { "a dump for slot 10 as after Request", true, 10, nothing, [&]
          {
              SoundRecord incoming = makeSound ("From The Kestrane");
              MidiBytes dump (soundDumpLength);
              encodeSoundDump (&incoming, dump.data(), 0);
              kestrane->sendSoundDump (10, dump);
              kestrane->waitUntilIdle();
              main->timerCallback();
          }, "From The Kestrane" },
        { "Delete on the library", false, 5, [&] { page().libraryList.selectRow (2); },
          [&] { page().libraryList.keyPressed (juce::KeyPress (juce::KeyPress::deleteKey)); }, {} },
        { "a library sound copied into the user list", true, 4,
          [&] { page().libraryList.selectRow (1); page().userList.selectRow (4); },
          [&] { main->buttonClicked (page().buttons[9]); }, {} },
        { "a rename", true, 3, [&] { page().userList.selectRow (3); }, [&] { renameByTyping (page().userList, 3, "Renamed"); }, "Renamed" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        Soundlist& list = c.onUserList ? page().userList : page().libraryList;
        SoundVector& v = c.onUserList ? user() : library();
        c.prepare();
        const juce::String before = c.row < v.size() ? trimmedName (v[c.row]) : juce::String();
        const bool wasSelected = list.isRowSelected (c.row);

        EXPECT_GT (paintsOfRow (list, c.row, c.change), 0);

        ASSERT_LT (c.row, v.size());
        if (c.rowName.isNotEmpty())
            EXPECT_EQ (trimmedName (v[c.row]), c.rowName);
        else
            EXPECT_NE (trimmedName (v[c.row]), before);
        // Otherwise the list box would have redrawn the row for its selection.
        EXPECT_EQ (list.isRowSelected (c.row), wasSelected);
        screenshot (juce::String ("after ") + c.what);
    }
}
