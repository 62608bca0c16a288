#pragma once
// A main component connected to the simulated instrument through fake ports, its timer stopped
// (tests tick it), on the virtual clock, and the commands' dialogs answered from a script.
#include <memory>
#include <vector>
#include <gtest/gtest.h>
#include "app/FileDialogs.h"
#include "app/MainContentComponent.h"
#include "sound/SoundRecord.h"
#include "tests/support/FakeMidiPorts.h"
#include "tests/support/SimulatedInstrument.h"
#include "tests/support/TestSupport.h"

struct ScriptedDialogs : FileDialogs
{
    struct Question
    {
        juce::String kind;  // "open", "save" or "dump"
        juce::String title;
        juce::String patterns;
    };

    std::string chooseFileToOpen (const juce::String& title, const juce::String& patterns) override;
    std::string chooseFileToSave (const juce::String& title, const juce::String& patterns) override;
    int askSoundsetDump() override;
    std::string answer() const;

    juce::File answerFile;  // a default File is a cancel
    std::string answerPath;  // bytes, when not empty: answered instead of answerFile
    int answerDump = dumpCancelled;
    std::vector<Question> asked;
};

class CommandsTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs a command as a click of a button carrying that id would.
    void command (int id);
    // The user sound at `row` to the library: selected and "Copy to library", or dragged there.
    void copyToLibrary (int row, bool byDrag);
    // What reached the instrument's output since the last call (after pending notifications).
    std::vector<MidiBytes> sentSinceLast();
    // A fresh folder for the test's files, removed afterwards.
    juce::File tempFile (const juce::String& name) const;

    ScopedVirtualClock clock;
    ScopedFakeMidiPorts fake;
    ScriptedDialogs dialogs;
    int outputId = -1, inputId = -1;
    juce::File folder;
    std::unique_ptr<SimulatedInstrument> instrument;
    std::unique_ptr<MainContentComponent> main;

private:
    size_t seen = 0;
};

// Whole records compared, selection flag and scratch index left out.
bool sameSound (const SoundRecord& a, const SoundRecord& b);
std::vector<SoundRecord> snapshot (const SoundVector& list);
bool sameSounds (const SoundVector& list, const std::vector<SoundRecord>& before);
void selectOnly (SoundVector& list, std::initializer_list<int> indices);
// The name as shown: names parsed from dumps come padded with spaces.
juce::String nameOf (const SoundRecord& r);
// A sound unlike any of the factory set: a copy of `base` with another name.
SoundRecord renamed (const SoundRecord& base, const char* name);
