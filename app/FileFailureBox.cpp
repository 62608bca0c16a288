#include "app/FileFailureBox.h"
#include "app/FileDialogs.h"

namespace
{
juce::String saveReason (FileProblem p)
{
    switch (p)
    {
        case FileProblem::readOnly: return "the folder or disk is read-only";
        case FileProblem::diskFull: return "the disk is full";
        case FileProblem::isFolder: return "it is a folder";
        case FileProblem::notRegular: return "it is no ordinary file";
        case FileProblem::notFound: return "its folder is not there";
        case FileProblem::noPermission: return "you may not write there";
        case FileProblem::noMemory: return "the computer has not enough memory free";
        default: return "the disk reported an error";
    }
}

juce::String loadReason (FileProblem p)
{
    switch (p)
    {
        case FileProblem::noSound: return "no sound found in it";
        case FileProblem::isFolder: return "it is a folder";
        case FileProblem::notRegular: return "it is no ordinary file";
        case FileProblem::notFound: return "it is not there any more";
        case FileProblem::noPermission: return "you may not read it";
        case FileProblem::unreadable: return "the disk failed while it was read; the sounds before that point were loaded";
        case FileProblem::noMemory: return "the computer has not enough memory free for its sounds";
        default: return "the disk reported an error";
    }
}

// "name" in folder
juce::String fileAndFolder (const std::string& path)
{
    const auto slash = path.rfind ('/');
    if (slash == std::string::npos)
        return "\"" + pathForDisplay (path) + "\"";
    const std::string folder = slash == 0 ? std::string ("/") : path.substr (0, slash);
    return "\"" + pathForDisplay (path.substr (slash + 1)) + "\" in " + pathForDisplay (folder);
}

void show (const juce::String& title, const juce::String& text)
{
    juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::NoIcon, title, text, "OK", nullptr, nullptr);
}
} // namespace

juce::String FileFailureBox::saveTitle()
{
    return "Not saved";
}

juce::String FileFailureBox::saveText (const Failure& f)
{
    return "Could not save " + fileAndFolder (f.path) + ": " + saveReason (f.problem)
         + ".\n\nThe sounds are still here in the editor; save them somewhere else before you quit.";
}

juce::String FileFailureBox::loadTitle (const std::vector<Failure>& failures)
{
    for (const auto& f : failures)
        if (f.problem != FileProblem::unreadable)
            return "Not loaded";
    return "Partly loaded";
}

juce::String FileFailureBox::loadText (const std::vector<Failure>& failures)
{
    juce::StringArray lines;
    for (const auto& f : failures)
        lines.add ((f.problem == FileProblem::unreadable ? "Could not load all of " : "Could not load ") + fileAndFolder (f.path)
                   + ": " + loadReason (f.problem) + ".");
    return lines.joinIntoString ("\n");
}

void FileFailureBox::showSaveFailure (const Failure& failure)
{
    show (saveTitle(), saveText (failure));
}

void FileFailureBox::showLoadFailures (const std::vector<Failure>& failures)
{
    if (! failures.empty())
        show (loadTitle (failures), loadText (failures));
}
