// Perspective mapping of the unit square onto a quadrilateral, the forward
// warp of a crop onto one and the inverse warp of one into a rectangle.
#pragma once

#include "image/bm.h"

struct QPOINT {
  int x, y;
};

// Corners P0..P3 are the images of (0,0), (1,0), (1,1), (0,1): clockwise from
// the top-left. V1 = P1P2 x P0P3, V2 = P0P1 x P3P2 when those lines meet.
struct QUADMAP {
  double px[4], py[4];
  bool hasV1, hasV2;
  double v1x, v1y, v2x, v2y;
};

QUADMAP quadMapMake(const QPOINT pts[4]);
// The point (s, t) of the unit square maps to, truncated toward zero.
QPOINT quadMap(const QUADMAP& q, double s, double t);

// The crop warped onto the quadrilateral, in an image covering (0,0) to the
// largest x and y of the points (transparent or index 0 around it). Null when
// that size is empty. Direct colour is rendered four times larger and
// averaged down.
BM* warpFwd(const QPOINT pts[4], const BM* src);

// The quadrilateral of src mapped onto a w x h rectangle (sampled four times
// per axis, then reduced). Null when the size is empty.
BM* warpInv(const QUADMAP& q, const BM* src, int w, int h);
