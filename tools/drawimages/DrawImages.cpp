// Draws every embedded image at scale 1 and 2 from the same vector code, writes them as RGBA
// PNGs and writes the source of the two image tables that compile them into the program.
//   ke_drawimages <png folder> <table .cpp>
//   ke_drawimages --sheet <scale> <out.png>    contact sheet of all images at that scale
#include "Painters.h"
#include "controls/EmbeddedTypeface.h"
#include "resources/fonts/LcdFont.h"
#include <cstdio>
#include <cstring>
#include <png.h>
#include <vector>

namespace
{
struct ImagePlan
{
    const char* name;
    int width, height;  // at scale 1
    void (*paint) (juce::Graphics&);
};

// In byte order of the names, as the lookup tables list them.
const ImagePlan images[] = {
    { "Arrow-Down.png", 17, 8, paintArrowDown },
    { "Arrow-Up.png", 17, 8, paintArrowUp },
    { "Background_Content.png", 876, 616, paintContentBackground },
    { "Background_Effects.png", 876, 620, paintEffectsBackground },
    { "Background_Global.png", 443, 245, paintGlobalBackground },
    { "Background_Sample-Content-List.png", 250, 312, paintSampleContentList },
    { "Background_Sound-FM.png", 876, 676, paintFmBackground },
    { "Background_Sound-Model.png", 876, 676, paintModelBackground },
    { "Background_Sound-Sample.png", 314, 430, paintSampleBackground },
    { "Bar-Select.png", 238, 450, paintBarSelect },
    { "Bar-Selected.png", 238, 16, paintBarSelected },
    { "Button-1.png", 44, 204, paintButton1 },
    { "Button-2.png", 50, 168, paintButton2 },
    { "Button_Down.png", 100, 144, paintButtonDown },
    { "Button_Dump-Set.png", 100, 144, paintButtonDumpSet },
    { "Button_Left.png", 100, 144, paintButtonLeft },
    { "Button_Load-Lib.png", 100, 144, paintButtonLoadLib },
    { "Button_Load-Set.png", 100, 144, paintButtonLoadSet },
    { "Button_Req-Set.png", 100, 144, paintButtonReqSet },
    { "Button_Rigth.png", 100, 144, paintButtonRight },
    { "Button_Save-Lib.png", 100, 144, paintButtonSaveLib },
    { "Button_Save-Set.png", 100, 144, paintButtonSaveSet },
    { "Button_Up.png", 100, 144, paintButtonUp },
    { "Corona-black.png", 83, 83, paintCorona },
    { "Echo.png", 34, 32, paintEcho },
    { "Glas-Reflex-Overlay.png", 250, 312, paintGlassReflex },
    { "Knob-1.png", 83, 10707, paintKnob1 },
    { "Knob-1_Invert.png", 83, 10707, paintKnob1Invert },
    { "Knob-1_Invert_Orange.png", 83, 10707, paintKnob1InvertOrange },
    { "Knob-1_Invert_Rot.png", 83, 10707, paintKnob1InvertRot },
    { "Knob-2.png", 83, 10707, paintKnob2 },
    { "Knob-3.png", 83, 10707, paintKnob3 },
    { "Knob-3_Bipolar.png", 83, 10707, paintKnob3Bipolar },
    { "Main-Page-Background.png", 1024, 768, paintMainBackground },
    { "Quad-1.png", 16, 16, paintQuad1 },
    { "Quad-2.png", 16, 16, paintQuad2 },
    { "Quad-3.png", 16, 16, paintQuad3 },
    { "Reverb.png", 46, 32, paintReverb },
    { "Slider-Handle.png", 17, 40, paintSliderHandle },
    { "Slider.png", 53, 30, paintSlider },
};

const char* const variants[] = { "small", "big" };

// RGBA rows as JUCE's PNG writer makes them (unpremultiplied), but every row unfiltered and
// deflated hard: these drawn images then come out smaller, and decode four times faster than
// with the filters libpng picks itself, Paeth mostly, whose undoing was most of the decoding time.
bool writePng (const juce::Image& image, const juce::File& file)
{
    file.deleteFile();
    FILE* out = std::fopen (file.getFullPathName().toRawUTF8(), "wb");
    if (out == nullptr)
        return false;
    png_structp png = png_create_write_struct (PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct (png) : nullptr;
    bool ok = info != nullptr;
    const int width = image.getWidth(), height = image.getHeight();
    std::vector<png_byte> row ((size_t) width * 4);
    if (ok && setjmp (png_jmpbuf (png)) == 0)
    {
        png_init_io (png, out);
        png_set_IHDR (png, info, (png_uint_32) width, (png_uint_32) height, 8, PNG_COLOR_TYPE_RGB_ALPHA,
                      PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
        png_set_filter (png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
        png_set_compression_level (png, 9);
        png_color_8 significant {};
        significant.red = significant.green = significant.blue = significant.alpha = 8;
        png_set_sBIT (png, info, &significant);
        png_write_info (png, info);
        const juce::Image::BitmapData pixels (image, juce::Image::BitmapData::readOnly);
        for (int y = 0; y < height; ++y)
        {
            png_byte* dst = row.data();
            for (int x = 0; x < width; ++x)
            {
                juce::PixelARGB p (*reinterpret_cast<const juce::PixelARGB*> (pixels.getPixelPointer (x, y)));
                p.unpremultiply();
                *dst++ = p.getRed();
                *dst++ = p.getGreen();
                *dst++ = p.getBlue();
                *dst++ = p.getAlpha();
            }
            png_write_row (png, row.data());
        }
        png_write_end (png, info);
    }
    else
        ok = false;
    png_destroy_write_struct (&png, info != nullptr ? &info : nullptr);
    return std::fclose (out) == 0 && ok;
}

juce::Image draw (const ImagePlan& plan, int scale)
{
    // Always ARGB, so that the PNG is RGBA even where the image is opaque.
    juce::Image image (juce::Image::ARGB, plan.width * scale, plan.height * scale, true,
                       juce::SoftwareImageType());
    juce::Graphics g (image);
    g.addTransform (juce::AffineTransform::scale ((float) scale));
    art::setScale (scale);
    plan.paint (g);
    return image;
}

// The path as it goes into an assembler string inside a C++ string literal.
bool quotable (const juce::File& f)
{
    return ! f.getFullPathName().containsAnyOf ("\"\\\n");
}
}

// Every image on one sheet, named, knob strips shown by five of their frames.
juce::Image contactSheet (int scale)
{
    const int columns = 5, cellW = 460, labelH = 16;
    std::vector<juce::Rectangle<int>> cells;
    int x = 0, y = 0, rowH = 0;
    for (const auto& plan : images)
    {
        const bool knob = plan.height == 10707;
        const int w = juce::jmax (knob ? 5 * 83 : plan.width, 150), h = (knob ? 83 : plan.height) + labelH;
        if (x > 0 && (x + w > columns * cellW))
        {
            x = 0;
            y += rowH + 10;
            rowH = 0;
        }
        cells.push_back ({ x, y, w, h });
        x += w + 10;
        rowH = juce::jmax (rowH, h);
    }
    const int width = columns * cellW, height = y + rowH;
    juce::Image sheet (juce::Image::ARGB, width * scale, height * scale, true, juce::SoftwareImageType());
    juce::Graphics g (sheet);
    g.addTransform (juce::AffineTransform::scale ((float) scale));
    art::setScale (scale);
    g.fillAll (juce::Colour (0xFF505050u));
    for (size_t i = 0; i < std::size (images); ++i)
    {
        const auto& plan = images[i];
        const auto cell = cells[i];
        art::captionLeft (g, juce::String (plan.name).upToLastOccurrenceOf (".", false, false), (float) cell.getX(),
                          (float) cell.getY() + 2.0f, 9.0f, art::text);
        const juce::Image image = draw (plan, scale);
        const int top = cell.getY() + labelH;
        if (plan.height == 10707)
        {
            const int frames[] = { 0, 32, 64, 100, 128 };
            for (int k = 0; k < 5; ++k)
                g.drawImage (image, cell.getX() + 83 * k, top, 83, 83, 0, frames[k] * 83 * scale, 83 * scale, 83 * scale);
        }
        else
            g.drawImage (image, cell.getX(), top, plan.width, plan.height, 0, 0, plan.width * scale, plan.height * scale);
    }
    return sheet;
}

int main (int argc, char** argv)
{
    if (argc == 4 && juce::String (argv[1]) == "--sheet")
    {
        art::setTypeface (EmbeddedTypeface::create (lcdFontData, (size_t) lcdFontSize));
        const bool ok = writePng (contactSheet (juce::jlimit (1, 2, juce::String (argv[2]).getIntValue())),
                                  juce::File::getCurrentWorkingDirectory().getChildFile (argv[3]));
        art::setTypeface (nullptr);
        juce::DeletedAtShutdown::deleteAll();
        return ok ? 0 : 1;
    }
    if (argc != 3)
    {
        std::fprintf (stderr, "usage: %s <png folder> <table .cpp> | --sheet <scale> <out.png>\n", argv[0]);
        return 2;
    }
    // Quiet captions must still read: below 4.5:1 against their ground the build stops.
    bool readable = true;
    for (const auto& pair : art::captionGrounds())
    {
        const double ratio = art::contrast (pair.ink, pair.ground);
        if (ratio < 4.5)
        {
            std::fprintf (stderr, "contrast of %s is %.2f:1, below 4.5:1\n", pair.what, ratio);
            readable = false;
        }
    }
    if (! readable)
        return 1;
    for (size_t i = 1; i < std::size (images); ++i)
        if (std::strcmp (images[i - 1].name, images[i].name) >= 0)
        {
            std::fprintf (stderr, "images out of byte order at %s\n", images[i].name);
            return 1;
        }

    art::setTypeface (EmbeddedTypeface::create (lcdFontData, (size_t) lcdFontSize));

    const juce::File root = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    juce::String source;
    source << "// Written by ke_drawimages; do not edit.\n#include \"controls/Images.h\"\n\n";
    juce::String tables[2];
    int count = 0;

    for (int v = 0; v < 2; ++v)
    {
        const juce::File folder = root.getChildFile (variants[v]);
        if (! folder.createDirectory())
            return 1;
        for (const auto& plan : images)
        {
            const juce::File file = folder.getChildFile (plan.name);
            if (! writePng (draw (plan, v + 1), file))
            {
                std::fprintf (stderr, "cannot write %s\n", file.getFullPathName().toRawUTF8());
                return 1;
            }
            if (! quotable (file))
                return 1;
            const juce::String symbol = "keImage" + juce::String (count++);
            source << "__asm__ (\".pushsection .rodata\\n.balign 16\\n.global " << symbol << "\\n.hidden " << symbol
                   << "\\n" << symbol << ":\\n.incbin \\\"" << file.getFullPathName()
                   << "\\\"\\n.popsection\\n\");\n"
                   << "extern \"C\" const unsigned char " << symbol << "[];\n";
            tables[v] << "    { \"" << plan.name << "\", \"" << variants[v] << "\", " << symbol << ", "
                      << juce::String (file.getSize()) << " },\n";
        }
    }

    source << "\nstatic const ImageRow smallTable[] = {\n" << tables[0] << "    { nullptr, nullptr, nullptr, 0 },\n};\n"
           << "\nstatic const ImageRow bigTable[] = {\n" << tables[1] << "    { nullptr, nullptr, nullptr, 0 },\n};\n"
           << "\nconst ImageRow* const imageTable[2] = { smallTable, bigTable };\n";

    const juce::File out = juce::File::getCurrentWorkingDirectory().getChildFile (argv[2]);
    const bool written = out.replaceWithText (source);
    // JUCE's singletons go before exit, so that a leak checker sees a clean run.
    art::setTypeface (nullptr);
    juce::DeletedAtShutdown::deleteAll();
    return written ? 0 : 1;
}
