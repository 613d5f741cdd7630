// The tool menus and the colour-map window, driven by real messages: button
// hit-testing, pressed counts while commands run, the undo button, tips,
// and the colour-map grid, bars and arrow repeat.
#include "tests/wine/gtest_win.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/cwin.h"
#include "app/evt.h"
#include "app/winhost.h"
#include "image/palette.h"
#include "tools/gesture/toolframe.h"
#include "tools/gesture/tooltbl.h"
#include "tools/undo.h"
#include "ui/cmap.h"
#include "ui/toolmenu.h"

namespace {

void pump() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
    if (m.message != WM_QUIT) DispatchMessageA(&m);
}

class ToolWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    pump();
    evtInit();
    toolSettingsInit();
    winhostInstall();
    uint32_t cmap[256];
    palDirect(cmap);
    BM* bm = bmNew(nullptr, 1, 32, 32, cmap, 256);
    std::snprintf(bm->fname, sizeof bm->fname, "%s", "menu.pxa");
    doc = new cWIN;
    ASSERT_TRUE(doc->winShowImage(bm, 256, 256));
    docHandle = doc->handle;
  }
  void TearDown() override {
    for (int t : {cTOOLMN::MAIN, cTOOLMN::CMAP})
      if (toolMenu(t).handle) DestroyWindow(toolMenu(t).handle);
    if (IsWindow(docHandle)) DestroyWindow(docHandle);
    pump();
    evtFree();
  }
  cWIN* doc = nullptr;
  HWND docHandle = nullptr;
};

LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

TEST_F(ToolWindows, ButtonsAreTwentyFourPixelCellsInTableOrder) {
  for (int t : {cTOOLMN::MAIN, cTOOLMN::CMAP}) {
    cTOOLMN& m = toolMenu(t);
    m.openFor(doc, 300, 100);
    ASSERT_NE(nullptr, m.handle);
    const TOOLDEF* table = t == cTOOLMN::MAIN ? tooltbl : cmaptooltbl;
    int n = 0;
    for (const TOOLDEF* e = table; e->id; e++, n++)
      EXPECT_EQ(e->id, m.commandAt(24 * (n % 5) + 12, 24 * (n / 5) + 12)) << n;
    // The cells after the last button, and right of the five columns.
    for (int i = n; i % 5; i++) EXPECT_EQ(0, m.commandAt(24 * (i % 5) + 12, 24 * (i / 5) + 12));
    EXPECT_EQ(0, m.commandAt(121, 5));
    RECT r;
    GetClientRect(m.handle, &r);
    EXPECT_EQ(120 + 6, r.right);
    EXPECT_EQ((t == cTOOLMN::MAIN ? 168 : 48) + 25, r.bottom);
  }
  EXPECT_EQ(32, [] {
    int n = 0;
    while (tooltbl[n].id) n++;
    return n;
  }());
}

TEST_F(ToolWindows, PressQueuesTheToolAndFramesItsButtonUntilItEnds) {
  cTOOLMN& m = toolMenu(cTOOLMN::MAIN);
  m.openFor(doc, 300, 100);
  // "線分" twice: two commands for the document, two presses counted.
  SendMessageA(m.handle, WM_LBUTTONDOWN, MK_LBUTTON, at(36, 12));
  SendMessageA(m.handle, WM_LBUTTONDOWN, MK_LBUTTON, at(36, 12));
  ASSERT_EQ(2, dbCnt(cmdque));
  const auto* c = static_cast<const CMD*>(dbTop(cmdque));
  EXPECT_EQ(doc, c->win);
  EXPECT_EQ(33028, c->cmd);
  EXPECT_EQ(&m, c->menu);
  const auto* b = static_cast<const TOOLBTN*>(dbFind(m.buttons, 33028));
  ASSERT_NE(nullptr, b);
  EXPECT_EQ(2, b->pressed);
  m.toolEnded(33028);
  EXPECT_EQ(1, b->pressed);
  m.toolEnded(33028);
  m.toolEnded(33028);
  EXPECT_EQ(0, b->pressed);
}

TEST_F(ToolWindows, UndoButtonActsAtOnce) {
  cTOOLMN& m = toolMenu(cTOOLMN::MAIN);
  m.openFor(doc, 300, 100);
  undoBegin(doc->image);
  bmPut(doc->image, 3, 3, 9, 1);
  SendMessageA(m.handle, WM_LBUTTONDOWN, MK_LBUTTON, at(5, 5));
  EXPECT_EQ(0u, bmPget(doc->image, 3, 3));
  EXPECT_EQ(0, dbCnt(cmdque));
}

TEST_F(ToolWindows, RightPressShowsTheNameUntilReleased) {
  cTOOLMN& m = toolMenu(cTOOLMN::MAIN);
  m.openFor(doc, 300, 100);
  SendMessageA(m.handle, WM_RBUTTONDOWN, MK_RBUTTON, at(36, 12));
  ASSERT_NE(nullptr, m.tips.handle);
  EXPECT_STREQ("線分", m.tips.text);
  RECT r;
  GetClientRect(m.tips.handle, &r);
  EXPECT_EQ(int(std::strlen("線分")) * 8 + 4, r.right);
  EXPECT_EQ(20, r.bottom);
  SendMessageA(m.tips.handle, WM_RBUTTONUP, 0, at(3, 3));
  EXPECT_EQ(nullptr, m.tips.handle);
}

TEST_F(ToolWindows, OpeningForAnotherWindowRetargets) {
  cTOOLMN& m = toolMenu(cTOOLMN::MAIN);
  m.openFor(doc, 300, 100);
  auto* other = new cWIN;
  BM* bm = bmNew(nullptr, 4, 8, 8, nullptr, 256);
  ASSERT_TRUE(other->winShowImage(bm, 64, 64));
  HWND otherHandle = other->handle;
  m.openFor(other, 320, 120);
  SendMessageA(m.handle, WM_LBUTTONDOWN, MK_LBUTTON, at(12, 36));  // "円"
  ASSERT_EQ(1, dbCnt(cmdque));
  EXPECT_EQ(other, static_cast<const CMD*>(dbTop(cmdque))->win);
  EXPECT_EQ(33058, static_cast<const CMD*>(dbTop(cmdque))->cmd);
  DestroyWindow(otherHandle);
}

class ColourMap : public ToolWindows {
 protected:
  void SetUp() override {
    ToolWindows::SetUp();
    cmapOpen(doc, 50, 50);
    cm = static_cast<cCMAP*>(doc->cmapwin);
    ASSERT_NE(nullptr, cm);
  }
  cCMAP* cm = nullptr;
};

TEST_F(ColourMap, GridSelectsEntriesAndBarsEditThem) {
  RECT r;
  GetClientRect(cm->handle, &r);
  ASSERT_EQ(384, r.right);
  ASSERT_EQ(256, r.bottom);
  cmapOpen(doc, 60, 60);  // a second one is not made
  EXPECT_EQ(cm, doc->cmapwin);

  SendMessageA(cm->handle, WM_LBUTTONDOWN, MK_LBUTTON, at(255, 255));
  SendMessageA(cm->handle, WM_LBUTTONUP, 0, at(255, 255));
  EXPECT_EQ(255, cm->image->pen);
  EXPECT_EQ(255, doc->image->pen);
  const uint32_t before = doc->image->cmap[255];
  // (256, 10): the top arrow of the red bar.
  doc->image->modified = 0;
  undoBegin(cm->image);
  SendMessageA(cm->handle, WM_LBUTTONDOWN, MK_LBUTTON, at(256 + 40, 10));  // green
  SendMessageA(cm->handle, WM_LBUTTONUP, 0, at(256 + 40, 10));
  SendMessageA(cm->handle, WM_LBUTTONDOWN, MK_LBUTTON, at(256 + 5, 250));  // red down
  SendMessageA(cm->handle, WM_LBUTTONUP, 0, at(256 + 5, 250));
  const uint32_t after = doc->image->cmap[255];
  EXPECT_EQ(rgbaR(before) - 1, rgbaR(after));
  EXPECT_EQ(rgbaG(before) < 255 ? rgbaG(before) + 1 : 255u, rgbaG(after));
  EXPECT_EQ(1, doc->image->modified);
  // The middle of a bar sets the level: (H - y - 18) * 255 / (H - 36).
  SendMessageA(cm->handle, WM_LBUTTONDOWN, MK_LBUTTON, at(256 + 64 + 5, 128));
  SendMessageA(cm->handle, WM_LBUTTONUP, 0, at(256 + 64 + 5, 128));
  EXPECT_EQ(uint32_t((256 - 128 - 18) * 255 / (256 - 36)), rgbaB(doc->image->cmap[255]));
  // One undo takes back every bar edit since the step began.
  SendMessageA(cm->handle, WM_COMMAND, 33033, 0);
  EXPECT_EQ(before, doc->image->cmap[255]);
}

TEST_F(ColourMap, HeldArrowRepeatsFromTheTenthTickAndStopsAt255) {
  SendMessageA(cm->handle, WM_LBUTTONDOWN, MK_LBUTTON, at(3, 3));  // entry 0
  SendMessageA(cm->handle, WM_LBUTTONUP, 0, at(3, 3));
  uint32_t c = rgbaMake(250, 0, 0, 255);
  std::memcpy(cm->image->buf, &c, 4);
  SendMessageA(cm->handle, WM_LBUTTONDOWN, MK_LBUTTON, at(260, 5));
  EXPECT_EQ(251u, rgbaR(doc->image->cmap[0]));
  for (int i = 0; i < 8; i++) SendMessageA(cm->handle, TICK, 0, 0);
  EXPECT_EQ(251u, rgbaR(doc->image->cmap[0])) << "no repeat before the tenth tick";
  for (int i = 0; i < 10; i++) SendMessageA(cm->handle, TICK, 0, 0);
  EXPECT_EQ(255u, rgbaR(doc->image->cmap[0]));
  SendMessageA(cm->handle, WM_LBUTTONUP, 0, at(260, 5));
}

TEST_F(ColourMap, ClicksGoToARunningColourMapTool) {
  cmapbusy = 1;
  const int pen = cm->image->pen;
  SendMessageA(cm->handle, WM_LBUTTONDOWN, MK_LBUTTON, at(100, 100));
  EXPECT_EQ(pen, cm->image->pen);
  EXPECT_EQ(1, dbCnt(evtque)) << "the press became a tool event";
  cmapbusy = 0;
}

TEST_F(ColourMap, PalettesArePushedToTheOwner) {
  SendMessageA(cm->handle, WM_COMMAND, 32861, 0);
  uint32_t sys[256];
  palSystem(sys);
  EXPECT_EQ(0, std::memcmp(sys, doc->image->cmap, sizeof sys));
  SendMessageA(cm->handle, WM_COMMAND, 33013, 0);
  EXPECT_EQ(rgbaMake(7, 7, 7, 255), doc->image->cmap[7]);
}

}  // namespace
