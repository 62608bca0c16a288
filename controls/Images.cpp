#include "controls/Images.h"
#include "controls/ImageFallback.h"
#include <cstring>

int uiScale = 0;
void (*imageFallbackHook) (const char*) = nullptr;

namespace
{
// Set on the shared pixel data of every image served, so a painter can tell a small image from
// a big one without guessing from sizes.
const juce::Identifier& resolutionKey()
{
    static const juce::Identifier key ("resolution");
    return key;
}

juce::Image served (const ImageRow& row, int resolution)
{
    juce::Image image = juce::ImageCache::getFromMemory (row.data, row.size);
    if (auto* properties = image.getProperties())
        properties->set (resolutionKey(), resolution);
    return image;
}
}

int imageScale()
{
    return uiScale > 1 ? 2 : 1;
}

juce::Image getImage (const char* name)
{
    const int big = uiScale > 1 ? 1 : 0;
    if (name != nullptr)
        for (const ImageRow* row = imageTable[big]; row->size != 0; ++row)
            if (std::strcmp (row->name, name) == 0)
                return served (*row, big + 1);

    if (imageFallbackHook != nullptr)
        imageFallbackHook (name);
    const ImageRow& fallback = imageTable[0][0];
    if (fallback.size == 0)
        return {};
    return served (fallback, 1);
}

void drawImagePart (juce::Graphics& g, const juce::Image& image,
                    int dx, int dy, int dw, int dh,
                    int sx, int sy, int sw, int sh)
{
    if (! image.isValid())
        return;
    // An image that getImage did not serve is taken pixel for pixel.
    const int factor = (int) image.getProperties()->getWithDefault (resolutionKey(), 1);
    g.drawImage (image, dx, dy, dw, dh, sx * factor, sy * factor, sw * factor, sh * factor, false);
}
