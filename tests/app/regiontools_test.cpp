// Region tool gestures played through the queues: which selection, corner and
// window each tool uses, compared with the pixel functions applied by hand,
// and how many undo steps the gesture leaves in each picture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "app/evt.h"
#include "tests/app/fakehost.h"
#include "tools/region.h"
#include "tools/undo.h"
#include "tools/warp.h"

namespace {

constexpr int kSide = 16;
constexpr double kScale = 2;

// Client position of the centre of image cell v.
int at(int v) { return static_cast<int>(kScale * v + 1); }

// Left click on a cell: press and release.
int64_t click(FakeHost& h, int64_t t, FakeWin* w, int x, int y) {
  h.move(t, w, at(x), at(y));
  h.down(t + 1, w, at(x), at(y), EVT_LEFT);
  h.up(t + 2, w, EVT_LEFT);
  return t + 20;
}

int64_t drag(FakeHost& h, int64_t t, FakeWin* w, int x0, int y0, int x1, int y1) {
  return h.drag(t, w, at(x0), at(y0), at(x1), at(y1));
}

// A picture with transparent and opaque pixels in a pattern.
void pattern(BM* bm, int seed) {
  for (int y = 0; y < bm->h; y++)
    for (int x = 0; x < bm->w; x++) {
      const int i = (x * 3 + y * 5 + seed) % 7;
      bmpset(bm, x, y, bm->bpp == 1 ? i : bm->cmap[i], 1);
    }
}

bool same(const BM* a, const BM* b) {
  return a->w == b->w && a->h == b->h && a->bpp == b->bpp &&
         std::memcmp(a->buf, b->buf, size_t(a->w) * a->h * a->bpp) == 0;
}

BM* crop(const BM* bm, int x0, int y0, int x1, int y1) {
  return bmCrop(bm, x0, y0, x1 - x0, y1 - y0);
}

using Gesture = std::function<int64_t(FakeHost&, FakeWin* a, FakeWin* b, int64_t t)>;
using Expect = std::function<void(BM* a, BM* b)>;

struct RegionCase {
  const char* name;
  int cmd;
  Gesture gesture;  // ends the tool
  Expect expect;    // what the gesture does, by hand on copies
  bool changesA, changesB;
};

void copyTwice(BM* a, BM* target, int back) {
  BM* c = crop(a, 2, 2, 6, 5);
  const int allT = bmAllTransparent(c);
  auto place = back ? regionBackPlace : regionPlace;
  place(target, c, 8, 9, 0, allT);
  place(target, c, 0, 11, 0, allT);
  bmFre(c);
}

// Press at one cell, drag to another, release: the angle the rotate tool
// computes for a selection of (x0, y0)-(x1, y1).
double dragAngle(int x0, int y0, int x1, int y1, int px, int py, int qx, int qy) {
  const double cx = (x0 + x1) * 0.5, cy = (y0 + y1) * 0.5;
  const double ux = at(px) / kScale - cx, uy = at(py) / kScale - cy;
  const double vx = at(qx) / kScale - cx, vy = at(qy) / kScale - cy;
  return -std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
}

int64_t rotateGesture(FakeHost& h, FakeWin* a, int64_t t, bool move) {
  t = drag(h, t, a, 4, 4, 11, 9);  // cells 4..11 x 4..9
  h.move(t, a, at(12), at(7));
  h.down(t + 1, a, at(12), at(7), EVT_LEFT);
  if (move) h.move(t + 30, a, at(8), at(12));
  h.up(t + 40, a, EVT_LEFT);
  return h.rightHold(t + 100, a, 1, 1);
}

const QPOINT kQuad[4] = {{3, 2}, {13, 4}, {12, 14}, {1, 11}};

int64_t quadClicks(FakeHost& h, int64_t t, FakeWin* w) {
  for (const QPOINT& p : kQuad) t = click(h, t, w, p.x, p.y);
  return t;
}

std::vector<RegionCase> regionCases() {
  return {
      {"CopyTwiceInOneWindow", 33004,
       [](FakeHost& h, FakeWin* a, FakeWin*, int64_t t) {
         t = drag(h, t, a, 2, 2, 5, 4);
         t = click(h, t, a, 8, 9);
         t = click(h, t, a, 0, 11);
         return h.rightHold(t, a, 1, 1);
       },
       [](BM* a, BM*) { copyTwice(a, a, 0); }, true, false},
      {"CopyIntoAnotherWindow", 33004,
       [](FakeHost& h, FakeWin* a, FakeWin* b, int64_t t) {
         t = drag(h, t, a, 5, 4, 2, 2);  // corners sorted
         t = click(h, t, b, 8, 9);
         t = click(h, t, b, 0, 11);
         return h.rightHold(t, b, 1, 1);
       },
       [](BM* a, BM* b) { copyTwice(a, b, 0); }, false, true},
      {"BackCopyIntoAnotherWindow", 33070,
       [](FakeHost& h, FakeWin* a, FakeWin* b, int64_t t) {
         t = drag(h, t, a, 2, 2, 5, 4);
         t = click(h, t, b, 8, 9);
         t = click(h, t, b, 0, 11);
         return h.rightHold(t, b, 1, 1);
       },
       [](BM* a, BM* b) { copyTwice(a, b, 1); }, false, true},
      {"QuickRightClickTakesANewSource", 33004,
       [](FakeHost& h, FakeWin* a, FakeWin* b, int64_t t) {
         t = drag(h, t, a, 0, 0, 1, 1);
         t = click(h, t, b, 3, 3);
         t = h.rightClick(t, b, 1, 1);
         t = drag(h, t, b, 3, 3, 6, 6);
         t = click(h, t, a, 10, 10);
         return h.rightHold(t, a, 1, 1);
       },
       [](BM* a, BM* b) {
         BM* c = crop(a, 0, 0, 2, 2);
         regionPlace(b, c, 3, 3, 0, bmAllTransparent(c));
         bmFre(c);
         c = crop(b, 3, 3, 7, 7);
         regionPlace(a, c, 10, 10, 0, bmAllTransparent(c));
         bmFre(c);
       },
       true, true},
      {"ScaleIntoAnotherWindow", 33034,
       [](FakeHost& h, FakeWin* a, FakeWin* b, int64_t t) {
         t = drag(h, t, a, 2, 2, 4, 3);
         t = drag(h, t, b, 1, 1, 9, 6);
         return h.rightHold(t, b, 1, 1);
       },
       [](BM* a, BM* b) {
         BM* c = crop(a, 2, 2, 5, 4);
         BM* s = scaleCopy(c, 9, 6, b);
         bmPaste(b, s, 1, 1, 1);
         bmFre(s);
         bmFre(c);
       },
       false, true},
      {"Rotate", 33057,
       [](FakeHost& h, FakeWin* a, FakeWin*, int64_t t) { return rotateGesture(h, a, t, true); },
       [](BM* a, BM*) {
         BM* c = crop(a, 4, 4, 12, 10);
         rotNearest(c, dragAngle(4, 4, 12, 10, 12, 7, 8, 12));
         bmPaste(a, c, 4, 4, 0);
         bmFre(c);
       },
       true, false},
      {"RotatePressAndReleaseIsAStepThatChangesNothing", 33057,
       [](FakeHost& h, FakeWin* a, FakeWin*, int64_t t) { return rotateGesture(h, a, t, false); },
       [](BM*, BM*) {}, true, false},
      {"RotateRightPressWhileTurningChangesNothing", 33057,
       [](FakeHost& h, FakeWin* a, FakeWin*, int64_t t) {
         t = drag(h, t, a, 4, 4, 11, 9);
         h.move(t, a, at(12), at(7));
         h.down(t + 1, a, at(12), at(7), EVT_LEFT);
         h.move(t + 30, a, at(8), at(12));
         // The right button pressed too, held past the click time.
         h.down(t + 40, a, at(8), at(12), EVT_RIGHT);
         h.move(t + 240, a, at(8), at(12));
         h.up(t + 250, a, EVT_LEFT);
         h.up(t + 260, a, EVT_RIGHT);
         return t + 300;
       },
       [](BM*, BM*) {}, false, false},
      {"WarpIntoAnotherWindow", 33051,
       [](FakeHost& h, FakeWin* a, FakeWin* b, int64_t t) {
         t = drag(h, t, a, 2, 2, 9, 7);
         t = quadClicks(h, t, b);
         t = h.rightClick(t, b, 1, 1);  // ignored while clicking points
         return h.rightHold(t, b, 1, 1);
       },
       [](BM* a, BM* b) {
         BM* c = crop(a, 2, 2, 10, 8);
         BM* w = warpFwd(kQuad, c);
         bmPaste(b, w, 0, 0, 1);
         bmFre(w);
         bmFre(c);
       },
       false, true},
      {"InverseWarpIntoAnotherWindow", 33052,
       [](FakeHost& h, FakeWin* a, FakeWin* b, int64_t t) {
         t = quadClicks(h, t, a);
         t = drag(h, t, b, 2, 3, 11, 8);
         return h.rightHold(t, b, 1, 1);
       },
       [](BM* a, BM* b) {
         BM* w = warpInv(quadMapMake(kQuad), a, 10, 6);
         bmPaste(b, w, 2, 3, 1);
         bmFre(w);
       },
       false, true},
  };
}

class RegionTool : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(RegionTool, DoesWhatThePixelFunctionsDo) {
  const RegionCase c = regionCases()[std::get<0>(GetParam())];
  const int bpp = std::get<1>(GetParam());
  FakeHost host;
  FakeWin* a = host.open(bpp, kSide, kSide, kScale);
  FakeWin* b = host.open(bpp, kSide, kSide, kScale);
  pattern(a->bm, 0);
  pattern(b->bm, 3);
  BM* baseA = bmDup(a->bm);
  BM* baseB = bmDup(b->bm);
  // An earlier step in each picture, which a gesture elsewhere must keep.
  for (FakeWin* w : {a, b}) {
    undoBegin(w->bm);
    bmPut(w->bm, 15, 15, w->bm->bpp == 1 ? 6 : w->bm->cmap[6], 1);
  }
  BM* startA = bmDup(a->bm);
  BM* startB = bmDup(b->bm);
  BM* wantA = bmDup(a->bm);
  BM* wantB = bmDup(b->bm);
  c.expect(wantA, wantB);
  cmdPost(a->w(), c.cmd, nullptr);
  c.gesture(host, a, b, 5);
  mainLoop();
  EXPECT_TRUE(same(wantA, a->bm));
  EXPECT_TRUE(same(wantB, b->bm));
  EXPECT_EQ(0, dbCnt(curstack));
  EXPECT_EQ(0, dbCnt(a->overlays));
  EXPECT_EQ(0, dbCnt(b->overlays));
  undoApply(a->bm);
  undoApply(b->bm);
  EXPECT_TRUE(same(c.changesA ? startA : baseA, a->bm)) << "undo of the first picture";
  EXPECT_TRUE(same(c.changesB ? startB : baseB, b->bm)) << "undo of the second picture";
  for (BM* bm : {baseA, baseB, startA, startB, wantA, wantB}) bmFre(bm);
  host.closeAll();
}

INSTANTIATE_TEST_SUITE_P(Tools, RegionTool,
                         ::testing::Combine(::testing::Range(0, int(regionCases().size())),
                                            ::testing::Values(1, 4)),
                         [](const auto& info) {
                           return std::string(regionCases()[std::get<0>(info.param)].name) +
                                  (std::get<1>(info.param) == 1 ? "Indexed" : "Direct");
                         });

TEST(RegionTool, RotationPreviewFollowsTheDragWithoutChangingThePicture) {
  FakeHost host;
  FakeWin* a = host.open(4, kSide, kSide, kScale);
  pattern(a->bm, 1);
  BM* start = bmDup(a->bm);
  cmdPost(a->w(), 33057, nullptr);
  int64_t t = drag(host, 5, a, 4, 4, 11, 9);
  host.move(t, a, at(12), at(7));
  host.down(t + 1, a, at(12), at(7), EVT_LEFT);
  host.move(t + 30, a, at(8), at(12));
  bool checked = false;
  host.at(t + 31, [&] {
    // Painted while the button is still down: the turned crop, over the
    // selection, and the picture as it was.
    BM* want = crop(start, 4, 4, 12, 10);
    rotNearest(want, dragAngle(4, 4, 12, 10, 12, 7, 8, 12));
    ASSERT_TRUE(host.drawn);
    EXPECT_TRUE(same(want, host.drawn));
    EXPECT_TRUE(host.logged("image 4,4"));
    EXPECT_TRUE(same(start, a->bm));
    bmFre(want);
    checked = true;
  });
  host.down(t + 40, a, at(8), at(12), EVT_RIGHT);
  host.move(t + 240, a, at(8), at(12));
  host.up(t + 250, a, EVT_LEFT);
  host.up(t + 260, a, EVT_RIGHT);
  mainLoop();
  EXPECT_TRUE(checked);
  EXPECT_TRUE(same(start, a->bm));
  bmFre(start);
  host.closeAll();
}

TEST(RegionTool, CopyIntoAColourMapWindowPushesItsColours) {
  FakeHost host;
  FakeWin* a = host.open(4, kSide, kSide, kScale);
  FakeWin* m = host.open(4, 16, 16, kScale);
  m->kind = WIN_CMAP;
  pattern(a->bm, 2);
  cmdPost(m->w(), 33004, nullptr);
  int64_t t = drag(host, 5, a, 0, 0, 3, 3);
  t = click(host, t, m, 4, 4);
  host.rightHold(t, m, 1, 1);
  mainLoop();
  EXPECT_EQ(1, m->pushes);
  EXPECT_EQ(bmPget(a->bm, 1, 1), bmPget(m->bm, 5, 5));
  host.closeAll();
}

TEST(RegionTool, OpenRegionOpensEachSelectionAsANewPicture) {
  FakeHost host;
  FakeWin* a = host.open(1, kSide, kSide, kScale);
  pattern(a->bm, 4);
  a->bm->ftype = BMF_BMP;
  a->bm->pen = 9;
  cmdPost(a->w(), 33064, nullptr);
  int64_t t = drag(host, 5, a, 3, 2, 8, 4);
  t = drag(host, t, a, 0, 0, 0, 0);
  host.rightHold(t, a, 1, 1);
  mainLoop();
  ASSERT_EQ(3u, host.wins.size());
  const int sizes[2][2] = {{6, 3}, {1, 1}};
  const int origins[2][2] = {{3, 2}, {0, 0}};
  for (int i = 0; i < 2; i++) {
    const BM* bm = host.wins[1 + i]->bm;
    BM* want = bmCrop(a->bm, origins[i][0], origins[i][1], sizes[i][0], sizes[i][1]);
    EXPECT_TRUE(same(want, bm)) << i;
    EXPECT_EQ(BMF_BMP, bm->ftype);
    EXPECT_EQ(9, bm->pen);
    EXPECT_STREQ("無題.bmp", bm->fname);
    bmFre(want);
  }
  host.closeAll();
}

// Pixels may use colour-map entries at and above cmapn; region tools keep
// their colours.
TEST(RegionTool, IndexedCopiesKeepEntriesAboveTheColourCount) {
  {
    BM* probe = bmNew(nullptr, 1, 1, 1, nullptr, 256);
    probe->cmapn = 16;
    BM* c = bmCrop(probe, 0, 0, 1, 1);
    const bool kept = c && c->cmap[200] == probe->cmap[200];
    bmFre(c);
    bmFre(probe);
    if (!kept) GTEST_SKIP() << "crops drop colour-map entries at and above cmapn";
  }
  for (int cmd : {33004, 33057}) {
    FakeHost host;
    FakeWin* a = host.open(1, kSide, kSide, kScale);
    a->bm->cmapn = 16;
    for (int x = 0; x < 4; x++) bmpset(a->bm, x, 0, 200 + x, 1);
    cmdPost(a->w(), cmd, nullptr);
    int64_t t = drag(host, 5, a, 0, 0, 3, 0);
    if (cmd == 33004) {
      t = click(host, t, a, 0, 5);
    } else {
      click(host, t, a, 1, 1);  // turns by 0
      t += 100;
    }
    host.rightHold(t, a, 9, 9);
    mainLoop();
    const int row = cmd == 33004 ? 5 : 0;
    for (int x = 0; x < 4; x++) EXPECT_EQ(200u + x, bmPget(a->bm, x, row)) << cmd << " " << x;
    host.closeAll();
  }
}

}  // namespace
