#pragma once
// The modal questions that the commands put to the user: which file to load or save, and which
// banks a soundset dump overwrites. The app asks through the desktop's dialogs (zenity or kdialog,
// else JUCE's own); tests put in their own answers.
#include <string>
#include <juce_gui_basics/juce_gui_basics.h>

class FileDialogs
{
public:
    virtual ~FileDialogs() = default;

    // The chosen file's path, as the bytes that the file system names it by (a Linux name need not
    // be UTF-8); empty when the user cancels. The program's windows take no input meanwhile.
    virtual std::string chooseFileToOpen (const juce::String& title, const juce::String& patterns);
    // Asks before overwriting an existing file. A name that does not end in the first pattern's
    // extension (in any case) gets it ("Gig v1.2" is saved as "Gig v1.2.ksx"), so that the load
    // dialogs and a drop on a list take the file again.
    virtual std::string chooseFileToSave (const juce::String& title, const juce::String& patterns);

    enum DumpAnswer { dumpCancelled = 0, dumpUserBanks = 1, dumpWithPresets = 2 };
    virtual int askSoundsetDump();
};

// The dialogs in use: the one installed, else the desktop's.
FileDialogs& fileDialogs();
// Null puts the desktop's dialogs back.
void setFileDialogs (FileDialogs* replacement);

// A path's bytes as JUCE text, byte for byte (JUCE's own conversions would rewrite bytes that are
// not UTF-8), and back.
juce::String pathText (const std::string& bytes);
std::string pathBytes (const juce::String& text);
// A path's bytes as a person reads them: UTF-8 where they are, Latin-1 where they are not.
juce::String pathForDisplay (const std::string& bytes);
