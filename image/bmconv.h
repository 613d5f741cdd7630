// Colour-model conversions of image records: indexed to direct colour, grey
// scale, two colours, and the RGB <-> hue/saturation/value pair.
#pragma once

#include "image/bm.h"

// An indexed record becomes direct colour in place (others stay). Writes no
// change-log record: callers that want the step undoable log the whole image
// first. 0 when the new buffer cannot be allocated (the record is unchanged).
int bmDirect(BM* bm);
// The record becomes an indexed grey-scale image in place, the grey level
// being the green channel; logs the colour map and the whole image first.
// 0 when the new buffer cannot be allocated (nothing changed, nothing logged).
int bmGray(BM* bm);
// New two-colour record (0 opaque black, 1 opaque white): 1 where the channel
// (0 red, 1 green, 2 blue, 3 alpha) is at least the threshold. Indices at or
// above the source's cmapn count as 0. Null on a bad channel or no memory.
BM* bmBinar(const BM* bm, int channel, int threshold);

// r, g, b in 0..1; hue in radians 0 <= hue < 2 pi (red 0, green 2 pi / 3,
// blue 4 pi / 3); saturation and value in 0..1.
void rgb2hsv(double r, double g, double b, double* hue, double* sat, double* val);
// Each result at most 1.
void hsv2rgb(double hue, double sat, double val, double* r, double* g, double* b);
// The same with the results by reference.
inline void rgb2hsv(double r, double g, double b, double& hue, double& sat, double& val) {
  rgb2hsv(r, g, b, &hue, &sat, &val);
}
inline void hsv2rgb(double hue, double sat, double val, double& r, double& g, double& b) {
  hsv2rgb(hue, sat, val, &r, &g, &b);
}
