// What the queues, the main loop and the tools need of the platform and of
// the windows, behind one interface: the program installs the Win32 host,
// unit tests a scripted one with a fake clock. Window pointers are handed
// through untouched; only the host looks inside them.
#pragma once

#include <cstdint>

#include "std/db2.h"

class cXWIN;
struct BM;
struct COLCNV;
struct PTEXT;

// Window kinds: a document window or the colour-map window of one.
enum : int32_t { WIN_DOC = 0, WIN_CMAP = 1 };

class EVTHOST {
 public:
  virtual ~EVTHOST() = default;

  // Waits for the next window message and dispatches it; 0 when the
  // platform says the program must quit.
  virtual int pumpMessage() = 0;
  // Milliseconds since the program started.
  virtual int64_t clockMs() = 0;

  // Number of windows that exist; the main loop ends when it reaches 0.
  virtual int windowCount() = 0;
  // The window exists and has not been closed. Never dereferences a dead
  // pointer: callers check this before every other call on a window they
  // took from an older event or command.
  virtual int winAlive(cXWIN* w) = 0;
  virtual BM* winImage(cXWIN* w) = 0;
  virtual int winKind(cXWIN* w) = 0;
  // Client pixels to image coordinates (not truncated).
  virtual double winWorldX(cXWIN* w, double x) = 0;
  virtual double winWorldY(cXWIN* w, double y) = 0;
  virtual void winRepaint(cXWIN* w) = 0;
  // Repaints the part of w that shows image cells x0..x1, y0..y1 (both
  // included, either order); hosts without partial repaints repaint it all.
  virtual void winRepaintCells(cXWIN* w, int x0, int y0, int x1, int y1) {
    (void)x0, (void)y0, (void)x1, (void)y1;
    winRepaint(w);
  }
  // The window's overlay list (records keyed by their draw routine).
  virtual DB* winOverlays(cXWIN* w) = 0;
  // A document's colour-map window, or a colour-map window's owner; null
  // when there is none.
  virtual cXWIN* winPartner(cXWIN* w) = 0;
  // Colour-map window: copy the owner's colour map in, or push it back.
  virtual void cmapPull(cXWIN* cmap) = 0;
  virtual void cmapPush(cXWIN* cmap) = 0;
  // The window's colour-conversion settings and saved selection (one per
  // window, kept as long as the window lives).
  virtual COLCNV* winColcnv(cXWIN* w) = 0;
  // Posts command `cmd` to the window as a menu command: it is handled when
  // the window's messages are next dispatched, after the tool has returned.
  virtual void winPost(cXWIN* w, int32_t cmd) = 0;

  // The context menu of a held right button over w at client (x, y).
  virtual void ctxMenu(cXWIN* w, int x, int y) = 0;
  // A command queued by tool menu `menu` has ended.
  virtual void toolEnded(cXWIN* menu, int32_t cmd) = 0;
  // Handle of tool cursor `slot` (0..7), or null.
  virtual void* toolCursor(int slot) = 0;
  // The top of the cursor stack changed.
  virtual void cursorChanged() = 0;

  // Rubber-band drawing in image coordinates (screen colour 0x00BBGGRR),
  // valid only while the window paints its overlays.
  virtual void drawLine(cXWIN* w, double x0, double y0, double x1, double y1, uint32_t c) = 0;
  virtual void drawRect(cXWIN* w, double x0, double y0, double x1, double y1, uint32_t c) = 0;
  virtual void drawEllipse(cXWIN* w, double cx, double cy, double rx, double ry, uint32_t c) = 0;
  // A picture drawn at image position (x, y), likewise while overlays paint.
  virtual void drawImage(cXWIN* w, const BM* bm, double x, double y) = 0;

  // Opens a new document window showing bm, which it takes; 0 (bm freed)
  // when no window could be made.
  virtual int openImage(BM* bm) = 0;

  // The text tool's pending text of a window, or null; set hands a new one
  // to the window (the caller has freed or taken the old one).
  virtual PTEXT* winText(cXWIN* w) = 0;
  virtual void winSetText(cXWIN* w, PTEXT* t) = 0;
  // Renders the text's glyph image with the window's font; the old glyph
  // stays when the platform cannot render.
  virtual void textRender(cXWIN* w, PTEXT* t) = 0;
};

// The host in use; set once at start-up (or by a test) before the queues run.
extern EVTHOST* evthost;
