#include "tools/gesture/colcnv.h"

#include <algorithm>

#include "image/bm.h"
#include "tools/filter.h"
#include "tools/undo.h"

namespace {

// A negative number typed into an edit box counts as 0.
unsigned setting(int32_t v) { return static_cast<unsigned>(std::max(v, 0)); }

}  // namespace

COLCNV::~COLCNV() { bmFre(saved); }

int colcnvStart(COLCNV* c, const SEL& s) {
  BM* bm = toolImage(s.win);
  if (!bm) return 0;
  const int x0 = std::min(s.x0, s.x1), y0 = std::min(s.y0, s.y1);
  BM* saved = bmCrop(bm, x0, y0, std::max(s.x0, s.x1) - x0, std::max(s.y0, s.y1) - y0);
  if (!saved) return 0;
  bmFre(c->saved);
  c->saved = saved;
  c->x = x0, c->y = y0;
  c->win = s.win;
  c->hue = c->sat = c->val = c->alpha = 100;
  // Every preview paste joins this one step, so an undo after "OK" takes
  // back the conversion and nothing done before it.
  undoBegin(bm);
  colcnvApply(c);
  return 1;
}

void colcnvApply(COLCNV* c) {
  BM* bm = toolImage(c->win);
  if (!bm || !c->saved) return;
  BM* conv =
      hsvAdjust(c->saved, setting(c->hue), setting(c->sat), setting(c->val), setting(c->alpha));
  if (!conv) return;
  bmPaste(bm, conv, c->x, c->y, 0);
  bmFre(conv);
  toolChanged(c->win);
}

void colcnvEnd(COLCNV* c, int cancelled) {
  BM* bm = toolImage(c->win);
  if (cancelled && bm && c->saved) {
    bmPaste(bm, c->saved, c->x, c->y, 0);
    toolChanged(c->win);
  }
  bmFre(c->saved);
  c->saved = nullptr;
  c->win = nullptr;
}
