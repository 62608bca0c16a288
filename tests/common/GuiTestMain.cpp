// GoogleTest main for component tests: JUCE's GUI side initialised once for the whole run.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

namespace
{
    // JUCE installs its forgiving X error handler only in a standalone application; without it
    // Xlib's default handler exits on the errors that a display without a window manager causes
    // (asking for WM_STATE, for one). Windows in tests get the same forgiveness.
    int ignoreXError (void*, void*) { return 0; }

    void tolerateXErrors()
    {
        using Handler = int (*) (void*, void*);
        if (void* x11 = dlopen ("libX11.so.6", RTLD_LAZY))
            if (auto setHandler = reinterpret_cast<Handler (*) (Handler)> (dlsym (x11, "XSetErrorHandler")))
                setHandler (ignoreXError);
    }
}

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juceGui;
    tolerateXErrors();
    ::testing::InitGoogleTest (&argc, argv);
    const int result = RUN_ALL_TESTS();
    juce::DeletedAtShutdown::deleteAll();
    return result;
}
