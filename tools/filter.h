// Pixel filters. The selection filters work in place on a crop (a copy of the
// selected rectangle); the tool pastes the crop back opaque.
#pragma once

#include <cstdint>
#include <functional>

#include "image/bm.h"

// Converts the crop to direct colour, then averages each channel over the
// 3x3 neighbourhood clipped to the crop.
void boxBlur(BM* crop);

// Converts the crop to direct colour and scales red, green and blue by
// trunc(factor * 256) / 256, saturating at 255. Brighten 1.2, darken 0.8.
void scaleBright(BM* crop, double factor);
constexpr double BRIGHT_UP = 1.2;
constexpr double BRIGHT_DOWN = 0.8;

// Colours in the drawing colour every inner pixel whose test value (index,
// or alpha of a direct pixel) is 0 and that has a non-zero 8-neighbour.
void edgeMark(BM* crop);
// Colours every inner pixel with a non-zero test value and a zero 8-neighbour.
void edgeErode(BM* crop);

// Two-pixel 3-D frame inside [x0, x1) x [y0, y1) (sorted), drawn as eight
// logged lines: raised for pull, sunken for push.
enum { BEVEL_PUSH = 0, BEVEL_PULL = 1 };
void bevelDraw(BM* bm, int x0, int y0, int x1, int y1, int pull);

// Traces the outlines around the opaque parts of the crop and shades each
// outline pixel by its tangent (light from the top left) in the drawing
// colour, blended over the crop.
void shadeOutline(BM* crop);

// Hue turn, saturation, value and alpha settings in percent (100 changes
// nothing). Answers a converted copy: the colour map of an indexed crop, the
// pixels of a direct one.
BM* hsvAdjust(const BM* crop, unsigned hue, unsigned sat, unsigned val, unsigned alpha);
// One value through the conversion (red, green, blue and alpha of rgba).
uint32_t hsvAdjustColor(uint32_t rgba, unsigned hue, unsigned sat, unsigned val, unsigned alpha);

// What a selection tool does with its rectangle: crop [x0, x1) x [y0, y1)
// (sorted), apply fn to the crop, paste it back opaque. The caller begins the
// undo step.
void filterRegion(BM* bm, int x0, int y0, int x1, int y1, const std::function<void(BM*)>& fn);
