// The engine selector: clicks on its radio buttons store the engine, send CC 22 once and show
// that engine's page.
#include "tests/commands/CommandsFixture.h"
#include "app/InstrumentLink.h"
#include "controls/zbutton.h"
#include "editor/Algorithm.h"
#include "sound/CcConversion.h"

namespace
{
std::vector<MidiBytes> engineCcs (const std::vector<MidiBytes>& sent)
{
    std::vector<MidiBytes> out;
    for (const auto& m : sent)
        if (m.size() == 3 && (m[0] & 0xF0) == 0xB0 && m[1] == 22)
            out.push_back (m);
    return out;
}

void click (juce::Button* b)
{
    b->triggerClick();
    pumpMessageLoop (30);
}
}

class EngineSelectorTest : public CommandsTest
{
protected:
    void showModelSound()
    {
        auto& user = main->userSounds;
        setCc (&user[0], 22, 0, true);
        user[0][SoundRecord::engineType] = 0;
        selectOnly (user, { 0 });
        showPage (1);
        pumpMessageLoop (30);
        ASSERT_NE (main->editPanel, nullptr);
        ASSERT_TRUE (selector()->buttons[Algorithm::modelButton]->getToggleState());
        globalBlock.set (GlobalBlock::channel, 16);  // OMNI: CCs go out as B0
        sentSinceLast();
        ScopedVirtualClock::clear();
    }
    Algorithm* selector() { return main->algorithm; }
};

TEST_F (EngineSelectorTest, ClickTurnsOnSendsOnceAndShowsThatPage)
{
    showModelSound();
    auto** b = selector()->buttons;

    click (b[Algorithm::sampleButton]);

    const auto sent = sentSinceLast();
    EXPECT_EQ (engineCcs (sent), (std::vector<MidiBytes> { { 0xB0, 22, 1 } }));
    EXPECT_FALSE (b[Algorithm::modelButton]->getToggleState());
    EXPECT_TRUE (b[Algorithm::sampleButton]->getToggleState());
    EXPECT_FALSE (b[Algorithm::fmButton]->getToggleState());
    EXPECT_EQ (main->userSounds[0][SoundRecord::engineType], 1u);
    EXPECT_EQ (shownEnginePage, 1);
    EXPECT_NE (main->samplePanel, nullptr);
    EXPECT_EQ (main->editPanel, nullptr);
    EXPECT_TRUE (selector()->isVisible());
    // No edit-buffer send of the sound, unlike the "Sound" button.
    for (const auto& m : sent)
        EXPECT_NE (m.size(), 1330u);
}

TEST_F (EngineSelectorTest, ClickOnTheActiveButtonKeepsItOnAndRepeats)
{
    showModelSound();
    auto* fm = selector()->buttons[Algorithm::fmButton];
    click (fm);
    sentSinceLast();

    click (fm);

    EXPECT_TRUE (fm->getToggleState());
    EXPECT_EQ (engineCcs (sentSinceLast()), (std::vector<MidiBytes> { { 0xB0, 22, 2 } }));
    EXPECT_NE (main->fmPanel, nullptr);
    EXPECT_EQ (shownEnginePage, 2);
}

TEST_F (EngineSelectorTest, WithoutASelectedSoundTheEngineStillGoesOutOnTheChannel)
{
    showModelSound();
    selectOnly (main->userSounds, {});
    const auto before = snapshot (main->userSounds);
    globalBlock.set (GlobalBlock::channel, 4);

    click (selector()->buttons[Algorithm::fmButton]);

    EXPECT_EQ (engineCcs (sentSinceLast()), (std::vector<MidiBytes> { { 0xB4, 22, 2 } }));
    EXPECT_NE (main->fmPanel, nullptr);
    EXPECT_TRUE (sameSounds (main->userSounds, before));
}
