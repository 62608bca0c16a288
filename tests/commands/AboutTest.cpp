// The About box: shown by its hot spot, taken away by a click anywhere, drawn on its veil.
#include "tests/commands/CommandsFixture.h"
#include "controls/Images.h"
#include "editor/About.h"

namespace
{
void clickAt (juce::Component& c, juce::Point<float> at)
{
    const auto now = juce::Time::getCurrentTime();
    const juce::MouseEvent e (juce::Desktop::getInstance().getMainMouseSource(), at, juce::ModifierKeys(),
                              juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f,
                              &c, &c, now, at, now, 1, false);
    c.mouseDown (e);
}

bool isAccent (juce::Colour c)
{
    return c.getRed() > 0xC0 && c.getGreen() > 0xA8 && c.getBlue() < 0x80;
}

// Rows of the three lines that hold accent pixels, as (top, bottom) per line; -1 when none.
std::vector<std::pair<int, int>> lineExtents (About& about)
{
    juce::Image image (juce::Image::ARGB, 1024, 768, true);
    {
        juce::Graphics g (image);
        about.paint (g);
    }
    std::vector<std::pair<int, int>> out;
    for (int line = 0; line < 3; ++line)
    {
        int top = -1, bottom = -1;
        for (int y = 194 + 40 * line; y < 231 + 40 * line; ++y)
            for (int x = 100; x < 1000; x += 1)
                if (isAccent (image.getPixelAt (x, y)))
                {
                    if (top < 0)
                        top = y;
                    bottom = y;
                    break;
                }
        out.push_back ({ top, bottom });
    }
    return out;
}
}

TEST_F (CommandsTest, AboutShowsFromItsSpotAndAnyClickRemovesIt)
{
    const juce::Point<float> points[] = { { 120.0f, 212.0f }, { 5.0f, 5.0f }, { 1020.0f, 765.0f } };
    About* first = nullptr;
    for (auto p : points)
    {
        main->aboutSpot.triggerClick();
        pumpMessageLoop (30);
        ASSERT_NE (main->about, nullptr);
        if (first == nullptr)
            first = main->about;
        EXPECT_EQ (main->about, first);
        EXPECT_EQ (main->about->getParentComponent(), main.get());
        EXPECT_TRUE (main->about->isVisible());

        clickAt (*main->about, p);
        EXPECT_EQ (main->about->getParentComponent(), nullptr) << p.toString();
        EXPECT_EQ (main->about, first);
    }
}

TEST_F (CommandsTest, AboutDrawsThreeAccentLinesSmallerAtDoubleScale)
{
    About about;
    juce::Image image (juce::Image::ARGB, 1024, 768, true);
    {
        juce::Graphics g (image);
        about.paint (g);
    }
    // The veil: dark brown, mostly opaque.
    const auto veil = image.getPixelAt (5, 5);
    EXPECT_EQ (veil.getAlpha(), 0xE0);
    EXPECT_NEAR (veil.getRed(), 0x30, 2);
    EXPECT_NEAR (veil.getGreen(), 0x20, 2);
    EXPECT_EQ (veil.getBlue(), 0);

    const int savedScale = uiScale;
    uiScale = 1;
    const auto normal = lineExtents (about);
    uiScale = 2;
    const auto doubled = lineExtents (about);
    uiScale = savedScale;

    for (int line = 0; line < 3; ++line)
    {
        const auto [top, bottom] = normal[static_cast<size_t> (line)];
        ASSERT_GE (top, 0) << "line " << line;
        // Centred on the line's 25-pixel box at y 200 + 40 i.
        EXPECT_NEAR ((top + bottom) / 2.0, 212.5 + 40 * line, 6.0) << "line " << line;
        const auto [top2, bottom2] = doubled[static_cast<size_t> (line)];
        ASSERT_GE (top2, 0) << "line " << line;
        EXPECT_LT (bottom2 - top2, bottom - top) << "line " << line;
    }
    for (int y = 320; y < 768; y += 4)
        for (int x = 0; x < 1024; x += 4)
            ASSERT_FALSE (isAccent (image.getPixelAt (x, y))) << x << "," << y;
}
