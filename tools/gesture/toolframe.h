// What every tool's gesture shares: the drawing settings, the move-step
// grid, rubber-band overlays, the cursor slots and the four gesture routines
// (select a rectangle, place a frame, click four points, click a point list).
// Tools pull their events through evtNext and reach windows only through the
// host, so they run the same under the real pump and under a scripted one.
#pragma once

#include <cstdint>

#include "app/evt.h"
#include "std/db2.h"
#include "tools/warp.h"

struct BM;

// Drawing settings, edited live by the drawing-settings dialog.
extern int32_t opaqueflag;  // 1: region tools replace the target
extern int32_t xstep;       // move step in pixels: 1, 2, 4, 8, 16
extern int32_t ystep;
extern int32_t airsize;     // airbrush size 0..256
extern int32_t ditherflag;  // error diffusion when a picture becomes indexed

// Resets the settings to their start values.
void toolSettingsInit();

// Cursor slots of the tool cursor set.
enum : int {
  CUR_POINTS = 0,   // collecting points
  CUR_SELECT = 1,   // waiting for a region's first corner
  CUR_DRAG = 2,     // dragging a region
  CUR_FILL = 4,     // paint, sampling paint
  CUR_TEXT = 5,     // text
  CUR_ROTATE = 6,   // rotate
  CUR_AIRBRUSH = 7  // airbrush
};

// Rubber band in image coordinates. Colours are screen colours 0x00BBGGRR.
enum : int32_t { OVL_LINE = 0, OVL_RECT = 1, OVL_CIRCLE = 2, OVL_ELLIPSE = 3 };
constexpr uint32_t OVL_YELLOW = 0xFFFF;  // selections and points
constexpr uint32_t OVL_RED = 0xFF;       // placement frame
struct OVL {
  int32_t kind;
  uint32_t color;
  int32_t x0, y0, x1, y1;
};

// Point-list band of the polyline and B-spline tools, in the drawing colour.
struct OVLPOLY {
  cXWIN* win;
  int32_t curve;  // 0 polyline, 1 B-spline
  DB* pts;        // records of two int32: x, y
};

// Draw routine of an overlay record: the window being painted and the
// record's data.
using OVLFN = void (*)(cXWIN* win, void* data);
void ovlDraw(cXWIN* win, void* data);
void ovlPoly(cXWIN* win, void* data);
// Adds a record with a copy of `size` bytes of data to the window's overlay
// list; the answer is the record's data, which the tool may change in place.
void* ovlAdd(cXWIN* win, OVLFN fn, const void* data, uint32_t size);
// Removes a record again, when its window still exists.
void ovlDel(cXWIN* win, void* rec);
// Calls the draw routine of every record, in list order.
void ovlPaint(cXWIN* win, DB* overlays);

// The image cell under client (x, y) of a window, truncated toward zero,
// and the same snapped down to the move-step grid.
struct TPOINT {
  int32_t x, y;
};
TPOINT toolCell(cXWIN* win, int x, int y);
TPOINT toolSnapPoint(TPOINT p);

// Half-open rectangle covering whole grid cells from the anchor to the
// current point; with sort the corners are ordered first.
struct TRECT {
  int32_t x0, y0, x1, y1;
};
TRECT toolSnap(int ax, int ay, int cx, int cy, int sort);

// A completed selection; all zero when none.
struct SEL {
  cXWIN* win;
  int32_t x0, y0, x1, y1;
};

// Lets the user drag (or click, move, click) a rectangle with a rubber band
// of the given kind; corners sorted unless kind is OVL_LINE. Answers the
// last event bits: a tool stops when they hold EVT_RIGHT or EVT_CLICK.
int32_t toolRect(SEL* sel, int32_t kind, int pick);
// Lets the user place a w x h frame with its top-left corner at the snapped
// pointer; answers at the first event with a button bit, the position in
// (x, y).
int32_t toolPlace(EVT* ev, int32_t* x, int32_t* y, int32_t w, int32_t h);
// Lets the user click four points (in click order into pts) in one window.
// The points count only when the answer lacks EVT_RIGHT.
int32_t toolQuad(cXWIN** win, QPOINT pts[4]);
// Lets the user click a point list (max 0: no limit). The band's record goes
// to *ovl (null when no point was clicked) and its point list to *pts: the
// caller owns the list and removes the record.
int32_t toolPoly(void** ovl, DB** pts, int max, int32_t curve);

// The operation step after a change: repaint, and a colour-map window
// pushes its colour map to its owner.
void toolChanged(cXWIN* win);
// The image of a window that still exists, else null.
BM* toolImage(cXWIN* win);

// What tools that act on a dragged rectangle share: toolRect with the band
// `kind` until the tool ends; fn(bm, sel) changes the image of every
// completed selection (and begins its undo step), then the window repaints
// and a colour-map window pushes its colour map to the owner.
template <class Fn>
void toolEachRect(int32_t kind, int pick, Fn fn) {
  while (!quitflag) {
    SEL s;
    const int32_t r = toolRect(&s, kind, pick);
    if ((r & (EVT_RIGHT | EVT_CLICK)) || quitflag) break;
    BM* bm = toolImage(s.win);
    if (!bm) continue;
    fn(bm, s);
    toolChanged(s.win);
  }
}
