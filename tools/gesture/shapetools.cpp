// Shape tools: line, circle, ellipse, rectangle, polyline and B-spline. One
// gesture is one undo step.
#include <cmath>

#include "app/evthost.h"
#include "image/bm.h"
#include "tools/drawcolor.h"
#include "tools/fill.h"
#include "tools/gesture/toolframe.h"
#include "tools/gesture/tools.h"
#include "tools/linewalk.h"
#include "tools/shapes.h"
#include "tools/undo.h"

namespace {

bool endsTool(int32_t r) { return (r & (EVT_RIGHT | EVT_CLICK)) || quitflag; }

void drawTwoPoint(BM* bm, int32_t variant, const SEL& s) {
  switch (variant) {
    case OVL_LINE:
      lineDraw(bm, s.x0, s.y0, s.x1, s.y1, 0, drawValue(bm), drawRaw(bm));
      break;
    case OVL_CIRCLE: {
      const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
      const int r = static_cast<int>(std::sqrt(dx * dx + dy * dy));
      ellipseDraw(bm, s.x0, s.y0, r, r);
      break;
    }
    case OVL_ELLIPSE:
      ellipseDraw(bm, (s.x0 + s.x1) / 2, (s.y0 + s.y1) / 2, (s.x1 - s.x0) / 2, (s.y1 - s.y0) / 2);
      break;
  }
}

// Loops toolRect with the band `kind` and colour pick, applying `apply` to
// the image of every completed selection as one undo step.
template <class Apply>
void selectionLoop(int32_t kind, Apply apply) {
  while (!quitflag) {
    SEL s;
    if (endsTool(toolRect(&s, kind, 1))) break;
    BM* bm = toolImage(s.win);
    if (!bm) continue;
    undoBegin(bm);
    apply(bm, s);
    toolChanged(s.win);
  }
}

}  // namespace

void toolTwoPoint(int32_t variant) {
  selectionLoop(variant, [variant](BM* bm, const SEL& s) { drawTwoPoint(bm, variant, s); });
}

void toolRectangle(int32_t variant) {
  selectionLoop(OVL_RECT, [variant](BM* bm, const SEL& s) {
    if (variant)
      rectFill(bm, s.x0, s.y0, s.x1, s.y1);
    else
      rectDraw(bm, s.x0, s.y0, s.x1, s.y1);
  });
}

void toolPolyline(int32_t variant) {
  while (!quitflag) {
    void* ovl = nullptr;
    DB* pts = nullptr;
    toolPoly(&ovl, &pts, 0, variant);
    if (!pts) break;
    OVLPOLY band{};
    if (ovl) band = *static_cast<const OVLPOLY*>(ovl);
    BM* bm = toolImage(band.win);
    const bool draw = bm && dbCnt(pts) >= 2 && !quitflag;
    if (draw) {
      undoBegin(bm);
      polyDraw(bm, pts, variant);
    }
    ovlDel(band.win, ovl);
    if (draw) toolChanged(band.win);
    dbFre(pts);
    if (!draw) break;
  }
}
