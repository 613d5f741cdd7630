#include "app/winhost.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "app/ctxmenu.h"
#include "app/cwin.h"
#include "app/textfont.h"
#include "formats/tdecur.h"
#include "ui/cmap.h"
#include "ui/dialog.h"
#include "ui/toolmenu.h"

HCURSOR* cursorset = nullptr;

namespace {

cWIN* cw(cXWIN* w) { return static_cast<cWIN*>(w); }

class WinHost : public EVTHOST {
 public:
  int pumpMessage() override {
    MSG msg;
    // -1 (an invalid call) ends the program like WM_QUIT rather than spin.
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) return 0;
    if (dlgMessage(&msg)) return 1;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return 1;
  }
  int64_t clockMs() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start_)
        .count();
  }
  int windowCount() override { return cwinDocCount(); }
  int winAlive(cXWIN* w) override { return xwinAlive(w); }
  BM* winImage(cXWIN* w) override { return cw(w)->image; }
  int winKind(cXWIN* w) override { return cw(w)->kind; }
  double winWorldX(cXWIN* w, double x) override {
    w->updateXform(w->width, w->height);
    return w->toWorldX(x);
  }
  double winWorldY(cXWIN* w, double y) override {
    w->updateXform(w->width, w->height);
    return w->toWorldY(y);
  }
  void winRepaint(cXWIN* w) override { w->invalidate(); }
  void winRepaintCells(cXWIN* w, int x0, int y0, int x1, int y1) override {
    w->updateXform(w->width, w->height);
    const double ax = w->toWinX(std::min(x0, x1)), bx = w->toWinX(std::max(x0, x1) + 1.0);
    const double ay = w->toWinY(std::min(y0, y1)), by = w->toWinY(std::max(y0, y1) + 1.0);
    // A pixel more on every side for rounding and for grid lines on the edges.
    const auto lo = [](double a, double b) {
      return int(std::max(-1e6, std::floor(std::min(a, b)))) - 1;
    };
    const auto hi = [](double a, double b) {
      return int(std::min(1e6, std::ceil(std::max(a, b)))) + 2;
    };
    w->invalidateRect(lo(ax, bx), lo(ay, by), hi(ax, bx), hi(ay, by));
  }
  DB* winOverlays(cXWIN* w) override { return cw(w)->overlays; }
  cXWIN* winPartner(cXWIN* w) override {
    cWIN* d = cw(w);
    return d->kind == WIN_CMAP ? d->owner : d->cmapwin;
  }
  void cmapPull(cXWIN* w) override { static_cast<cCMAP*>(w)->pull(); }
  void cmapPush(cXWIN* w) override { static_cast<cCMAP*>(w)->push(); }
  COLCNV* winColcnv(cXWIN* w) override { return &cw(w)->colcnv; }
  void winPost(cXWIN* w, int32_t cmd) override {
    PostMessageA(w->handle, WM_COMMAND, static_cast<WPARAM>(cmd), 0);
  }
  void ctxMenu(cXWIN* w, int x, int y) override { ::ctxMenu(cw(w), x, y); }
  void toolEnded(cXWIN* menu, int32_t cmd) override { static_cast<cTOOLMN*>(menu)->toolEnded(cmd); }
  void* toolCursor(int slot) override {
    return cursorset && slot >= 0 && slot < TDECUR_COUNT ? cursorset[slot] : nullptr;
  }
  void cursorChanged() override {
    // The cursor over a document follows the stack at once, not only at the
    // next mouse move.
    POINT p;
    if (!GetCursorPos(&p)) return;
    cWIN* w = cwinOf(WindowFromPoint(p));
    if (!w) return;
    void* top = dbEnd(curstack);
    SetCursor(top ? *static_cast<HCURSOR*>(top) : LoadCursorA(nullptr, IDC_ARROW));
  }
  void drawLine(cXWIN* w, double x0, double y0, double x1, double y1, uint32_t c) override {
    w->worldLine(x0, y0, x1, y1, c);
  }
  void drawRect(cXWIN* w, double x0, double y0, double x1, double y1, uint32_t c) override {
    w->worldRect(x0, y0, x1, y1, c);
  }
  void drawEllipse(cXWIN* w, double x, double y, double rx, double ry, uint32_t c) override {
    w->worldEllipse(x, y, rx, ry, c);
  }
  void drawImage(cXWIN* w, const BM* bm, double x, double y) override {
    cwinDrawImage(w, bm, x, y);
  }
  int openImage(BM* bm) override { return cwinOpenImage(bm); }
  PTEXT* winText(cXWIN* w) override { return cw(w)->ptext; }
  void winSetText(cXWIN* w, PTEXT* t) override { cw(w)->ptext = t; }
  void textRender(cXWIN* w, PTEXT* t) override { ::textRender(w, t); }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace

void winhostInstall() {
  static WinHost host;
  evthost = &host;
}
