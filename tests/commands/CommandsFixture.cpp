#include "tests/commands/CommandsFixture.h"

#include <unistd.h>
#include <algorithm>
#include <cstring>
#include "app/InstrumentLink.h"
#include "library/SoundPanel.h"

std::string ScriptedDialogs::chooseFileToOpen (const juce::String& title, const juce::String& patterns)
{
    asked.push_back ({ "open", title, patterns });
    return answer();
}

std::string ScriptedDialogs::chooseFileToSave (const juce::String& title, const juce::String& patterns)
{
    asked.push_back ({ "save", title, patterns });
    return answer();
}

std::string ScriptedDialogs::answer() const
{
    return ! answerPath.empty() ? answerPath : answerFile.getFullPathName().toStdString();
}

int ScriptedDialogs::askSoundsetDump()
{
    asked.push_back ({ "dump", {}, {} });
    return answerDump;
}

void CommandsTest::SetUp()
{
    resetLinkState();
    setFileDialogs (&dialogs);
    // ctest runs each case in a process of its own, several at once: the pid keeps them apart.
    folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                 .getChildFile ("ke-commands-" + juce::String (getpid()));
    folder.deleteRecursively();
    ASSERT_TRUE (folder.createDirectory());

    outputId = fake.ports.addOutput();
    inputId = fake.ports.addInput();
    instrument = std::make_unique<SimulatedInstrument> (fake.ports, outputId, inputId);
    main = std::make_unique<MainContentComponent>();
    ASSERT_TRUE (connectInstrument (*main, *instrument));
    main->stopTimer();
    pumpMessageLoop (20);
    instrument->clearReceived();
    seen = fake.ports.sentTo (outputId).size();
    ScopedVirtualClock::clear();
}

void CommandsTest::TearDown()
{
    main.reset();
    instrument.reset();
    setFileDialogs (nullptr);
    folder.deleteRecursively();
    resetLinkState();
}

void CommandsTest::command (int id)
{
    juce::TextButton button;
    button.setCommandToTrigger (nullptr, id, false);
    main->buttonClicked (&button);
}

void CommandsTest::copyToLibrary (int row, bool byDrag)
{
    if (! byDrag)
    {
        command (9);
        return;
    }
    juce::SparseSet<int> rows;
    rows.addRange ({ row, row + 1 });
    const juce::var dragged = main->soundPanel->userList.getDragSourceDescription (rows);
    main->soundPanel->libraryList.itemDropped ({ dragged, nullptr, { 20, 8 } });
}

std::vector<MidiBytes> CommandsTest::sentSinceLast()
{
    pumpMessageLoop (30);
    EXPECT_TRUE (instrument->waitUntilIdle());
    return fake.ports.sentToSince (outputId, seen);
}

juce::File CommandsTest::tempFile (const juce::String& name) const
{
    return folder.getChildFile (name);
}

bool sameSound (const SoundRecord& a, const SoundRecord& b)
{
    for (int w = 0; w < SoundRecord::numWords; ++w)
    {
        const bool textName = w >= SoundRecord::name && w < SoundRecord::name + 8;  // padding differs by origin
        if (! textName && w != SoundRecord::selected && w != SoundRecord::orderIndex && a[w] != b[w])
            return false;
    }
    return nameOf (a) == nameOf (b);
}

std::vector<SoundRecord> snapshot (const SoundVector& list)
{
    return list.records;
}

bool sameSounds (const SoundVector& list, const std::vector<SoundRecord>& before)
{
    if (list.size() != static_cast<int> (before.size()))
        return false;
    for (int i = 0; i < list.size(); ++i)
        if (! sameSound (list[i], before[static_cast<size_t> (i)]))
            return false;
    return true;
}

void selectOnly (SoundVector& list, std::initializer_list<int> indices)
{
    for (int i = 0; i < list.size(); ++i)
        list[i].setSelected (std::find (indices.begin(), indices.end(), i) != indices.end());
}

juce::String nameOf (const SoundRecord& r)
{
    return juce::String (r.nameText()).trimEnd();
}

SoundRecord renamed (const SoundRecord& base, const char* name)
{
    SoundRecord r = base;
    setSoundName (&r, name);
    return r;
}
