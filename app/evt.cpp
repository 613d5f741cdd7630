#include "app/evt.h"

#include <cstring>

#include "app/evthost.h"
#include "app/trace.h"
#include "image/bm.h"
#include "tools/drawcolor.h"
#include "tools/gesture/tooltbl.h"
#include "tools/linewalk.h"
#include "tools/undo.h"

DB* evtque = nullptr;
DB* cmdque = nullptr;
DB* curstack = nullptr;
EVT curevt = {};
int32_t quitflag = 0;
std::atomic<int32_t> pumpdepth{0};
int32_t cmapbusy = 0;
int32_t repeatheld = 0;
EVTHOST* evthost = nullptr;

void evtInit() {
  curstack = dbNew(0, sizeof(void*), 0, 1024);
  evtque = dbNew(0, sizeof(EVT), 0, 4096);
  cmdque = dbNew(0, sizeof(CMD), 0, 4096);
  curevt = EVT{};
  quitflag = 0;
  pumpdepth = 0;
  cmapbusy = 0;
  repeatheld = 0;
}

void evtFree() {
  dbFre(cmdque);
  dbFre(evtque);
  dbFre(curstack);
  cmdque = evtque = curstack = nullptr;
}

namespace {

// Lowers pumpdepth on every way out of a wait for input.
struct PumpDepth {
  PumpDepth() { ++pumpdepth; }
  ~PumpDepth() { --pumpdepth; }
};

void queueCurrent(int input) {
  dbPut(evtque, nullptr, 0, &curevt, sizeof curevt);
  traceQueued(curevt, input);
}

// Takes the oldest record of a FIFO into out; false when it is empty.
template <class T>
bool takeFirst(DB* q, T* out) {
  void* rec = dbTop(q);
  if (!rec) return false;
  std::memcpy(out, rec, sizeof *out);
  dbDel(q, rec);
  return true;
}

struct Cell {
  int x, y;
};

// Image cell under client (x, y) of w, truncated toward zero.
Cell cellAt(cXWIN* w, int x, int y) {
  return Cell{static_cast<int>(evthost->winWorldX(w, x)),
              static_cast<int>(evthost->winWorldY(w, y))};
}

bool insideImage(const BM* bm, Cell c) {
  return bm && c.x >= 0 && c.y >= 0 && c.x < bm->w && c.y < bm->h;
}

// The entry column + 16 * row becomes the drawing colour of a colour-map
// window and of its owner document.
void selectCmapEntry(cXWIN* cmap, Cell c) {
  const int index = c.y * 16 + c.x;
  evthost->winImage(cmap)->pen = index;
  cXWIN* owner = evthost->winPartner(cmap);
  if (owner && evthost->winAlive(owner)) evthost->winImage(owner)->pen = index;
}

// A quick right click: the pixel under the pointer becomes the drawing colour.
void colourPick(const EVT& ev) {
  cXWIN* w = ev.win;
  if (!w || !evthost->winAlive(w)) return;
  BM* bm = evthost->winImage(w);
  const Cell c = cellAt(w, ev.x, ev.y);
  if (!insideImage(bm, c)) return;
  const uint32_t v = bmPget(bm, c.x, c.y);
  if (bm->bpp == 1)
    bm->pen = static_cast<int32_t>(v);
  else
    bm->cmap[bm->pen & 0xff] = v;
  cXWIN* partner = evthost->winPartner(w);
  const int kind = evthost->winKind(w);
  if (kind == WIN_DOC && partner && evthost->winAlive(partner)) evthost->cmapPull(partner);
  if (kind == WIN_CMAP) {
    selectCmapEntry(w, c);
    evthost->winRepaint(w);
  }
}

// Takes the queued events that hold `bit`, and waits while the button is
// still down; the first event without it stays queued for the caller, so a
// press of the other button that came first is never lost.
void swallowHeld(int32_t bit) {
  PumpDepth depth;
  while (!quitflag) {
    if (void* rec = dbTop(evtque)) {
      EVT e;
      std::memcpy(&e, rec, sizeof e);
      if (!(e.btn & bit)) return;
      dbDel(evtque, rec);
      traceTaken();
    } else if (!(curevt.btn & bit)) {
      return;
    } else if (!evthost->pumpMessage()) {
      quitflag = 1;
    }
  }
}

// A held right button that ended a tool must not go on to open the context
// menu or end the tool it was nested in.
void swallowRightHold() { swallowHeld(EVT_RIGHT); }

void runCommand(const CMD& c) {
  // A command whose window has gone since it was queued runs nothing.
  const bool alive = c.win && evthost->winAlive(c.win);
  const int busy = alive && evthost->winKind(c.win) == WIN_CMAP ? 1 : 0;
  cmapbusy += busy;
  const TOOLDEF* t = alive ? toolOf(c.cmd) : nullptr;
  if (t && t->tool) {
    t->tool(t->arg);
    swallowRightHold();
  }
  if (c.menu) evthost->toolEnded(c.menu, c.cmd);
  cmapbusy -= busy;
}

// Left drag with no tool running: a freehand line in the drawing colour,
// one undo step per stroke.
void freehand(EVT ev) {
  cXWIN* w = ev.win;
  BM* bm = evthost->winImage(w);
  Cell prev = cellAt(w, ev.x, ev.y);
  undoBegin(bm);
  lineDraw(bm, prev.x, prev.y, prev.x, prev.y, 1, drawValue(bm), drawRaw(bm));
  evthost->winRepaint(w);
  while (!quitflag) {
    const int32_t r = evtPump(&ev);
    if ((r & EVT_RIGHT) || !(r & EVT_LEFT)) break;
    // The window may have been closed while the stroke went on.
    if (!evthost->winAlive(w)) break;
    if (ev.win != w) continue;
    const Cell c = cellAt(w, ev.x, ev.y);
    lineDraw(bm, prev.x, prev.y, c.x, c.y, 1, drawValue(bm), drawRaw(bm));
    // Only the segment's cells changed.
    evthost->winRepaintCells(w, prev.x, prev.y, c.x, c.y);
    prev = c;
  }
}

// Left press in a colour-map window with no tool running: select the entry.
void cmapSelect(const EVT& ev) {
  const Cell c = cellAt(ev.win, ev.x, ev.y);
  if (c.x < 0 || c.y < 0 || c.x >= 16 || c.y >= 16) return;
  selectCmapEntry(ev.win, c);
  evthost->winRepaint(ev.win);
  evthost->cmapPush(ev.win);
}

// After the context menu: wait until both buttons are up.
void drainButtons() {
  EVT ev;
  while (!quitflag) {
    if (!(evtPump(&ev) & (EVT_LEFT | EVT_RIGHT))) break;
  }
}

}  // namespace

void evtMove(cXWIN* win, int x, int y) {
  curevt.win = win;
  curevt.x = x;
  curevt.y = y;
  queueCurrent(1);
}

void evtDown(cXWIN* win, int x, int y, int32_t bit) {
  curevt.btn |= bit;
  evtMove(win, x, y);
}

void evtUp(cXWIN* win, int32_t bit) {
  curevt.btn &= ~bit;
  curevt.win = win;
  queueCurrent(1);
}

void evtRepeat(cXWIN* win) {
  if (curevt.win == win && (!(curevt.btn & EVT_LEFT) || repeatheld)) queueCurrent(0);
}

void evtEnd() {
  quitflag = 1;
  curevt = EVT{};
  queueCurrent(0);
}

void cmdPost(cXWIN* win, int32_t cmd, cXWIN* menu) {
  const CMD c{win, cmd, menu};
  dbPut(cmdque, nullptr, 0, &c, sizeof c);
}

int32_t evtPump(EVT* out) {
  PumpDepth depth;
  if (quitflag) return 0;
  if (traceOn()) traceWait();
  while (dbCnt(evtque) == 0) {
    if (!evthost->pumpMessage()) {
      quitflag = 1;
      return 0;
    }
    if (quitflag) return 0;
  }
  takeFirst(evtque, out);
  traceTaken();
  return out->btn;
}

int32_t evtClick(EVT* out, int timeout, int x0, int y0, int32_t start) {
  const int64_t deadline = evthost->clockMs() + timeout;
  int32_t r = 0;
  while (!quitflag) {
    if (evthost->clockMs() >= deadline) return r;
    r = evtPump(out);
    if (quitflag) return 0;
    const int32_t d = (r ^ start) & (EVT_LEFT | EVT_RIGHT);
    if (d) return (d & EVT_RIGHT) ? r | EVT_CLICK : r;
    const int64_t dx = out->x - x0, dy = out->y - y0;
    if (dx * dx + dy * dy > EVT_CLICKDIST2) return r;
  }
  return r;
}

int32_t evtNext(EVT* out, int pick) {
  if (quitflag) return 0;
  CMD c;
  if (takeFirst(cmdque, &c)) runCommand(c);
  EVT ev{};
  int32_t r = evtPump(&ev);
  *out = ev;
  if (!(r & EVT_RIGHT)) return r;
  r = evtClick(out, EVT_CLICKMS, out->x, out->y, out->btn);
  if (!(r & EVT_CLICK) || !pick) return r;
  colourPick(*out);
  return r & ~EVT_CLICK;
}

void evtWaitUp() { swallowHeld(EVT_LEFT); }

void mainLoop() {
  while (!quitflag && evthost->windowCount() > 0) {
    EVT ev{};
    const int32_t r = evtNext(&ev, 1);
    if (r & EVT_RIGHT) {
      if (ev.win && evthost->winAlive(ev.win)) evthost->ctxMenu(ev.win, ev.x, ev.y);
      curevt.btn = 0;
      if (quitflag) break;
      drainButtons();
    } else if ((r & EVT_LEFT) && ev.win && evthost->winAlive(ev.win)) {
      if (evthost->winKind(ev.win) == WIN_DOC)
        freehand(ev);
      else
        cmapSelect(ev);
    }
  }
}

void curPush(int slot) {
  void* h = evthost->toolCursor(slot);
  dbPut(curstack, nullptr, 0, &h, sizeof h);
  evthost->cursorChanged();
}

void curPop() {
  if (void* top = dbEnd(curstack)) dbDel(curstack, top);
  evthost->cursorChanged();
}
