// The three airbrushes: a stroke runs from a left press to its release, sprays
// at every event in between (ticks re-deliver a resting pointer) and is one
// undo step.
#include "app/evthost.h"
#include "image/bm.h"
#include "tools/airbrush.h"
#include "tools/gesture/toolframe.h"
#include "tools/gesture/tools.h"
#include "tools/undo.h"

AirRng airrng;

namespace {

// The stroke in progress: its window, and the raised repeatheld that goes
// with it.
class Stroke {
 public:
  Stroke() = default;
  Stroke(const Stroke&) = delete;
  Stroke& operator=(const Stroke&) = delete;
  ~Stroke() { end(); }
  cXWIN* win() const { return win_; }
  void start(cXWIN* win) {
    win_ = win;
    repeatheld++;
    undoBegin(evthost->winImage(win));
  }
  // Lowered even when the window has gone: ticks must not go on repeating
  // held buttons for every later tool.
  void end() {
    if (win_) repeatheld--;
    win_ = nullptr;
  }

 private:
  cXWIN* win_ = nullptr;
};

}  // namespace

void toolAirbrush(int32_t variant) {
  curPush(CUR_AIRBRUSH);
  AIRCACHE cache;
  Stroke stroke;
  while (true) {
    EVT ev{};
    const int32_t r = evtNext(&ev, 1);
    if (!(r & EVT_LEFT)) {
      stroke.end();
      if ((r & EVT_RIGHT) || quitflag) break;
      continue;
    }
    if (!toolImage(ev.win)) continue;
    if (!stroke.win()) stroke.start(ev.win);
    // Only the window the stroke began in is sprayed.
    if (ev.win != stroke.win()) continue;
    const double px = evthost->winWorldX(ev.win, ev.x), py = evthost->winWorldY(ev.win, ev.y);
    airSprayStep(evthost->winImage(ev.win), px, py, variant, airsize, opaqueflag, &cache,
                 [] { return airrng(); });
    toolChanged(ev.win);
  }
  airCacheFree(&cache);
  curPop();
}
