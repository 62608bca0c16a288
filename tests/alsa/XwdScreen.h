#pragma once
// The virtual display's screen as Xvfb keeps it in the XWD file of its -fbdir, read in place while
// it is drawn: pixels at root coordinates.

#include <cstddef>
#include <cstdint>
#include <string>

class XwdScreen
{
public:
    XwdScreen() = default;
    ~XwdScreen();
    XwdScreen (const XwdScreen&) = delete;
    XwdScreen& operator= (const XwdScreen&) = delete;

    bool open (const std::string& path);  // false when it is not a 24- or 32-bit XWD screen
    int width() const { return w; }
    int height() const { return h; }
    uint32_t pixel (int x, int y) const;  // 0xRRGGBB; 0 outside the screen
    // A digest of a rectangle's pixels, to tell two looks of a control apart.
    uint64_t digest (int x, int y, int width, int height) const;
    // How many pixels of the rectangle lie within `tolerance` of `rgb` in each channel.
    int countNear (int x, int y, int width, int height, uint32_t rgb, int tolerance) const;

private:
    const uint8_t* data = nullptr;  // the mapped file
    size_t size = 0;
    size_t pixels = 0;              // offset of the first pixel
    int w = 0, h = 0, bytesPerLine = 0, bytesPerPixel = 0;
    bool msbFirst = false;
};
