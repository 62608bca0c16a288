#include "tests/alsa/XwdScreen.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
uint32_t bigEndian (const uint8_t* p)
{
    return (uint32_t (p[0]) << 24) | (uint32_t (p[1]) << 16) | (uint32_t (p[2]) << 8) | p[3];
}
}

XwdScreen::~XwdScreen()
{
    if (data != nullptr)
        munmap (const_cast<uint8_t*> (data), size);
}

// The header is 25 big-endian 32-bit fields (and the window name up to header_size), then
// ncolors colour entries of 12 bytes, then the pixels.
bool XwdScreen::open (const std::string& path)
{
    const int fd = ::open (path.c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    struct stat st {};
    if (fstat (fd, &st) != 0 || st.st_size < 100)
    {
        ::close (fd);
        return false;
    }
    void* m = mmap (nullptr, static_cast<size_t> (st.st_size), PROT_READ, MAP_SHARED, fd, 0);
    ::close (fd);
    if (m == MAP_FAILED)
        return false;
    data = static_cast<const uint8_t*> (m);
    size = static_cast<size_t> (st.st_size);

    auto field = [this] (int i) { return bigEndian (data + 4 * i); };
    const uint32_t headerSize = field (0), bitsPerPixel = field (11), colours = field (19);
    w = static_cast<int> (field (4));
    h = static_cast<int> (field (5));
    msbFirst = field (7) != 0;
    bytesPerLine = static_cast<int> (field (12));
    bytesPerPixel = static_cast<int> (bitsPerPixel / 8);
    pixels = headerSize + colours * 12u;
    return (bytesPerPixel == 3 || bytesPerPixel == 4) && w > 0 && h > 0
           && pixels + static_cast<size_t> (bytesPerLine) * static_cast<size_t> (h) <= size;
}

uint32_t XwdScreen::pixel (int x, int y) const
{
    if (data == nullptr || x < 0 || y < 0 || x >= w || y >= h)
        return 0;
    const uint8_t* p = data + pixels + static_cast<size_t> (y) * static_cast<size_t> (bytesPerLine)
                       + static_cast<size_t> (x) * static_cast<size_t> (bytesPerPixel);
    if (bytesPerPixel == 4)
        return msbFirst ? (bigEndian (p) & 0xFFFFFF) : ((uint32_t (p[2]) << 16) | (uint32_t (p[1]) << 8) | p[0]);
    return msbFirst ? ((uint32_t (p[0]) << 16) | (uint32_t (p[1]) << 8) | p[2])
                    : ((uint32_t (p[2]) << 16) | (uint32_t (p[1]) << 8) | p[0]);
}

uint64_t XwdScreen::digest (int x, int y, int width, int height) const
{
    uint64_t d = 1469598103934665603ull;  // FNV-1a
    for (int j = y; j < y + height; ++j)
        for (int i = x; i < x + width; ++i)
        {
            d ^= pixel (i, j);
            d *= 1099511628211ull;
        }
    return d;
}

int XwdScreen::countNear (int x, int y, int width, int height, uint32_t rgb, int tolerance) const
{
    int n = 0;
    for (int j = y; j < y + height; ++j)
        for (int i = x; i < x + width; ++i)
        {
            const uint32_t p = pixel (i, j);
            bool near = true;
            for (int shift = 0; shift <= 16 && near; shift += 8)
            {
                const int a = static_cast<int> ((p >> shift) & 0xFF), b = static_cast<int> ((rgb >> shift) & 0xFF);
                near = a - b <= tolerance && b - a <= tolerance;
            }
            n += near;
        }
    return n;
}
