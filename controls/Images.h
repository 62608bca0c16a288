#pragma once
// The compiled-in images, two resolutions of the same 40 files, and the one way to reach them.
#include <juce_graphics/juce_graphics.h>
#include <cstdint>

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

// The decoded image of a file name for the current uiScale, shared through JUCE's image cache.
// Unknown names (the match is exact: case and ".png" count) give the small "Arrow-Down.png".
juce::Image getImage (const char* name);

// The factor that source rectangles are multiplied by: the resolution of the table getImage
// serves, 1 or 2, so that a scale of 0 (not yet set) or of 3 and more still draws whole frames.
int imageScale();

// The drawing rule shared by every painter: destination in logical pixels, source given in
// logical pixels of the image and multiplied by the resolution of the table that served it (so
// the small fallback stays drawable at scale 2, and a part of a small image is the right part).
void drawImagePart (juce::Graphics& g, const juce::Image& image,
                    int dx, int dy, int dw, int dh,
                    int sx, int sy, int sw, int sh);
