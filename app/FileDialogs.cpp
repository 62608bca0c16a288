#include "app/FileDialogs.h"

namespace
{
FileDialogs desktopDialogs;
FileDialogs* installed = nullptr;
}

FileDialogs& fileDialogs()
{
    return installed != nullptr ? *installed : desktopDialogs;
}

void setFileDialogs (FileDialogs* replacement)
{
    installed = replacement;
}

juce::File FileDialogs::chooseFileToOpen (const juce::String& title, const juce::String& patterns)
{
    // No starting folder: the dialog opens where the system puts it.
    juce::FileChooser chooser (title, juce::File(), patterns, true);
    if (! chooser.browseForFileToOpen (nullptr))
        return {};
    return chooser.getResult();
}

juce::File FileDialogs::chooseFileToSave (const juce::String& title, const juce::String& patterns)
{
    juce::FileChooser chooser (title, juce::File(), patterns, true);
    if (! chooser.browseForFileToSave (true))
        return {};
    const juce::File typed = chooser.getResult();
    const juce::String extension = patterns.upToFirstOccurrenceOf (";", false, false).fromLastOccurrenceOf ("*", false, false);
    if (typed.getFileExtension().isNotEmpty() || ! extension.startsWithChar ('.'))
        return typed;
    // The chooser asked about the name as typed; the one with the extension may be taken.
    const juce::File file = typed.withFileExtension (extension);
    if (file.exists()
        && ! juce::AlertWindow::showOkCancelBox (juce::MessageBoxIconType::WarningIcon, "File already exists",
                                                 "There's already a file called: " + file.getFullPathName()
                                                     + "\n\nAre you sure you want to overwrite it?",
                                                 "Overwrite", "Cancel", nullptr, nullptr))
        return {};
    return file;
}

int FileDialogs::askSoundsetDump()
{
    return juce::AlertWindow::showYesNoCancelBox (juce::MessageBoxIconType::NoIcon,
                                                  "Dump Kestrane Soundset",
                                                  "Sure? This will overwrite sounds in your Kestrane!",
                                                  "Dump User Banks only",
                                                  "Dump with Presets",
                                                  "Cancel",
                                                  nullptr,
                                                  nullptr);
}
