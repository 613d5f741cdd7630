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

}  // namespace

void toolTwoPoint(int32_t variant) {
  toolEachRect(variant, 1, [variant](BM* bm, const SEL& s) {
    undoBegin(bm);
    drawTwoPoint(bm, variant, s);
  });
}

void toolRectangle(int32_t variant) {
  toolEachRect(OVL_RECT, 1, [variant](BM* bm, const SEL& s) {
    undoBegin(bm);
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
