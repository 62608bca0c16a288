/* close-window WINDOW: asks an X window to close, as a window manager's close button does (a
 * WM_DELETE_WINDOW message), so that the program ends the way its user ends it.
 * close-window --before-start: run before the program starts. JUCE takes the atoms of that
 * message only if they exist when it starts, and on a display without a window manager nobody
 * has made them yet; they stay while the X server does not reset. Both need DISPLAY. */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        fprintf (stderr, "usage: close-window WINDOW | --before-start\n");
        return 2;
    }
    Display* display = XOpenDisplay (NULL);
    if (display == NULL)
    {
        fprintf (stderr, "close-window: cannot open the display\n");
        return 1;
    }
    const Atom protocols = XInternAtom (display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom (display, "WM_DELETE_WINDOW", False);
    Status sent = 1;
    if (strcmp (argv[1], "--before-start") != 0)
    {
        XEvent event;
        memset (&event, 0, sizeof (event));
        event.xclient.type = ClientMessage;
        event.xclient.window = (Window) strtoul (argv[1], NULL, 0);
        event.xclient.message_type = protocols;
        event.xclient.format = 32;
        event.xclient.data.l[0] = (long) deleteWindow;
        event.xclient.data.l[1] = CurrentTime;
        sent = XSendEvent (display, event.xclient.window, False, NoEventMask, &event);
    }
    XSync (display, False);
    XCloseDisplay (display);
    return sent ? 0 : 1;
}
