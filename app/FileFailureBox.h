#pragma once
// The message that tells the user a load or a save failed: which file, and why, in plain words.
// It is shown without waiting, in the program's look: the timer, the instrument's messages and a
// transfer to the instrument go on while it is open.
#include <string>
#include <vector>
#include <juce_gui_basics/juce_gui_basics.h>
#include "sound/SoundFile.h"

class FileFailureBox
{
public:
    struct Failure
    {
        std::string path;  // as the file system's bytes
        FileProblem problem;
    };

    static void showSaveFailure (const Failure& failure);
    // One box for every file of a load or a drop that failed.
    static void showLoadFailures (const std::vector<Failure>& failures);

    // The box's title and text.
    static juce::String saveTitle();
    static juce::String saveText (const Failure& failure);
    static juce::String loadTitle (const std::vector<Failure>& failures);
    static juce::String loadText (const std::vector<Failure>& failures);
};
