#include "Render.h"
#include "controls/Look.h"

namespace
{
struct LookTest : ::testing::Test
{
    Look look;
};

juce::Point<int> size (Look& look, const juce::String& tip)
{
    int w = 0, h = 0;
    look.getTooltipSize (tip, w, h);
    return { w, h };
}
}

TEST_F (LookTest, ServesTheDisplayFaceUnderLcdOnly)
{
    ASSERT_NE (look.lcdTypeface, nullptr);
    EXPECT_EQ (look.getTypefaceForFont (juce::Font ("LCD", 15.0f, juce::Font::plain)), look.lcdTypeface);
    EXPECT_NE (look.getTypefaceForFont (juce::Font ("lcd", 15.0f, juce::Font::plain)), look.lcdTypeface);
    EXPECT_NE (look.getTypefaceForFont (juce::Font (15.0f)), look.lcdTypeface);
}

// Whatever family or style a font names, the look answers with a compiled-in face, never one that
// JUCE would look for in the system's font folders: DejaVu Sans ("Book"), DejaVu Sans Bold for bold.
TEST_F (LookTest, EveryOtherFontGetsTheCompiledInPlainFace)
{
    struct Case { const char* what; juce::Font font; const char* style; };
    const Case cases[] = {
        { "default", juce::Font(), "Book" },
        { "plain 13", juce::Font (13.0f, juce::Font::plain), "Book" },
        { "bold (alert titles)", juce::Font (17.0f, juce::Font::bold), "Bold" },
        { "italic", juce::Font (15.0f, juce::Font::italic), "Book" },
        { "bold italic", juce::Font (15.0f, juce::Font::bold | juce::Font::italic), "Book" },
        { "serif", juce::Font (juce::Font::getDefaultSerifFontName(), 15.0f, juce::Font::plain), "Book" },
        { "monospaced", juce::Font (juce::Font::getDefaultMonospacedFontName(), 15.0f, juce::Font::plain), "Book" },
        { "a family nobody has", juce::Font ("Helvetica Neue", 12.0f, juce::Font::bold), "Bold" },
        { "the fallback face", juce::Font (juce::String(), juce::String(), 10.0f), "Book" },
        { "LCD in lower case", juce::Font ("lcd", 15.0f, juce::Font::plain), "Book" },
    };
    for (const auto& c : cases)
    {
        const auto face = look.getTypefaceForFont (c.font);
        ASSERT_NE (face, nullptr) << c.what;
        EXPECT_EQ (face->getName(), "DejaVu Sans") << c.what;
        EXPECT_EQ (face->getStyle(), c.style) << c.what;
        EXPECT_GT (face->getStringWidth ("Kestrane"), 0.0f) << c.what;
    }
}

TEST_F (LookTest, DisplayFaceKeepsWordsApartAndMenuItemsWhole)
{
    const juce::Font font = juce::Font (look.lcdTypeface).withHeight (14.0f);
    const float cell = font.getStringWidthFloat ("0");
    for (const char* gap : { " ", ".", ":" })
        EXPECT_GT (font.getStringWidthFloat (juce::String ("1") + gap + "0"), font.getStringWidthFloat ("10") + 0.4f * cell) << gap;
    // The longest texts of the sample, pickup and global menus, in the item's 150-pixel text box.
    for (const char* item : { "Electric Grand", "Fast Orchestra", "Synthetic Pad", "Capacitive 3", "CH 16", "medium" })
        EXPECT_LT (font.getStringWidthFloat (juce::String (item).toUpperCase()), 150.0f) << item;
    juce::Path outline;
    look.lcdTypeface->getOutlineForGlyph ('8', outline);
    EXPECT_FALSE (outline.isEmpty());
}

TEST_F (LookTest, MissingDisplayFaceFallsBackToADrawableFace)
{
    look.lcdTypeface = nullptr;
    const auto face = look.getTypefaceForFont (juce::Font ("LCD", 15.0f, juce::Font::plain));
    ASSERT_NE (face, nullptr);
    juce::Path p;
    face->getOutlineForGlyph (face->getStringWidth ("A") > 0 ? 'A' : 0, p);
    EXPECT_GT (face->getStringWidth ("A"), 0.0f);
}

TEST_F (LookTest, ValueTextFitsItsBoxesWithoutBeingCut)
{
    // The widest texts of the knobs and the layer slider in their 50 x 20 value box, at the
    // squeeze the label allows before it would cut the text short.
    for (int s : { 1, 2 })
    {
        ScaleGuard guard (s);
        juce::Slider slider;
        std::unique_ptr<juce::Label> label (look.createSliderTextBox (slider));
        label->setBounds (0, 0, 50, 20);
        const auto area = label->getBorderSize().subtractedFrom (label->getLocalBounds());
        const juce::Font font = label->getFont();
        ASSERT_EQ (look.getTypefaceForFont (font), look.lcdTypeface);
        const juce::Font measured (look.lcdTypeface);
        // JUCE reads a minimum of 0 as its default squeeze.
        const float squeeze = label->getMinimumHorizontalScale() > 0.0f ? label->getMinimumHorizontalScale()
                                                                        : juce::Font::getDefaultMinimumHorizontalScaleFactor();
        for (const char* text : { "440,0", "465,7", "415,3", "+63", "-64", "127", "OFF", "+12" })
            EXPECT_LE (measured.withHeight (font.getHeight()).getStringWidthFloat (text) * squeeze,
                       (float) area.getWidth()) << text << " at scale " << s;
    }
}

TEST_F (LookTest, TooltipSizes)
{
    struct Case { const char* tip; int w, h; };
    const Case cases[] = {
        { "User Sounds|<up/down> moves selection|<delete> removes selection", 185, 44 },
        { "0123456789", 100, 20 },
        { "01234567890123456789", 143, 20 },
        { "", 100, 20 },
        { "abc|", 100, 20 },
        { "a||b", 100, 44 },
        { "1|2|3|4|5|6|7|8", 100, 104 },
        { "1|2|3|4|5|6|7|8|9", 100, 116 },
        { "1|2|3|4|5|6|7|8|9|10|11", 100, 116 },
        // Only the first 8 lines are measured.
        { "1|2|3|4|5|6|7|8|0123456789012345678901234567890", 100, 116 },
    };
    for (const auto& c : cases)
        EXPECT_EQ (size (look, c.tip), juce::Point<int> (c.w, c.h)) << c.tip;
}

TEST_F (LookTest, TooltipStaysInsideTheParent)
{
    const juce::Rectangle<int> parent (0, 0, 1024, 768);
    const juce::String wide = "01234567890123456789";  // 143 x 20
    EXPECT_EQ (look.getTooltipBounds (wide, { 100, 100 }, parent), juce::Rectangle<int> (120, 100, 143, 20));
    EXPECT_EQ (look.getTooltipBounds (wide, { 1000, 100 }, parent).getX(), 847);
    EXPECT_EQ (look.getTooltipBounds (wide, { 100, 760 }, parent).getY(), 748);
    EXPECT_EQ (look.getTooltipBounds (wide, { 861, 748 }, parent), juce::Rectangle<int> (881, 748, 143, 20));
}

TEST_F (LookTest, TooltipLinksTurnTheRestBlue)
{
    const int w = 200, h = 44;
    const auto img = render (w, h, 1, [&] (juce::Graphics& g) { look.drawTooltip (g, "PLAIN LINE|http://x.y|AFTER", w, h); });
    auto lineInk = [&] (int line)
    {
        // The darkest pixel in the line's band tells its colour.
        const juce::Image::BitmapData p (img, juce::Image::BitmapData::readOnly);
        juce::Colour darkest = juce::Colours::white;
        auto luma = [] (juce::Colour c) { return 0.3f * c.getFloatRed() + 0.59f * c.getFloatGreen() + 0.11f * c.getFloatBlue(); };
        for (int y = 3 + 12 * line; y < 3 + 12 * line + 11 && y < h - 1; ++y)
            for (int x = 6; x < 80; ++x)
            {
                const auto c = p.getPixelColour (x, y);
                if (luma (c) < luma (darkest))
                    darkest = c;
            }
        return darkest;
    };
    const auto first = lineInk (0), second = lineInk (1), third = lineInk (2);
    EXPECT_LT (first.getBlue(), 0x60);
    EXPECT_GT (second.getBlue(), second.getRed() + 0x60);
    EXPECT_GT (third.getBlue(), third.getRed() + 0x60);
    EXPECT_EQ (juce::Image::BitmapData (img, juce::Image::BitmapData::readOnly).getPixelColour (0, 20).getARGB(), 0xFFC00000u);
}

TEST_F (LookTest, FixedSizesAndLayouts)
{
    for (bool separator : { false, true })
    {
        int w = 0, h = 0;
        look.getIdealPopupMenuItemSize ("a very long popup menu item text indeed", separator, 30, w, h);
        EXPECT_EQ (w, 160);
        EXPECT_EQ (h, 18);
    }

    juce::Slider knob;
    EXPECT_EQ (look.getSliderThumbRadius (knob), 27);
    knob.setBounds (0, 0, 300, 200);
    knob.setTextBoxStyle (juce::Slider::TextBoxRight, false, 50, 20);
    const auto layout = look.getSliderLayout (knob);
    EXPECT_EQ (layout.sliderBounds, juce::Rectangle<int> (0, 0, 83, 83));
    EXPECT_EQ (layout.textBoxBounds, juce::Rectangle<int> (83, 36, 42, 20));

    knob.setTextBoxStyle (juce::Slider::TextBoxAbove, false, 50, 20);
    EXPECT_EQ (look.getSliderLayout (knob).textBoxBounds, juce::Rectangle<int> (125, 0, 50, 20));
}

TEST_F (LookTest, FontsFollowTheScale)
{
    struct Case { int scale; float combo, box; };
    for (const auto& c : { Case { 0, 14, 15 }, Case { 1, 14, 15 }, Case { 2, 11, 12 }, Case { 3, 11, 12 } })
    {
        ScaleGuard guard (c.scale);
        juce::ComboBox combo;
        const auto comboFont = look.getComboBoxFont (combo);
        EXPECT_EQ (comboFont.getTypefaceName(), "LCD");
        EXPECT_EQ (comboFont.getHeight(), c.combo);

        juce::Slider slider;
        std::unique_ptr<juce::Label> label (look.createSliderTextBox (slider));
        EXPECT_EQ (label->getFont().getTypefaceName(), "LCD");
        EXPECT_EQ (label->getFont().getHeight(), c.box);
        EXPECT_EQ (label->findColour (juce::Label::textColourId).getARGB(), 0xFFEFD531u);
        EXPECT_EQ (label->findColour (juce::TextEditor::textColourId).getARGB(), 0xFFFFFF00u);
        EXPECT_EQ (label->getJustificationType(), juce::Justification::centred);
    }
}

TEST_F (LookTest, PopupItemsAreFilledLcdText)
{
    const auto img = render (160, 18, 1, [&] (juce::Graphics& g)
    {
        look.drawPopupMenuItem (g, { 0, 0, 160, 18 }, false, true, true, false, false, "CH 01", {}, nullptr, nullptr);
    });
    const juce::Image::BitmapData p (img, juce::Image::BitmapData::readOnly);
    EXPECT_EQ (p.getPixelColour (2, 17).getARGB(), 0xFF404020u);
    EXPECT_EQ (look.findColour (juce::ComboBox::textColourId).getARGB(), 0xFFEFD531u);
    EXPECT_EQ (look.findColour (juce::PopupMenu::backgroundColourId).getARGB(), 0x00000000u);
    EXPECT_EQ (look.findColour (juce::ScrollBar::thumbColourId).getARGB(), 0x40FFFFFFu);
}

TEST_F (LookTest, ToggleButtonsAreASphereInTheirStateColour)
{
    juce::ToggleButton button;
    button.setBounds (0, 0, 20, 20);
    auto centre = [&]
    {
        const auto img = render (20, 20, 1, [&] (juce::Graphics& g) { look.drawToggleButton (g, button, false, false); });
        return juce::Image::BitmapData (img, juce::Image::BitmapData::readOnly).getPixelColour (8, 12);
    };
    const auto off = centre();
    EXPECT_NEAR (off.getRed(), off.getBlue(), 8);  // grey
    button.setToggleState (true, juce::dontSendNotification);
    const auto on = centre();
    EXPECT_GT (on.getRed(), on.getBlue() + 80);    // amber
    EXPECT_GT (on.getGreen(), on.getBlue() + 40);
}
