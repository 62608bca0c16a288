// Drags with a real pointer in a real window: xdotool moves the X server's pointer while the
// message loop runs, and the records tell what landed where.
#include <gtest/gtest.h>

#include <cstdlib>
#include <future>

#include "tests/library/PageFixture.h"

namespace
{
bool haveXdotool()
{
    return std::getenv ("DISPLAY") != nullptr && std::system ("command -v xdotool >/dev/null 2>&1") == 0;
}

// Presses at `from`, moves to `to` in small steps and lets go, while the message loop runs.
void dragWithPointer (juce::Point<int> from, juce::Point<int> to)
{
    juce::String script;
    script << "xdotool mousemove " << from.x << " " << from.y << " sleep 0.2 mousedown 1 sleep 0.2";
    for (int i = 1; i <= 10; ++i)
    {
        const auto p = from + (to - from) * i / 10;
        script << " mousemove " << p.x << " " << p.y << " sleep 0.05";
    }
    script << " sleep 0.3 mouseup 1";
    auto done = std::async (std::launch::async, [script] { return std::system (script.toRawUTF8()); });
    while (done.wait_for (std::chrono::milliseconds (0)) != std::future_status::ready)
        pumpMessageLoop (20);
    EXPECT_EQ (done.get(), 0);
    pumpMessageLoop (300);
}

juce::String trimmedName (const SoundRecord& r)
{
    return juce::String (r.nameText()).trimEnd();
}
} // namespace

class RealWindowDrag : public PageFixture
{
protected:
    void SetUp() override
    {
        if (! haveXdotool())
            GTEST_SKIP() << "needs an X display and xdotool";
        const auto area = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->totalArea;
        if (area.getWidth() < 1024 || area.getHeight() < 768)
            GTEST_SKIP() << "the screen is smaller than the window";
        PageFixture::SetUp();
        showOnDesktop();
    }

    void TearDown() override
    {
        if (main != nullptr)
            main->removeFromDesktop();
        PageFixture::TearDown();
    }

    // Screen positions of a row's name part and of its layer part.
    juce::Point<int> rowAt (Soundlist& list, int row)
    {
        return list.localPointToGlobal (juce::Point<int> (40, row * 16 + 8));
    }
    juce::Point<int> layerAt (Soundlist& list, int row)
    {
        return list.localPointToGlobal (juce::Point<int> (list.getVisibleRowWidth() - 6, row * 16 + 8));
    }
};

TEST_F (RealWindowDrag, FromTheLibraryOntoAUserRowAndOntoALayerPart)
{
    setCc (&library()[5], 73, 0, true);
    setSoundName (&library()[5], "Dragged Over");
    setSoundName (&library()[7], "Dragged Layer");
    page().libraryList.refresh();
    setCc (&user()[12], 73, 0, true);
    const juce::String name12 = trimmedName (user()[12]);

    dragWithPointer (rowAt (page().libraryList, 5), rowAt (page().userList, 10));

    ASSERT_EQ (user().size(), 28);
    EXPECT_EQ (trimmedName (user()[10]), "Dragged Over");
    EXPECT_EQ (library().size(), 28);

    dragWithPointer (rowAt (page().libraryList, 7), layerAt (page().userList, 12));

    ASSERT_EQ (user().size(), 28);
    EXPECT_EQ (trimmedName (user()[12]), name12);
    EXPECT_EQ (getLayerName (&user()[12]), "Dragged Layer");
    EXPECT_EQ (user()[12][SoundRecord::layerMix], 64u);
    EXPECT_EQ (user().dropRow, -1);
}
