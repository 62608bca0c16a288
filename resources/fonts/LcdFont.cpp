// The font file goes into read-only data as it is; its path and length come from the build.
#include "resources/fonts/LcdFont.h"

__asm__ (".pushsection .rodata\n"
         ".balign 16\n"
         ".global lcdFontData\n"
         ".hidden lcdFontData\n"
         "lcdFontData:\n"
         ".incbin \"" KE_LCD_FONT_FILE "\"\n"
         ".byte 0\n"
         ".popsection\n");

const int lcdFontSize = KE_LCD_FONT_SIZE;
