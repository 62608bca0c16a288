// Every page, dialog and control asks for images by name; a misspelt one silently gets the small
// stand-in arrow, so the whole window is built here and every lookup that fell back is named.
#include <string>
#include <vector>
#include "controls/ImageFallback.h"
#include "controls/zbutton.h"
#include "editor/Algorithm.h"
#include "tests/pages/PageFixture.h"

namespace
{
std::vector<std::string> fellBack;

class ImageNames : public PageTest
{
protected:
    // Before the main component exists, so that its own images and the content page count too.
    void SetUp() override
    {
        fellBack.clear();
        imageFallbackHook = [] (const char* name) { fellBack.push_back (name == nullptr ? "(null)" : name); };
        PageTest::SetUp();
    }
    void TearDown() override
    {
        PageTest::TearDown();
        imageFallbackHook = nullptr;
    }
};
}

TEST_F (ImageNames, NoPageDialogOrControlFallsBackToTheStandIn)
{
    ASSERT_NE (main->soundPanel, nullptr);
    ASSERT_NE (main->algorithm, nullptr);
    main->showModelPage();
    ASSERT_NE (main->editPanel, nullptr);
    main->showFmPage();
    ASSERT_NE (main->fmPanel, nullptr);
    main->showSamplePage();
    ASSERT_NE (main->samplePanel, nullptr);
    main->showEffectsPage();
    ASSERT_NE (main->fxPanel, nullptr);
    main->showContentPage();
    main->globalButton->setToggleState (true, juce::dontSendNotification);
    main->toggleGlobalDialog();
    ASSERT_NE (main->globalDialog, nullptr);
    main->showAbout();
    ASSERT_NE (main->about, nullptr);
    pumpMessageLoop (40);

    EXPECT_EQ (fellBack, std::vector<std::string>());
}
