// Pure geometry of the window framework: the world-to-window mapping, the
// view changes a window makes (fit, wheel zoom, middle-drag pan), the span of
// a grid and the layout of popup items. No platform calls, so it is tested
// natively; std/xwin uses it for every window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// World-to-window mapping: window = scale * world + offset, per axis.
struct VIEWXF {
  double sx, ox, sy, oy;
};

// View of a window: the world point at the centre of the client area and the
// zoom in units of the shorter client side (z = 1 / m shows one world unit
// per pixel when m is that side).
struct VIEW {
  double cx, cy;
  double zoom;
  int32_t ydown;  // 1: world y grows downward like window y
};

VIEWXF viewXform(const VIEW& v, int w, int h);
inline double xformWinX(const VIEWXF& t, double x) { return t.sx * x + t.ox; }
inline double xformWinY(const VIEWXF& t, double y) { return t.sy * y + t.oy; }
inline double xformWorldX(const VIEWXF& t, double x) { return (x - t.ox) / t.sx; }
inline double xformWorldY(const VIEWXF& t, double y) { return (y - t.oy) / t.sy; }

// Centre the rectangle and zoom so that its shorter side fills the shorter
// client side. An empty rectangle leaves the zoom alone.
void viewFit(VIEW* v, double x0, double y0, double x1, double y1);
// p pixels per world unit for a client of w x h.
void viewSetScale(VIEW* v, double p, int w, int h);
// One wheel notch: delta < 0 zooms out by 1.1, otherwise in.
void viewWheel(VIEW* v, int delta);
// Pan by a pointer move of (dx, dy) client pixels for a client of w x h.
void viewPan(VIEW* v, int dx, int dy, int w, int h);

// Grid lines over the integer world rectangle (x0, y0)-(x1, y1) that are
// visible in a client of cw x ch: vertical lines at gx, gx + stepx, ... up to
// ex and horizontal ones from gy to ey, each spanning the other range.
struct GRIDSPAN {
  int gx, gy, ex, ey;
};
// False when nothing is to be drawn (a step below 1 would never end).
bool gridSpan(const VIEWXF& t, int cw, int ch, int x0, int y0, int x1, int y1, int stepx, int stepy,
              GRIDSPAN* out);

// Offset of aligned text: align 0 = left/top, 128 = centre, 256 = right/bottom.
inline int32_t alignOffset(int32_t align, int32_t extent) { return (align * extent) >> 8; }

// Popup items: the text split at runs of tabs and spaces, tokens cut to 255
// bytes; each item is 16 pixels high, 7 * L + 12 wide (L = longest token).
struct POPUPITEM {
  int x, y, w, h;
  int index;
  std::string text;
};
std::vector<POPUPITEM> popupLayout(const char* items);
// Client size of a popup holding the items.
void popupClientSize(const std::vector<POPUPITEM>& items, int* w, int* h);
// Index of the first item containing (x, y) (right/bottom exclusive) or -1.
int popupHit(const std::vector<POPUPITEM>& items, int x, int y);
