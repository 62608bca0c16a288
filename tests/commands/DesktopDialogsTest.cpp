// The file commands through the desktop's dialog, as the program runs it: a zenity of this test's
// own on PATH (a script that answers with the bytes it is given, after clicking where it is told
// with xdotool while it is open), the main component in a real window.
#include "tests/commands/CommandsFixture.h"

#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include "library/SoundPanel.h"
#include "sound/SoundDump.h"
#include "sound/SoundFile.h"

namespace
{
// Counts its runs, keeps its arguments, clicks on its first run, waits, answers.
const char* const fakeZenity = R"(#!/bin/sh
n=$(cat "$KE_ZENITY_DIR/runs" 2>/dev/null || echo 0)
n=$((n + 1))
echo $n > "$KE_ZENITY_DIR/runs"
printf '%s\n' "$*" >> "$KE_ZENITY_DIR/args"
if [ "$n" = 1 ]; then
  for at in $KE_ZENITY_CLICKS; do
    xdotool mousemove --sync ${at%,*} ${at#*,} click 1
    sleep 0.3
  done
fi
sleep 0.3
cat "$KE_ZENITY_DIR/answer"
)";

juce::Button* buttonWithCommand (juce::Component& parent, int id)
{
    for (auto* child : parent.getChildren())
    {
        if (auto* b = dynamic_cast<juce::Button*> (child); b != nullptr && b->getCommandID() == id && b->isShowing())
            return b;
        if (auto* found = buttonWithCommand (*child, id))
            return found;
    }
    return nullptr;
}

struct DesktopDialogs : CommandsTest
{
    juce::File tools;
    std::unique_ptr<juce::DocumentWindow> window;
    std::string oldPath;

    void SetUp() override
    {
        CommandsTest::SetUp();
        setFileDialogs (nullptr);
        tools = folder.getChildFile ("bin");
        ASSERT_TRUE (tools.createDirectory());
        const auto zenity = tools.getChildFile ("zenity");
        ASSERT_TRUE (zenity.replaceWithText (fakeZenity, false, false, "\n"));
        ASSERT_EQ (::chmod (zenity.getFullPathName().toRawUTF8(), 0755), 0);
        const char* path = std::getenv ("PATH");
        oldPath = path != nullptr ? path : "";
        ::setenv ("PATH", (tools.getFullPathName().toStdString() + ":" + oldPath).c_str(), 1);
        ::setenv ("KE_ZENITY_DIR", tools.getFullPathName().toRawUTF8(), 1);
        ::unsetenv ("KE_ZENITY_CLICKS");
        ::unsetenv ("KDE_FULL_SESSION");

        window = std::make_unique<juce::DocumentWindow> ("K-Editor", juce::Colours::lightgrey, juce::DocumentWindow::allButtons);
        window->setUsingNativeTitleBar (true);
        window->setContentNonOwned (main.get(), true);
        window->setTopLeftPosition (20, 20);
        window->setVisible (true);
        window->toFront (true);
        pumpMessageLoop (500);
    }

    void TearDown() override
    {
        window.reset();
        ::setenv ("PATH", oldPath.c_str(), 1);
        CommandsTest::TearDown();
    }

    void answer (const std::string& bytes)
    {
        const std::string file = tools.getChildFile ("answer").getFullPathName().toStdString();
        writeBytes (file, bytes + "\n");
    }

    static void writeBytes (const std::string& path, const std::string& bytes)
    {
        const int fd = ::open (path.c_str(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE (fd, 0);
        ASSERT_EQ (::write (fd, bytes.data(), bytes.size()), static_cast<ssize_t> (bytes.size()));
        ::close (fd);
    }

    int runs() const { return tools.getChildFile ("runs").loadFileAsString().getIntValue(); }

    // "x,y" of a button's centre on the screen.
    juce::String placeOf (int command)
    {
        auto* b = buttonWithCommand (*main, command);
        if (b == nullptr)
            return {};
        const auto centre = b->getScreenBounds().getCentre();
        return juce::String (centre.x) + "," + juce::String (centre.y);
    }

    std::string folderBytes() const { return folder.getFullPathName().toStdString(); }
};

bool exists (const std::string& path)
{
    struct stat st {};
    return ::stat (path.c_str(), &st) == 0;
}
} // namespace

// While "Save K lib..." is open, clicks on "LoadLib" and on the "Sound" page button do nothing:
// no second dialog, no page switch, and the save is written as soon as the dialog answers.
TEST_F (DesktopDialogs, TheOpenDialogHoldsTheWindow)
{
    const auto loadLib = placeOf (2), soundPage = placeOf (13);
    ASSERT_TRUE (loadLib.isNotEmpty() && soundPage.isNotEmpty());
    ::setenv ("KE_ZENITY_CLICKS", (loadLib + " " + soundPage).toRawUTF8(), 1);
    const std::string saved = folderBytes() + "/Held.ksx";
    answer (saved);

    command (3);
    EXPECT_TRUE (exists (saved)) << "the save was not written when the dialog answered";
    pumpMessageLoop (300);
    EXPECT_EQ (runs(), 1) << "a second dialog opened";
    EXPECT_TRUE (main->soundPanel->isVisible()) << "the page switched";
    EXPECT_EQ (main->editPanel, nullptr);
    const auto args = tools.getChildFile ("args").loadFileAsString();
    EXPECT_TRUE (args.contains ("--save") && args.contains ("--title=Save K lib...")) << args;
}

// Linux names are bytes: a folder and a file whose names are not UTF-8 are written and read as the
// dialog names them, and the other spelling is never made.
TEST_F (DesktopDialogs, NamesThatAreNotUtf8AreTheFilesChosen)
{
    const std::string klaenge = folderBytes() + "/Kl\xE4nge";
    ASSERT_EQ (::mkdir (klaenge.c_str(), 0755), 0);
    const std::string chosen = klaenge + "/Sounds \xE9t\xE9.ksx";
    const std::string recoded = klaenge + "/Sounds \xC3\xA9t\xC3\xA9.ksx";

    // A save into it, over a file of that name.
    writeBytes (chosen, "old");
    answer (chosen);
    command (3);
    EXPECT_EQ (juce::File (pathText (chosen)).getSize(), 28 * soundDumpLength);
    SoundVector back;
    EXPECT_EQ (loadSoundFile (&back, chosen.c_str(), true), 28);
    EXPECT_FALSE (exists (recoded));

    // A load from it: a file of one sound the library lacks.
    SoundVector one;
    one.append (renamed (main->librarySounds[2], "From Klaenge"));
    ASSERT_EQ (saveSoundFile (&one, chosen.c_str()), soundDumpLength);
    command (2);
    ASSERT_EQ (main->librarySounds.size(), 29);
    EXPECT_EQ (nameOf (main->librarySounds[28]), "From Klaenge");
    EXPECT_EQ (runs(), 2);
}

// A name typed with a dot gets ".ksx" all the same; one that ends in ".KSX" keeps it.
TEST_F (DesktopDialogs, TypedNamesGetTheExtension)
{
    struct Case { const char* typed; const char* saved; };
    for (const Case c : { Case { "Gig v1.2", "Gig v1.2.ksx" }, Case { "LIVE.KSX", "LIVE.KSX" }, Case { "set", "set.ksx" } })
    {
        SCOPED_TRACE (c.typed);
        answer (folderBytes() + "/" + c.typed);
        command (1);
        EXPECT_TRUE (exists (folderBytes() + "/" + c.saved));
    }
    EXPECT_FALSE (exists (folderBytes() + "/Gig v1.2"));
}
