// Pixel-tool gestures played through the queues: each tool's result is the
// core function applied to the selection the gesture made (corners sorted,
// snapped to the step grid), as one undo step; the airbrush sprays once per
// event and tick of a stroke; colour conversion previews and cancels.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/evt.h"
#include "image/bmgeom.h"
#include "tests/app/fakehost.h"
#include "tests/app/regioncases.h"
#include "tools/airbrush.h"
#include "tools/fill.h"
#include "tools/filter.h"
#include "tools/gesture/colcnv.h"
#include "tools/gesture/tools.h"
#include "tools/undo.h"

namespace {

class PixelTool : public ::testing::TestWithParam<std::tuple<RegionCase, int>> {};

TEST_P(PixelTool, IsTheCoreOnTheSnappedSelectionAsOneStep) {
  const RegionCase& c = std::get<0>(GetParam());
  FakeHost host;
  xstep = ystep = c.step;
  FakeWin* w = host.open(std::get<1>(GetParam()), 12, 10, 2);
  fillPicture(w->bm);
  undoBegin(w->bm);
  const Bytes start = bytesOf(w->bm);
  BM* want = twin(w->bm);
  c.expect(want, toolSnap(c.fx, c.fy, c.tx, c.ty, 1));
  cmdPost(w->w(), c.cmd, nullptr);
  const int64_t t = host.drag(5, w, 2 * c.fx + 1, 2 * c.fy + 1, 2 * c.tx + 1, 2 * c.ty + 1);
  host.rightHold(t, w, 1, 1);
  mainLoop();
  EXPECT_EQ(bytesOf(want), bytesOf(w->bm));
  EXPECT_EQ(0, dbCnt(curstack));
  EXPECT_EQ(0, dbCnt(w->overlays));
  undoApply(w->bm);
  EXPECT_EQ(start, bytesOf(w->bm));
  bmFre(want);
  host.closeAll();
}

INSTANTIATE_TEST_SUITE_P(Tools, PixelTool,
                         ::testing::Combine(::testing::ValuesIn(kRegionCases),
                                            ::testing::Values(1, 4)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) == 1 ? "Indexed" : "Direct");
                         });

TEST(PixelTool, RightClickEndsWithoutPickingAndEachRegionIsAStep) {
  FakeHost host;
  FakeWin* w = host.open(1, 12, 10);
  fillPicture(w->bm);
  const int pen = w->bm->pen;
  BM* want = twin(w->bm);
  filterRegion(want, 0, 0, 4, 4, boxBlur);
  filterRegion(want, 5, 5, 9, 9, boxBlur);
  cmdPost(w->w(), 33037, nullptr);
  int64_t t = host.drag(5, w, 0, 0, 3, 3);
  t = host.drag(t, w, 5, 5, 8, 8);
  t = host.rightClick(t, w, 6, 1);
  host.drag(t + 100, w, 0, 0, 11, 9);  // the tool has ended: the pencil draws
  mainLoop();
  EXPECT_EQ(pen, w->bm->pen);
  undoApply(w->bm);  // the pencil stroke
  EXPECT_EQ(bytesOf(want), bytesOf(w->bm));
  bmFre(want);
  host.closeAll();
}

TEST(PixelTool, ColourMapWindowPushesEveryRegion) {
  FakeHost host;
  FakeWin* doc = host.open(1, 4, 4);
  FakeWin* map = host.open(4, 16, 16, 16);
  map->kind = WIN_CMAP;
  map->partner = doc;
  doc->partner = map;
  fillPicture(map->bm);
  BM* want = twin(map->bm);
  filterRegion(want, 0, 1, 16, 3, rampFill);
  filterRegion(want, 4, 4, 8, 8, brighten);
  cmdPost(map->w(), 33048, nullptr);
  host.drag(5, map, 8, 16 + 8, 15 * 16 + 8, 2 * 16 + 8);
  host.rightHold(400, map, 1, 1);
  // Queued after the first tool ended: it starts at the next event.
  host.at(700, [map] { cmdPost(map->w(), 33038, nullptr); });
  host.move(760, map, 0, 0);
  host.drag(800, map, 4 * 16, 4 * 16, 7 * 16, 7 * 16);
  host.rightHold(1200, map, 1, 1);
  mainLoop();
  EXPECT_EQ(bytesOf(want), bytesOf(map->bm));
  EXPECT_EQ(2, map->pushes);
  bmFre(want);
  host.closeAll();
}

// An indexed picture whose pixels use entries at and above cmapn.
BM* highIndexPicture() {
  BM* bm = bmNew(nullptr, 1, 8, 6, nullptr, 16);
  for (int i = 0; i < 256; i++) bm->cmap[i] = rgbaMake(i, 255 - i, i * 7 & 255, 255);
  for (int i = 0; i < 48; i++) bm->buf[i] = static_cast<uint8_t>(1 + i * 5);
  return bm;
}

// Crops must keep the whole colour map for the tools to keep such pixels.
bool cropsKeepTheWholeMap() {
  BM* bm = highIndexPicture();
  BM* crop = bmCrop(bm, 0, 0, 1, 1);
  const bool keeps = crop && crop->cmap[200] == bm->cmap[200];
  bmFre(crop);
  bmFre(bm);
  return keeps;
}

TEST(PixelTool, ToolsThatChangeNothingKeepEntriesAboveTheColourCount) {
  if (!cropsKeepTheWholeMap()) GTEST_SKIP() << "needs crops that keep the whole colour map";
  for (int cmd : {33005, 33006, 33063}) {  // no zero pixels: no marks; conversion cancelled
    FakeHost host;
    FakeWin* w = host.open(1, 8, 6);
    bmFre(w->bm);
    w->bm = highIndexPicture();
    const Bytes start = bytesOf(w->bm);
    cmdPost(w->w(), cmd, nullptr);
    host.drag(5, w, 0, 0, 7, 5);
    host.rightHold(400, w, 1, 1);
    mainLoop();
    colcnvEnd(&w->colcnv, 1);
    EXPECT_EQ(start, bytesOf(w->bm)) << cmd;
    host.closeAll();
  }
}

// Airbrush strokes: a press held for some ticks, released, then another.
struct AirStroke {
  int x, y;  // client pixels (scale 2: half-pixel image positions)
  int ticks;
};

class Airbrush : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(Airbrush, SpraysOncePerEventAndTickAndEachStrokeIsAStep) {
  const int variant = std::get<0>(GetParam()), bpp = std::get<1>(GetParam());
  const AirStroke strokes[] = {{13, 9, 5}, {3, 16, 0}};
  FakeHost host;
  airsize = 7;
  FakeWin* w = host.open(bpp, 12, 10, 2);
  fillPicture(w->bm);
  BM* want = twin(w->bm);
  AirRng rng = airrng;
  AIRCACHE cache;
  Bytes beforeLast;
  cmdPost(w->w(), 33069 + (variant ? variant + 1 : 0), nullptr);
  int64_t t = 5;
  for (const AirStroke& s : strokes) {
    beforeLast = bytesOf(want);
    for (int i = 0; i <= s.ticks; i++)
      airSprayStep(want, s.x / 2.0, s.y / 2.0, variant, airsize, opaqueflag, &cache,
                   [&rng] { return rng(); });
    host.move(t, w, s.x, s.y);
    host.down(t + 1, w, s.x, s.y, EVT_LEFT);
    host.ticks(t + 33, t + 32 * s.ticks + 1, w);
    host.up(t + 32 * s.ticks + 20, w, EVT_LEFT);
    t += 32 * s.ticks + 100;
  }
  host.rightHold(t, w, 1, 1);
  mainLoop();
  EXPECT_EQ(bytesOf(want), bytesOf(w->bm));
  EXPECT_EQ(0, repeatheld);
  EXPECT_EQ(0, dbCnt(curstack));
  undoApply(w->bm);
  EXPECT_EQ(beforeLast, bytesOf(w->bm));
  airCacheFree(&cache);
  bmFre(want);
  host.closeAll();
}

INSTANTIATE_TEST_SUITE_P(Tools, Airbrush,
                         ::testing::Combine(::testing::Values(AIR_PLAIN, AIR_LIGHTEN, AIR_DARKEN),
                                            ::testing::Values(1, 4)));

TEST(Airbrush, PickedColourRebuildsThePatternAndTheToolGoesOn) {
  FakeHost host;
  airsize = 5;
  FakeWin* w = host.open(4, 12, 10);
  fillPicture(w->bm);
  BM* want = twin(w->bm);
  AIRCACHE cache;
  auto spray = [&](double x, double y) {
    airSprayStep(want, x, y, AIR_PLAIN, airsize, opaqueflag, &cache, [] { return 0; });
  };
  spray(3, 3);
  want->cmap[want->pen] = bmPget(want, 9, 8);
  spray(6, 5);
  cmdPost(w->w(), 33069, nullptr);
  host.move(5, w, 3, 3);
  host.down(6, w, 3, 3, EVT_LEFT);
  host.up(7, w, EVT_LEFT);
  const int64_t t = host.rightClick(50, w, 9, 8);
  host.move(t, w, 6, 5);
  host.down(t + 1, w, 6, 5, EVT_LEFT);
  host.up(t + 2, w, EVT_LEFT);
  host.rightHold(t + 50, w, 1, 1);
  mainLoop();
  EXPECT_EQ(want->cmap[want->pen], w->bm->cmap[w->bm->pen]);
  EXPECT_EQ(bytesOf(want), bytesOf(w->bm));
  airCacheFree(&cache);
  bmFre(want);
  host.closeAll();
}

TEST(Airbrush, StrokeWhoseWindowCloses) {
  FakeHost host;
  FakeWin* w = host.open(1, 12, 10);
  FakeWin* other = host.open(1, 12, 10);
  cmdPost(w->w(), 33069, nullptr);
  host.move(5, w, 3, 3);
  host.down(6, w, 3, 3, EVT_LEFT);
  host.at(20, [w] { w->alive = false; });
  host.ticks(40, 100, w);
  host.up(120, w, EVT_LEFT);
  host.rightHold(200, other, 1, 1);
  mainLoop();
  EXPECT_EQ(0, repeatheld);
  EXPECT_EQ(0, dbCnt(curstack));
  host.closeAll();
}

class ColourConversion : public ::testing::TestWithParam<int> {};

TEST_P(ColourConversion, PreviewsFromTheSavedSelectionAndCancelRestores) {
  FakeHost host;
  FakeWin* w = host.open(GetParam(), 12, 10, 2);
  fillPicture(w->bm);
  // An earlier step that the conversion's undo must leave alone.
  undoBegin(w->bm);
  bmPut(w->bm, 0, 0, 0, 1);
  const Bytes start = bytesOf(w->bm);
  BM* saved = bmCrop(w->bm, 2, 3, 8, 5);
  auto converted = [&](unsigned h, unsigned s, unsigned v, unsigned a) {
    BM* want = twin(w->bm);
    BM* conv = hsvAdjust(saved, h, s, v, a);
    bmPaste(want, conv, 2, 3, 0);
    bmFre(conv);
    const Bytes b = bytesOf(want);
    bmFre(want);
    return b;
  };
  const Bytes first = converted(100, 100, 100, 100);
  cmdPost(w->w(), 33063, nullptr);
  host.drag(5, w, 2 * 9 + 1, 2 * 7 + 1, 2 * 2 + 1, 2 * 3 + 1);
  mainLoop();
  EXPECT_TRUE(host.logged("post 6809"));
  COLCNV& c = w->colcnv;
  ASSERT_NE(nullptr, c.saved);
  EXPECT_EQ(bytesOf(saved), bytesOf(c.saved));
  EXPECT_EQ(first, bytesOf(w->bm));
  c.hue = 0, c.sat = 150, c.alpha = 60;
  colcnvApply(&c);
  EXPECT_EQ(converted(0, 150, 100, 60), bytesOf(w->bm));
  colcnvEnd(&c, 1);
  EXPECT_EQ(start, bytesOf(w->bm));
  EXPECT_EQ(nullptr, c.saved);

  // Again, kept with "OK": one undo takes back the conversion only.
  quitflag = 0;
  cmdPost(w->w(), 33063, nullptr);
  host.drag(host.now + 10, w, 2 * 2 + 1, 2 * 3 + 1, 2 * 9 + 1, 2 * 7 + 1);
  mainLoop();
  EXPECT_EQ(100, c.hue);
  c.val = 50;
  colcnvApply(&c);
  colcnvEnd(&c, 0);
  EXPECT_EQ(converted(100, 100, 50, 100), bytesOf(w->bm));
  undoApply(w->bm);
  EXPECT_EQ(start, bytesOf(w->bm));
  bmFre(saved);
  host.closeAll();
}

INSTANTIATE_TEST_SUITE_P(Tools, ColourConversion, ::testing::Values(1, 4));

}  // namespace
