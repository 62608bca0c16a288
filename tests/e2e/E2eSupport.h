#pragma once
// The user's side of the end-to-end tests: the mouse through the X server, and pictures of what the
// window shows, left in the build folder.
#include <memory>
#include <juce_gui_basics/juce_gui_basics.h>

class MainContentComponent;

// Waits until the window is on the screen at its full size.
bool waitForWindow (juce::Component& window);

// A left click at a point of the screen, or at the middle of a component.
void clickAt (juce::Point<int> screen);
void clickOn (juce::Component& c);
// Presses in the middle of a component, moves by (dx, dy) in a few steps, and lets go.
void dragOn (juce::Component& c, int dx, int dy);

// Any xdotool command line (keys, typing), then the message loop for a moment.
void xdotoolCommand (const juce::String& args);

// The X screen as it is now, as <shots>/<name>.png.
void screenshotOfScreen (const char* name);
// The component drawn at `scale` times its size, written as <shots>/<name>.png.
juce::Image snapshotAtScale (juce::Component& c, float scale, const char* name);

// A main component made while the main display reports `scale`, so that it takes the images of
// that scale; the display is put back afterwards.
std::unique_ptr<MainContentComponent> makeMainComponentAtScale (int scale);

juce::File shotsFolder();
