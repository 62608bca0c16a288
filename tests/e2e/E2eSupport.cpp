#include "tests/e2e/E2eSupport.h"

#include <cstdlib>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include "app/KE3Application.h"
#include "app/MainContentComponent.h"
#include "tests/support/TestSupport.h"

// JUCE loads libX11 itself and unloads it at exit, which leaves the library's own buffers looking
// leaked to LeakSanitizer; keeping it loaded keeps them reachable.
static void* const keepX11 = dlopen ("libX11.so.6", RTLD_LAZY | RTLD_NODELETE);

// The window system treats the process as the program (its X error handling included) only when
// an application factory is set before the display opens.
static juce::JUCEApplicationBase* createApplication() { return new KE3Application(); }
static const bool standalone = (juce::JUCEApplicationBase::createInstance = &createApplication, true);

namespace
{
void xdotool (const juce::String& args)
{
    const auto command = "xdotool " + args + " >/dev/null 2>&1";
    if (std::system (command.toRawUTF8()) != 0)
        ADD_FAILURE_AT (__FILE__, __LINE__);
}
} // namespace

void xdotoolCommand (const juce::String& args)
{
    xdotool (args);
    pumpMessageLoop (60);
}

juce::File shotsFolder()
{
    auto f = juce::File (KE_E2E_SHOTS_DIR);
    f.createDirectory();
    return f;
}

bool waitForWindow (juce::Component& window)
{
    for (int i = 0; i < 200; ++i)
    {
        pumpMessageLoop (20);
        if (window.isShowing() && window.getPeer() != nullptr && window.getScreenBounds().getWidth() >= 1024)
        {
            pumpMessageLoop (300);
            window.toFront (true);
            return true;
        }
    }
    return false;
}

void clickAt (juce::Point<int> p)
{
    xdotool ("mousemove " + juce::String (p.x) + " " + juce::String (p.y) + " sleep 0.05 click 1");
    pumpMessageLoop (60);
}

void clickOn (juce::Component& c)
{
    clickAt (c.getScreenBounds().getCentre());
}

void dragOn (juce::Component& c, int dx, int dy)
{
    const auto p = c.getScreenBounds().getCentre();
    juce::String steps = "mousemove " + juce::String (p.x) + " " + juce::String (p.y) + " sleep 0.05 mousedown 1";
    for (int i = 1; i <= 5; ++i)
        steps << " sleep 0.03 mousemove " << (p.x + dx * i / 5) << " " << (p.y + dy * i / 5);
    xdotool (steps + " sleep 0.05 mouseup 1");
    pumpMessageLoop (100);
}

void screenshotOfScreen (const char* name)
{
    const auto file = shotsFolder().getChildFile (juce::String (name) + ".png");
    const auto command = "import -window root '" + file.getFullPathName() + "' >/dev/null 2>&1";
    if (std::system (command.toRawUTF8()) != 0)
        ADD_FAILURE() << "no screenshot " << name;
}

juce::Image snapshotAtScale (juce::Component& c, float scale, const char* name)
{
    auto image = c.createComponentSnapshot (c.getLocalBounds(), true, scale);
    const auto file = shotsFolder().getChildFile (juce::String (name) + ".png");
    file.deleteFile();
    juce::FileOutputStream out (file);
    juce::PNGImageFormat png;
    if (! out.openedOk() || ! png.writeImageToStream (image, out))
        ADD_FAILURE() << "could not write " << file.getFullPathName();
    return image;
}

std::unique_ptr<MainContentComponent> makeMainComponentAtScale (int scale)
{
    auto& displays = const_cast<juce::Displays&> (juce::Desktop::getInstance().getDisplays());
    if (displays.displays.isEmpty())
        displays.displays.add ({});
    for (auto& d : displays.displays)
        d.scale = scale;
    auto main = std::make_unique<MainContentComponent>();
    displays.refresh();
    return main;
}
