#include "app/KE3Application.h"

#include "app/MainContentComponent.h"

KE3Application::~KE3Application()
{
    mainWindow = nullptr;
}

const juce::String KE3Application::getApplicationName()    { return "K-Editor"; }
const juce::String KE3Application::getApplicationVersion() { return "1.0.3"; }

void KE3Application::initialise (const juce::String&)
{
    mainWindow = std::make_unique<MainWindow> (getApplicationName());
}

void KE3Application::systemRequestedQuit()
{
    if (mainComponent == nullptr || mainComponent->quitWhenSent())
        quit();
}

void KE3Application::shutdown()
{
    juce::ImageCache::releaseUnusedImages();
    mainWindow = nullptr;
}

KE3Application::MainWindow::MainWindow (const juce::String& name)
    : juce::DocumentWindow (name, juce::Colours::lightgrey, juce::DocumentWindow::allButtons, true)
{
    setUsingNativeTitleBar (true);
    setContentOwned (createMainContentComponent(), true);
    centreWithSize (getWidth(), getHeight());
    setVisible (true);
}

void KE3Application::MainWindow::closeButtonPressed()
{
    juce::JUCEApplication::getInstance()->systemRequestedQuit();
}
