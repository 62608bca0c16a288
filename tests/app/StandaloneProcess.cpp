// Linked into the test processes that put windows on the display.
#include <dlfcn.h>
#include "app/KE3Application.h"

// JUCE loads libX11 itself and unloads it at exit, which leaves the library's own buffers looking
// leaked to LeakSanitizer; keeping it loaded keeps them reachable.
static void* const keepX11 = dlopen ("libX11.so.6", RTLD_LAZY | RTLD_NODELETE);

// The window system treats the process as the program it is (its X error handling included) only
// when an application factory is set before the display opens.
static juce::JUCEApplicationBase* createApplication() { return new KE3Application(); }
static const bool standalone = (juce::JUCEApplicationBase::createInstance = &createApplication, true);
