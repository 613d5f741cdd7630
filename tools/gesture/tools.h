// The tools: each runs gesture after gesture until a held right button (or a
// right click where the tool does not pick colours) ends it.
#pragma once

#include <cstdint>

#include "tools/airbrush.h"

// Line (variant 0), circle (2) and ellipse (3) between two dragged points.
void toolTwoPoint(int32_t variant);
// Rectangle outline (variant 0) or rectangle fill (1) over a dragged region.
void toolRectangle(int32_t variant);
// Polyline (variant 0) or B-spline (1) through clicked points.
void toolPolyline(int32_t variant);
// Flood fill of the clicked colour's region at every press and drag event.
void toolPaint(int32_t unused);
// Samples the colours of a dragged region once, then fills regions of them.
void toolSamplePaint(int32_t unused);
// Selection filters on a crop of every dragged region, pasted back opaque:
// 0 edging, 1 erosion, 2 flip top-bottom, 3 flip left-right, 4 blur,
// 5 brighten, 6 darken, 7 gradient, 8 shaded outline.
enum : int32_t {
  FLT_EDGE = 0,
  FLT_ERODE,
  FLT_FLIPV,
  FLT_FLIPH,
  FLT_BLUR,
  FLT_BRIGHTEN,
  FLT_DARKEN,
  FLT_GRADIENT,
  FLT_OUTLINE,
  FLT_COUNT
};
void toolFilter(int32_t mode);
// Two-pixel 3-D frame in every dragged region: sunken (variant 1, push) or
// raised (0, pull).
void toolBevel(int32_t variant);
// Colour conversion of one dragged region; its dialog opens once the tool
// has posted CMD_COLCNV to the window.
void toolColourConvert(int32_t unused);
// Airbrush (AIR_PLAIN, AIR_LIGHTEN, AIR_DARKEN): sprays at every event while
// the left button is held, on the spot at every tick; one undo step per
// stroke.
void toolAirbrush(int32_t variant);
// The airbrush's random source: one for the whole run, never reseeded, so a
// stroke depends on everything sprayed before it.
extern AirRng airrng;
// Rectangle copy (variant 0) or back copy (1): one source, placed at every
// left press in any window.
void toolCopy(int32_t back);
// Scaled copies of one source into dragged rectangles.
void toolScale(int32_t unused);
// Rotation of a region by dragging around its centre, previewed.
void toolRotate(int32_t unused);
// Perspective warp of a region onto clicked quadrilaterals (variant 0), or
// of a clicked quadrilateral into dragged rectangles (1).
void toolWarp(int32_t inverse);
// Each dragged region opens as a new picture in its own window.
void toolOpenRegion(int32_t unused);
// Text typed at a clicked point, stamped in the drawing colour.
void toolText(int32_t unused);
