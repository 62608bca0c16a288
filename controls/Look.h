#pragma once
// The program's look: the "LCD" display face, the accent colours, LCD popup items and value
// boxes, pink multi-line tooltips ("|" breaks a line) and fixed sizes for a few widgets. JUCE's own
// file chooser (where the desktop has none) keeps the plain face, in the look's colours. Every face
// is compiled in, so no font file is ever read.
#include <juce_gui_basics/juce_gui_basics.h>

class Look : public juce::LookAndFeel_V3
{
public:
    Look();
    ~Look() override;

    juce::Typeface::Ptr getTypefaceForFont (const juce::Font& font) override;

    void drawToggleButton (juce::Graphics& g, juce::ToggleButton& button,
                           bool isMouseOverButton, bool isButtonDown) override;

    void drawPopupMenuItem (juce::Graphics& g, const juce::Rectangle<int>& area,
                            bool isSeparator, bool isActive, bool isHighlighted, bool isTicked,
                            bool hasSubMenu, const juce::String& text,
                            const juce::String& shortcutKeyText, const juce::Drawable* icon,
                            const juce::Colour* textColour) override;
    void getIdealPopupMenuItemSize (const juce::String& text, bool isSeparator,
                                    int standardMenuItemHeight, int& idealWidth,
                                    int& idealHeight) override;
    void drawPopupMenuItemWithOptions (juce::Graphics& g, const juce::Rectangle<int>& area,
                                       bool isHighlighted, const juce::PopupMenu::Item& item,
                                       const juce::PopupMenu::Options& options) override;
    void getIdealPopupMenuItemSizeWithOptions (const juce::String& text, bool isSeparator,
                                               int standardMenuItemHeight, int& idealWidth,
                                               int& idealHeight,
                                               const juce::PopupMenu::Options& options) override;

    juce::Font getComboBoxFont (juce::ComboBox& box) override;

    int getSliderThumbRadius (juce::Slider& slider) override;
    juce::Label* createSliderTextBox (juce::Slider& slider) override;
    juce::Slider::SliderLayout getSliderLayout (juce::Slider& slider) override;

    void fillResizableWindowBackground (juce::Graphics& g, int w, int h,
                                        const juce::BorderSize<int>& border,
                                        juce::ResizableWindow& window) override;

    void layoutFileBrowserComponent (juce::FileBrowserComponent& browser,
                                     juce::DirectoryContentsDisplayComponent* fileList,
                                     juce::FilePreviewComponent* preview,
                                     juce::ComboBox* currentPathBox, juce::TextEditor* filenameBox,
                                     juce::Button* goUpButton) override;

    juce::Rectangle<int> getTooltipBounds (const juce::String& tipText, juce::Point<int> screenPos,
                                           juce::Rectangle<int> parentArea) override;
    void drawTooltip (juce::Graphics& g, const juce::String& text, int width, int height) override;

    // Size of a tip: at least 100 x 20, 7 pixels a character of its longest line, 12 more a line.
    void getTooltipSize (const juce::String& tipText, int& width, int& height);

    juce::Typeface::Ptr lcdTypeface;
    // DejaVu Sans and DejaVu Sans Bold, for every other font.
    juce::Typeface::Ptr plainTypeface, boldTypeface;

    JUCE_DECLARE_NON_COPYABLE (Look)
};
