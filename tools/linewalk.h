// The logged line: a clipped Bresenham walk, and the line drawn along it with
// the old pixel values going to the image's change log. Shapes, fills and the
// undo replay all rest on this one walk.
#pragma once

#include <cstdint>
#include <vector>

#include "image/bm.h"

struct LWPOINT {
  int32_t x, y;
};

// Points of the segment (x0, y0)-(x1, y1) clipped to a w x h image, in walk
// order, into pts (cleared first); the end point only when incend is
// non-zero. Answers the number of points, 0 when nothing lies inside.
int lineWalk(int w, int h, int x0, int y0, int x1, int y1, int incend, std::vector<LWPOINT>& pts);
// The same points as a new array (empty when nothing lies inside).
std::vector<LWPOINT> lineWalk(int w, int h, int x0, int y0, int x1, int y1, int incend);

// Plots the walk through bmpset with (value, raw) and logs a line record with
// the endpoints as passed and the old value of every plotted pixel. Nothing
// is plotted or logged when the segment misses the image.
void lineDraw(BM* bm, int x0, int y0, int x1, int y1, int incend, uint32_t value, int raw);
