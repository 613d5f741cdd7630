#include "tools/gesture/toolframe.h"

#include <algorithm>
#include <cstring>

#include "app/evthost.h"
#include "image/bm.h"

int32_t opaqueflag = 0;
int32_t xstep = 1;
int32_t ystep = 1;
int32_t airsize = 64;
int32_t ditherflag = 1;

void toolSettingsInit() {
  opaqueflag = 0;
  xstep = ystep = 1;
  airsize = 64;
  ditherflag = 1;
}

namespace {

int32_t snapDown(int32_t v, int32_t step) { return step > 1 ? step * (v / step) : v; }

bool endsTool(int32_t r) { return r & (EVT_RIGHT | EVT_CLICK); }

// A pushed cursor popped on every way out.
class CursorHold {
 public:
  explicit CursorHold(int slot) { curPush(slot); }
  ~CursorHold() { curPop(); }
  CursorHold(const CursorHold&) = delete;
  CursorHold& operator=(const CursorHold&) = delete;
};

void setOvlRect(void* rec, const TRECT& r) {
  auto* o = static_cast<OVL*>(rec);
  o->x0 = r.x0, o->y0 = r.y0, o->x1 = r.x1, o->y1 = r.y1;
}

// Follows the drag of toolRect until the buttons change; answers the bits
// of the event that changed them.
int32_t followDrag(cXWIN* win, TPOINT anchor, int32_t kind, int pick, int32_t start, EVT* ev,
                   void* ovl) {
  int lastx = ev->x, lasty = ev->y;
  int32_t r = start;
  while (!quitflag) {
    r = evtNext(ev, pick);
    if (r != start || quitflag) break;
    if (ev->win != win || (ev->x == lastx && ev->y == lasty)) continue;
    if (!evthost->winAlive(win)) continue;
    lastx = ev->x, lasty = ev->y;
    const TPOINT p = toolCell(win, ev->x, ev->y);
    setOvlRect(ovl, toolSnap(anchor.x, anchor.y, p.x, p.y, kind != OVL_LINE));
    evthost->winRepaint(win);
  }
  return r;
}

}  // namespace

TPOINT toolCell(cXWIN* win, int x, int y) {
  return TPOINT{static_cast<int32_t>(evthost->winWorldX(win, x)),
                static_cast<int32_t>(evthost->winWorldY(win, y))};
}

TPOINT toolSnapPoint(TPOINT p) { return TPOINT{snapDown(p.x, xstep), snapDown(p.y, ystep)}; }

TRECT toolSnap(int ax, int ay, int cx, int cy, int sort) {
  if (sort) {
    if (cx < ax) std::swap(ax, cx);
    if (cy < ay) std::swap(ay, cy);
  }
  return TRECT{snapDown(ax, xstep), snapDown(ay, ystep), snapDown(cx, xstep) + xstep,
               snapDown(cy, ystep) + ystep};
}

int32_t toolRect(SEL* sel, int32_t kind, int pick) {
  *sel = SEL{};
  evtWaitUp();
  EVT ev{};
  int32_t r = evtNext(&ev, pick);
  if (r & EVT_RIGHT) return r;
  CursorHold waiting(CUR_SELECT);
  while (!quitflag && !(r & (EVT_LEFT | EVT_RIGHT | EVT_CLICK))) r = evtNext(&ev, pick);
  if ((r & EVT_RIGHT) || !(r & EVT_LEFT) || quitflag) return r;
  cXWIN* win = ev.win;
  if (!win || !evthost->winAlive(win)) return r;
  const TPOINT anchor = toolCell(win, ev.x, ev.y);
  r = evtClick(&ev, EVT_CLICKMS, ev.x, ev.y, ev.btn);
  if ((r & EVT_RIGHT) || quitflag || !evthost->winAlive(win)) return r;

  CursorHold dragging(CUR_DRAG);
  // The band starts where the pointer is now: the move that made this a
  // drag was taken by evtClick and would otherwise be lost.
  const TPOINT now = ev.win == win ? toolCell(win, ev.x, ev.y) : anchor;
  const TRECT first = toolSnap(anchor.x, anchor.y, now.x, now.y, kind != OVL_LINE);
  const OVL band{kind, OVL_YELLOW, first.x0, first.y0, first.x1, first.y1};
  void* ovl = ovlAdd(win, ovlDraw, &band, sizeof band);
  evthost->winRepaint(win);
  r = followDrag(win, anchor, kind, pick, r & (EVT_LEFT | EVT_RIGHT), &ev, ovl);
  if (!evthost->winAlive(win)) return r;
  if (!(r & EVT_RIGHT) && !quitflag) {
    const auto* o = static_cast<const OVL*>(ovl);
    *sel = SEL{win, o->x0, o->y0, o->x1, o->y1};
  }
  ovlDel(win, ovl);
  evthost->winRepaint(win);
  return r;
}

int32_t toolPlace(EVT* ev, int32_t* x, int32_t* y, int32_t w, int32_t h) {
  cXWIN* win = nullptr;
  void* frame = nullptr;
  TPOINT at{INT32_MIN, INT32_MIN};
  int32_t r = 0;
  while (!quitflag) {
    r = evtNext(ev, 0);
    if (ev->win != win) {
      ovlDel(win, frame);
      if (win && evthost->winAlive(win)) evthost->winRepaint(win);
      win = ev->win, frame = nullptr, at = TPOINT{INT32_MIN, INT32_MIN};
    }
    if (!win || !evthost->winAlive(win)) continue;
    const TPOINT p = toolSnapPoint(toolCell(win, ev->x, ev->y));
    if (r & (EVT_LEFT | EVT_RIGHT | EVT_CLICK)) {
      *x = p.x, *y = p.y;
      break;
    }
    if (!frame) {
      const OVL o{OVL_RECT, OVL_RED, p.x, p.y, p.x + w, p.y + h};
      frame = ovlAdd(win, ovlDraw, &o, sizeof o);
    } else if (p.x == at.x && p.y == at.y) {
      continue;
    }
    at = p;
    setOvlRect(frame, TRECT{p.x, p.y, p.x + w, p.y + h});
    evthost->winRepaint(win);
  }
  ovlDel(win, frame);
  if (win && evthost->winAlive(win)) evthost->winRepaint(win);
  return r;
}

int32_t toolQuad(cXWIN** winOut, QPOINT pts[4]) {
  CursorHold cursor(CUR_POINTS);
  struct Entry {
    void* ovl;
    TPOINT p;
  } entries[4] = {};
  int n = 0;
  cXWIN* win = nullptr;
  int32_t r = 0;
  EVT ev{};
  while (!quitflag) {
    r = evtNext(&ev, 0);
    if (r & EVT_RIGHT) break;
    if (win && !evthost->winAlive(win)) break;
    if (!ev.win || (win && ev.win != win) || !evthost->winAlive(ev.win)) continue;
    const TPOINT p = toolSnapPoint(toolCell(ev.win, ev.x, ev.y));
    if (r & EVT_LEFT) {
      win = ev.win;
      entries[n].p = p;
      if (++n == 4) break;
      const OVL line{OVL_LINE, OVL_YELLOW, p.x, p.y, p.x, p.y};
      entries[n - 1].ovl = ovlAdd(win, ovlDraw, &line, sizeof line);
      evthost->winRepaint(win);
      evtWaitUp();
    } else if (n > 0) {
      auto* o = static_cast<OVL*>(entries[n - 1].ovl);
      if (o && (o->x1 != p.x || o->y1 != p.y)) {
        o->x1 = p.x, o->y1 = p.y;
        evthost->winRepaint(win);
      }
    }
  }
  const bool alive = win && evthost->winAlive(win);
  for (int i = 0; i < n; i++) {
    if (alive) ovlDel(win, entries[i].ovl);
    pts[i] = QPOINT{entries[i].p.x, entries[i].p.y};
  }
  if (alive) evthost->winRepaint(win);
  *winOut = win;
  return r;
}

namespace {

void addPoint(DB* pts, TPOINT p) { dbPut(pts, nullptr, 0, &p, sizeof p); }

}  // namespace

int32_t toolPoly(void** ovl, DB** ptsOut, int max, int32_t curve) {
  CursorHold cursor(CUR_POINTS);
  *ovl = nullptr;
  *ptsOut = nullptr;
  EVT ev{};
  int32_t r = evtNext(&ev, 0);
  cXWIN* win = nullptr;
  DB* pts = nullptr;
  while (!quitflag && !endsTool(r)) {
    if (win && !evthost->winAlive(win)) break;
    const bool usable = ev.win && evthost->winAlive(ev.win) && (!win || ev.win == win);
    if (usable && (r & EVT_LEFT)) {
      const TPOINT p = toolSnapPoint(toolCell(ev.win, ev.x, ev.y));
      if (!win) {
        win = ev.win;
        pts = dbNew(0, sizeof(TPOINT), 0, 4096);
        const OVLPOLY band{win, curve, pts};
        *ovl = ovlAdd(win, ovlPoly, &band, sizeof band);
        *ptsOut = pts;
        addPoint(pts, p);
      }
      addPoint(pts, p);
      if (max > 0 && dbCnt(pts) >= max) break;
      evthost->winRepaint(win);
      evtWaitUp();
    } else if (usable && win) {
      auto* end = static_cast<TPOINT*>(dbEnd(pts));
      const TPOINT p = toolSnapPoint(toolCell(win, ev.x, ev.y));
      if (end->x != p.x || end->y != p.y) {
        *end = p;
        evthost->winRepaint(win);
      }
    }
    r = evtNext(&ev, 0);
  }
  return r;
}

void toolChanged(cXWIN* win) {
  if (!win || !evthost->winAlive(win)) return;
  evthost->winRepaint(win);
  if (evthost->winKind(win) == WIN_CMAP) evthost->cmapPush(win);
}

BM* toolImage(cXWIN* win) {
  return win && evthost->winAlive(win) ? evthost->winImage(win) : nullptr;
}
