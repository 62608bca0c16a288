#pragma once
// The modal questions that the commands put to the user: which file to load or save, and which
// banks a soundset dump overwrites. The app asks through JUCE's dialogs; tests put in their own
// answers.
#include <juce_gui_basics/juce_gui_basics.h>

class FileDialogs
{
public:
    virtual ~FileDialogs() = default;

    // The chosen file, or a default-constructed File when the user cancels.
    virtual juce::File chooseFileToOpen (const juce::String& title, const juce::String& patterns);
    // Asks before overwriting an existing file. A name typed without an extension gets the first
    // pattern's ("set1" is saved as "set1.ksx"), so that the load dialogs find the file again.
    virtual juce::File chooseFileToSave (const juce::String& title, const juce::String& patterns);

    enum DumpAnswer { dumpCancelled = 0, dumpUserBanks = 1, dumpWithPresets = 2 };
    virtual int askSoundsetDump();
};

// The dialogs in use: the one installed, else the desktop's.
FileDialogs& fileDialogs();
// Null puts the desktop's dialogs back.
void setFileDialogs (FileDialogs* replacement);
