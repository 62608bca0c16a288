// The main component's start, page switching, About overlay and Global dialog.
#include "tests/app/LinkFixture.h"
#include "controls/zbutton.h"
#include "editor/About.h"
#include "editor/Algorithm.h"
#include "editor/EditPanel.h"
#include "editor/FmPanel.h"
#include "editor/FxPanel.h"
#include "editor/GlobalDialog.h"
#include "editor/SamplePanel.h"
#include "library/SoundPanel.h"

namespace
{
class MainComponent : public LinkFixture
{
protected:
    void select (int index)
    {
        const juce::ScopedLock sl (userSoundsLock);
        for (int i = 0; i < user().size(); ++i)
            user()[i].setSelected (i == index);
    }

    int firstWithEngine (int engine)
    {
        for (int i = 0; i < user().size(); ++i)
            if (user()[i][SoundRecord::engineType] == static_cast<uint32_t> (engine))
                return i;
        return -1;
    }

    size_t dumpsSent()
    {
        EXPECT_TRUE (kestrane->waitUntilIdle());
        return kestrane->receivedSoundDumps().size();
    }

    zbutton* engineButton (int which) { return main->algorithm->buttons[which]; }
    bool contentShown() { return main->soundPanel != nullptr && main->soundPanel->getParentComponent() == main.get(); }
};
}

TEST_F (MainComponent, StartsOnTheContentPageWithBothListsFilled)
{
    start (2, 2, -1);
    EXPECT_EQ (mainComponent, main.get());
    EXPECT_EQ (main->getWidth(), 1024);
    EXPECT_EQ (main->getHeight(), 768);
    EXPECT_TRUE (contentShown());
    EXPECT_TRUE (main->soundPanel->isVisible());
    EXPECT_TRUE (main->mainButtons[1]->getToggleState());
    EXPECT_FALSE (main->mainButtons[0]->getToggleState());
    EXPECT_FALSE (main->mainButtons[2]->getToggleState());
    EXPECT_FALSE (main->mainButtons[3]->getToggleState());
    EXPECT_FALSE (main->algorithm->isVisible());
    EXPECT_TRUE (main->globalButton->isAlwaysOnTop());
    EXPECT_TRUE (main->algorithm->isAlwaysOnTop());
    EXPECT_EQ (main->userSounds.size(), 28);
    EXPECT_EQ (main->librarySounds.size(), 28);
    EXPECT_TRUE (main->userSounds[0].isSelected());
    EXPECT_TRUE (main->soundPanel->userList.isRowSelected (0));
    EXPECT_EQ (main->editPanel, nullptr);
    EXPECT_EQ (main->globalDialog, nullptr);
    EXPECT_EQ (main->about, nullptr);
    EXPECT_EQ (ports.openInputCount() + ports.openOutputCount(), 0);
    EXPECT_EQ (main->aboutSpot.getBounds(), juce::Rectangle<int> (818, 16, 40, 32));
    EXPECT_EQ (main->aboutSpot.getCommandID(), 18);
    EXPECT_EQ (main->mainButtons[2]->getCommandID(), 13);
    EXPECT_TRUE (main->background.isValid());
}

TEST_F (MainComponent, SoundShowsThePageOfTheCurrentSoundsEngineAfterSendingIt)
{
    startConnected();
    struct Case { int engine; int button; };
    for (auto c : { Case { 2, Algorithm::fmButton }, Case { 0, Algorithm::modelButton }, Case { 1, Algorithm::sampleButton } })
    {
        SCOPED_TRACE (c.engine);
        const int i = firstWithEngine (c.engine);
        if (i < 0)
        {
            select (0);
            const juce::ScopedLock sl (userSoundsLock);
            user()[0][SoundRecord::engineType] = static_cast<uint32_t> (c.engine);
        }
        else
            select (i);
        kestrane->clearReceived();
        ScopedPauseRecorder::clear();

        showPage (1);

        EXPECT_EQ (dumpsSent(), 1u);
        EXPECT_EQ (pauses(), std::vector<int> { 200 });
        EXPECT_EQ (shownEnginePage, c.engine);
        EXPECT_FALSE (contentShown());
        EXPECT_EQ (main->editPanel != nullptr, c.engine == 0);
        EXPECT_EQ (main->samplePanel != nullptr, c.engine == 1);
        EXPECT_EQ (main->fmPanel != nullptr, c.engine == 2);
        EXPECT_TRUE (main->algorithm->isVisible());
        EXPECT_TRUE (engineButton (c.button)->getToggleState());
    }

    // Again while an engine page is shown: a new page, and the sound goes again.
    juce::Component::SafePointer<juce::Component> old (main->samplePanel);
    kestrane->clearReceived();
    showPage (1);
    EXPECT_EQ (old.getComponent(), nullptr);
    EXPECT_NE (main->samplePanel, nullptr);
    EXPECT_EQ (dumpsSent(), 1u);
}

TEST_F (MainComponent, SoundWithoutSelectionMakesAnUnloadedPageAndSendsNothing)
{
    startConnected();
    {
        const juce::ScopedLock sl (userSoundsLock);
        user()[0][SoundRecord::engineType] = 0;
    }
    select (-1);
    showPage (1);
    ASSERT_NE (main->editPanel, nullptr);
    EXPECT_FALSE (main->editPanel->loaded);
    EXPECT_EQ (dumpsSent(), 0u);
    EXPECT_TRUE (pauses().empty());
    EXPECT_EQ (shownEnginePage, 0);
}

TEST_F (MainComponent, SoundOfAnUnknownEngineKeepsThePageShown)
{
    startConnected();
    select (3);
    {
        const juce::ScopedLock sl (userSoundsLock);
        user()[3][SoundRecord::engineType] = 5;
    }
    showPage (1);
    EXPECT_TRUE (contentShown());
    EXPECT_EQ (shownEnginePage, 5);
    EXPECT_EQ (dumpsSent(), 1u);
}

TEST_F (MainComponent, SoundWithAnEmptyUserListReadsNoRecord)
{
    start (1, 1, -1);
    {
        const juce::ScopedLock sl (userSoundsLock);
        user().records.clear();
    }
    showPage (1);
    EXPECT_TRUE (contentShown());
    EXPECT_EQ (shownEnginePage, -1);
}

TEST_F (MainComponent, EffectsAndContentPages)
{
    startConnected();
    select (firstWithEngine (2) >= 0 ? firstWithEngine (2) : 0);
    main->showFmPage();
    ASSERT_TRUE (engineButton (Algorithm::fmButton)->getToggleState());
    auto* panel = main->soundPanel;

    showPage (2);
    ASSERT_NE (main->fxPanel, nullptr);
    EXPECT_EQ (main->fmPanel, nullptr);
    EXPECT_FALSE (main->algorithm->isVisible());
    EXPECT_TRUE (engineButton (Algorithm::fmButton)->getToggleState());
    EXPECT_EQ (shownEnginePage, -1);
    EXPECT_EQ (dumpsSent(), 0u);

    showPage (0);
    EXPECT_EQ (main->fxPanel, nullptr);
    EXPECT_EQ (main->soundPanel, panel);
    EXPECT_TRUE (contentShown());
    EXPECT_FALSE (main->algorithm->isVisible());

    showPage (0);  // again: the same page, still shown
    EXPECT_EQ (main->soundPanel, panel);
    EXPECT_TRUE (contentShown());

    showPage (7);
    EXPECT_TRUE (contentShown());
    EXPECT_EQ (shownEnginePage, -1);
}

TEST_F (MainComponent, AboutBoxComesAndGoesAndTheTopStatesFollow)
{
    start (1, 1, -1);
    main->addToDesktop (0);  // children only report their going while they show
    main->showAbout();
    auto* about = main->about;
    ASSERT_NE (about, nullptr);
    EXPECT_EQ (about->getParentComponent(), main.get());
    EXPECT_TRUE (about->isVisible());
    EXPECT_FALSE (main->globalButton->isAlwaysOnTop());
    EXPECT_FALSE (main->algorithm->isAlwaysOnTop());

    main->removeChildComponent (about);  // what its click does
    EXPECT_TRUE (main->globalButton->isAlwaysOnTop());
    EXPECT_TRUE (main->algorithm->isAlwaysOnTop());

    main->showAbout();
    EXPECT_EQ (main->about, about);
    EXPECT_EQ (about->getParentComponent(), main.get());
    main->removeChildComponent (about);
}

TEST_F (MainComponent, GlobalDialogIsMadeOnceAndHoldsTheGlobalButtonWhileShown)
{
    startConnected();
    auto setGlobal = [this] (bool on)
    {
        main->globalButton->setToggleState (on, juce::dontSendNotification);
        main->toggleGlobalDialog();
    };

    setGlobal (true);
    auto* dialog = main->globalDialog;
    ASSERT_NE (dialog, nullptr);
    EXPECT_EQ (dialog->getParentComponent(), main.get());
    EXPECT_TRUE (dialog->isVisible());
    EXPECT_EQ (main->globalButton->getParentComponent(), dialog);
    EXPECT_EQ (dialog->closeSpot.getCommandID(), 19);
    EXPECT_FALSE (main->algorithm->isAlwaysOnTop());
    EXPECT_EQ (pauses(), std::vector<int> { 50 });

    setGlobal (false);
    EXPECT_EQ (main->globalButton->getParentComponent(), main.get());
    EXPECT_EQ (dialog->getParentComponent(), nullptr);
    EXPECT_FALSE (dialog->isVisible());
    EXPECT_TRUE (main->algorithm->isAlwaysOnTop());

    setGlobal (true);
    EXPECT_EQ (main->globalDialog, dialog);
    ASSERT_TRUE (kestrane->waitUntilIdle());
    int requests = 0;
    for (auto& m : kestrane->received())
        requests += m == globalRequest;
    EXPECT_EQ (requests, 1);
}

TEST_F (MainComponent, AfterAFirstAboutTheSelectorStaysAboveTheGlobalDialog)
{
    startConnected();
    main->showAbout();
    main->removeChildComponent (main->about);
    main->showModelPage();

    main->globalButton->setToggleState (true, juce::dontSendNotification);
    main->toggleGlobalDialog();
    EXPECT_TRUE (main->algorithm->isAlwaysOnTop());
    EXPECT_GT (main->getIndexOfChildComponent (main->algorithm),
               main->getIndexOfChildComponent (main->globalDialog));
}

TEST_F (MainComponent, DestroyedWithEveryOverlayMade)
{
    startConnected();
    main->showAbout();
    main->removeChildComponent (main->about);
    main->showFmPage();
    main->globalButton->setToggleState (true, juce::dontSendNotification);
    main->toggleGlobalDialog();
    main->showAbout();
    main.reset();
    EXPECT_EQ (mainComponent, nullptr);
    EXPECT_EQ (ports.openInputCount() + ports.openOutputCount(), 0);
    const uint8_t cc[3] = { 0xB0, 1, 1 };
    sendMidi (cc, 3);  // no component: nothing happens
    showPage (1);
}

TEST (UiScale, IsTheDisplayScaleTruncatedAndKeptToOneOrTwo)
{
    struct Case { double scale; int expected; };
    for (auto c : { Case { 1.0, 1 }, Case { 1.5, 1 }, Case { 1.99, 1 }, Case { 2.0, 2 }, Case { 2.5, 2 },
                    Case { 3.0, 2 }, Case { 0.5, 1 }, Case { 0.0, 1 }, Case { -2.0, 1 } })
    {
        juce::Displays::Display d;
        d.scale = c.scale;
        EXPECT_EQ (uiScaleForDisplay (&d), c.expected) << c.scale;
    }
    EXPECT_EQ (uiScaleForDisplay (nullptr), 1);
}
