// The font files go into read-only data as they are; their paths and lengths come from the build.
#include "resources/fonts/PlainFont.h"

__asm__ (".pushsection .rodata\n"
         ".balign 16\n"
         ".global plainFontData\n"
         ".hidden plainFontData\n"
         "plainFontData:\n"
         ".incbin \"" KE_PLAIN_FONT_FILE "\"\n"
         ".byte 0\n"
         ".balign 16\n"
         ".global boldFontData\n"
         ".hidden boldFontData\n"
         "boldFontData:\n"
         ".incbin \"" KE_BOLD_FONT_FILE "\"\n"
         ".byte 0\n"
         ".popsection\n");

const int plainFontSize = KE_PLAIN_FONT_SIZE;
const int boldFontSize = KE_BOLD_FONT_SIZE;
