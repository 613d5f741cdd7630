// Base window of every on-screen window of the program. One window procedure
// turns each window message into a call of one of the 38 virtual operations
// below (the order of the slots is fixed: derived classes rely on it). The
// window keeps a world-to-window mapping (centre, zoom, middle-drag pan,
// wheel zoom) used by all drawing primitives, paints double-buffered, and is
// destroyed late: `close` posts STRCMD "WM_DESTROY" so that the native window
// goes away only after the running handler or tool step has returned.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>

#include "std/db2.h"
#include "std/viewmath.h"

// Window messages private to the program.
constexpr UINT TICK = 0xF994;       // periodic tick from the multimedia timer
constexpr UINT AFTERTICK = 0xFFFD;  // second half of a tick, posted by the window itself
constexpr UINT STRCMD = 0xFFFE;     // lParam: NUL-terminated text command
constexpr UINT POPUPEND = 0xFFFF;   // ends the modal loop of a popup

// Window list (handle -> window object) and the mouse-capture stack (window
// handles), both owned by the program's one display object.
extern DB* winlist;
extern DB* capstack;

// The display object: creates the two lists before the entry function runs
// and frees them after it returns.
class cDISPLAY {
 public:
  cDISPLAY();
  virtual ~cDISPLAY();
};

class cXWIN {
 public:
  cXWIN* owner;
  const char* classname;
  char* title;
  COLORREF background;
  int32_t width, height;  // client size
  int32_t x, y;           // window position
  int32_t charw;          // font height / 2
  int32_t fonth;
  HWND handle;  // set while the native window exists and `close` was not called
  HFONT font;
  int32_t hidden;
  int32_t dragx, dragy;  // last point of a middle-button drag
  double cx, cy;         // world point at the centre of the client area
  double zoom;           // scale relative to the shorter client side
  int32_t pagew, pageh;  // printer page while printing
  VIEWXF xf;             // world-to-window mapping of the current target
  int32_t ydown;
  int32_t printing;
  int32_t buttons;  // 1 left, 2 right, 4 middle
  int32_t mousex, mousey;
  int32_t keys;  // 1 Shift, 2 Ctrl, 4 Alt
  HINSTANCE instance;
  DWORD style;
  LPCSTR icon;
  UINT classstyle;
  LPCSTR menu;
  HDC dc;  // target of the drawing primitives: paint memory context or printer
  // Paint buffer kept from paint to paint (client size, 32-bit top-down
  // B, G, R, 0 pixels); a paint redraws and copies only the invalid part.
  HBITMAP backbuf;
  uint8_t* backbits;
  int32_t backw, backh;
  // While a paint draws into the buffer: its pixels (for drawImage to write
  // straight into) and the part being redrawn; null outside a paint.
  uint8_t* drawbits;
  RECT drawrect;
  // The paint has not filled its background yet: the first primitive does,
  // leaving out what a picture is about to cover.
  int32_t fillpending;
  WPARAM lastwp;
  LPARAM lastlp;
  char facename[LF_FACESIZE];

  cXWIN();
  virtual ~cXWIN();  // destroy: frees title and font
  virtual void close();
  virtual void onCreate() {}
  virtual void onString(const char*) {}
  virtual void onCommand(int) {}
  virtual void onSize() {}
  virtual void drawContent() {}
  // One page of the view on a printer the user picks (std/xwinprint_win32.cpp).
  virtual void print();
  virtual void onMouseMove(int, int) {}
  virtual void onLButtonDown(int, int) {}
  virtual void onLButtonUp() {}
  virtual void onLButtonDblClk(int, int) {}
  virtual void onRButtonDown(int, int) {}
  virtual void onRButtonUp() {}
  virtual void onMButtonDown(int, int) {}
  virtual void onMButtonUp() {}
  virtual void onWheel(int) {}
  virtual void onHScroll(WPARAM) {}
  virtual void onVScroll(WPARAM) {}
  virtual int onSetCursor() { return 0; }
  virtual void onKeyDown(int) {}
  virtual void onKeyUp(int) {}
  virtual void onChar(int) {}
  virtual void onSetFocus() {}
  virtual void onKillFocus() {}
  virtual void onDropFile(const char*) {}
  virtual void onTick() {}
  virtual void onAfterTick() {}
  virtual int onExitCommand() { return 0; }
  virtual int queryClose() { return 1; }
  virtual int onDestroy();
  virtual int onOtherMessage(HWND, UINT, WPARAM, LPARAM) { return 1; }
  virtual void paint();
  virtual double scale();
  virtual double toWinX(double wx);
  virtual double toWinY(double wy);
  virtual double toWorldX(double x);
  virtual double toWorldY(double y);

  // 0 on success, 1 when the native window could not be created.
  int create(int w, int h);
  void setTitle(const char* text);
  void setBackground(COLORREF c) { background = c; }
  void setPos(int px, int py);
  void setOwner(cXWIN* w) { owner = w; }
  // 0 selects the default overlapped style with clip-children.
  void setStyle(DWORD s);
  void setIcon(LPCSTR res) { icon = res; }
  void setMenu(LPCSTR res) { menu = res; }
  void setView(double x0, double y0, double x1, double y1);
  void setScale(double pixelsPerUnit);
  void invalidate();
  // Invalidates client pixels [x0, x1) x [y0, y1) only.
  void invalidateRect(int x0, int y0, int x1, int y1);
  void move(int px, int py, int w, int h);
  void focus();
  void setFaceName(const char* name);
  void setFont(int h);
  int textWidth(const char* text);
  void capturePush();
  static void capturePop();
  // Dispatches messages until POPUPEND (result: its wParam) or WM_QUIT (which
  // is posted again so that the outer loop ends too).
  static WPARAM modalLoop();
  // Recomputes the mapping for a target of w x h pixels.
  void updateXform(int w, int h);
  // drawContent on a printer page of pw x ph device pixels: the view of the
  // client area (same centre and zoom) scaled by the page's shorter side over
  // the client's, thick lines, the image clipped to the page. The client's
  // mapping is restored afterwards.
  void drawPage(HDC page, int pw, int ph);

  // Drawing primitives (std/xwindraw_win32.cpp). Window pixels:
  void drawLine(int x0, int y0, int x1, int y1, COLORREF c);
  void drawRect(int x0, int y0, int x1, int y1, COLORREF c);
  void fillRect(int x0, int y0, int x1, int y1, COLORREF c);
  void drawEllipse(int cxw, int cyw, int rx, int ry, COLORREF c);
  void drawFrame(int fx, int fy, int w, int h, int sunken, int fstyle);
  void drawPanel(int px, int py, int w, int h, int sunken, int fstyle);
  // printf-style text; align 0 left/top, 128 centre, 256 right/bottom.
  void drawText(int tx, int ty, int alignx, int aligny, COLORREF c, const char* fmt, ...)
      __attribute__((format(printf, 7, 8)));
  void drawIndexBitmap(const uint8_t* pixels, const uint32_t* cmap, int count, int w, int rows,
                       int bx, int by);
  // World units:
  void worldLine(double x0, double y0, double x1, double y1, COLORREF c);
  void worldRect(double x0, double y0, double x1, double y1, COLORREF c);
  void worldEllipse(double wx, double wy, double rx, double ry, COLORREF c);
  void drawGrid(int x0, int y0, int x1, int y1, int stepx, int stepy, COLORREF c);
  // Magnified image at world (wx, wy); f = 1 (indices, cmap or grey ramp) or 4 (RGBA).
  void drawImage(const uint8_t* pixels, const uint32_t* cmap, int count, int w, int h, double wx,
                 double wy, int f);

 private:
  void registerClass();
  // The paint buffer at the client size; false when it cannot be made.
  bool keepBackBuffer(HDC wdc);
  // Settles fillpending: fills drawrect but `keep` (when given) with the
  // background.
  void fillBackground(const RECT* keep);
};

// Window object of a handle in the window list, or null.
cXWIN* xwinOf(HWND h);
// The window still exists (in the window list) and was not closed. Reads
// `w` only after finding it in the list.
int xwinAlive(const cXWIN* w);

// Modal popup list at client (px, py) of `owner`, driven by the held right
// button; index of the item under the pointer at release, or -1.
int popup(cXWIN* owner, int px, int py, const char* items);
