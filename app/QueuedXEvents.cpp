// The one file that sees JUCE's X11 internals.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include "app/QueuedXEvents.h"

#include <juce_gui_basics/juce_gui_basics.h>
#if JUCE_LINUX
 #include <juce_events/native/juce_linux_EventLoopInternal.h>
#endif

// Often enough that a move shows within a frame or two; the check itself reads no socket.
QueuedXEvents::QueuedXEvents()
{
    startTimer (15);
}

QueuedXEvents::~QueuedXEvents()
{
    stopTimer();
}

bool QueuedXEvents::dispatch()
{
   #if JUCE_LINUX
    auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
    if (windowSystem == nullptr || windowSystem->getDisplay() == nullptr)
        return false;
    auto* display = windowSystem->getDisplay();
    auto* x = juce::X11Symbols::getInstance();
    int queued = 0;
    {
        juce::XWindowSystemUtilities::ScopedXLock lock;
        queued = x->xEventsQueued (display, QueuedAlready);
    }
    if (queued <= 0)
        return false;
    // The handler that the loop calls when the socket is readable takes every queued event.
    juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd (x->xConnectionNumber (display));
    return true;
   #else
    return false;
   #endif
}
