// The popup list of the context menus: opens under the pointer while the
// right button is held, follows the pointer, chooses on release.
#include <vector>

#include "std/xwin.h"

namespace {

const COLORREF kFace = RGB(212, 208, 200);
const COLORREF kInk = RGB(32, 32, 64);

class cPOPUP : public cXWIN {
 public:
  std::vector<POPUPITEM> items;
  int selected = -1;

  void drawContent() override {
    drawPanel(0, 0, width, height, 0, 2);
    for (const POPUPITEM& it : items) {
      bool sel = it.index == selected;
      fillRect(it.x, it.y, it.x + it.w - 1, it.y + it.h - 1, sel ? kInk : kFace);
      drawText(it.x + 6, it.y, 0, 0, sel ? kFace : kInk, "%s", it.text.c_str());
    }
  }

  void onMouseMove(int mx, int my) override {
    int hit = popupHit(items, mx, my);
    if (hit != selected) {
      selected = hit;
      invalidate();
    }
  }

  void onRButtonUp() override { finish(); }
  // A left press also ends the list, so that it cannot stay open when the
  // right button was already released before it appeared.
  void onLButtonDown(int mx, int my) override {
    onMouseMove(mx, my);
    finish();
  }
  // Esc, Ctrl+C or a close message end the list without a choice. Closed
  // any other way, the loop in popup() would wait for ever.
  int queryClose() override {
    selected = -1;
    finish();
    return 0;
  }
  // Destroyed with its owner: the loop hears of it all the same.
  int onDestroy() override {
    if (!ended) PostMessageA(nullptr, POPUPEND, 0, 0);
    ended = true;
    return cXWIN::onDestroy();
  }

 private:
  bool ended = false;

  void finish() {
    if (!handle) return;
    ended = true;
    capturePop();
    close();
    // A thread message: it must arrive although the window is gone by then.
    PostMessageA(nullptr, POPUPEND, 0, 0);
  }
};

}  // namespace

int popup(cXWIN* owner, int px, int py, const char* items) {
  if (!owner || !owner->handle) return -1;
  cPOPUP pop;
  pop.setFaceName("ＭＳ Ｐゴシック");
  pop.setFont(14);
  pop.items = popupLayout(items);
  int w, h;
  popupClientSize(pop.items, &w, &h);
  pop.setOwner(owner);
  // A pop-up window owned by the owner rather than its child: a list taller
  // than a small picture's window would be cut off at the window's edge.
  pop.setStyle(WS_POPUP | WS_CLIPCHILDREN);
  POINT at{px + 1, py + 1};
  ClientToScreen(owner->handle, &at);
  pop.setPos(at.x, at.y);
  if (pop.create(w, h) != 0) return -1;
  // Not a child, so the class's menu bar would come with it.
  SetMenu(pop.handle, nullptr);
  pop.capturePush();
  cXWIN::modalLoop();
  if (pop.handle) {
    // The loop ended without a choice (the program is quitting).
    cXWIN::capturePop();
    pop.close();
    return -1;
  }
  return pop.selected;
}
