#include "controls/Images.h"
#include <cstring>

int uiScale = 0;

int imageScale()
{
    return uiScale > 1 ? 2 : 1;
}

juce::Image getImage (const char* name)
{
    const ImageRow* table = imageTable[uiScale > 1 ? 1 : 0];
    if (name != nullptr)
        for (const ImageRow* row = table; row->size != 0; ++row)
            if (std::strcmp (row->name, name) == 0)
                return juce::ImageCache::getFromMemory (row->data, row->size);

    const ImageRow& fallback = imageTable[0][0];
    if (fallback.size == 0)
        return {};
    return juce::ImageCache::getFromMemory (fallback.data, fallback.size);
}

void drawImagePart (juce::Graphics& g, const juce::Image& image,
                    int dx, int dy, int dw, int dh,
                    int sx, int sy, int sw, int sh)
{
    if (! image.isValid())
        return;
    const int factor = (sw > 0 && image.getWidth() >= 2 * sw) ? 2 : 1;
    g.drawImage (image, dx, dy, dw, dh, sx * factor, sy * factor, sw * factor, sh * factor, false);
}
