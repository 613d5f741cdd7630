// Rubber-band overlays: records of (draw routine, data) in a window's
// overlay list, painted after the image and the grids.
#include <cmath>
#include <cstring>
#include <vector>

#include "app/evthost.h"
#include "image/bm.h"
#include "tools/gesture/toolframe.h"
#include "tools/shapes.h"

void* ovlAdd(cXWIN* win, OVLFN fn, const void* data, uint32_t size) {
  DB* list = evthost->winOverlays(win);
  if (!list) return nullptr;
  void* key = reinterpret_cast<void*>(fn);
  return dbPut(list, &key, sizeof key, data, size);
}

void ovlDel(cXWIN* win, void* rec) {
  if (!rec || !win || !evthost->winAlive(win)) return;
  if (DB* list = evthost->winOverlays(win)) dbDel(list, rec);
}

void ovlPaint(cXWIN* win, DB* overlays) {
  for (void* rec = dbTop(overlays); rec; rec = dbNxt(rec)) {
    OVLFN fn;
    std::memcpy(&fn, dbKey(rec), sizeof fn);
    fn(win, rec);
  }
}

void ovlDraw(cXWIN* win, void* data) {
  OVL o;
  std::memcpy(&o, data, sizeof o);
  switch (o.kind) {
    case OVL_LINE:
      evthost->drawLine(win, o.x0, o.y0, o.x1, o.y1, o.color);
      break;
    case OVL_RECT:
      evthost->drawRect(win, o.x0, o.y0, o.x1, o.y1, o.color);
      break;
    case OVL_CIRCLE: {
      const double dx = o.x1 - o.x0, dy = o.y1 - o.y0;
      const double r = std::sqrt(dx * dx + dy * dy);
      evthost->drawEllipse(win, o.x0, o.y0, r, r, o.color);
      break;
    }
    case OVL_ELLIPSE:
      evthost->drawEllipse(win, (o.x0 + o.x1) / 2, (o.y0 + o.y1) / 2, (o.x1 - o.x0) / 2,
                           (o.y1 - o.y0) / 2, o.color);
      break;
  }
}

void ovlPoly(cXWIN* win, void* data) {
  OVLPOLY o;
  std::memcpy(&o, data, sizeof o);
  std::vector<int32_t> xy;
  for (void* p = dbTop(o.pts); p; p = dbNxt(p)) {
    int32_t v[2];
    std::memcpy(v, p, sizeof v);
    xy.insert(xy.end(), v, v + 2);
  }
  int n = static_cast<int>(xy.size() / 2);
  if (o.curve && n > 0) {
    xy = bsplineSample(xy.data(), n);
    n = static_cast<int>(xy.size() / 2);
  }
  const uint32_t rgba = bmPenRgb(evthost->winImage(win));
  const uint32_t c = rgba & 0xFFFFFF;
  for (int i = 1; i < n; i++)
    evthost->drawLine(win, xy[2 * i - 2], xy[2 * i - 1], xy[2 * i], xy[2 * i + 1], c);
}
