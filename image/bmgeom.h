// Whole-image transforms that move pixels without changing them. None of
// them sets `modified`; only bmResize writes to the change log.
#pragma once

#include "image/bm.h"

// Rows reversed top to bottom.
void bmFlipV(BM* bm);
// Every row reversed left to right.
void bmFlipH(BM* bm);
// Pixel (x, y) goes to (y, x); w and h swap. 0 when the temporary buffer
// cannot be allocated (the image is unchanged). Rotating +90 degrees is
// bmTrans then bmFlipH; -90 degrees is bmTrans then bmFlipV.
int bmTrans(BM* bm);
// Canvas cut or extended with zeros at the right and bottom; logs the whole
// image first. 0 for a size the image cannot have or no memory (unchanged).
int bmResize(BM* bm, int w, int h);
