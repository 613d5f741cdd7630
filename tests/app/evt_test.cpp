// Rules of the queues and the main loop, played from scripts with a fake
// clock: right click against hold, the 4-pixel circle, freehand strokes,
// nested commands and the end of the program.
#include <gtest/gtest.h>

#include "app/evt.h"
#include "tests/app/fakehost.h"
#include "tools/undo.h"

namespace {

struct RightCase {
  const char* name;
  int bpp;
  int dx, dy;    // pointer move while the button is down
  int64_t hold;  // ms from press to release
  int px, py;    // press position
  bool picked;
  bool menu;
};

class RightButton : public ::testing::TestWithParam<RightCase> {};

TEST_P(RightButton, ClickPicksHoldOpensMenu) {
  const RightCase& c = GetParam();
  FakeHost host;
  FakeWin* w = host.open(c.bpp, 8, 8, 4);  // 32 x 32 client pixels
  BM* bm = w->bm;
  bm->pen = 9;
  const uint32_t old = bm->cmap[9];
  const uint32_t pixel = c.bpp == 1 ? 7u : bm->cmap[7];
  for (int y = 0; y < 8; y++)
    for (int x = 0; x < 8; x++) bmpset(bm, x, y, pixel, 1);
  host.move(0, w, c.px, c.py);
  host.down(1, w, c.px, c.py, EVT_RIGHT);
  if (c.dx || c.dy) host.move(40, w, c.px + c.dx, c.py + c.dy);
  host.ticks(33, c.hold, w);
  host.up(c.hold + 1, w, EVT_RIGHT);
  mainLoop();
  const bool picked = c.bpp == 1 ? bm->pen == 7 : bm->cmap[9] == pixel && pixel != old;
  EXPECT_EQ(c.picked, picked);
  EXPECT_EQ(c.menu,
            host.logged("menu " + std::to_string(c.px + c.dx) + "," + std::to_string(c.py + c.dy)))
      << testing::PrintToString(host.log);
  host.closeAll();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RightButton,
    ::testing::Values(RightCase{"QuickClickIndexed", 1, 0, 0, 100, 9, 9, true, false},
                      RightCase{"QuickClickDirect", 4, 0, 0, 100, 9, 9, true, false},
                      RightCase{"FourPixelsStillAClick", 1, 4, 0, 100, 9, 9, true, false},
                      RightCase{"HeldIsMenu", 1, 0, 0, 200, 9, 9, false, true},
                      RightCase{"FivePixelsIsMenu", 1, 3, 4, 100, 9, 9, false, true},
                      RightCase{"OutsideImagePicksNothing", 1, 0, 0, 100, 40, 9, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MainLoop, FreehandStrokeIsOneUndoStepAndRightButtonEndsIt) {
  FakeHost host;
  FakeWin* w = host.open(1, 16, 16);
  BM* bm = w->bm;
  bm->pen = 5;
  host.move(0, w, 1, 1);
  host.down(1, w, 1, 1, EVT_LEFT);
  host.move(2, w, 5, 1);
  host.move(3, w, 5, 4);
  host.down(4, w, 5, 4, EVT_RIGHT);  // ends the stroke
  host.move(5, w, 9, 9);             // not drawn
  host.up(6, w, EVT_LEFT);
  host.ticks(32, 224, w);
  host.up(230, w, EVT_RIGHT);
  mainLoop();
  for (int x = 1; x <= 5; x++) EXPECT_EQ(5u, bmPget(bm, x, 1)) << x;
  for (int y = 1; y <= 4; y++) EXPECT_EQ(5u, bmPget(bm, 5, y)) << y;
  EXPECT_EQ(0u, bmPget(bm, 9, 9));
  EXPECT_EQ(0u, bmPget(bm, 6, 5));
  undoApply(bm);
  for (int i = 0; i < 16 * 16; i++) ASSERT_EQ(0, bm->buf[i]) << i;
  host.closeAll();
}

TEST(Queues, EveryMoveArrivesInOrder) {
  FakeHost host;
  FakeWin* w = host.open(1, 4, 4);
  for (int i = 0; i < 300; i++) host.move(i, w, i, 2 * i);
  EVT ev;
  for (int i = 0; i < 300; i++) {
    evtPump(&ev);
    ASSERT_EQ(i, ev.x);
    ASSERT_EQ(2 * i, ev.y);
  }
  EXPECT_EQ(0, evtPump(&ev));
  EXPECT_EQ(1, quitflag);
  host.closeAll();
}

TEST(Queues, SecondCommandRunsNestedInsideTheFirstTool) {
  FakeHost host;
  FakeWin* w = host.open(1, 16, 16);
  w->bm->pen = 1;
  cXWIN* menu = reinterpret_cast<cXWIN*>(&host);
  cmdPost(w->w(), 33028, menu);             // line: waits for its drag
  cmdPost(w->w(), 33002, menu);             // rectangle: runs in the line tool's first wait
  int64_t t = host.rightHold(10, w, 3, 3);  // ends the rectangle tool
  t = host.drag(t, w, 0, 0, 3, 0);          // a line for the outer tool
  host.rightHold(t, w, 3, 3);               // ends the line tool
  mainLoop();
  std::vector<std::string> ended;
  for (const std::string& l : host.log) {
    if (l.rfind("ended", 0) == 0) ended.push_back(l);
    // The held buttons that ended the tools opened no context menu.
    EXPECT_NE(0u, l.rfind("menu", 0)) << l;
  }
  EXPECT_EQ((std::vector<std::string>{"ended 33002", "ended 33028"}), ended);
  EXPECT_EQ(1u, bmPget(w->bm, 3, 1));  // drawn by the line tool
  EXPECT_EQ(0, dbCnt(curstack));
  host.closeAll();
}

TEST(Queues, QuickRightClickAsAToolsFirstEventPicksTheColour) {
  FakeHost host;
  FakeWin* w = host.open(1, 16, 16);
  w->bm->pen = 1;
  bmpset(w->bm, 9, 9, 7, 1);
  // The tool's first event is the click: nothing of a drag is left to swallow.
  cmdPost(w->w(), 33028, reinterpret_cast<cXWIN*>(&host));
  int64_t t = host.rightClick(10, w, 9, 9);
  t = host.drag(t, w, 0, 0, 3, 0);
  host.rightHold(t, w, 12, 12);
  mainLoop();
  EXPECT_EQ(7u, w->bm->pen);
  EXPECT_EQ(7u, bmPget(w->bm, 1, 0));
  host.closeAll();
}

TEST(Queues, RightHoldThatEndsAToolOpensNoMenu) {
  FakeHost host;
  FakeWin* w = host.open(1, 16, 16);
  cmdPost(w->w(), 33003, reinterpret_cast<cXWIN*>(&host));
  host.down(10, w, 3, 3, EVT_RIGHT);
  host.ticks(42, 700, w);  // held long after the tool ended
  host.up(710, w, EVT_RIGHT);
  mainLoop();
  EXPECT_EQ((std::vector<std::string>{"ended 33003"}), host.log);
  host.closeAll();
}

TEST(Queues, LastWindowClosingEndsAWaitingTool) {
  FakeHost host;
  FakeWin* w = host.open(1, 16, 16);
  cmdPost(w->w(), 33003, reinterpret_cast<cXWIN*>(&host));
  host.move(5, w, 2, 2);
  host.down(6, w, 2, 2, EVT_LEFT);  // the drag has begun
  host.at(300, [w] {
    w->alive = false;
    evtEnd();
  });
  host.at(400, [] { ADD_FAILURE() << "pumped after the end"; });
  mainLoop();
  EXPECT_TRUE(host.logged("ended 33003"));
  EXPECT_EQ(0, dbCnt(curstack));
  EXPECT_EQ(0, bmPget(w->bm, 2, 2));
  EXPECT_EQ(1, quitflag);
  host.closeAll();
}

TEST(Queues, CommandForAClosedWindowRunsNothing) {
  FakeHost host;
  FakeWin* w = host.open(1, 16, 16);
  FakeWin* gone = host.open(1, 16, 16);
  gone->alive = false;
  w->bm->pen = 1;
  cmdPost(gone->w(), 33028, reinterpret_cast<cXWIN*>(&host));
  host.drag(10, w, 0, 0, 5, 0);
  mainLoop();
  EXPECT_TRUE(host.logged("ended 33028"));
  // The drag went to the main loop's pencil instead of a line tool.
  EXPECT_NE(0u, bmPget(w->bm, 0, 0));
  EXPECT_EQ(0u, bmPget(w->bm, 5, 1));
  host.closeAll();
}

}  // namespace
