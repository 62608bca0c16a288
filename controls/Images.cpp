#include "controls/Images.h"
#include "controls/ImageFallback.h"
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csetjmp>
#include <cstring>
#include <future>
#include <png.h>
#include <vector>

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

// ImageCache::getFromMemory's key: the address of the data.
juce::int64 cacheKey (const ImageRow& row)
{
    return (juce::int64) (juce::pointer_sized_int) row.data;
}

// An image that decodeAhead started and no getImage has taken yet.
struct Pending
{
    const ImageRow* row;
    std::shared_future<juce::Image> image;
};

struct DecodingAhead
{
    std::vector<Pending> pending;
    std::vector<std::future<void>> decoders;
};

// The pending images and the threads decoding them (a std::async future waits for its thread
// when it goes). Made on first use, so that at exit it goes, and waits, before the parts of JUCE
// that a decoding thread uses.
DecodingAhead& ahead()
{
    static DecodingAhead state;
    return state;
}

constexpr int decoderThreads = 3;

// Width x height from the PNG's header, to hand out the largest images first.
long long pixelsOf (const ImageRow& row)
{
    if (row.size < 24)
        return 0;
    const auto be32 = [&] (int at) { return (long long) row.data[at] << 24 | row.data[at + 1] << 16 | row.data[at + 2] << 8 | row.data[at + 3]; };
    return be32 (16) * be32 (20);
}

juce::Image served (const ImageRow& row, int resolution)
{
    juce::Image image = juce::ImageCache::getFromHashCode (cacheKey (row));
    if (image.isNull())
    {
        auto& pending = ahead().pending;
        auto decoded = std::find_if (pending.begin(), pending.end(), [&] (const Pending& p) { return p.row == &row; });
        if (decoded != pending.end())
        {
            image = decoded->image.get();
            pending.erase (decoded);
        }
        else
            image = decodePng (row.data, row.size);
        juce::ImageCache::addImageToCache (image, cacheKey (row));
    }
    if (auto* properties = image.getProperties())
        properties->set (resolutionKey(), resolution);
    return image;
}

const ImageRow* findRow (const char* name)
{
    if (name != nullptr)
        for (const ImageRow* row = imageTable[uiScale > 1 ? 1 : 0]; row->size != 0; ++row)
            if (std::strcmp (row->name, name) == 0)
                return row;
    return nullptr;
}

bool isPending (const ImageRow* row)
{
    const auto& pending = ahead().pending;
    return std::any_of (pending.begin(), pending.end(), [&] (const Pending& p) { return p.row == row; });
}

void startDecoding (std::vector<const ImageRow*> rows)
{
    std::sort (rows.begin(), rows.end(), [] (auto* a, auto* b)
               { return pixelsOf (*a) != pixelsOf (*b) ? pixelsOf (*a) > pixelsOf (*b) : a < b; });
    rows.erase (std::unique (rows.begin(), rows.end()), rows.end());
    rows.erase (std::remove_if (rows.begin(), rows.end(), [] (const ImageRow* row)
                                { return juce::ImageCache::getFromHashCode (cacheKey (*row)).isValid() || isPending (row); }),
                rows.end());
    if (rows.empty())
        return;
    // The threads of earlier batches that have finished are let go.
    auto& decoders = ahead().decoders;
    decoders.erase (std::remove_if (decoders.begin(), decoders.end(), [] (auto& d)
                                    { return d.wait_for (std::chrono::seconds (0)) == std::future_status::ready; }),
                    decoders.end());
    struct Batch
    {
        std::vector<const ImageRow*> rows;
        std::vector<std::promise<juce::Image>> images;
        std::atomic<size_t> next { 0 };
    };
    auto batch = std::make_shared<Batch>();
    batch->rows = rows;
    batch->images.resize (rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        ahead().pending.push_back ({ rows[i], batch->images[i].get_future().share() });
    const int threads = (int) std::min (rows.size(), (size_t) decoderThreads);
    for (int t = 0; t < threads; ++t)
        decoders.push_back (std::async (std::launch::async, [batch]
        {
            for (size_t i = batch->next++; i < batch->rows.size(); i = batch->next++)
                batch->images[i].set_value (decodePng (batch->rows[i]->data, batch->rows[i]->size));
        }));
}

// libpng reading from the embedded bytes; a read past their end is an error of the data.
struct MemoryReader
{
    const unsigned char* data;
    size_t size, at;

    static void read (png_structp png, png_bytep out, png_size_t n)
    {
        auto* r = static_cast<MemoryReader*> (png_get_io_ptr (png));
        if (n > r->size - r->at)
            png_error (png, "truncated");
        std::memcpy (out, r->data + r->at, n);
        r->at += n;
    }
};

// The libpng side, with nothing on the stack that a longjmp from a damaged PNG would have to
// destroy.
struct PngReader
{
    explicit PngReader (MemoryReader& source)
    {
        // Damaged data is not reported, only given back as a null image.
        png = png_create_read_struct (PNG_LIBPNG_VER_STRING, nullptr,
                                      [] (png_structp p, png_const_charp) { png_longjmp (p, 1); },
                                      [] (png_structp, png_const_charp) {});
        info = png != nullptr ? png_create_info_struct (png) : nullptr;
        if (info != nullptr)
            png_set_read_fn (png, &source, MemoryReader::read);
    }
    ~PngReader() { png_destroy_read_struct (&png, info != nullptr ? &info : nullptr, nullptr); }

    enum Kind { damaged, rgba, otherKind };

    // rgba for the 8-bit, non-interlaced RGBA images that the build writes, the only kind read here.
    Kind readHeader (int& width, int& height)
    {
        if (info == nullptr || setjmp (png_jmpbuf (png)) != 0)
            return damaged;
        png_read_info (png, info);
        width = (int) png_get_image_width (png, info);
        height = (int) png_get_image_height (png, info);
        return png_get_bit_depth (png, info) == 8 && png_get_color_type (png, info) == PNG_COLOR_TYPE_RGB_ALPHA
                       && png_get_interlace_type (png, info) == PNG_INTERLACE_NONE
                   ? rgba
                   : otherKind;
    }

    bool readRows (png_bytepp rows)
    {
        if (setjmp (png_jmpbuf (png)) != 0)
            return false;
        png_read_image (png, rows);
        png_read_end (png, nullptr);
        return true;
    }

    png_structp png = nullptr;
    png_infop info = nullptr;
};
}

juce::Image decodePng (const unsigned char* data, int size)
{
    if (data == nullptr || size < 8)
        return {};
    MemoryReader source { data, (size_t) size, 0 };
    PngReader reader (source);
    int width = 0, height = 0;
    const auto kind = reader.readHeader (width, height);
    if (kind == PngReader::damaged)
        return {};
    // Any other kind of PNG (none is built): JUCE's own reader.
    if (kind == PngReader::otherKind)
        return juce::ImageFileFormat::loadFrom (data, source.size);
    // Every pixel is written below, so the image is not cleared first.
    juce::Image image (juce::Image::ARGB, width, height, false);
    const juce::Image::BitmapData pixels (image, juce::Image::BitmapData::writeOnly);
    std::vector<png_bytep> rows ((size_t) height);
    for (int y = 0; y < height; ++y)
        rows[(size_t) y] = pixels.getLinePointer (y);
    if (! reader.readRows (rows.data()))
        return {};
    // RGBA as read, turned in place into JUCE's premultiplied ARGB, as its PNG reader does.
    for (int y = 0; y < height; ++y)
    {
        png_bytep p = rows[(size_t) y];
        for (int x = 0; x < width; ++x, p += pixels.pixelStride)
        {
            juce::PixelARGB pixel;
            pixel.setARGB (p[3], p[0], p[1], p[2]);
            pixel.premultiply();
            std::memcpy (p, &pixel, sizeof (pixel));
        }
    }
    image.getProperties()->set ("originalImageHadAlpha", true);
    return image;
}

void decodeAhead (std::initializer_list<const char*> names, std::initializer_list<PlaceSlice> slices)
{
    std::vector<const ImageRow*> rows;
    for (const char* name : names)
        if (const ImageRow* row = findRow (name))
            rows.push_back (row);
    for (const auto& slice : slices)
        for (int i = 0; i < slice.count; ++i)
            if (const ImageRow* row = findRow (slice[i].imageName))
                rows.push_back (row);
    startDecoding (std::move (rows));
}

int imageScale()
{
    return uiScale > 1 ? 2 : 1;
}

juce::Image getImage (const char* name)
{
    if (const ImageRow* row = findRow (name))
        return served (*row, uiScale > 1 ? 2 : 1);

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
