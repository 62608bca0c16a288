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
    return chooser.getResult();
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
