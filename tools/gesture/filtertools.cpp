// Tools that change the pixels of a dragged region: the selection filters,
// push and pull, and the start of a colour conversion. One region is one
// undo step.
#include "app/evthost.h"
#include "image/bm.h"
#include "image/bmgeom.h"
#include "tools/fill.h"
#include "tools/filter.h"
#include "tools/gesture/colcnv.h"
#include "tools/gesture/toolframe.h"
#include "tools/gesture/tools.h"
#include "tools/undo.h"

namespace {

void brighten(BM* crop) { scaleBright(crop, BRIGHT_UP); }
void darken(BM* crop) { scaleBright(crop, BRIGHT_DOWN); }

// The change of each filter mode, in mode order.
using CROPFN = void (*)(BM*);
const CROPFN kFilters[FLT_COUNT] = {edgeMark, edgeErode, bmFlipV,  bmFlipH,     boxBlur,
                                    brighten, darken,    rampFill, shadeOutline};

}  // namespace

void toolFilter(int32_t mode) {
  if (mode < 0 || mode >= FLT_COUNT) return;
  const CROPFN change = kFilters[mode];
  toolEachRect(OVL_RECT, 0, [change](BM* bm, const SEL& s) {
    // Crop, change, then the step begins right before the paste.
    filterRegion(bm, s.x0, s.y0, s.x1, s.y1, [bm, change](BM* crop) {
      change(crop);
      undoBegin(bm);
    });
  });
}

void toolBevel(int32_t variant) {
  toolEachRect(OVL_RECT, 0, [variant](BM* bm, const SEL& s) {
    undoBegin(bm);
    bevelDraw(bm, s.x0, s.y0, s.x1, s.y1, variant ? BEVEL_PUSH : BEVEL_PULL);
  });
}

void toolColourConvert(int32_t) {
  SEL s;
  const int32_t r = toolRect(&s, OVL_RECT, 0);
  if ((r & (EVT_RIGHT | EVT_CLICK)) || quitflag || !toolImage(s.win)) return;
  COLCNV* c = evthost->winColcnv(s.win);
  if (c && colcnvStart(c, s)) evthost->winPost(s.win, CMD_COLCNV);
}
