// JUCE's own file chooser, the one users without zenity or kdialog get: it must read on the dark
// look, and a save must give the load dialogs a file they show.
#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdlib>
#include <functional>
#include <sys/stat.h>

#include "app/FileDialogs.h"
#include "controls/Look.h"

namespace
{
template <typename Type>
Type* findChild (juce::Component& parent, const std::function<bool (Type&)>& wanted = {})
{
    for (auto* child : parent.getChildren())
    {
        if (auto* typed = dynamic_cast<Type*> (child))
            if (! wanted || wanted (*typed))
                return typed;
        if (auto* found = findChild<Type> (*child, wanted))
            return found;
    }
    return nullptr;
}

template <typename Type>
Type* findWindow()
{
    auto& desktop = juce::Desktop::getInstance();
    for (int i = 0; i < desktop.getNumComponents(); ++i)
        if (auto* window = dynamic_cast<Type*> (desktop.getComponent (i)))
            if (window->isShowing())
                return window;
    return nullptr;
}

juce::TextButton* buttonLabelled (juce::Component& parent, const juce::String& text)
{
    return findChild<juce::TextButton> (parent, [&] (juce::TextButton& b) { return b.getButtonText() == text; });
}

// Where the screen shows nothing, it is black.
float brightnessOnScreen (juce::Colour c)
{
    return c.getBrightness() * c.getFloatAlpha();
}

// Pixels of the area that stand out from its corner's colour (the background) by a third of the
// brightness scale: the strokes of legible text.
int strokes (const juce::Image& image, juce::Rectangle<int> area)
{
    const float background = brightnessOnScreen (image.getPixelAt (area.getX(), area.getY()));
    int count = 0;
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            if (std::abs (brightnessOnScreen (image.getPixelAt (x, y)) - background) > 0.33f)
                ++count;
    return count;
}

struct TempFolder
{
    juce::File folder = juce::File::createTempFile ("chooser");
    TempFolder() { folder.createDirectory(); }
    ~TempFolder() { folder.deleteRecursively(); }
};

// The program's look is the default one, as in the running program.
struct WithLook : ::testing::Test
{
    Look look;
    WithLook() { juce::LookAndFeel::setDefaultLookAndFeel (&look); }
    ~WithLook() override { juce::LookAndFeel::setDefaultLookAndFeel (nullptr); }
};

using FallbackChooserLook = WithLook;
}

TEST_F (FallbackChooserLook, TitleLabelAndPathReadOnTheDarkLook)
{
    TempFolder temp;
    juce::WildcardFileFilter filter ("*.ksx", {}, {});
    juce::FileBrowserComponent browser (juce::FileBrowserComponent::saveMode | juce::FileBrowserComponent::canSelectFiles,
                                        temp.folder, &filter, nullptr);
    juce::FileChooserDialogBox dialog ("Save K content...", {}, browser, true,
                                       browser.findColour (juce::AlertWindow::backgroundColourId));
    dialog.setBounds (0, 0, 600, 500);
    const juce::Image shot = dialog.createComponentSnapshot (dialog.getLocalBounds());

    // The title: 17-point bold, centred at the top of the content.
    const auto content = dialog.getContentComponent()->getBoundsInParent();
    const juce::Rectangle<int> title (content.getX() + 100, content.getY() + 4, content.getWidth() - 200, 22);
    EXPECT_GT (strokes (shot, title), 40) << "the title does not stand out from the window";

    auto* label = findChild<juce::Label> (browser, [] (juce::Label& l) { return l.getText() == "file:"; });
    ASSERT_NE (label, nullptr);
    const auto labelArea = dialog.getLocalArea (label, label->getLocalBounds());
    EXPECT_GT (strokes (shot, labelArea), 15) << "\"file:\" does not stand out from the window";

    // The folder's path in a face that has small letters, not the display face.
    auto* pathBox = findChild<juce::ComboBox> (browser);
    ASSERT_NE (pathBox, nullptr);
    EXPECT_EQ (pathBox->getText(), temp.folder.getFullPathName());
    auto* pathLabel = findChild<juce::Label> (*pathBox);
    ASSERT_NE (pathLabel, nullptr);
    EXPECT_NE (pathLabel->getFont().getTypefaceName(), "LCD");
    EXPECT_NE (look.getTypefaceForFont (pathLabel->getFont()), look.lcdTypeface);
    const auto pathArea = dialog.getLocalArea (pathLabel, pathLabel->getLocalBounds());
    EXPECT_GT (strokes (shot, pathArea), 40) << "the path does not stand out from its box";

    // Its list of parent folders takes the paths' width, not that of the display face's items.
    const auto options = juce::PopupMenu::Options().withTargetComponent (pathBox);
    int width = 0, height = 0;
    look.getIdealPopupMenuItemSizeWithOptions ("/home/someone/sounds/backups/2024/stage", false, 20, width, height, options);
    EXPECT_GT (width, 200);
}

// The real chooser, run as the save command runs it, answered by a timer inside its modal loop.
struct FallbackSave : WithLook, juce::Timer
{
    TempFolder temp;
    juce::File root = temp.folder;  // where the chooser is taken to
    juce::String typed;
    juce::String overwriteAnswer;  // the button pressed if asked about an existing file
    bool askedAboutOverwrite = false;

    static void SetUpTestSuite()
    {
        // No zenity or kdialog to be found: JUCE falls back to its own chooser.
        ::setenv ("PATH", "/nonexistent", 1);
        ASSERT_FALSE (juce::FileChooser::isPlatformDialogAvailable());
    }

    void timerCallback() override
    {
        if (auto* alert = findWindow<juce::AlertWindow>())
        {
            askedAboutOverwrite = true;
            if (auto* button = buttonLabelled (*alert, overwriteAnswer))
                button->triggerClick();
            return;
        }
        if (auto* dialog = findWindow<juce::FileChooserDialogBox>())
        {
            auto* browser = findChild<juce::FileBrowserComponent> (*dialog);
            auto* save = buttonLabelled (*dialog, "Save");
            if (browser == nullptr || save == nullptr)
                return;
            if (browser->getRoot() != root)
            {
                browser->setRoot (root);
                browser->setFileName (typed);
            }
            else if (save->isEnabled())
                save->triggerClick();
        }
    }

    std::string save()
    {
        startTimer (100);
        const auto chosen = FileDialogs().chooseFileToSave ("Save K content...", "*.ksx");
        stopTimer();
        return chosen;
    }
};

TEST_F (FallbackSave, NameWithoutExtensionIsSavedAsKsx)
{
    struct Case { const char* typed; const char* existing; const char* answer; const char* saved; bool asked; };
    const Case cases[] = {
        { "set1",      nullptr,    "",          "set1.ksx",  false },
        { "set1.ksx",  nullptr,    "",          "set1.ksx",  false },
        { "SET1.KSX",  nullptr,    "",          "SET1.KSX",  false },
        // A dot in the name is no extension that the load dialogs show.
        { "Gig v1.2",  nullptr,    "",          "Gig v1.2.ksx", false },
        { "notes.txt", nullptr,    "",          "notes.txt.ksx", false },
        // The chooser asked about "set1"; "set1.ksx" is another file, and it is asked about too.
        { "set1",      "set1.ksx", "Overwrite", "set1.ksx",  true },
        { "set1",      "set1.ksx", "Cancel",    nullptr,     true },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.typed) + (c.existing != nullptr ? ", existing " : "") + (c.existing != nullptr ? c.existing : "")
                      + " " + c.answer);
        temp.folder.deleteRecursively();
        temp.folder.createDirectory();
        if (c.existing != nullptr)
        {
            ASSERT_TRUE (temp.folder.getChildFile (c.existing).replaceWithText ("old"));
        }
        typed = c.typed;
        overwriteAnswer = c.answer;
        askedAboutOverwrite = false;

        const auto chosen = save();
        EXPECT_EQ (chosen, c.saved != nullptr ? temp.folder.getChildFile (c.saved).getFullPathName().toStdString() : "");
        EXPECT_EQ (askedAboutOverwrite, c.asked);
    }
}

// A folder whose name is not UTF-8: the path that comes back holds its bytes.
TEST_F (FallbackSave, AFolderWhoseNameIsNotUtf8)
{
    const std::string folder = pathBytes (temp.folder.getFullPathName()) + "/Kl\xE4nge";
    ASSERT_EQ (::mkdir (folder.c_str(), 0755), 0);
    root = juce::File (pathText (folder));
    typed = "Live";
    EXPECT_EQ (save(), folder + "/Live.ksx");
}
