// Area fills in the drawing colour, all written through the logged line so a
// fill is undone as one step.
#pragma once

#include <cstdint>

#include "image/bm.h"
#include "std/db2.h"

// Colour set: a list database keyed by pixel values, 1-byte keys (indices)
// for indexed images and 4-byte keys (RGBA) for direct-colour ones.
DB* colorSetNew(int bpp);
// Adds value unless it is already there.
void colorSetAdd(DB* set, uint32_t value);
int colorSetHas(DB* set, uint32_t value);
// Every distinct pixel value of the rectangle [x0, x1) x [y0, y1) (any corner
// order); parts outside the image read as 0.
DB* colorSetSample(const BM* bm, int x0, int y0, int x1, int y1);

// 4-connected scan-line fill from the seed over pixels whose value is in the
// set (the seed's own value when set is null). Seeds outside do nothing.
void floodFill(BM* bm, int x, int y, DB* set);

// Fills [x0, x1) x [y0, y1) (any corner order) clipped to the image.
void rectFill(BM* bm, int x0, int y0, int x1, int y1);

// Direct-colour images only: a linear ramp in row order from the first pixel
// to the last, per channel.
void rampFill(BM* bm);
