// The tools: each runs gesture after gesture until a held right button (or a
// right click where the tool does not pick colours) ends it.
#pragma once

#include <cstdint>

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
