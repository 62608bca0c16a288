#pragma once
// The 14-segment display face served as "LCD", compiled in from the font file beside this header.
extern const unsigned char lcdFontData[];
extern const int lcdFontSize;
