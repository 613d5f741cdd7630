// Outline shapes drawn with the logged line in the drawing colour: every
// pixel's old value goes to the image's change log.
#pragma once

#include <cstdint>
#include <vector>

#include "image/bm.h"
#include "std/db2.h"

// Four logged lines without end points around the half-open rectangle
// [x0, x1) x [y0, y1).
void rectDraw(BM* bm, int x0, int y0, int x1, int y1);

// Closed polygon of trunc(sqrt(rx^2 + ry^2)) edges (4 when that is 0), starting
// at the rightmost point and running clockwise on screen.
void ellipseDraw(BM* bm, int cx, int cy, int rx, int ry);

// Uniform quadratic B-spline weight for one coordinate at t in [0, 1).
double bspline(double t, double p0, double p1, double p2);

// Samples of the B-spline through n points (xy holds x0, y0, x1, y1, ...),
// 16 per segment, each truncated toward zero; the overlay draws the same curve.
std::vector<int32_t> bsplineSample(const int32_t* xy, int n);

// Lines with end points through consecutive points.
void polylineDraw(BM* bm, const int32_t* xy, int n);
void bsplineDraw(BM* bm, const int32_t* xy, int n);

// The same for a point list (records of two 32-bit integers); curve selects
// the B-spline. Lists of fewer than 2 points draw nothing.
void polyDraw(BM* bm, DB* pts, int curve);
