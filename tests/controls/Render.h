#pragma once
// Painting a control into an image at a display scale, and finding which strip frame it shows.
#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>
#include "controls/Images.h"
#include <limits>

// Sets uiScale for one test and puts it back.
struct ScaleGuard
{
    explicit ScaleGuard (int s) : saved (uiScale) { uiScale = s; }
    ~ScaleGuard() { uiScale = saved; }
    int saved;
};

// The component's paint at `scale` device pixels per logical pixel, so that a frame drawn from
// a strip of that resolution lands pixel for pixel.
template <typename PaintFn>
juce::Image render (int logicalWidth, int logicalHeight, int scale, PaintFn&& paint)
{
    juce::Image out (juce::Image::ARGB, logicalWidth * scale, logicalHeight * scale, true, juce::SoftwareImageType());
    juce::Graphics g (out);
    g.addTransform (juce::AffineTransform::scale ((float) scale));
    paint (g);
    return out;
}

// Sum of channel differences between a region of `a` and frame `frame` (w x h logical) of `strip`.
inline long long difference (const juce::Image& a, juce::Rectangle<int> regionInA,
                             const juce::Image& strip, int frame, int w, int h, int scale)
{
    if (! a.getBounds().contains (regionInA * scale) || (frame + 1) * h * scale > strip.getHeight()
        || w * scale > strip.getWidth())
        return std::numeric_limits<long long>::max();
    const juce::Image::BitmapData pa (a, juce::Image::BitmapData::readOnly);
    const juce::Image::BitmapData ps (strip, juce::Image::BitmapData::readOnly);
    long long sum = 0;
    for (int y = 0; y < h * scale; ++y)
        for (int x = 0; x < w * scale; ++x)
        {
            const auto ca = pa.getPixelColour (regionInA.getX() * scale + x, regionInA.getY() * scale + y);
            const auto cs = ps.getPixelColour (x, (frame * h) * scale + y);
            sum += std::abs ((int) ca.getRed() - (int) cs.getRed()) + std::abs ((int) ca.getGreen() - (int) cs.getGreen())
                 + std::abs ((int) ca.getBlue() - (int) cs.getBlue()) + std::abs ((int) ca.getAlpha() - (int) cs.getAlpha());
        }
    return sum;
}

// The strip frame that the region shows: the one it matches exactly, -1 if none does.
inline int shownFrame (const juce::Image& a, juce::Rectangle<int> regionInA, const juce::Image& strip,
                       int frames, int w, int h, int scale)
{
    for (int f = 0; f < frames; ++f)
        if (difference (a, regionInA, strip, f, w, h, scale) == 0)
            return f;
    return -1;
}

inline bool isBlank (const juce::Image& a)
{
    const juce::Image::BitmapData p (a, juce::Image::BitmapData::readOnly);
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (p.getPixelColour (x, y).getAlpha() != 0)
                return false;
    return true;
}
