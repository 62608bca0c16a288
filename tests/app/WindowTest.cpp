// The application object and its real window on the (virtual) display.
#include <gtest/gtest.h>
#include "app/KE3Application.h"
#include "app/MainContentComponent.h"
#include "tests/support/FakeMidiPorts.h"
#include "tests/support/TestSupport.h"

TEST (Window, MainWindowHoldsTheMainComponentAtItsSize)
{
    ScopedFakeMidiPorts fake;
    ScopedVirtualClock clock;
    resetLinkState();

    {
        KE3Application::MainWindow window ("K-Editor");
        EXPECT_EQ (window.getName(), "K-Editor");
        EXPECT_TRUE (window.isOnDesktop());
        EXPECT_TRUE (window.isVisible());
        EXPECT_TRUE (window.isUsingNativeTitleBar());
        EXPECT_FALSE (window.isResizable());
        auto* content = dynamic_cast<MainContentComponent*> (window.getContentComponent());
        ASSERT_NE (content, nullptr);
        EXPECT_EQ (content, mainComponent);
        EXPECT_EQ (content->getWidth(), 1024);
        EXPECT_EQ (content->getHeight(), 768);
        EXPECT_TRUE (content->isShowing());
        const auto* display = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay();
        ASSERT_NE (display, nullptr);
        EXPECT_LE (window.getScreenBounds().getCentre().getDistanceFrom (display->userArea.getCentre()), 1);
        pumpMessageLoop (400);  // a real timer tick or so
    }
    EXPECT_EQ (mainComponent, nullptr);
}

TEST (Window, ApplicationMakesTheWindowAndShutdownDeletesIt)
{
    ScopedFakeMidiPorts fake;
    ScopedVirtualClock clock;
    resetLinkState();

    KE3Application app;
    EXPECT_EQ (app.getApplicationName(), "K-Editor");
    EXPECT_EQ (app.getApplicationVersion(), "1.0.3");
    EXPECT_TRUE (app.moreThanOneInstanceAllowed());
    EXPECT_EQ (app.mainWindow, nullptr);

    app.initialise ("--ignored arguments");
    ASSERT_NE (app.mainWindow, nullptr);
    EXPECT_NE (dynamic_cast<MainContentComponent*> (app.mainWindow->getContentComponent()), nullptr);

    app.shutdown();
    EXPECT_EQ (app.mainWindow, nullptr);
    EXPECT_EQ (mainComponent, nullptr);
}
