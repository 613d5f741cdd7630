// Region tools: rectangle copy and back copy, scale, rotate, the two
// perspective warps and "open a region as a window". The copies keep one
// source across many placements, in any window.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "app/evthost.h"
#include "formats/bmfile.h"
#include "image/bm.h"
#include "tools/gesture/toolframe.h"
#include "tools/gesture/tools.h"
#include "tools/region.h"
#include "tools/undo.h"
#include "tools/warp.h"

namespace {

bool endsTool(int32_t r) { return (r & (EVT_RIGHT | EVT_CLICK)) || quitflag; }
bool endsAll(int32_t r) { return (r & EVT_RIGHT) || quitflag; }

struct BmFree {
  void operator()(BM* bm) const { bmFre(bm); }
};
using BmHold = std::unique_ptr<BM, BmFree>;

// An overlay shown for as long as the object lives (removed only from a
// window that still exists).
class Overlay {
 public:
  Overlay(cXWIN* w, OVLFN fn, const void* data, uint32_t size)
      : win_(w), rec_(ovlAdd(w, fn, data, size)) {
    evthost->winRepaint(w);
  }
  ~Overlay() {
    if (!evthost->winAlive(win_)) return;
    ovlDel(win_, rec_);
    evthost->winRepaint(win_);
  }
  Overlay(const Overlay&) = delete;
  Overlay& operator=(const Overlay&) = delete;
  void* data() const { return rec_; }

 private:
  cXWIN* win_;
  void* rec_;
};

// The yellow frame over a source region.
OVL markerOf(const SEL& s) { return OVL{OVL_RECT, OVL_YELLOW, s.x0, s.y0, s.x1, s.y1}; }

int32_t selW(const SEL& s) { return s.x1 - s.x0; }
int32_t selH(const SEL& s) { return s.y1 - s.y0; }

BM* cropOf(const SEL& s) {
  BM* bm = toolImage(s.win);
  return bm ? bmCrop(bm, s.x0, s.y0, selW(s), selH(s)) : nullptr;
}

// Placements from one source form one undo step in each image they change,
// begun at the first placement there.
class Steps {
 public:
  void begin(BM* bm) {
    if (std::find(begun_.begin(), begun_.end(), bm) != begun_.end()) return;
    undoBegin(bm);
    begun_.push_back(bm);
  }

 private:
  std::vector<BM*> begun_;
};

// Places the crop at every left press until a right button; answers the
// bits that ended the placement.
int32_t placeCopies(const BM* crop, int back) {
  const int allTransparent = bmAllTransparent(crop);
  Steps steps;
  evtWaitUp();
  while (true) {
    EVT ev{};
    int32_t x = 0, y = 0;
    const int32_t r = toolPlace(&ev, &x, &y, crop->w, crop->h);
    if (endsTool(r)) return r;
    if (BM* target = toolImage(ev.win)) {
      steps.begin(target);
      if (back)
        regionBackPlace(target, crop, x, y, opaqueflag, allTransparent);
      else
        regionPlace(target, crop, x, y, opaqueflag, allTransparent);
      toolChanged(ev.win);
    }
    evtWaitUp();
  }
}

// Scaled copies of the crop into dragged rectangles until a right button.
int32_t placeScaled(const BM* crop) {
  while (true) {
    SEL d;  // toolRect first lets go of the left button
    const int32_t r = toolRect(&d, OVL_RECT, 0);
    if (endsTool(r)) return r;
    BM* target = toolImage(d.win);
    BmHold out(target ? scaleCopy(crop, selW(d), selH(d), target) : nullptr);
    if (!out) continue;
    undoBegin(target);
    bmPaste(target, out.get(), d.x0, d.y0, !opaqueflag);
    toolChanged(d.win);
  }
}

// Preview of a rotation: the crop turned by the angle, drawn over its place.
struct ROTPREV {
  BM* crop;
  int32_t x, y;
  double angle;
};

void ovlRotate(cXWIN* win, void* data) {
  ROTPREV p;
  std::memcpy(&p, data, sizeof p);
  BmHold img(bmDup(p.crop));
  if (!img) return;
  std::memcpy(img->cmap, p.crop->cmap, sizeof img->cmap);
  rotNearest(img.get(), p.angle);
  evthost->drawImage(win, img.get(), p.x, p.y);
}

struct Vec2 {
  double x, y;
};

Vec2 worldAt(cXWIN* w, const EVT& ev) {
  return Vec2{evthost->winWorldX(w, ev.x), evthost->winWorldY(w, ev.y)};
}

// Waits for a press in the selection's window (a press elsewhere is let
// go); answers its bits.
int32_t waitPress(cXWIN* w, EVT* ev) {
  while (true) {
    const int32_t r = evtNext(ev, 0);
    if (endsAll(r)) return r;
    if (!(r & EVT_LEFT)) continue;
    if (ev->win == w) return r;
    evtWaitUp();
  }
}

// One rotation of the selection s, previewed while dragged; false when the
// tool ends.
bool rotateOnce(const SEL& s) {
  BmHold crop(cropOf(s));
  if (!crop) return true;
  const ROTPREV rec{crop.get(), s.x0, s.y0, 0};
  Overlay preview(s.win, ovlRotate, &rec, sizeof rec);
  const OVL frame = markerOf(s);
  Overlay marker(s.win, ovlDraw, &frame, sizeof frame);
  curPush(CUR_ROTATE);
  evtWaitUp();
  EVT ev{};
  int32_t r = waitPress(s.win, &ev);
  if (!endsAll(r)) {
    const Vec2 c{(s.x0 + s.x1) * 0.5, (s.y0 + s.y1) * 0.5};
    const Vec2 p = worldAt(s.win, ev);
    const Vec2 u{p.x - c.x, p.y - c.y};
    auto* prev = static_cast<ROTPREV*>(preview.data());
    while (true) {
      r = evtNext(&ev, 0);
      if (endsAll(r) || !(r & EVT_LEFT)) break;
      if (ev.win != s.win || !evthost->winAlive(s.win)) continue;
      const Vec2 q = worldAt(s.win, ev);
      const Vec2 v{q.x - c.x, q.y - c.y};
      // Direction lengths cancel in atan2: no normalising needed.
      prev->angle = -std::atan2(u.x * v.y - u.y * v.x, u.x * v.x + u.y * v.y);
      evthost->winRepaint(s.win);
    }
    BM* bm = toolImage(s.win);
    if (!endsAll(r) && bm) {
      undoBegin(bm);
      rotNearest(crop.get(), prev->angle);
      bmPaste(bm, crop.get(), s.x0, s.y0, 0);
    }
  }
  curPop();
  if (!endsAll(r)) toolChanged(s.win);
  return !endsAll(r);
}

// Forward warps of the crop onto clicked quadrilaterals until a right press
// (a quick right click does not end the points).
int32_t placeWarped(const BM* crop) {
  Steps steps;
  while (true) {
    evtWaitUp();
    cXWIN* w = nullptr;
    QPOINT pts[4];
    const int32_t r = toolQuad(&w, pts);
    if (endsAll(r)) return r;
    BM* target = r & EVT_LEFT ? toolImage(w) : nullptr;
    BmHold out(target ? warpFwd(pts, crop) : nullptr);
    if (!out) continue;
    steps.begin(target);
    bmPaste(target, out.get(), 0, 0, !opaqueflag);
    toolChanged(w);
  }
}

// Inverse warps of the source quadrilateral into dragged rectangles until a
// right button.
int32_t placeUnwarped(cXWIN* src, const QUADMAP& q) {
  while (true) {
    SEL d;
    const int32_t r = toolRect(&d, OVL_RECT, 0);
    if (endsTool(r)) return r;
    BM* from = toolImage(src);
    BM* target = toolImage(d.win);
    BmHold out(from && target ? warpInv(q, from, selW(d), selH(d)) : nullptr);
    if (!out) continue;
    undoBegin(target);
    bmPaste(target, out.get(), d.x0, d.y0, !opaqueflag);
    toolChanged(d.win);
  }
}

// Clicked source quadrilaterals, each warped into dragged rectangles, until
// a right press.
void unwarpLoop() {
  while (!quitflag) {
    cXWIN* src = nullptr;
    QPOINT pts[4];
    const int32_t r = toolQuad(&src, pts);
    if (endsTool(r)) return;
    if (!(r & EVT_LEFT)) continue;
    if (endsAll(placeUnwarped(src, quadMapMake(pts)))) return;
  }
}

// Takes a source region, marks it and hands its crop to `place` until a
// right press; after a quick right click a new source is taken.
template <class Place>
void sourceLoop(Place place) {
  while (!quitflag) {
    SEL s;
    if (endsTool(toolRect(&s, OVL_RECT, 0))) return;
    BmHold crop(cropOf(s));
    if (!crop) continue;
    const OVL frame = markerOf(s);
    Overlay marker(s.win, ovlDraw, &frame, sizeof frame);
    if (endsAll(place(crop.get()))) return;
  }
}

}  // namespace

void toolCopy(int32_t back) {
  sourceLoop([back](const BM* crop) { return placeCopies(crop, back); });
}

void toolScale(int32_t) { sourceLoop(placeScaled); }

void toolRotate(int32_t) {
  while (!quitflag) {
    SEL s;
    if (endsTool(toolRect(&s, OVL_RECT, 0))) return;
    if (!rotateOnce(s)) return;
  }
}

void toolWarp(int32_t inverse) {
  if (inverse)
    unwarpLoop();
  else
    sourceLoop(placeWarped);
}

void toolOpenRegion(int32_t) {
  while (!quitflag) {
    SEL s;
    if (endsTool(toolRect(&s, OVL_RECT, 0))) return;
    BM* crop = cropOf(s);
    if (!crop) continue;
    crop->ftype = evthost->winImage(s.win)->ftype;
    const char* ext = bmfileExt(crop->ftype);
    std::snprintf(crop->fname, sizeof crop->fname, "無題%s", ext ? ext : "");
    evthost->openImage(crop);
  }
}
