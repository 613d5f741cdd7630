// Fill tools: paint and sampling paint. Every fill is one undo step.
#include "app/evthost.h"
#include "image/bm.h"
#include "tools/fill.h"
#include "tools/gesture/toolframe.h"
#include "tools/gesture/tools.h"
#include "tools/undo.h"

namespace {

// Fills at every event with the left button down until the tool ends; set
// null fills the clicked colour's region.
void fillLoop(DB* set, int32_t setBpp) {
  while (!quitflag) {
    EVT ev{};
    const int32_t r = evtNext(&ev, 1);
    if (!r && quitflag) break;
    if (r & EVT_RIGHT) break;
    if (!(r & EVT_LEFT)) continue;
    BM* bm = toolImage(ev.win);
    // A sampled set holds values of one depth only.
    if (!bm || (set && bm->bpp != setBpp)) continue;
    const TPOINT p = toolCell(ev.win, ev.x, ev.y);
    undoBegin(bm);
    floodFill(bm, p.x, p.y, set);
    toolChanged(ev.win);
  }
}

}  // namespace

void toolPaint(int32_t) {
  curPush(CUR_FILL);
  fillLoop(nullptr, 0);
  curPop();
}

void toolSamplePaint(int32_t) {
  SEL s;
  const int32_t r = toolRect(&s, OVL_RECT, 0);
  if ((r & (EVT_RIGHT | EVT_CLICK)) || quitflag) return;
  BM* bm = toolImage(s.win);
  if (!bm) return;
  curPush(CUR_FILL);
  DB* set = colorSetSample(bm, s.x0, s.y0, s.x1, s.y1);
  fillLoop(set, bm->bpp);
  dbFre(set);
  curPop();
}
