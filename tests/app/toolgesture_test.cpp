// Tool gestures played through the queues: which pixels a drag, a click
// sequence or a fill gesture changes, with one undo step per gesture.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "app/evt.h"
#include "tests/app/fakehost.h"
#include "tools/shapes.h"
#include "tools/undo.h"

namespace {

using Cells = std::set<std::pair<int, int>>;

// Cells whose pixel is not 0.
Cells inked(const BM* bm) {
  Cells out;
  for (int y = 0; y < bm->h; y++)
    for (int x = 0; x < bm->w; x++)
      if (bmPget(bm, x, y)) out.insert({x, y});
  return out;
}

Cells row(int y, int x0, int x1) {
  Cells c;
  for (int x = x0; x <= x1; x++) c.insert({x, y});
  return c;
}

// What ellipseDraw plots for these arguments.
Cells ellipseCells(int cx, int cy, int rx, int ry) {
  BM* bm = bmNew(nullptr, 1, 20, 20, nullptr, 256);
  bm->pen = 1;
  ellipseDraw(bm, cx, cy, rx, ry);
  Cells c = inked(bm);
  bmFre(bm);
  return c;
}

Cells join(Cells a, const Cells& b) {
  a.insert(b.begin(), b.end());
  return a;
}

struct DragCase {
  const char* name;
  int cmd;
  int x0, y0, x1, y1;  // press and release cells
  int step;
  Cells expected;
};

class DragTool : public ::testing::TestWithParam<std::tuple<DragCase, int>> {};

TEST_P(DragTool, DrawsWhatTheSelectionSays) {
  const DragCase& c = std::get<0>(GetParam());
  const int bpp = std::get<1>(GetParam());
  FakeHost host;
  xstep = ystep = c.step;
  FakeWin* w = host.open(bpp, 20, 20, 2);
  w->bm->pen = 3;
  cmdPost(w->w(), c.cmd, nullptr);
  const int64_t t = host.drag(5, w, 2 * c.x0 + 1, 2 * c.y0 + 1, 2 * c.x1 + 1, 2 * c.y1 + 1);
  host.rightHold(t, w, 1, 1);
  mainLoop();
  EXPECT_EQ(c.expected, inked(w->bm));
  EXPECT_EQ(0, dbCnt(curstack));
  EXPECT_EQ(0, dbCnt(w->overlays));
  undoApply(w->bm);
  EXPECT_TRUE(inked(w->bm).empty());
  host.closeAll();
}

const Cells kDiagonal = {{0, 0}, {1, 1}, {2, 2}, {3, 3}};
const Cells kSquare2 = {{4, 4}, {5, 4}, {4, 5}, {5, 5}};

INSTANTIATE_TEST_SUITE_P(
    Tools, DragTool,
    ::testing::Combine(
        ::testing::Values(
            // Ends at the far corner of the pointer cell, without the end point.
            DragCase{"LineHorizontal", 33028, 0, 0, 10, 0, 1, join(row(0, 0, 5), row(1, 6, 10))},
            DragCase{"LineDiagonal", 33028, 0, 0, 3, 3, 1, kDiagonal},
            DragCase{"LineClickIsOnePixel", 33028, 7, 7, 7, 7, 1, {{7, 7}}},
            DragCase{"RectangleTwoByTwo", 33002, 4, 4, 5, 5, 1, kSquare2},
            DragCase{"RectangleSortsCorners", 33002, 5, 5, 4, 4, 1, kSquare2},
            DragCase{"RectangleFillSixteenColumns", 33003, 2, 3, 17, 3, 1, row(3, 2, 17)},
            DragCase{"RectangleFillOnStepGrid", 33003, 5, 1, 5, 1, 4,
                     join(join(row(0, 4, 7), row(1, 4, 7)), join(row(2, 4, 7), row(3, 4, 7)))},
            // A single cell: radii 0, four zero-length edges at the centre.
            DragCase{"EllipseOneCell", 33059, 9, 9, 9, 9, 1, {{9, 9}}},
            // Centre at the sorted top-left corner, radius to the far corner.
            DragCase{"CircleUpLeft", 33058, 9, 10, 5, 5, 1, ellipseCells(5, 5, 7, 7)},
            // Centre and radii from the half-open rectangle, halved.
            DragCase{"Ellipse", 33059, 2, 3, 12, 8, 1, ellipseCells(7, 6, 5, 3)}),
        ::testing::Values(1, 4)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) +
             (std::get<1>(info.param) == 1 ? "Indexed" : "Direct");
    });

TEST(DragTool, QuickClickThenMoveThenClickAlsoSelects) {
  FakeHost host;
  FakeWin* w = host.open(1, 16, 16);
  w->bm->pen = 1;
  cmdPost(w->w(), 33003, nullptr);
  host.move(5, w, 2, 2);
  host.down(6, w, 2, 2, EVT_LEFT);
  host.up(20, w, EVT_LEFT);  // released within the click time
  host.move(60, w, 4, 3);    // the band follows the pointer
  host.down(90, w, 4, 3, EVT_LEFT);
  host.up(100, w, EVT_LEFT);
  host.rightHold(400, w, 1, 1);
  mainLoop();
  EXPECT_EQ(join(row(2, 2, 4), row(3, 2, 4)), inked(w->bm));
  host.closeAll();
}

TEST(DragTool, RubberBandFollowsTheDrag) {
  FakeHost host;
  FakeWin* w = host.open(1, 16, 16);
  cmdPost(w->w(), 33058, nullptr);
  host.move(5, w, 4, 4);
  host.down(6, w, 4, 4, EVT_LEFT);
  host.move(200, w, 7, 8);
  host.up(210, w, EVT_LEFT);
  host.rightHold(300, w, 1, 1);
  mainLoop();
  // Circle band: centre (4, 4), radius to the far corner (8, 9).
  EXPECT_TRUE(host.logged("ellipse 4,4 6.40312,6.40312")) << testing::PrintToString(host.log);
  host.closeAll();
}

TEST(PolylineTool, ClickedPointsThenPointerAtTheRightPress) {
  for (int curve = 0; curve < 2; curve++) {
    FakeHost host;
    FakeWin* w = host.open(1, 16, 16);
    w->bm->pen = 2;
    cmdPost(w->w(), curve ? 33060 : 33061, nullptr);
    host.move(5, w, 1, 1);
    host.down(6, w, 1, 1, EVT_LEFT);
    host.up(7, w, EVT_LEFT);
    host.move(8, w, 8, 1);
    host.down(9, w, 8, 1, EVT_LEFT);
    host.up(10, w, EVT_LEFT);
    host.move(11, w, 8, 6);
    const int64_t t = host.rightHold(20, w, 8, 6);  // completes the list
    host.rightHold(t, w, 8, 6);                     // ends the tool
    mainLoop();
    const Cells got = inked(w->bm);
    EXPECT_TRUE(got.count({1, 1})) << curve;
    EXPECT_TRUE(got.count({8, 5}) || got.count({8, 6})) << curve;
    if (!curve) {
      EXPECT_EQ(join(row(1, 1, 8), {{8, 2}, {8, 3}, {8, 4}, {8, 5}, {8, 6}}), got);
    }
    EXPECT_EQ(0, dbCnt(w->overlays));
    undoApply(w->bm);
    EXPECT_TRUE(inked(w->bm).empty());
    host.closeAll();
  }
}

TEST(PaintTool, EveryPressAndDragEventIsOneFill) {
  FakeHost host;
  FakeWin* w = host.open(1, 8, 8);
  BM* bm = w->bm;
  for (int y = 0; y < 8; y++) bmpset(bm, 4, y, 9, 1);  // a wall
  bm->pen = 5;
  cmdPost(w->w(), 33001, nullptr);
  host.move(5, w, 1, 1);
  host.down(6, w, 1, 1, EVT_LEFT);
  host.move(7, w, 6, 1);  // crosses the wall while held: a second fill
  host.up(8, w, EVT_LEFT);
  host.rightHold(20, w, 1, 1);
  mainLoop();
  EXPECT_EQ(5u, bmPget(bm, 0, 0));
  EXPECT_EQ(5u, bmPget(bm, 7, 7));
  EXPECT_EQ(9u, bmPget(bm, 4, 4));
  undoApply(bm);  // only the last fill
  EXPECT_EQ(5u, bmPget(bm, 0, 0));
  EXPECT_EQ(0u, bmPget(bm, 7, 7));
  host.closeAll();
}

TEST(SamplingPaintTool, FillsRegionsOfTheSampledColours) {
  FakeHost host;
  FakeWin* w = host.open(4, 8, 1);
  BM* bm = w->bm;
  const uint32_t a = bm->cmap[10], b = bm->cmap[20], other = bm->cmap[30];
  const uint32_t pixels[8] = {a, b, a, other, b, b, other, a};
  for (int x = 0; x < 8; x++) bmpset(bm, x, 0, pixels[x], 1);
  bm->pen = 40;
  cmdPost(w->w(), 33068, nullptr);
  int64_t t = host.drag(5, w, 0, 0, 1, 0);  // samples a and b
  host.move(t, w, 1, 0);
  host.down(t + 1, w, 1, 0, EVT_LEFT);
  host.up(t + 2, w, EVT_LEFT);
  host.rightHold(t + 50, w, 1, 1);
  mainLoop();
  const uint32_t pen = bm->cmap[40];
  const uint32_t want[8] = {pen, pen, pen, other, b, b, other, a};
  for (int x = 0; x < 8; x++) EXPECT_EQ(want[x], bmPget(bm, x, 0)) << x;
  EXPECT_EQ(0, dbCnt(curstack));
  host.closeAll();
}

TEST(DragTool, WindowClosedDuringTheDragChangesNothing) {
  FakeHost host;
  FakeWin* w = host.open(1, 8, 8);
  FakeWin* other = host.open(1, 8, 8);
  w->bm->pen = 1;
  cmdPost(w->w(), 33002, nullptr);
  host.move(5, w, 1, 1);
  host.down(6, w, 1, 1, EVT_LEFT);
  host.move(200, w, 5, 5);
  host.at(205, [w] { w->alive = false; });
  host.up(210, w, EVT_LEFT);
  host.rightHold(300, other, 1, 1);
  mainLoop();
  EXPECT_TRUE(inked(w->bm).empty());
  EXPECT_EQ(0, dbCnt(curstack));
  host.closeAll();
}

}  // namespace

namespace {

// A left click at client (x, y).
void click(FakeHost& host, int64_t t, FakeWin* w, int x, int y) {
  host.move(t, w, x, y);
  host.down(t + 1, w, x, y, EVT_LEFT);
  host.up(t + 2, w, EVT_LEFT);
}

TEST(GestureRoutines, QuadTakesFourSnappedClicksInOneWindow) {
  FakeHost host;
  FakeWin* w = host.open(1, 16, 16);
  FakeWin* other = host.open(1, 16, 16);
  xstep = ystep = 2;
  click(host, 10, w, 3, 5);
  click(host, 20, other, 9, 9);  // another window: ignored
  click(host, 30, w, 7, 1);
  click(host, 40, w, 9, 9);
  click(host, 50, w, 1, 8);
  cXWIN* win = nullptr;
  QPOINT pts[4] = {};
  const int32_t r = toolQuad(&win, pts);
  EXPECT_FALSE(r & EVT_RIGHT);
  EXPECT_EQ(w->w(), win);
  const QPOINT want[4] = {{2, 4}, {6, 0}, {8, 8}, {0, 8}};
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(want[i].x, pts[i].x) << i;
    EXPECT_EQ(want[i].y, pts[i].y) << i;
  }
  EXPECT_EQ(0, dbCnt(w->overlays));
  EXPECT_EQ(0, dbCnt(curstack));
  host.closeAll();
}

TEST(GestureRoutines, PlaceMovesAFrameAndAnswersAtThePress) {
  FakeHost host;
  FakeWin* w = host.open(1, 32, 32);
  xstep = ystep = 4;
  host.move(10, w, 5, 6);
  host.move(20, w, 13, 10);
  host.down(30, w, 13, 10, EVT_LEFT);
  EVT ev{};
  int32_t x = -1, y = -1;
  const int32_t r = toolPlace(&ev, &x, &y, 3, 2);
  EXPECT_TRUE(r & EVT_LEFT);
  EXPECT_EQ(12, x);
  EXPECT_EQ(8, y);
  EXPECT_TRUE(host.logged("rect 4,4-7,6")) << testing::PrintToString(host.log);
  EXPECT_TRUE(host.logged("rect 12,8-15,10"));
  EXPECT_EQ(0, dbCnt(w->overlays));
  host.closeAll();
}

}  // namespace
