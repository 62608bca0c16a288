#pragma once
// X events that Xlib has already read off the socket (it does so whenever the program asks the
// server something: where the pointer is, whether a paint has been shown) wait in Xlib's queue,
// and JUCE's message loop looks only at the socket: a pointer move or a click then shows no
// effect until the next event arrives. This hands such events to JUCE's X handler at once.

#include <juce_events/juce_events.h>

class QueuedXEvents : private juce::Timer
{
public:
    QueuedXEvents();
    ~QueuedXEvents() override;

    // Hands over what waits in Xlib's queue; true when there was something.
    static bool dispatch();

private:
    void timerCallback() override { dispatch(); }
};
