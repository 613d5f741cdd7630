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
