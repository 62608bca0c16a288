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
        ScopedVirtualClock::clear();

        showPage (1);

        EXPECT_EQ (dumpsSent(), 1u);
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
    // The instrument has 50 ms to answer the dialog's request before anything else goes to it.
    const uint8_t cc[3] = { 0xB0, 7, 1 };
    sendMidi (cc, 3);
    ASSERT_TRUE (kestrane->waitUntilIdle());
    const auto sent = ports.sentTo (ports.outputIdAt (0));
    const auto at = ports.sentTimes (ports.outputIdAt (0));
    ASSERT_GE (sent.size(), 2u);
    EXPECT_EQ (sent[sent.size() - 2], globalRequest);
    EXPECT_GE (at.back() - at[at.size() - 2], 50000);

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

// A Program Change from the instrument builds the page of the sound's engine whatever is shown
// above the pages; the overlays shown then must stay above it and keep their spots. The clicks go
// through the window's peer, so they reach whatever is on top at that point.
TEST_F (MainComponent, OverlaysStayAboveAPageThatAProgramChangeBuilds)
{
    // Places on the main component: the Global button, the "Content" button, the About spot, the
    // dialog's close spot (the dialog covers the whole component) and the selector's Model button.
    const juce::Point<int> globalSpot { 142, 733 }, contentSpot { 146, 38 }, aboutSpot { 838, 32 },
                           closeSpot { 323, 296 }, modelSpot { 423, 733 };

    struct Case
    {
        const char* what;
        bool aboutSeenFirst;   // the selector is then always on top, above the dialog too
        bool dialog;           // the Global dialog is shown, else the About box
        bool closeByButton;    // the dialog is closed by the Global button, else by its close spot
    };
    const Case cases[] = {
        { "Global dialog, closed by its spot", false, true, false },
        { "Global dialog, closed by the Global button", false, true, true },
        { "Global dialog after a first About", true, true, false },
        { "About box", false, false, false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        startConnected();
        main->addToDesktop (0);
        auto click = [this] (juce::Point<int> p)
        {
            auto* peer = main->getPeer();
            ASSERT_NE (peer, nullptr);
            const auto t = juce::Time::currentTimeMillis();
            const auto at = p.toFloat();
            peer->handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, at, {}, 0.0f, 0.0f, t);
            peer->handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, at,
                                    juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier),
                                    juce::MouseInputSource::defaultPressure, 0.0f, t + 1);
            peer->handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, at, {}, 0.0f, 0.0f, t + 2);
            pumpMessageLoop (20);
        };

        const int fm = firstWithEngine (2), model = firstWithEngine (0);
        ASSERT_GE (fm, 0);
        ASSERT_GE (model, 0);
        select (fm);
        showPage (1);
        ASSERT_NE (main->fmPanel, nullptr);

        if (c.aboutSeenFirst)
        {
            click (aboutSpot);
            ASSERT_TRUE (main->about != nullptr && main->about->getParentComponent() == main.get());
            click ({ 500, 400 });
            ASSERT_EQ (main->about->getParentComponent(), nullptr);
        }
        juce::Component* overlay = nullptr;
        if (c.dialog)
        {
            click (globalSpot);
            ASSERT_NE (main->globalDialog, nullptr);
            ASSERT_EQ (main->globalDialog->getParentComponent(), main.get());
            overlay = main->globalDialog;
        }
        else
        {
            click (aboutSpot);
            ASSERT_NE (main->about, nullptr);
            overlay = main->about;
        }
        ASSERT_EQ (overlay->getParentComponent(), main.get());

        fromInstrument ({ 0xC0, static_cast<uint8_t> (model) });
        tick();
        ASSERT_NE (main->editPanel, nullptr);  // the Model page was built meanwhile
        EXPECT_EQ (main->fmPanel, nullptr);

        // Above the new page; the topmost child but for a selector that is always on top.
        EXPECT_GT (main->getIndexOfChildComponent (overlay), main->getIndexOfChildComponent (main->editPanel));
        for (int i = main->getIndexOfChildComponent (overlay) + 1; i < main->getNumChildComponents(); ++i)
        {
            auto* above = main->getChildComponent (i);
            EXPECT_TRUE (! above->isVisible() || (above == main->algorithm && c.aboutSeenFirst))
                << above->getName() << " lies above the overlay";
        }

        if (! c.dialog)
        {
            for (auto p : { globalSpot, closeSpot, contentSpot, modelSpot })
                EXPECT_EQ (main->getComponentAt (p), overlay) << p.toString();
            click (closeSpot);  // any click takes the box away
            EXPECT_EQ (overlay->getParentComponent(), nullptr);
        }
        else
        {
            auto* dialog = main->globalDialog;
            EXPECT_EQ (main->getComponentAt (closeSpot), &dialog->closeSpot);
            EXPECT_EQ (main->getComponentAt (globalSpot), main->globalButton);
            if (c.aboutSeenFirst)
                EXPECT_EQ (main->getComponentAt (modelSpot), engineButton (Algorithm::modelButton));
            else
                EXPECT_EQ (main->getComponentAt (modelSpot), dialog);

            click (c.closeByButton ? globalSpot : closeSpot);
            EXPECT_FALSE (main->globalButton->getToggleState());
            EXPECT_EQ (dialog->getParentComponent(), nullptr);
            EXPECT_EQ (main->globalButton->getParentComponent(), main.get());
        }

        // The pages switch again.
        EXPECT_EQ (main->getComponentAt (contentSpot), main->mainButtons[1]);
        click (contentSpot);
        EXPECT_TRUE (contentShown());
        EXPECT_EQ (main->editPanel, nullptr);

        main.reset();
        kestrane.reset();
        resetLinkState();
    }
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
