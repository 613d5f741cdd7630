// Stamping rendered text (an 8-bit glyph image, black background) onto an
// image in the drawing colour.
#pragma once

#include "image/bm.h"

// Every crop pixel under a non-zero glyph pixel receives the crop's drawing
// colour; grey anti-aliased edges stamp the full colour.
void textStamp(BM* crop, const BM* glyph);

// Commit of pending text: crop the image at (x, y) with the glyph's size,
// stamp, paste back transparent unless opaque. The caller begins the undo step.
void textCommit(BM* bm, const BM* glyph, int x, int y, int opaque);
