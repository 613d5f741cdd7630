// The text tool's use of the platform: pending text rendered with the
// window's font into a glyph image, and the font dialog that changes it.
#pragma once

#include "std/xwin.h"

struct PTEXT;

// Renders the text with the window's font into t->glyph: 8-bit grey ramp,
// white text on black, the width rounded up to a multiple of 4. The old
// glyph stays when the platform fails.
void textRender(cXWIN* w, PTEXT* t);
// The font dialog, started from the window's font; on OK the window's font
// becomes the chosen face at the chosen height. 1 when a font was chosen.
int fontChoose(cXWIN* w);
// The window's font becomes `face` at height h pixels (character width
// h / 2, fixed pitch, normal weight).
void fontApply(cXWIN* w, const char* face, int h);
