#pragma once
// The compiled-in images, two resolutions of the same 40 files, and the one way to reach them.
#include <juce_graphics/juce_graphics.h>
#include <cstdint>
#include <initializer_list>
#include "controls/PlaceTable.h"

struct ImageRow
{
    const char* name;           // file name, e.g. "Knob-1.png"
    const char* variant;        // "small" or "big"; not read by the lookup
    const unsigned char* data;  // the whole PNG file
    int32_t size;               // its length; 0 ends a table
};

// imageTable[0] is the small table (scale 1), imageTable[1] the big one (scale 2). Both list the
// same names in byte order and end with an all-zero row.
extern const ImageRow* const imageTable[2];
enum { imageTableRows = 40 };

// Display scale, set once by the main component before the first image is fetched; 0 until then.
extern int uiScale;

// The decoded image of a file name for the current uiScale, shared through JUCE's image cache
// (keyed on the data, as ImageCache::getFromMemory keys it). Unknown names (the match is exact:
// case and ".png" count) give the small "Arrow-Down.png".
juce::Image getImage (const char* name);

// Starts decoding, on a few threads, the images of the current uiScale that a page is about to ask
// getImage for (by name, and those that slices of the place table skin), largest first, so that a
// page that draws several large images waits about as long as its largest takes. Names not in the
// tables and images already decoded are passed over. Message thread only, like getImage.
void decodeAhead (std::initializer_list<const char*> names, std::initializer_list<PlaceSlice> slices = {});

// An embedded PNG decoded as JUCE's PNG reader decodes it (premultiplied ARGB), but straight into
// the image's own memory instead of through a buffer of the whole image; a null image when the
// data is no readable PNG.
juce::Image decodePng (const unsigned char* data, int size);

// The factor that source rectangles are multiplied by: the resolution of the table getImage
// serves, 1 or 2, so that a scale of 0 (not yet set) or of 3 and more still draws whole frames.
int imageScale();

// The drawing rule shared by every painter: destination in logical pixels, source given in
// logical pixels of the image and multiplied by the resolution of the table that served it (so
// the small fallback stays drawable at scale 2, and a part of a small image is the right part).
void drawImagePart (juce::Graphics& g, const juce::Image& image,
                    int dx, int dy, int dw, int dh,
                    int sx, int sy, int sw, int sh);
