// The text tool: a click places an empty line of text in a document window,
// typing goes to it (the window's character input), the next click or Enter
// stamps it, ending the tool drops it.
#include "app/evthost.h"
#include "tools/drawcolor.h"
#include "tools/gesture/pendtext.h"
#include "tools/gesture/toolframe.h"
#include "tools/gesture/tools.h"

void toolText(int32_t) {
  curPush(CUR_TEXT);
  cXWIN* last = nullptr;
  // Drawing colour last shown in pending text: a picked colour repaints.
  cXWIN* shown = nullptr;
  uint32_t shownColour = 0;
  while (!quitflag) {
    EVT ev{};
    const int32_t r = evtNext(&ev, 1);
    if (ev.win) last = ev.win;
    if ((r & EVT_RIGHT) || quitflag) break;
    cXWIN* w = ev.win;
    if (!w || !evthost->winAlive(w) || evthost->winKind(w) != WIN_DOC) continue;
    if (!(r & EVT_LEFT)) {
      const uint32_t colour = drawValue(evthost->winImage(w));
      if (evthost->winText(w) && (w != shown || colour != shownColour)) evthost->winRepaint(w);
      shown = w, shownColour = colour;
      continue;
    }
    textCommitPending(w);
    const TPOINT p = toolSnapPoint(toolCell(w, ev.x, ev.y));
    evthost->winSetText(w, ptextNew(p.x, p.y));
    evthost->winRepaint(w);
  }
  textDiscard(last);
  curPop();
}
