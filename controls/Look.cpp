#include "controls/Look.h"
#include "controls/EmbeddedTypeface.h"
#include "controls/Images.h"
#include "resources/fonts/LcdFont.h"
#include "resources/fonts/PlainFont.h"

// The display face, narrowed to 90 % so that the longest menu items ("ELECTRIC GRAND" at 14) fit
// their 150 pixels. Its space, point and colon take no room (they sit between digits, as on a
// clock), which runs words together ("GRANDPIANO") and hides points ("1.0.3" shows as "10.3"):
// here they take half a cell.
static juce::Typeface::Ptr makeLcdTypeface()
{
    const auto face = EmbeddedTypeface::create (lcdFontData, (size_t) lcdFontSize);
    if (face == nullptr)
        return nullptr;
    constexpr float narrow = 0.9f;
    auto* lcd = new juce::CustomTypeface();
    lcd->setCharacteristics ("LCD", face->getAscent(), false, false, ' ');
    const float halfCell = face->getStringWidth ("0") * narrow * 0.5f;
    lcd->addGlyph (' ', juce::Path(), halfCell);
    for (juce::juce_wchar c = '!'; c < 0x100; ++c)
    {
        juce::Array<int> glyphs;
        juce::Array<float> offsets;
        face->getGlyphPositions (juce::String::charToString (c), glyphs, offsets);
        if (glyphs.isEmpty() || glyphs.getFirst() < 0 || offsets.size() < 2)
            continue;
        juce::Path outline;
        face->getOutlineForGlyph (glyphs.getFirst(), outline);
        outline.applyTransform (juce::AffineTransform::scale (narrow, 1.0f));
        float width = offsets[1] * narrow;
        if (width < halfCell && ! outline.isEmpty())
        {
            width = halfCell;
            outline.applyTransform (juce::AffineTransform::translation (halfCell * 0.5f - outline.getBounds().getCentreX(), 0.0f));
        }
        lcd->addGlyph (c, outline, width);
    }
    return juce::Typeface::Ptr (lcd);
}

// The look's text and item colours on the dark pages.
static const juce::Colour displayText (0xFFEFD531u);
static const juce::Colour itemBackground (0xFF282814u);
static const juce::Colour highlightedItemBackground (0xFF404020u);
static const juce::Colour pageBackground (0xFF202020u);

static bool isInFileChooser (const juce::Component* component)
{
    return component != nullptr && component->findParentComponentOfClass<juce::FileBrowserComponent>() != nullptr;
}

Look::Look()
{
    setColour (juce::ScrollBar::thumbColourId, juce::Colour (0x40FFFFFFu));
    lcdTypeface = makeLcdTypeface();
    plainTypeface = EmbeddedTypeface::create (plainFontData, (size_t) plainFontSize);
    boldTypeface = EmbeddedTypeface::create (boldFontData, (size_t) boldFontSize);
    setColour (juce::ComboBox::backgroundColourId, juce::Colour (0x00000000u));
    setColour (juce::ComboBox::textColourId, juce::Colour (0xFFEFD531u));
    setColour (juce::ComboBox::outlineColourId, juce::Colour (0x00000000u));
    setColour (juce::ComboBox::buttonColourId, juce::Colour (0x40EFD531u));
    setColour (juce::ComboBox::arrowColourId, juce::Colour (0x00000000u));
    setColour (juce::PopupMenu::backgroundColourId, juce::Colour (0x00000000u));
    // The file chooser's title stands on the dark page colour; its boxes and list keep JUCE's
    // black on white.
    setColour (juce::FileChooserDialogBox::titleTextColourId, displayText);
}

Look::~Look()
{
    lcdTypeface = nullptr;
    plainTypeface = nullptr;
    boldTypeface = nullptr;
}

// Every font that is not "LCD", whatever family it names (JUCE's windows ask for the default sans,
// a missing glyph for the fallback face), gets the compiled-in plain face: asking JUCE for a
// system face makes it open every font file in every font folder first. Bold is the bold face; an
// italic or any other style is the plain one, as the system's DejaVu Sans served them.
juce::Typeface::Ptr Look::getTypefaceForFont (const juce::Font& font)
{
    if (font.getTypefaceName() == "LCD" && lcdTypeface != nullptr)
        return lcdTypeface;
    if (font.getTypefaceStyle() == "Bold" && boldTypeface != nullptr)
        return boldTypeface;
    if (plainTypeface != nullptr)
        return plainTypeface;
    return juce::LookAndFeel::getTypefaceForFont (font);
}

void Look::drawToggleButton (juce::Graphics& g, juce::ToggleButton& button, bool, bool)
{
    juce::Colour colour (0xFF808080u);
    if (button.getToggleState())
        colour = juce::Colour (0xFFE0B000u);
    if (button.isDown())
        colour = juce::Colour (0xFFF0C000u);
    juce::LookAndFeel_V2::drawGlassSphere (g, 1.0f, 1.0f, 15.0f, colour, 1.1f);
}

static juce::Font lcdFont (float smallScaleHeight, float bigScaleHeight)
{
    return juce::Font ("LCD", uiScale < 2 ? smallScaleHeight : bigScaleHeight, juce::Font::plain);
}

void Look::drawPopupMenuItem (juce::Graphics& g, const juce::Rectangle<int>&, bool, bool,
                              bool isHighlighted, bool isTicked, bool, const juce::String& text,
                              const juce::String&, const juce::Drawable*, const juce::Colour*)
{
    g.fillAll (isHighlighted ? highlightedItemBackground : itemBackground);
    g.setFont (lcdFont (14.0f, 11.0f));
    g.setColour (displayText);
    if (isTicked)
        g.drawText ("*", 0, 0, 150, 16, juce::Justification::centredLeft, true);
    g.drawText (text, 8, 0, 150, 16, juce::Justification::centredLeft, true);
}

void Look::getIdealPopupMenuItemSize (const juce::String&, bool, int, int& idealWidth, int& idealHeight)
{
    idealWidth = 160;
    idealHeight = 18;
}

// The file chooser's folder list holds paths: the plain face (the display face has capitals only),
// as wide as the path needs.
void Look::drawPopupMenuItemWithOptions (juce::Graphics& g, const juce::Rectangle<int>& area,
                                         bool isHighlighted, const juce::PopupMenu::Item& item,
                                         const juce::PopupMenu::Options& options)
{
    if (! isInFileChooser (options.getTargetComponent()))
    {
        LookAndFeel_V3::drawPopupMenuItemWithOptions (g, area, isHighlighted, item, options);
        return;
    }
    g.fillAll (isHighlighted ? highlightedItemBackground : itemBackground);
    g.setFont (getPopupMenuFont());
    g.setColour (displayText);
    g.drawText (item.text, area.withZeroOrigin().reduced (8, 0), juce::Justification::centredLeft, true);
}

void Look::getIdealPopupMenuItemSizeWithOptions (const juce::String& text, bool isSeparator,
                                                 int standardMenuItemHeight, int& idealWidth,
                                                 int& idealHeight, const juce::PopupMenu::Options& options)
{
    if (isInFileChooser (options.getTargetComponent()))
        LookAndFeel_V3::getIdealPopupMenuItemSize (text, isSeparator, standardMenuItemHeight, idealWidth, idealHeight);
    else
        getIdealPopupMenuItemSize (text, isSeparator, standardMenuItemHeight, idealWidth, idealHeight);
}

juce::Font Look::getComboBoxFont (juce::ComboBox& box)
{
    if (isInFileChooser (&box))
        return LookAndFeel_V3::getComboBoxFont (box);
    return lcdFont (14.0f, 11.0f);
}

int Look::getSliderThumbRadius (juce::Slider&)
{
    return 27;
}

juce::Label* Look::createSliderTextBox (juce::Slider&)
{
    auto* label = new juce::Label (juce::String(), juce::String());
    label->setLookAndFeel (this);
    label->setJustificationType (juce::Justification::centred);
    label->setColour (juce::Label::textColourId, juce::Colour (0xFFEFD531u));
    label->setColour (juce::TextEditor::textColourId, juce::Colour (0xFFFFFF00u));
    label->setColour (juce::TextEditor::highlightedTextColourId, juce::Colour (0xFFFF00FFu));
    label->setFont (lcdFont (15.0f, 12.0f));
    // The display face is wide: "440,0" needs almost the whole 50-pixel box, so the label keeps
    // only a pixel of border and may squeeze the text to 70 % rather than cut it short.
    label->setBorderSize ({ 1, 1, 1, 1 });
    label->setMinimumHorizontalScale (0.7f);
    return label;
}

juce::Slider::SliderLayout Look::getSliderLayout (juce::Slider& slider)
{
    if (slider.getTextBoxPosition() == juce::Slider::TextBoxRight)
    {
        // The "_Rot" knob strip: an 83 x 83 frame with its value box beside it.
        juce::Slider::SliderLayout layout;
        layout.sliderBounds = { 0, 0, 83, 83 };
        layout.textBoxBounds = { 83, 36, 42, 20 };
        return layout;
    }
    return juce::LookAndFeel_V2::getSliderLayout (slider);
}

// The main window's page paints every pixel; only the file chooser's window needs a background.
void Look::fillResizableWindowBackground (juce::Graphics& g, int, int, const juce::BorderSize<int>&,
                                          juce::ResizableWindow& window)
{
    if (dynamic_cast<juce::FileChooserDialogBox*> (&window) != nullptr)
        g.fillAll (pageBackground);
}

void Look::layoutFileBrowserComponent (juce::FileBrowserComponent& browser,
                                       juce::DirectoryContentsDisplayComponent* fileList,
                                       juce::FilePreviewComponent* preview,
                                       juce::ComboBox* currentPathBox, juce::TextEditor* filenameBox,
                                       juce::Button* goUpButton)
{
    LookAndFeel_V3::layoutFileBrowserComponent (browser, fileList, preview, currentPathBox, filenameBox, goUpButton);
    // The "file:" label beside the name box stands on the page colour too.
    for (auto* child : browser.getChildren())
        if (auto* label = dynamic_cast<juce::Label*> (child))
            label->setColour (juce::Label::textColourId, displayText);
}

// Splits a tip at "|" into at most 8 lines; the callback gets each line and its number.
template <typename Fn>
static void forEachTipLine (const juce::String& tipText, Fn&& fn)
{
    juce::String rest = tipText;
    for (int i = 0;;)
    {
        fn (rest.upToFirstOccurrenceOf ("|", false, false), i);
        rest = rest.fromFirstOccurrenceOf ("|", false, false);
        if (rest.isEmpty() || ++i == 8)
            return;
    }
}

void Look::getTooltipSize (const juce::String& tipText, int& width, int& height)
{
    width = 100;
    height = 20;
    juce::String rest = tipText;
    // Measured on its first 8 lines; a ninth still adds its 12 pixels.
    for (int i = 0;;)
    {
        width = juce::jmax (width, 7 * rest.upToFirstOccurrenceOf ("|", false, false).length() + 3);
        rest = rest.fromFirstOccurrenceOf ("|", false, false);
        if (rest.isEmpty())
            break;
        height += 12;
        if (++i == 8)
            break;
    }
}

juce::Rectangle<int> Look::getTooltipBounds (const juce::String& tipText, juce::Point<int> screenPos,
                                             juce::Rectangle<int> parentArea)
{
    int w = 0, h = 0;
    getTooltipSize (tipText, w, h);
    int x = screenPos.x + 20;
    if (screenPos.x + 20 + w > parentArea.getWidth())
        x = screenPos.x - w - 10;
    int y = screenPos.y;
    if (screenPos.y + h > parentArea.getHeight())
        y = parentArea.getHeight() - h;
    return { x, y, w, h };
}

void Look::drawTooltip (juce::Graphics& g, const juce::String& text, int width, int height)
{
    g.fillAll (juce::Colour (0xFFFFD0D0u));
    g.setColour (juce::Colour (0xFFC00000u));
    g.drawRect (0, 0, width, height, 1);
    g.setColour (juce::Colour (0xFF000000u));
    // Links turn blue, and the rest of the tip with them.
    forEachTipLine (text, [&] (const juce::String& line, int i)
    {
        if (line.startsWith ("http") || line.startsWith ("www"))
            g.setColour (juce::Colour (0xFF0000FFu));
        g.drawText (line, 6, 3 + 12 * i, width, height, juce::Justification::topLeft, false);
    });
}
