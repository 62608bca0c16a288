#include "app/FileDialogs.h"

#include <cctype>
#include <cstdlib>
#include <unistd.h>

namespace
{
FileDialogs desktopDialogs;
FileDialogs* installed = nullptr;

// The program of that name on PATH, or empty.
std::string onPath (const char* name)
{
    const char* path = std::getenv ("PATH");
    std::string folders = path != nullptr ? path : "";
    for (size_t start = 0; start <= folders.size();)
    {
        const size_t end = std::min (folders.find (':', start), folders.size());
        const std::string folder = end > start ? folders.substr (start, end - start) : std::string (".");
        const std::string candidate = folder + "/" + name;
        if (::access (candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

// Holds the program's windows while a dialog of another program is open, as JUCE's own modal
// dialogs do: a modal component of no size in the front window takes every click, key and drop,
// while messages and timers go on.
class WindowHold : private juce::Component
{
public:
    WindowHold()
    {
        auto& desktop = juce::Desktop::getInstance();
        for (int i = 0; i < desktop.getNumComponents() && window == nullptr; ++i)
            if (auto* top = dynamic_cast<juce::TopLevelWindow*> (desktop.getComponent (i)); top != nullptr && top->isShowing())
                window = top;
        if (window == nullptr)
            return;
        window->Component::addAndMakeVisible (this);
        enterModalState (false);
    }

    ~WindowHold() override
    {
        if (window != nullptr)
        {
            exitModalState (0);
            window->Component::removeChildComponent (this);
        }
    }

private:
    // The other program's dialog has the user's attention; the main window is not brought before it.
    void inputAttemptWhenModal() override {}

    juce::Component::SafePointer<juce::TopLevelWindow> window;
};

// The desktop's own dialog in a process of its own, its answer read as the bytes it prints. Empty
// when the user cancels or the program ends.
std::string runDesktopChooser (const std::string& program, bool kde, bool save, const juce::String& title,
                               const juce::String& patterns)
{
    const std::string home = [] { const char* h = std::getenv ("HOME"); return std::string (h != nullptr ? h : "/"); }();
    juce::uint64 window = 0;
    if (auto* top = juce::TopLevelWindow::getActiveTopLevelWindow())
        window = (juce::uint64) (juce::pointer_sized_uint) top->getWindowHandle();

    juce::StringArray args { pathText (program) };
    if (kde)
    {
        args.add ("--title=" + title);
        if (window != 0)
            args.addArray ({ "--attach", juce::String (window) });
        args.add (save ? "--getsavefilename" : "--getopenfilename");
        args.add (pathText (home));
        args.add ("(" + patterns.replaceCharacter (';', ' ') + ")");
    }
    else
    {
        args.addArray ({ "--file-selection", "--title=" + title });
        if (save)
            args.addArray ({ "--save", "--confirm-overwrite" });
        args.add ("--file-filter=" + patterns.replaceCharacter (';', ' '));
        // Opens where the desktop's chooser opens by default: the home folder.
        args.add ("--filename=" + pathText (home + "/"));
        if (window != 0)
            ::setenv ("WINDOWID", juce::String (window).toRawUTF8(), 1);
    }

    juce::ChildProcess child;
    if (! child.start (args, juce::ChildProcess::wantStdOut))
        return {};
    {
        const WindowHold hold;
        while (child.isRunning())
            if (! juce::MessageManager::getInstance()->runDispatchLoopUntil (20))
            {
                child.kill();  // the program quits
                return {};
            }
    }
    // A path is far shorter than a pipe holds, so the dialog never waited for this read.
    std::string chosen;
    char buffer[4096];
    for (int n; (n = child.readProcessOutput (buffer, sizeof (buffer))) > 0;)
        chosen.append (buffer, static_cast<size_t> (n));
    if (child.getExitCode() != 0)
        return {};
    if (! chosen.empty() && chosen.back() == '\n')
        chosen.pop_back();
    if (! chosen.empty() && chosen.front() != '/')
        chosen = pathBytes (juce::File::getCurrentWorkingDirectory().getFullPathName()) + "/" + chosen;
    return chosen;
}

// The desktop's chooser as JUCE picks it (kdialog in a KDE session or without zenity), or JUCE's
// own where there is neither.
std::string choose (bool save, const juce::String& title, const juce::String& patterns)
{
    const std::string zenity = onPath ("zenity"), kdialog = onPath ("kdialog");
    const bool kdeSession = juce::SystemStats::getEnvironmentVariable ("KDE_FULL_SESSION", {}).equalsIgnoreCase ("true");
    if (! kdialog.empty() && (kdeSession || zenity.empty()))
        return runDesktopChooser (kdialog, true, save, title, patterns);
    if (! zenity.empty())
        return runDesktopChooser (zenity, false, save, title, patterns);

    // JUCE's chooser as juce::FileChooser shows it, but its answer taken from the browser itself:
    // the chooser hands it on as a URL, which rewrites a name that is not UTF-8.
    juce::WildcardFileFilter filter (patterns, {}, {});
    const int flags = juce::FileBrowserComponent::canSelectFiles
                    | (save ? juce::FileBrowserComponent::saveMode | juce::FileBrowserComponent::warnAboutOverwriting
                            : juce::FileBrowserComponent::openMode);
    juce::FileBrowserComponent browser (flags, juce::File(), &filter, nullptr);
    juce::FileChooserDialogBox box (title, {}, browser, save, browser.findColour (juce::AlertWindow::backgroundColourId));
    if (! box.show())
        return {};
    return pathBytes (browser.getSelectedFile (0).getFullPathName());
}
} // namespace

juce::String pathText (const std::string& bytes)
{
    return juce::String (juce::CharPointer_UTF8 (bytes.data()), juce::CharPointer_UTF8 (bytes.data() + bytes.size()));
}

std::string pathBytes (const juce::String& text)
{
    return std::string (text.toRawUTF8(), text.getNumBytesAsUTF8());
}

juce::String pathForDisplay (const std::string& bytes)
{
    std::string shown;
    for (size_t i = 0; i < bytes.size();)
    {
        // The length of the UTF-8 sequence that begins here, 0 where none does.
        const auto b = static_cast<unsigned char> (bytes[i]);
        size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 && b >= 0xC2 ? 2 : (b >> 4) == 0xE ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
        if (i + n > bytes.size())
            n = 0;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char> (bytes[i + k]) & 0xC0) != 0x80)
                n = 0;
        if (n == 0)
        {
            // Most names that are not UTF-8 are Latin-1: the byte as that character.
            shown += static_cast<char> (0xC0 | (b >> 6));
            shown += static_cast<char> (0x80 | (b & 0x3F));
            ++i;
        }
        else
        {
            shown.append (bytes, i, n);
            i += n;
        }
    }
    return juce::String::fromUTF8 (shown.data(), static_cast<int> (shown.size()));
}

FileDialogs& fileDialogs()
{
    return installed != nullptr ? *installed : desktopDialogs;
}

void setFileDialogs (FileDialogs* replacement)
{
    installed = replacement;
}

std::string FileDialogs::chooseFileToOpen (const juce::String& title, const juce::String& patterns)
{
    return choose (false, title, patterns);
}

std::string FileDialogs::chooseFileToSave (const juce::String& title, const juce::String& patterns)
{
    std::string typed = choose (true, title, patterns);
    const std::string extension = pathBytes (patterns.upToFirstOccurrenceOf (";", false, false).fromLastOccurrenceOf ("*", false, false));
    if (typed.empty() || extension.size() < 2 || extension[0] != '.')
        return typed;
    const auto endsInExtension = [&extension] (const std::string& name)
    {
        if (name.size() < extension.size())
            return false;
        for (size_t i = 0; i < extension.size(); ++i)
            if (std::tolower (static_cast<unsigned char> (name[name.size() - extension.size() + i]))
                != std::tolower (static_cast<unsigned char> (extension[i])))
                return false;
        return true;
    };
    if (endsInExtension (typed))
        return typed;
    // The chooser asked about the name as typed; the one with the extension may be taken.
    const std::string file = typed + extension;
    if (::access (file.c_str(), F_OK) == 0
        && ! juce::AlertWindow::showOkCancelBox (juce::MessageBoxIconType::WarningIcon, "File already exists",
                                                 "There's already a file called: " + pathForDisplay (file)
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
