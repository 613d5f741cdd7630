// What the Wine gesture tests share: real mouse and key messages posted to
// real document windows from a second thread while the main loop runs with
// its tick timer, and the checks of pictures afterwards.
#pragma once

#include "tests/wine/gtest_win.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/appmain.h"
#include "app/cwin.h"
#include "app/evt.h"
#include "app/winhost.h"
#include "formats/tdecur.h"
#include "image/palette.h"
#include "tools/gesture/toolframe.h"

namespace gesturetest {

// One posted message, `wait` ms after the previous one; (x, y) is an image
// cell, sent as the client position of its centre.
struct Msg {
  int wait;
  UINT msg;
  double x, y;
  cXWIN* to = nullptr;                  // null: the window given to play
  WPARAM wp = 0;                        // of a message that is not a mouse message
  std::function<void()> act = nullptr;  // run by the posting thread instead
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

// Client position of the centre of image cell (x, y).
inline POINT clientOf(cXWIN* w, double x, double y) {
  w->updateXform(w->width, w->height);
  return POINT{static_cast<int>(w->toWinX(x + 0.5)), static_cast<int>(w->toWinY(y + 0.5))};
}

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

  // Posts the messages from a second thread, then runs `after` there and
  // ends the loop with WM_QUIT; runs the main loop meanwhile.
  void play(cWIN* w, const std::vector<Msg>& msgs, std::function<void()> after = nullptr) {
    struct Out {
      int wait;
      MSG msg;
      std::function<void()> act;
    };
    std::vector<Out> out;
    for (const Msg& m : msgs) {
      cXWIN* to = m.to ? m.to : w;
      MSG msg{};
      msg.hwnd = to->handle;
      msg.message = m.msg;
      msg.wParam = m.wp;
      if (m.msg >= WM_MOUSEFIRST && m.msg <= WM_MOUSELAST) {
        const POINT p = clientOf(to, m.x, m.y);
        msg.lParam = MAKELPARAM(p.x, p.y);
      }
      out.push_back({m.wait, msg, m.act});
    }
    const DWORD self = GetCurrentThreadId();
    Thread poster([out, self, after] {
      for (const Out& o : out) {
        Sleep(o.wait);
        if (o.act)
          o.act();
        else
          PostMessageA(o.msg.hwnd, o.msg.message, o.msg.wParam, o.msg.lParam);
      }
      Sleep(100);
      if (after) after();
      PostThreadMessageA(self, WM_QUIT, 0, 0);
    });
    appRunLoop();
    poster.join();
  }

  // Fresh queues for another play in the same test.
  static void restart() {
    evtFree();
    evtInit();
  }

  static void drain() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  }

  std::vector<HWND> handles_;
};

// A drag held past the click time, from one cell to another.
inline std::vector<Msg> drag(double x0, double y0, double x1, double y1, cXWIN* to = nullptr) {
  // The pointer arrives with more than one move, as it does from a tool
  // menu: each tool waiting for its start takes one.
  return {{30, WM_MOUSEMOVE, x0 + 1, y0, to}, {10, WM_MOUSEMOVE, x0, y0, to},
          {10, WM_LBUTTONDOWN, x0, y0, to},   {250, WM_MOUSEMOVE, (x0 + x1) / 2, (y0 + y1) / 2, to},
          {20, WM_MOUSEMOVE, x1, y1, to},     {20, WM_LBUTTONUP, x1, y1, to}};
}

// A right button held long enough to end a tool.
inline std::vector<Msg> rightHold(double x, double y, cXWIN* to = nullptr) {
  return {{30, WM_RBUTTONDOWN, x, y, to}, {400, WM_RBUTTONUP, x, y, to}};
}

inline std::vector<Msg> operator+(std::vector<Msg> a, const std::vector<Msg>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline std::string dump(const BM* bm) {
  std::string s;
  for (int y = 0; y < bm->h; y++, s += '\n')
    for (int x = 0; x < bm->w; x++) s += bmPget(bm, x, y) ? '#' : '.';
  return s;
}

inline bool samePixels(const BM* a, const BM* b) {
  return a->w == b->w && a->h == b->h && a->bpp == b->bpp &&
         std::memcmp(a->buf, b->buf, size_t(a->w) * a->h * a->bpp) == 0;
}

}  // namespace gesturetest
