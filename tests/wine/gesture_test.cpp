// Tool gestures as real mouse messages posted to real document windows while
// the main loop runs with its tick timer; afterwards the image and its undo
// log are checked.
#include "tests/wine/gtest_win.h"

#include <windows.h>

#include <cstring>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "app/appmain.h"
#include "app/cwin.h"
#include "app/evt.h"
#include "app/winhost.h"
#include "formats/tdecur.h"
#include "image/palette.h"
#include "tools/drawcolor.h"
#include "tools/fill.h"
#include "tools/gesture/toolframe.h"
#include "tools/linewalk.h"
#include "tools/shapes.h"
#include "tools/undo.h"

namespace {

// One posted message, `wait` ms after the previous one; (x, y) is an image
// cell, sent as the client position of its centre.
struct Msg {
  int wait;
  UINT msg;
  double x, y;
  cXWIN* to = nullptr;  // null: the window given to play
};

// A Win32 thread (threads that call the Win32 API must be the system's own,
// not the C++ library's).
class Thread {
 public:
  explicit Thread(std::function<void()> f) : f_(std::move(f)) {
    h_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
  }
  ~Thread() { join(); }
  void join() {
    if (!h_) return;
    WaitForSingleObject(h_, INFINITE);
    CloseHandle(h_);
    h_ = nullptr;
  }

 private:
  static DWORD WINAPI run(void* p) {
    static_cast<Thread*>(p)->f_();
    return 0;
  }
  std::function<void()> f_;
  HANDLE h_;
};

class Gesture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { cursorset = tdecurOpen(); }
  static void TearDownTestSuite() {
    tdecurClose(cursorset);
    cursorset = nullptr;
  }
  void SetUp() override {
    drain();
    evtInit();
    toolSettingsInit();
    winhostInstall();
  }
  void TearDown() override {
    for (HWND h : handles_)
      if (IsWindow(h)) DestroyWindow(h);
    drain();
    evtFree();
  }

  cWIN* open(int bpp, int w, int h) {
    uint32_t cmap[256];
    palDirect(cmap);
    BM* bm = bmNew(nullptr, bpp, w, h, cmap, 256);
    std::snprintf(bm->fname, sizeof bm->fname, "%s", "gesture.pxa");
    bm->pen = 0x35;
    auto* win = new cWIN;
    EXPECT_TRUE(win->winShowImage(bm, w * 8, h * 8));
    handles_.push_back(win->handle);
    return win;
  }

  // Posts the messages from a second thread, then ends the loop with
  // WM_QUIT; runs the main loop meanwhile.
  void play(cWIN* w, const std::vector<Msg>& msgs) {
    std::vector<std::pair<int, MSG>> out;
    for (const Msg& m : msgs) {
      cXWIN* to = m.to ? m.to : w;
      to->updateXform(to->width, to->height);
      const int x = static_cast<int>(to->toWinX(m.x + 0.5));
      const int y = static_cast<int>(to->toWinY(m.y + 0.5));
      MSG msg{};
      msg.hwnd = to->handle;
      msg.message = m.msg;
      msg.lParam = MAKELPARAM(x, y);
      out.push_back({m.wait, msg});
    }
    const DWORD self = GetCurrentThreadId();
    Thread poster([out, self] {
      for (const auto& [wait, m] : out) {
        Sleep(wait);
        PostMessageA(m.hwnd, m.message, 0, m.lParam);
      }
      Sleep(100);
      PostThreadMessageA(self, WM_QUIT, 0, 0);
    });
    appRunLoop();
    poster.join();
  }

  static void drain() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  }

  std::vector<HWND> handles_;
};

// A drag held past the click time, from one cell to another.
std::vector<Msg> drag(double x0, double y0, double x1, double y1) {
  // The pointer arrives with more than one move, as it does from a tool
  // menu: each tool waiting for its start takes one.
  return {{30, WM_MOUSEMOVE, x0 + 1, y0},
          {10, WM_MOUSEMOVE, x0, y0},
          {10, WM_LBUTTONDOWN, x0, y0},
          {250, WM_MOUSEMOVE, (x0 + x1) / 2, (y0 + y1) / 2},
          {20, WM_MOUSEMOVE, x1, y1},
          {20, WM_LBUTTONUP, x1, y1}};
}

// A right button held long enough to end a tool.
std::vector<Msg> rightHold(double x, double y) {
  return {{30, WM_RBUTTONDOWN, x, y}, {400, WM_RBUTTONUP, x, y}};
}

std::vector<Msg> operator+(std::vector<Msg> a, const std::vector<Msg>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::string dump(const BM* bm) {
  std::string s;
  for (int y = 0; y < bm->h; y++, s += '\n')
    for (int x = 0; x < bm->w; x++) s += bmPget(bm, x, y) ? '#' : '.';
  return s;
}

bool samePixels(const BM* a, const BM* b) {
  return a->w == b->w && a->h == b->h && a->bpp == b->bpp &&
         std::memcmp(a->buf, b->buf, size_t(a->w) * a->h * a->bpp) == 0;
}

struct ToolCase {
  const char* name;
  int cmd;  // 0: no tool (the main loop's pencil)
  std::vector<Msg> gesture;
  std::function<void(BM*)> expect;  // draws what the gesture must give
};

std::vector<ToolCase> toolCases() {
  auto line = [](BM* bm) { lineDraw(bm, 2, 3, 13, 10, 0, drawValue(bm), drawRaw(bm)); };
  auto pencil = [](BM* bm) {
    lineDraw(bm, 2, 3, 2, 3, 1, drawValue(bm), drawRaw(bm));
    lineDraw(bm, 2, 3, 6, 6, 1, drawValue(bm), drawRaw(bm));
    lineDraw(bm, 6, 6, 10, 9, 1, drawValue(bm), drawRaw(bm));
  };
  const std::vector<Msg> clicks = {{30, WM_MOUSEMOVE, 2, 2},    {10, WM_LBUTTONDOWN, 2, 2},
                                   {20, WM_LBUTTONUP, 2, 2},    {20, WM_MOUSEMOVE, 12, 4},
                                   {20, WM_LBUTTONDOWN, 12, 4}, {20, WM_LBUTTONUP, 12, 4},
                                   {20, WM_MOUSEMOVE, 6, 13}};
  const int32_t poly[] = {2, 2, 12, 4, 6, 13};
  return {
      {"Pencil", 0, drag(2, 3, 10, 9), pencil},
      {"Line", 33028, drag(2, 3, 12, 9) + rightHold(1, 1), line},
      {"Rectangle", 33002, drag(11, 9, 2, 3) + rightHold(1, 1),
       [](BM* bm) { rectDraw(bm, 2, 3, 12, 10); }},
      {"RectangleFill", 33003, drag(2, 3, 11, 9) + rightHold(1, 1),
       [](BM* bm) { rectFill(bm, 2, 3, 12, 10); }},
      {"Circle", 33058, drag(7, 7, 10, 11) + rightHold(1, 1),
       [](BM* bm) { ellipseDraw(bm, 7, 7, 6, 6); }},
      {"Ellipse", 33059, drag(2, 3, 11, 9) + rightHold(1, 1),
       [](BM* bm) { ellipseDraw(bm, 7, 6, 5, 3); }},
      {"Polyline", 33061, clicks + rightHold(6, 13) + rightHold(6, 13),
       [poly](BM* bm) { polylineDraw(bm, poly, 3); }},
      {"BSpline", 33060, clicks + rightHold(6, 13) + rightHold(6, 13),
       [poly](BM* bm) { bsplineDraw(bm, poly, 3); }},
      {"Paint", 33001,
       std::vector<Msg>{
           {30, WM_MOUSEMOVE, 5, 5}, {10, WM_LBUTTONDOWN, 5, 5}, {20, WM_LBUTTONUP, 5, 5}} +
           rightHold(1, 1),
       [](BM* bm) { floodFill(bm, 5, 5, nullptr); }},
      {"SamplingPaint", 33068,
       drag(8, 0, 9, 0) +
           std::vector<Msg>{
               {30, WM_MOUSEMOVE, 12, 5}, {10, WM_LBUTTONDOWN, 12, 5}, {20, WM_LBUTTONUP, 12, 5}} +
           rightHold(1, 1),
       [](BM* bm) {
         // The wall's colour is sampled too: the fill crosses it.
         DB* set = colorSetSample(bm, 8, 0, 10, 1);
         floodFill(bm, 12, 5, set);
         dbFre(set);
       }},
  };
}

class ToolGesture : public Gesture, public ::testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(ToolGesture, DrawsOneUndoStep) {
  const ToolCase c = toolCases()[std::get<0>(GetParam())];
  const int bpp = std::get<1>(GetParam());
  cWIN* w = open(bpp, 16, 16);
  BM* before = bmDup(w->image);
  // A wall for the fill to stop at.
  for (int y = 0; y < 16; y++) bmPut(w->image, 9, y, bpp == 1 ? 7 : w->image->cmap[7], 1);
  undoBegin(w->image);
  BM* start = bmDup(w->image);
  BM* want = bmDup(w->image);
  std::memcpy(want->cmap, w->image->cmap, sizeof want->cmap);
  want->pen = w->image->pen;
  c.expect(want);
  if (c.cmd) cmdPost(w, c.cmd, nullptr);
  play(w, c.gesture);
  EXPECT_TRUE(samePixels(want, w->image)) << c.name << "\n" << dump(want) << "\n" << dump(w->image);
  EXPECT_EQ(1, w->image->modified) << c.name;
  EXPECT_EQ(0, dbCnt(curstack)) << c.name;
  EXPECT_EQ(0, dbCnt(w->overlays)) << c.name;
  undoApply(w->image);
  EXPECT_TRUE(samePixels(start, w->image)) << c.name;
  bmFre(before);
  bmFre(start);
  bmFre(want);
}

INSTANTIATE_TEST_SUITE_P(Tools, ToolGesture,
                         ::testing::Combine(::testing::Range(0, int(toolCases().size())),
                                            ::testing::Values(1, 4)),
                         [](const auto& info) {
                           return std::string(toolCases()[std::get<0>(info.param)].name) +
                                  (std::get<1>(info.param) == 1 ? "Indexed" : "Direct");
                         });

TEST_F(Gesture, QuickRightClickPicksTheColourAndTheToolGoesOn) {
  cWIN* w = open(1, 16, 16);
  bmpset(w->image, 4, 4, 0x21, 1);
  cmdPost(w, 33028, nullptr);
  play(w,
       std::vector<Msg>{
           {30, WM_MOUSEMOVE, 4, 4}, {10, WM_RBUTTONDOWN, 4, 4}, {30, WM_RBUTTONUP, 4, 4}} +
           drag(0, 0, 3, 0) + rightHold(1, 1));
  EXPECT_EQ(0x21, w->image->pen);
  EXPECT_EQ(0x21u, bmPget(w->image, 1, 0));  // drawn after the pick
}

TEST_F(Gesture, WindowClosedWhileAToolWaitsEndsCleanly) {
  cWIN* keep = open(1, 16, 16);
  cWIN* w = open(4, 16, 16);
  static const char kDestroy[] = "WM_DESTROY";
  HWND h = w->handle;
  cmdPost(w, 33002, nullptr);
  // The drag starts in w, w goes, the pointer goes on in the other window.
  Thread closer([h] {
    Sleep(400);
    PostMessageA(h, STRCMD, 0, reinterpret_cast<LPARAM>(kDestroy));
  });
  play(w, std::vector<Msg>{{30, WM_MOUSEMOVE, 2, 2},
                           {10, WM_LBUTTONDOWN, 2, 2},
                           {250, WM_MOUSEMOVE, 8, 8},
                           {300, WM_MOUSEMOVE, 4, 4, keep},
                           {20, WM_LBUTTONUP, 4, 4, keep},
                           {30, WM_RBUTTONDOWN, 1, 1, keep},
                           {400, WM_RBUTTONUP, 1, 1, keep}});
  closer.join();
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(0, dbCnt(curstack));
  EXPECT_EQ(0, dbCnt(keep->overlays));
  EXPECT_EQ(0, keep->image->modified);
}

TEST_F(Gesture, SecondCommandRunsNestedInTheFirstTool) {
  cWIN* w = open(1, 16, 16);
  cmdPost(w, 33028, nullptr);  // waits for a drag...
  cmdPost(w, 33003, nullptr);  // ...and runs this one first
  play(w, drag(1, 1, 3, 3) + rightHold(1, 1) + drag(5, 10, 10, 10) + rightHold(1, 1));
  BM* want = bmNew(nullptr, 1, 16, 16, w->image->cmap, 256);
  want->pen = w->image->pen;
  rectFill(want, 1, 1, 4, 4);
  lineDraw(want, 5, 10, 11, 11, 0, drawValue(want), 1);
  EXPECT_TRUE(samePixels(want, w->image)) << dump(want) << "\n" << dump(w->image);
  bmFre(want);
}

}  // namespace
