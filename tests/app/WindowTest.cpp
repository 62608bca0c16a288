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

// Xlib reads whatever events have come whenever the program asks the X server something (where
// the pointer is, whether a paint is done): they wait in Xlib's queue, not on the socket that the
// message loop watches, until something else arrives on it. A pointer that moves onto the window
// just before such a question must still be seen at once.
TEST (Window, EventsThatXlibAlreadyReadAreHandledWithoutAnotherEvent)
{
    struct Spot : juce::Component
    {
        void mouseEnter (const juce::MouseEvent&) override { ++entered; }
        int entered = 0;
    };
    ScopedFakeMidiPorts fake;
    resetLinkState();
    auto xdotool = [] (const juce::String& args) { return std::system (("xdotool " + args + " >/dev/null 2>&1").toRawUTF8()) == 0; };
    if (! xdotool ("getmouselocation"))
        GTEST_SKIP() << "no xdotool";

    // The main component is what the program runs; the spot is a window beside it.
    auto main = std::make_unique<MainContentComponent>();
    Spot spot;
    spot.setBounds (1100, 100, 100, 100);
    spot.addToDesktop (0);
    spot.setVisible (true);
    ASSERT_TRUE (xdotool ("mousemove 1050 50"));
    pumpMessageLoop (300);

    int seenAt = -1;
    for (int attempt = 0; attempt < 5 && seenAt < 0; ++attempt)
    {
        const int before = spot.entered;
        ASSERT_TRUE (xdotool ("mousemove 1150 150"));
        juce::Thread::sleep (100);              // the events are on the socket by now
        juce::Desktop::getMousePosition();      // a question to the server reads them into Xlib's queue
        for (int t = 0; t < 50 && spot.entered == before; ++t)
            pumpMessageLoop (10);
        if (spot.entered > before)
            seenAt = attempt;
        ASSERT_TRUE (xdotool ("mousemove 1050 50"));
        pumpMessageLoop (200);
    }
    EXPECT_EQ (seenAt, 0) << "the pointer's arrival waited in Xlib's queue";
    spot.removeFromDesktop();
}
