#include "app/MainContentComponent.h"
#include "app/TransferDisplay.h"

#include <algorithm>
#include "controls/Images.h"
#include "controls/Look.h"
#include "controls/PlaceTable.h"
#include "controls/zbutton.h"
#include "editor/About.h"
#include "editor/Algorithm.h"
#include "editor/EditPanel.h"
#include "editor/FmPanel.h"
#include "editor/FxPanel.h"
#include "editor/GlobalDialog.h"
#include "editor/SamplePanel.h"
#include "library/SoundListEditing.h"
#include "library/SoundPanel.h"
#include "sound/FactorySoundSet.h"
#include "sound/SoundFile.h"
#include "app/Pause.h"

MainContentComponent* mainComponent = nullptr;

namespace
{
constexpr int mainButtonCommands[4] = { 11, 12, 13, 14 };

template <typename Page>
void deleteAndClear (Page*& page)
{
    auto* p = page;
    page = nullptr;
    delete p;
}

// Takes the content page off, makes the editor page and loads it with the current sound, if any.
template <typename Page>
Page* makeEditorPage (MainContentComponent& main, Page*& field)
{
    main.deleteEditPanels();
    if (main.soundPanel != nullptr)
        main.removeChildComponent (main.soundPanel);
    field = new Page();
    main.addAndMakeVisible (field);
    main.keepOverlaysAbovePages();
    return field;
}

template <typename Page>
void loadEditorPage (MainContentComponent& main, Page* page)
{
    const juce::ScopedLock sl (userSoundsLock);
    const int i = main.userSounds.findCurrent();
    if (i >= 0)
        page->setSound (&main.userSounds[i]);
}
}

MainContentComponent::MainContentComponent()
{
    dragSourceSounds = nullptr;
    mainComponent = this;
    contentPageRefreshHook = refreshContentPage;

    look = new Look();
    setSize (1024, 768);
    uiScale = uiScaleForDisplay (juce::Desktop::getInstance().getDisplays().getPrimaryDisplay());
    // What the first page draws, decoded side by side while it is being built.
    decodeAhead ({ "Main-Page-Background.png", "Background_Content.png", "Slider.png" }, { placeMainButtons, placeContentButtons });
    background = getImage ("Main-Page-Background.png");
    tooltipWindow = new juce::TooltipWindow (this, 700);
    juce::LookAndFeel::setDefaultLookAndFeel (look);
    algorithm = new Algorithm();

    userSounds.isUserList = 1;
    librarySounds.isUserList = 0;
    importSoundDumps (&userSounds, factorySoundSet, factorySoundSetLength, false);
    importSoundDumps (&librarySounds, factorySoundSet, factorySoundSetLength, false);

    showContentPage();

    for (int i = 0; i < 4; ++i)
    {
        auto* button = new zbutton (placeMainButtons.row (i));
        mainButtons[i] = button;
        addAndMakeVisible (button);
        button->setClickingTogglesState (true);
        if (i > 0)
            button->setRadioGroupId (1);
        button->setCommandToTrigger (nullptr, mainButtonCommands[i], false);
        button->addListener (this);
    }
    mainButtons[1]->setToggleState (true, juce::dontSendNotification);
    globalButton->setAlwaysOnTop (true);

    addChildComponent (algorithm);
    algorithm->setAlwaysOnTop (true);
    for (auto* button : algorithm->buttons)
        if (button != nullptr)
            button->addListener (this);

    aboutSpot.setBounds (818, 16, 40, 32);
    aboutSpot.setVisible (true);
    addAndMakeVisible (aboutSpot);
    aboutSpot.addListener (this);
    aboutSpot.setCommandToTrigger (nullptr, 18, false);

    transferDisplay = new TransferDisplay (*this);
    addChildComponent (transferDisplay);
    transferDisplay->setAlwaysOnTop (true);

    startTimer (300);
}

MainContentComponent::~MainContentComponent()
{
    stopTimer();
    destroying = true;

    deleteEditPanels();
    deleteAndClear (soundPanel);
    deleteAndClear (tooltipWindow);
    deleteAndClear (algorithm);
    deleteAndClear (globalDialog);
    deleteAndClear (about);
    deleteAndClear (transferDisplay);

    closeAllPorts();

    for (auto*& button : mainButtons)
        deleteAndClear (button);
    removeChildComponent (&aboutSpot);

    // JUCE 7 refuses to lose a look-and-feel that is still the default.
    if (&juce::LookAndFeel::getDefaultLookAndFeel() == look)
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
    deleteAndClear (look);

    if (contentPageRefreshHook == refreshContentPage)
        contentPageRefreshHook = nullptr;
    if (mainComponent == this)
        mainComponent = nullptr;
}

void MainContentComponent::paint (juce::Graphics& g)
{
    if (background.isNull())
    {
        g.fillAll (juce::Colour (0xFF202020));
        return;
    }
    drawImagePart (g, background, 0, 0, 1024, 768, 0, 0, 1024, 768);
}

//==============================================================================
void MainContentComponent::deleteEditPanels()
{
    deleteAndClear (editPanel);
    deleteAndClear (fxPanel);
    deleteAndClear (fmPanel);
    deleteAndClear (samplePanel);
}

void MainContentComponent::showContentPage()
{
    deleteEditPanels();

    if (soundPanel == nullptr)
    {
        soundPanel = new SoundPanel();
        addAndMakeVisible (soundPanel);
        soundPanel->layout (getWidth(), getHeight() - 40);
        soundPanel->addButtonListener (this);
        soundPanel->userList.setSoundVector (&userSounds);
        soundPanel->libraryList.setSoundVector (&librarySounds);
        soundPanel->userList.selectRow (0);
    }
    else
    {
        addAndMakeVisible (soundPanel);
        keepOverlaysAbovePages();
    }

    soundPanel->userList.refresh();
    soundPanel->userList.repaint();
    soundPanel->libraryList.refresh();
    soundPanel->libraryList.repaint();

    algorithm->setVisible (false);
}

void MainContentComponent::showModelPage()
{
    auto* page = makeEditorPage (*this, editPanel);
    page->setPosition (getWidth(), getHeight() - 40);
    loadEditorPage (*this, page);
    algorithm->buttons[Algorithm::modelButton]->setToggleState (true, juce::dontSendNotification);
    algorithm->setVisible (true);
}

void MainContentComponent::showFmPage()
{
    loadEditorPage (*this, makeEditorPage (*this, fmPanel));
    algorithm->buttons[Algorithm::fmButton]->setToggleState (true, juce::dontSendNotification);
    algorithm->setVisible (true);
}

void MainContentComponent::showSamplePage()
{
    loadEditorPage (*this, makeEditorPage (*this, samplePanel));
    algorithm->buttons[Algorithm::sampleButton]->setToggleState (true, juce::dontSendNotification);
    algorithm->setVisible (true);
}

void MainContentComponent::showEffectsPage()
{
    loadEditorPage (*this, makeEditorPage (*this, fxPanel));
    algorithm->setVisible (false);
}

//==============================================================================
void MainContentComponent::showAbout()
{
    if (about == nullptr)
        about = new About();
    algorithm->setAlwaysOnTop (false);
    globalButton->setAlwaysOnTop (false);
    addChildComponent (about);
    about->setVisible (true);
}

// A page goes in above every child that is not always on top, so one built while an overlay is
// shown (a Program Change from the instrument builds one) would cover the overlay and the spots
// that close it. The overlays are moved back in front of it; the selector, while it is always on
// top, stays above the dialog.
void MainContentComponent::keepOverlaysAbovePages()
{
    if (globalDialog != nullptr && globalDialog->getParentComponent() == this)
        globalDialog->toFront (false);
    if (about != nullptr && about->getParentComponent() == this)
        about->toFront (false);
}

void MainContentComponent::transferBusyChanged (bool busy)
{
    if (soundPanel == nullptr)
        return;
    for (auto* button : soundPanel->buttons)
        if (button != nullptr && (button->getCommandID() == 4 || button->getCommandID() == 5))
            button->setEnabled (! busy);
}

bool MainContentComponent::quitWhenSent()
{
    if (sender.idle() && sender.drainedAt() <= clockMicroseconds())
        return true;
    closing = true;
    if (transferDisplay != nullptr)
        transferDisplay->closing();
    return false;
}

void MainContentComponent::childrenChanged()
{
    if (destroying || about == nullptr || isParentOf (about))
        return;
    globalButton->setAlwaysOnTop (true);
    algorithm->setAlwaysOnTop (true);
}

void MainContentComponent::toggleGlobalDialog()
{
    const bool on = globalButton->getToggleState();

    if (globalDialog == nullptr)
    {
        globalDumpsShown = globalBlock.dumpsReceived();  // one arriving meanwhile is shown by the timer
        globalDialog = new GlobalDialog();
    }

    if (on)
    {
        algorithm->setAlwaysOnTop (false);
        addAndMakeVisible (globalDialog);
        globalDialog->addAndMakeVisible (globalButton);
        globalDialog->closeSpot.setCommandToTrigger (nullptr, 19, false);
        globalDialog->closeSpot.addListener (this);
    }
    else
    {
        globalDialog->removeChildComponent (globalButton);
        addAndMakeVisible (globalButton);
        removeChildComponent (globalDialog);
        globalDialog->setVisible (false);
        algorithm->setAlwaysOnTop (true);
    }
}

//==============================================================================
// Only the two resolutions that the image tables have.
int uiScaleForDisplay (const juce::Displays::Display* display)
{
    if (display == nullptr)
        return 1;
    return display->scale >= 2.0 ? 2 : 1;  // truncated, then kept to 1..2 (NaN counts as 1)
}

juce::Component* createMainContentComponent()
{
    return new MainContentComponent();
}

void showPage (int page)
{
    auto* main = mainComponent;
    shownEnginePage = -1;
    if (main == nullptr)
        return;

    if (page == 0)
    {
        main->showContentPage();
        return;
    }
    if (page == 2)
    {
        main->showEffectsPage();
        return;
    }
    if (page != 1)
        return;

    int i;
    {
        const juce::ScopedLock sl (userSoundsLock);
        i = main->userSounds.findCurrent();
    }
    if (i < 0)
        i = 0;

    sendSelectedSound();

    uint32_t engine;
    {
        const juce::ScopedLock sl (userSoundsLock);
        // An empty user list has no sound whose engine could choose a page.
        if (i >= main->userSounds.size())
            return;
        engine = main->userSounds[i][SoundRecord::engineType];
    }
    shownEnginePage = static_cast<int> (engine);

    switch (engine)
    {
        case 0: main->showModelPage(); break;
        case 1: main->showSamplePage(); break;
        case 2: main->showFmPage(); break;
        default: break;
    }
}

void refreshContentPage()
{
    if (auto* main = mainComponent)
        if (main->soundPanel != nullptr)
            main->soundPanel->refresh();
}
