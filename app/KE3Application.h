#pragma once
// The application object and its one window.

#include <memory>
#include <juce_gui_basics/juce_gui_basics.h>

class KE3Application : public juce::JUCEApplication
{
public:
    KE3Application() = default;
    ~KE3Application() override;

    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override { return true; }
    void initialise (const juce::String& commandLine) override;
    void shutdown() override;
    // Waits for a transfer on the wire to leave the cable before it quits (the window says so).
    void systemRequestedQuit() override;

    class MainWindow : public juce::DocumentWindow
    {
    public:
        explicit MainWindow (const juce::String& name);
        void closeButtonPressed() override;

        JUCE_DECLARE_NON_COPYABLE (MainWindow)
    };

    std::unique_ptr<MainWindow> mainWindow;
};
