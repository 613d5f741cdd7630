#include "tests/wine/gtest_win.h"

#include "std/xwin.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// Dispatches every waiting message; true when WM_QUIT was among them.
bool pump() {
  bool quit = false;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit = true;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return quit;
}

// A window that counts what the framework calls.
class cPROBE : public cXWIN {
 public:
  int destroyed = 0, queries = 0, allowClose = 1, ticks = 0, afterTicks = 0, exits = 0;
  std::string lastString;
  std::vector<std::string> dropped;
  // A class of its own: the first window of a class fixes its menu, and a
  // document window of an earlier test registers "cXWIN" with one.
  cPROBE() { classname = "cPROBE"; }
  void onDropFile(const char* path) override { dropped.push_back(path); }
  int queryClose() override {
    queries++;
    return allowClose;
  }
  int onDestroy() override {
    destroyed++;
    return cXWIN::onDestroy();
  }
  void onString(const char* s) override { lastString = s; }
  void onTick() override { ticks++; }
  void onAfterTick() override { afterTicks++; }
  int onExitCommand() override {
    exits++;
    return 0;
  }
};

class XwinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pump();
    ASSERT_EQ(dbCnt(winlist), 0) << "a previous test left a window open";
  }
  void TearDown() override {
    for (cPROBE* w : open_)
      if (xwinAlive(w)) w->close();
    pump();
    for (cPROBE* w : open_) delete w;
  }
  cPROBE* make(int w, int h) {
    cPROBE* p = new cPROBE;
    p->hidden = 1;
    open_.push_back(p);
    EXPECT_EQ(p->create(w, h), 0);
    return p;
  }
  std::vector<cPROBE*> open_;
};

TEST_F(XwinTest, CreationFillsTheWindowListAndTheClientSize) {
  cPROBE* w = make(120, 90);
  ASSERT_NE(w->handle, nullptr);
  EXPECT_EQ(xwinOf(w->handle), w);
  EXPECT_TRUE(xwinAlive(w));
  RECT r;
  GetClientRect(w->handle, &r);
  EXPECT_EQ(r.right, 120);
  EXPECT_EQ(r.bottom, 90);
  EXPECT_EQ(w->width, 120);
  EXPECT_EQ(std::string(w->title), "cXWIN");
  EXPECT_EQ(w->fonth, 16);
  EXPECT_EQ(w->charw, 8);
}

TEST_F(XwinTest, SetViewAndSetScaleMapWorldToWindow) {
  cPROBE* w = make(100, 300);
  w->setView(0, 0, 50, 50);
  EXPECT_DOUBLE_EQ(w->scale(), 2.0);
  EXPECT_DOUBLE_EQ(w->toWinX(25), 50);
  EXPECT_DOUBLE_EQ(w->toWinY(25), 150);
  EXPECT_DOUBLE_EQ(w->toWorldX(0), 0);
  w->setScale(4);
  EXPECT_DOUBLE_EQ(w->scale(), 4.0);
  EXPECT_DOUBLE_EQ(w->toWorldX(50), 25);
  EXPECT_DOUBLE_EQ(w->toWorldY(154), 26);
}

TEST_F(XwinTest, WheelNotchUpThenDownRestoresTheZoom) {
  cPROBE* w = make(100, 100);
  w->setView(0, 0, 20, 20);
  double before = w->zoom;
  SendMessageA(w->handle, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(50, 50));
  EXPECT_NEAR(w->zoom, before * 1.1, 1e-12);
  SendMessageA(w->handle, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(50, 50));
  EXPECT_NEAR(w->zoom, before, 1e-12);
}

TEST_F(XwinTest, MiddleDragPansByPointerDistanceOverScale) {
  cPROBE* w = make(100, 100);
  w->setView(0, 0, 25, 25);  // 4 pixels per unit
  double cx = w->cx, cy = w->cy;
  SendMessageA(w->handle, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(40, 40));
  SendMessageA(w->handle, WM_MOUSEMOVE, MK_MBUTTON, MAKELPARAM(50, 40));
  EXPECT_DOUBLE_EQ(w->cx, cx - 2.5);
  EXPECT_DOUBLE_EQ(w->cy, cy);
  SendMessageA(w->handle, WM_MBUTTONUP, 0, MAKELPARAM(50, 40));
  SendMessageA(w->handle, WM_MOUSEMOVE, 0, MAKELPARAM(90, 90));  // no button: no pan
  EXPECT_DOUBLE_EQ(w->cx, cx - 2.5);
  EXPECT_EQ(w->buttons, 0);
}

TEST_F(XwinTest, ClosingTwiceDestroysOnce) {
  cPROBE* keep = make(50, 50);  // so that no quit is posted
  cPROBE* w = make(50, 50);
  HWND h = w->handle;
  w->close();
  EXPECT_EQ(w->handle, nullptr);
  EXPECT_TRUE(IsWindow(h)) << "destruction is deferred";
  EXPECT_FALSE(xwinAlive(w)) << "a closed window no longer counts";
  w->close();
  EXPECT_FALSE(pump());
  EXPECT_EQ(w->destroyed, 1);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_FALSE(xwinAlive(w));
  EXPECT_TRUE(xwinAlive(keep));
}

TEST_F(XwinTest, LastWindowDestroyedPostsQuit) {
  cPROBE* a = make(50, 50);
  cPROBE* b = make(50, 50);
  a->close();
  EXPECT_FALSE(pump());
  b->close();
  EXPECT_TRUE(pump());
  EXPECT_EQ(dbCnt(winlist), 0);
}

TEST_F(XwinTest, EscAndCtrlCAskQueryClose) {
  cPROBE* keep = make(50, 50);
  cPROBE* w = make(50, 50);
  w->allowClose = 0;
  SendMessageA(w->handle, WM_CHAR, 27, 0);
  EXPECT_EQ(w->queries, 1);
  EXPECT_NE(w->handle, nullptr);
  SendMessageA(w->handle, WM_CHAR, 'a', 0);
  EXPECT_EQ(w->queries, 1);
  w->allowClose = 1;
  SendMessageA(w->handle, WM_CHAR, 3, 0);
  EXPECT_EQ(w->queries, 2);
  EXPECT_EQ(w->handle, nullptr);
  pump();
  EXPECT_EQ(w->destroyed, 1);
  EXPECT_TRUE(xwinAlive(keep));
}

TEST_F(XwinTest, ExitCommandReturningZeroClosesThisWindowOnly) {
  cPROBE* keep = make(50, 50);
  cPROBE* w = make(50, 50);
  SendMessageA(w->handle, WM_COMMAND, 105, 0);
  EXPECT_EQ(w->exits, 1);
  pump();
  EXPECT_FALSE(xwinAlive(w));
  EXPECT_TRUE(xwinAlive(keep));
}

TEST_F(XwinTest, TextCommandsTicksAndKeys) {
  cPROBE* w = make(50, 50);
  static const char text[] = "hello";
  PostMessageA(w->handle, STRCMD, 0, reinterpret_cast<LPARAM>(text));
  PostMessageA(w->handle, TICK, 0, 0);
  pump();
  EXPECT_EQ(w->lastString, "hello");
  EXPECT_EQ(w->ticks, 1);
  EXPECT_EQ(w->afterTicks, 1);
  SendMessageA(w->handle, WM_KEYDOWN, VK_SHIFT, 0);
  SendMessageA(w->handle, WM_KEYDOWN, VK_CONTROL, 0);
  EXPECT_EQ(w->keys, 3);
  SendMessageA(w->handle, WM_KEYUP, VK_SHIFT, 0);
  EXPECT_EQ(w->keys, 2);
  SendMessageA(w->handle, WM_LBUTTONDOWN, 0, MAKELPARAM(7, 9));
  SendMessageA(w->handle, WM_RBUTTONDOWN, 0, MAKELPARAM(8, 10));
  EXPECT_EQ(w->buttons, 3);
  EXPECT_EQ(w->mousex, 8);
  SendMessageA(w->handle, WM_LBUTTONUP, 0, MAKELPARAM(8, 10));
  EXPECT_EQ(w->buttons, 2);
  SendMessageA(w->handle, WM_RBUTTONUP, 0, MAKELPARAM(8, 10));
  EXPECT_EQ(w->buttons, 0);
}

TEST_F(XwinTest, CaptureStackRestoresThePreviousHolder) {
  cPROBE* a = make(50, 50);
  cPROBE* b = make(50, 50);
  a->capturePush();
  EXPECT_EQ(GetCapture(), a->handle);
  b->capturePush();
  EXPECT_EQ(GetCapture(), b->handle);
  cXWIN::capturePop();
  EXPECT_EQ(GetCapture(), a->handle);
  cXWIN::capturePop();
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(dbCnt(capstack), 0);
}

// A drop of several files, as the shell hands it over (DragFinish frees it).
HDROP makeDrop(const std::vector<std::string>& files) {
  std::string names;
  for (const std::string& f : files) names += f + '\0';
  names += '\0';
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + names.size());
  auto* df = static_cast<DROPFILES*>(GlobalLock(mem));
  df->pFiles = sizeof(DROPFILES);
  df->fWide = FALSE;
  std::memcpy(reinterpret_cast<char*>(df) + sizeof(DROPFILES), names.data(), names.size());
  GlobalUnlock(mem);
  return static_cast<HDROP>(mem);
}

TEST_F(XwinTest, DroppedFilesArriveOneByOneInOrder) {
  cPROBE* w = make(50, 50);
  const char* sjis = "\x83\x65\x83\x58\x83\x67.bmp";  // テスト.bmp
  SendMessageA(w->handle, WM_DROPFILES,
               reinterpret_cast<WPARAM>(makeDrop({"C:\\a.pxa", sjis, "C:\\b c.ico"})), 0);
  ASSERT_EQ(w->dropped.size(), 3u);
  EXPECT_EQ(w->dropped[0], "C:\\a.pxa");
  EXPECT_EQ(w->dropped[1], sjis);
  EXPECT_EQ(w->dropped[2], "C:\\b c.ico");
}

// ---- popup ----

// Scripted pointer actions run from a timer inside the popup's modal loop.
std::function<void(HWND)> popupScript;
SIZE popupClient;

void CALLBACK runPopupScript(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  void* top = dbEnd(capstack);
  HWND pop = top ? *static_cast<HWND*>(top) : nullptr;
  if (!pop) return;
  RECT r;
  GetClientRect(pop, &r);
  popupClient = SIZE{r.right, r.bottom};
  popupScript(pop);
}

int runPopup(cXWIN* owner, const char* items, std::function<void(HWND)> script) {
  popupScript = std::move(script);
  SetTimer(nullptr, 0, 10, runPopupScript);
  return popup(owner, 10, 10, items);
}

TEST_F(XwinTest, PopupSizeFollowsTheLongestItem) {
  cPROBE* w = make(300, 200);
  int r = runPopup(w, "abcdefghijkl abcdefgh", [](HWND pop) {
    SendMessageA(pop, WM_MOUSEMOVE, 0, MAKELPARAM(10, 22));
    SendMessageA(pop, WM_RBUTTONUP, 0, MAKELPARAM(10, 22));
  });
  EXPECT_EQ(popupClient.cx, 100);
  EXPECT_EQ(popupClient.cy, 4 + 2 * 16 + 4);
  EXPECT_EQ(r, 1);
  EXPECT_EQ(dbCnt(capstack), 0);
  EXPECT_EQ(dbCnt(winlist), 1) << "the popup is gone";
}

TEST_F(XwinTest, PopupSelectionFollowsThePointer) {
  cPROBE* w = make(300, 200);
  int r = runPopup(w, "one two three", [](HWND pop) {
    SendMessageA(pop, WM_MOUSEMOVE, 0, MAKELPARAM(10, 40));  // three
    SendMessageA(pop, WM_MOUSEMOVE, 0, MAKELPARAM(10, 6));   // one
    SendMessageA(pop, WM_RBUTTONUP, 0, MAKELPARAM(10, 6));
  });
  EXPECT_EQ(r, 0);
  r = runPopup(w, "one two three", [](HWND pop) {
    SendMessageA(pop, WM_MOUSEMOVE, 0, MAKELPARAM(10, 6));
    SendMessageA(pop, WM_MOUSEMOVE, 0, MAKELPARAM(10, 40));
    SendMessageA(pop, WM_RBUTTONUP, 0, MAKELPARAM(10, 40));
  });
  EXPECT_EQ(r, 2);
}

TEST_F(XwinTest, PopupReleasedOutsideChoosesNothing) {
  cPROBE* w = make(300, 200);
  int r = runPopup(w, "one two", [](HWND pop) {
    SendMessageA(pop, WM_MOUSEMOVE, 0, MAKELPARAM(10, 6));
    SendMessageA(pop, WM_MOUSEMOVE, 0, MAKELPARAM(200, 150));  // captured, far outside
    SendMessageA(pop, WM_RBUTTONUP, 0, MAKELPARAM(200, 150));
  });
  EXPECT_EQ(r, -1);
}

// Ended from outside: a key or a close message to the list, or its owner
// destroyed. The loop must end (a guard ends it after 3 s and the test fails).
bool popupGuarded = false;
void CALLBACK popupGuard(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  popupGuarded = true;
  PostMessageA(nullptr, POPUPEND, 0, 0);
}

TEST_F(XwinTest, PopupClosedFromOutsideEndsItsLoop) {
  const struct {
    const char* how;
    bool owner;
    UINT msg;
    WPARAM wp;
  } cases[] = {{"Esc", false, WM_CHAR, 27},
               {"Ctrl+C", false, WM_CHAR, 3},
               {"WM_CLOSE", false, WM_CLOSE, 0},
               {"owner destroyed", true, 0, 0}};
  for (const auto& c : cases) {
    cPROBE* w = make(300, 200);
    popupGuarded = false;
    const UINT_PTR guard = SetTimer(nullptr, 0, 3000, popupGuard);
    HWND owner = w->handle;
    int r = runPopup(w, "one two", [&](HWND pop) {
      SendMessageA(pop, WM_MOUSEMOVE, 0, MAKELPARAM(10, 6));
      if (c.owner)
        DestroyWindow(owner);
      else
        SendMessageA(pop, c.msg, c.wp, 0);
    });
    KillTimer(nullptr, guard);
    EXPECT_FALSE(popupGuarded) << c.how << ": the popup's loop did not end";
    EXPECT_EQ(r, -1) << c.how;
    pump();
    EXPECT_EQ(dbCnt(capstack), 0) << c.how;
    EXPECT_EQ(dbCnt(winlist), c.owner ? 0 : 1) << c.how << ": the popup is gone";
    if (!c.owner) w->close();
    pump();
  }
}

}  // namespace
