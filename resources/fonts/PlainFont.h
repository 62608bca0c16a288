#pragma once
// The plain face of every text that does not ask for "LCD" (lists, tooltips, JUCE's own windows):
// DejaVu Sans and DejaVu Sans Bold, compiled in from Debian's fonts-dejavu-core at build time.
extern const unsigned char plainFontData[];
extern const int plainFontSize;
extern const unsigned char boldFontData[];
extern const int boldFontSize;
