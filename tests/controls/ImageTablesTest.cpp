#include "Render.h"
#include "controls/ImageFallback.h"
#include "controls/PlaceTable.h"
#include <cstring>
#include <string>
#include <vector>

namespace
{
struct PngHeader
{
    bool valid = false;
    uint32_t width = 0, height = 0;
    int bitDepth = 0, colourType = 0, interlace = 0;
};

uint32_t be32 (const unsigned char* p) { return (uint32_t) p[0] << 24 | (uint32_t) p[1] << 16 | (uint32_t) p[2] << 8 | p[3]; }

PngHeader readHeader (const ImageRow& row)
{
    static const unsigned char signature[] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    PngHeader h;
    if (row.size < 33 || std::memcmp (row.data, signature, 8) != 0 || std::memcmp (row.data + 12, "IHDR", 4) != 0)
        return h;
    h.valid = true;
    h.width = be32 (row.data + 16);
    h.height = be32 (row.data + 20);
    h.bitDepth = row.data[24];
    h.colourType = row.data[25];
    h.interlace = row.data[28];
    return h;
}

int rowCount (const ImageRow* table)
{
    int n = 0;
    while (table[n].size != 0)
        ++n;
    return n;
}

// Sizes at scale 1 and frame heights (0: one image) of what the program asks for.
struct Expected { const char* name; int width, height, frameHeight; };
const Expected expected[] = {
    { "Arrow-Down.png", 17, 8, 0 }, { "Arrow-Up.png", 17, 8, 0 },
    { "Background_Content.png", 876, 616, 0 }, { "Background_Effects.png", 876, 620, 0 },
    { "Background_Global.png", 443, 245, 0 }, { "Background_Sample-Content-List.png", 250, 312, 0 },
    { "Background_Sound-FM.png", 876, 676, 0 }, { "Background_Sound-Model.png", 876, 676, 0 },
    { "Background_Sound-Sample.png", 314, 430, 0 }, { "Bar-Select.png", 238, 450, 0 },
    { "Bar-Selected.png", 238, 16, 0 }, { "Button-1.png", 44, 204, 51 }, { "Button-2.png", 50, 168, 42 },
    { "Button_Down.png", 100, 144, 48 }, { "Button_Dump-Set.png", 100, 144, 48 },
    { "Button_Left.png", 100, 144, 48 }, { "Button_Load-Lib.png", 100, 144, 48 },
    { "Button_Load-Set.png", 100, 144, 48 }, { "Button_Req-Set.png", 100, 144, 48 },
    { "Button_Rigth.png", 100, 144, 48 }, { "Button_Save-Lib.png", 100, 144, 48 },
    { "Button_Save-Set.png", 100, 144, 48 }, { "Button_Up.png", 100, 144, 48 },
    { "Corona-black.png", 83, 83, 0 }, { "Echo.png", 34, 32, 16 }, { "Glas-Reflex-Overlay.png", 250, 312, 0 },
    { "Knob-1.png", 83, 10707, 83 }, { "Knob-1_Invert.png", 83, 10707, 83 },
    { "Knob-1_Invert_Orange.png", 83, 10707, 83 }, { "Knob-1_Invert_Rot.png", 83, 10707, 83 },
    { "Knob-2.png", 83, 10707, 83 }, { "Knob-3.png", 83, 10707, 83 }, { "Knob-3_Bipolar.png", 83, 10707, 83 },
    { "Main-Page-Background.png", 1024, 768, 0 }, { "Quad-1.png", 16, 16, 0 }, { "Quad-2.png", 16, 16, 0 },
    { "Quad-3.png", 16, 16, 0 }, { "Reverb.png", 46, 32, 16 }, { "Slider-Handle.png", 17, 40, 0 },
    { "Slider.png", 53, 30, 0 },
};

// Names that the controls and pages request besides the place table's strips.
const char* const requested[] = {
    "Knob-1_Invert_Rot.png", "Knob-3_Bipolar.png", "Echo.png", "Reverb.png", "Slider.png",
    "Main-Page-Background.png", "Background_Content.png", "Background_Effects.png", "Background_Global.png",
    "Background_Sound-FM.png", "Background_Sound-Model.png", "Background_Sound-Sample.png",
};

const ImageRow* findRow (const ImageRow* table, const char* name)
{
    for (const ImageRow* r = table; r->size != 0; ++r)
        if (std::strcmp (r->name, name) == 0)
            return r;
    return nullptr;
}
}

TEST (ImageTables, BothTablesHoldTheSameNamesInByteOrderAndEndInAZeroRow)
{
    for (int t = 0; t < 2; ++t)
    {
        const ImageRow* table = imageTable[t];
        ASSERT_EQ (rowCount (table), imageTableRows);
        const ImageRow& end = table[imageTableRows];
        EXPECT_EQ (end.name, nullptr);
        EXPECT_EQ (end.variant, nullptr);
        EXPECT_EQ (end.data, nullptr);
        for (int i = 0; i < imageTableRows; ++i)
        {
            EXPECT_STREQ (table[i].name, expected[i].name);
            EXPECT_STREQ (table[i].variant, t == 0 ? "small" : "big");
            if (i > 0)
            {
                EXPECT_LT (std::strcmp (table[i - 1].name, table[i].name), 0) << table[i].name;
            }
        }
    }
}

TEST (ImageTables, EveryImageIsANonInterlacedRgbaPngOfItsSizeAndBigIsTwiceSmall)
{
    for (int i = 0; i < imageTableRows; ++i)
    {
        SCOPED_TRACE (expected[i].name);
        for (int t = 0; t < 2; ++t)
        {
            const PngHeader h = readHeader (imageTable[t][i]);
            ASSERT_TRUE (h.valid);
            EXPECT_EQ (h.width, (uint32_t) (expected[i].width * (t + 1)));
            EXPECT_EQ (h.height, (uint32_t) (expected[i].height * (t + 1)));
            EXPECT_EQ (h.bitDepth, 8);
            EXPECT_EQ (h.colourType, 6);
            EXPECT_EQ (h.interlace, 0);
        }
    }
}

TEST (ImageTables, FilmStripsHoldWholeFramesThatDiffer)
{
    for (const auto& e : expected)
    {
        if (e.frameHeight == 0)
            continue;
        SCOPED_TRACE (e.name);
        ASSERT_EQ (e.height % e.frameHeight, 0);
        const int frames = e.height / e.frameHeight;
        const ImageRow* row = findRow (imageTable[0], e.name);
        ASSERT_NE (row, nullptr);
        const juce::Image strip = juce::ImageFileFormat::loadFrom (row->data, (size_t) row->size);
        ASSERT_TRUE (strip.isValid());
        // A strip whose neighbouring frames were alike would hide a wrong frame choice.
        for (int f = 1; f < frames; ++f)
            EXPECT_GT (difference (strip, { 0, f * e.frameHeight, e.width, e.frameHeight }, strip, f - 1,
                                   e.width, e.frameHeight, 1), 0) << "frame " << f;
    }
}

TEST (ImageTables, EveryRequestedNameIsInBothTables)
{
    for (int t = 0; t < 2; ++t)
    {
        for (const auto& row : placeTable)
            EXPECT_NE (findRow (imageTable[t], row.imageName), nullptr) << row.name;
        for (const char* name : requested)
            EXPECT_NE (findRow (imageTable[t], name), nullptr) << name;
    }
}

class GetImage : public ::testing::TestWithParam<int> {};

namespace
{
std::vector<std::string> fellBack;

struct FallbackRecorder
{
    FallbackRecorder()
    {
        fellBack.clear();
        imageFallbackHook = [] (const char* name) { fellBack.push_back (name == nullptr ? "(null)" : name); };
    }
    ~FallbackRecorder() { imageFallbackHook = nullptr; }
};
}

TEST_P (GetImage, ServesTheTableOfTheScaleAndFallsBackToTheSmallArrow)
{
    ScaleGuard scale (GetParam());
    FallbackRecorder recorder;
    const int factor = GetParam() > 1 ? 2 : 1;
    const juce::Image knob = getImage ("Knob-1.png");
    EXPECT_EQ (knob.getWidth(), 83 * factor);
    EXPECT_EQ (knob.getHeight(), 10707 * factor);
    EXPECT_EQ (imageScale(), factor);

    for (const char* unknown : { "knob-1.png", "Knob-1", "Knob-1.PNG", "", "Nothing.png" })
    {
        const juce::Image fallback = getImage (unknown);
        EXPECT_EQ (fallback.getWidth(), 17) << unknown;
        EXPECT_EQ (fallback.getHeight(), 8) << unknown;
    }
    EXPECT_EQ (getImage (nullptr).getWidth(), 17);
    // Each fallback, and nothing else, is seen by the hook.
    EXPECT_EQ (fellBack, (std::vector<std::string> { "knob-1.png", "Knob-1", "Knob-1.PNG", "", "Nothing.png", "(null)" }));
}

INSTANTIATE_TEST_SUITE_P (Scales, GetImage, ::testing::Values (0, 1, 2, 3));

TEST (GetImageCache, RequestsForOneRowShareOneDecodedImage)
{
    for (int s : { 1, 2 })
    {
        ScaleGuard scale (s);
        const juce::Image a = getImage ("Slider.png");
        const juce::Image b = getImage ("Slider.png");
        EXPECT_TRUE (a == b);
        EXPECT_EQ (juce::Image::BitmapData (a, juce::Image::BitmapData::readOnly).data,
                   juce::Image::BitmapData (b, juce::Image::BitmapData::readOnly).data);
    }
    ScaleGuard one (1);
    const juce::Image small = getImage ("Slider.png");
    uiScale = 2;
    EXPECT_FALSE (small == getImage ("Slider.png"));
}

TEST (DrawImagePart, ScaleBeyondTwoStillDrawsWholeFrames)
{
    // A display of scale 3 gets the big strip; its frames must not be cut or shifted.
    juce::Image strip;
    juce::Image drawnAt2, drawnAt3;
    {
        ScaleGuard scale (2);
        strip = getImage ("Knob-1.png");
        drawnAt2 = render (83, 83, 2, [&] (juce::Graphics& g) { drawImagePart (g, strip, 0, 0, 83, 83, 0, 64 * 83, 83, 83); });
    }
    {
        ScaleGuard scale (3);
        drawnAt3 = render (83, 83, 2, [&] (juce::Graphics& g) { drawImagePart (g, getImage ("Knob-1.png"), 0, 0, 83, 83, 0, 64 * 83, 83, 83); });
    }
    EXPECT_EQ (shownFrame (drawnAt3, { 0, 0, 83, 83 }, strip, 129, 83, 83, 2), 64);
    EXPECT_EQ (difference (drawnAt2, { 0, 0, 83, 83 }, drawnAt3, 0, 83, 83, 2), 0);
}

namespace
{
// Part of an image, drawn at the image's own resolution so that the copy is pixel for pixel.
struct PartCase
{
    const char* what;
    int uiScale;
    const char* name;
    int resolution;  // of the table that serves `name` at that scale
    int sx, sy, sw, sh;
};

const PartCase partCases[] = {
    // Less than half the width of a small image: a width comparison takes it for a big one.
    { "small background at scale 1", 1, "Main-Page-Background.png", 1, 600, 400, 200, 150 },
    { "right half of the small stand-in at scale 2", 2, "No such image.png", 1, 9, 0, 8, 8 },
    { "big background at scale 2", 2, "Main-Page-Background.png", 2, 600, 400, 200, 150 },
    { "second caption frame at scale 1", 1, "Reverb.png", 1, 0, 16, 46, 16 },
    { "second caption frame at scale 2", 2, "Reverb.png", 2, 0, 16, 46, 16 },
};
}

TEST (DrawImagePart, APartIsTakenAtTheResolutionOfTheTableThatServedTheImage)
{
    for (const auto& c : partCases)
    {
        SCOPED_TRACE (c.what);
        ScaleGuard scale (c.uiScale);
        const juce::Image image = getImage (c.name);
        ASSERT_EQ (image.getWidth() % c.resolution, 0);
        const juce::Rectangle<int> wanted (c.sx * c.resolution, c.sy * c.resolution, c.sw * c.resolution, c.sh * c.resolution);
        ASSERT_TRUE (image.getBounds().contains (wanted));
        const juce::Image expectedPart = image.getClippedImage (wanted);
        ASSERT_FALSE (isBlank (expectedPart));

        const juce::Image drawn = render (c.sw, c.sh, c.resolution, [&] (juce::Graphics& g) {
            drawImagePart (g, image, 0, 0, c.sw, c.sh, c.sx, c.sy, c.sw, c.sh);
        });
        EXPECT_EQ (difference (drawn, { 0, 0, c.sw, c.sh }, expectedPart, 0, c.sw, c.sh, c.resolution), 0);
    }
}

TEST (DrawImagePart, AnImageKeepsItsResolutionWhenTheScaleChangesLater)
{
    juce::Image small;
    {
        ScaleGuard one (1);
        small = getImage ("Echo.png");
    }
    ScaleGuard two (2);
    const juce::Image drawn = render (34, 16, 1, [&] (juce::Graphics& g) { drawImagePart (g, small, 0, 0, 34, 16, 0, 16, 34, 16); });
    EXPECT_EQ (shownFrame (drawn, { 0, 0, 34, 16 }, small, 2, 34, 16, 1), 1);
}

namespace
{
bool samePixels (const juce::Image& a, const juce::Image& b)
{
    if (a.getFormat() != b.getFormat() || a.getWidth() != b.getWidth() || a.getHeight() != b.getHeight())
        return false;
    const juce::Image::BitmapData pa (a, juce::Image::BitmapData::readOnly), pb (b, juce::Image::BitmapData::readOnly);
    for (int y = 0; y < a.getHeight(); ++y)
        if (std::memcmp (pa.getLinePointer (y), pb.getLinePointer (y), (size_t) (a.getWidth() * pa.pixelStride)) != 0)
            return false;
    return true;
}
}

// The images are decoded without JUCE's PNG reader: every one of both tables must come out as
// that reader makes it, premultiplied ARGB of the same size.
TEST (DecodePng, EveryImageAsJucesReaderDecodesIt)
{
    for (const ImageRow* table : imageTable)
        for (const ImageRow* row = table; row->size != 0; ++row)
        {
            const juce::Image ours = decodePng (row->data, row->size);
            ASSERT_TRUE (ours.isValid()) << row->name << " " << row->variant;
            EXPECT_TRUE (samePixels (ours, juce::ImageFileFormat::loadFrom (row->data, (size_t) row->size)))
                << row->name << " " << row->variant;
        }
}

TEST (DecodePng, DamagedDataGivesANullImage)
{
    const ImageRow* row = findRow (imageTable[0], "Slider.png");
    ASSERT_NE (row, nullptr);
    std::vector<unsigned char> bytes (row->data, row->data + row->size);
    struct Case { const char* what; int keep; int flip; };
    const Case cases[] = {
        { "cut in its image data", row->size / 2, -1 },
        { "cut in its header", 20, -1 },
        { "a changed byte of the compressed pixels", row->size, row->size - 40 },
        { "no signature", row->size, 1 },
    };
    for (const auto& c : cases)
    {
        auto damaged = bytes;
        damaged.resize ((size_t) c.keep);
        if (c.flip >= 0)
            damaged[(size_t) c.flip] ^= 0x5A;
        EXPECT_TRUE (decodePng (damaged.data(), (int) damaged.size()).isNull()) << c.what;
    }
    EXPECT_TRUE (decodePng (nullptr, 0).isNull());
}

// A page that has its images decoded ahead gets the same shared images, with the same pixels, as
// one that asks getImage for them one by one; names the tables lack change nothing.
TEST (DecodeAhead, GetImageTakesTheImagesDecodedAheadAndSharesThem)
{
    for (int s : { 1, 2 })
    {
        ScaleGuard scale (s);
        juce::ImageCache::releaseUnusedImages();
        decodeAhead ({ "Background_Effects.png", "Knob-3_Bipolar.png", "No-Such-Image.png", nullptr, "Echo.png" },
                     { placeEffectsKnobs, placeGlobalKnobs });
        for (const char* name : { "Knob-3_Bipolar.png", "Background_Effects.png", "Knob-1.png", "Knob-2.png", "Echo.png" })
        {
            const juce::Image ahead = getImage (name);
            const ImageRow* row = findRow (imageTable[s - 1], name);
            ASSERT_NE (row, nullptr);
            EXPECT_TRUE (samePixels (ahead, juce::ImageFileFormat::loadFrom (row->data, (size_t) row->size))) << name << " at " << s;
            EXPECT_TRUE (ahead == getImage (name)) << name << " at " << s;
        }
        // Knob-3.png was decoded ahead too and never asked for: still the one served.
        decodeAhead ({ "Knob-3.png" });
        EXPECT_TRUE (getImage ("Knob-3.png") == getImage ("Knob-3.png"));
    }
}
