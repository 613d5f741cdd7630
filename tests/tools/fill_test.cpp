#include "tools/fill.h"

#include <cstring>
#include <random>
#include <tuple>

#include "image/bmlog.h"
#include "tests/tools/tooltest.h"
#include "tools/drawcolor.h"
#include "tools/linewalk.h"
#include "tools/undo.h"

namespace {

template <class D>
class FillT : public ::testing::Test {};
TYPED_TEST_SUITE(FillT, BothDepths);

TYPED_TEST(FillT, FillsTheFourConnectedRegionOfTheSeedColour) {
  BmPtr bm = makeBm(TypeParam::bpp, 6, 5);
  paint(bm.get(),
        "110022\n"
        "100022\n"
        "111100\n"
        "000120\n"
        "222100\n");
  bm->pen = 7;
  floodFill(bm.get(), 2, 1, nullptr);
  EXPECT_EQ(pixelsOf(bm.get()), (std::vector<int>{1, 1, 7, 7, 2, 2,  //
                                                  1, 7, 7, 7, 2, 2,  //
                                                  1, 1, 1, 1, 0, 0,  //
                                                  0, 0, 0, 1, 2, 0,  //
                                                  2, 2, 2, 1, 0, 0}));
}

TYPED_TEST(FillT, RegionsTouchingAtACornerStaySeparate) {
  BmPtr bm = makeBm(TypeParam::bpp, 4, 4);
  paint(bm.get(),
        "3311\n"
        "3311\n"
        "1133\n"
        "1133\n");
  bm->pen = 9;
  floodFill(bm.get(), 0, 0, nullptr);
  EXPECT_EQ(pixelsOf(bm.get()), (std::vector<int>{9, 9, 1, 1, 9, 9, 1, 1, 1, 1, 3, 3, 1, 1, 3, 3}));
}

TYPED_TEST(FillT, SameColourFillIsOneInvisibleUndoStep) {
  BmPtr bm = makeBm(TypeParam::bpp, 5, 3);
  paint(bm.get(), "22200\n20200\n22222\n");
  bm->pen = 2;
  const std::vector<uint8_t> before = snapshot(bm.get());
  undoBegin(bm.get());
  floodFill(bm.get(), 0, 0, nullptr);
  EXPECT_EQ(snapshot(bm.get()), before);
  EXPECT_GT(dbCnt(bm->undo), 0);
  int logged = 0;
  for (void* r = dbTop(bm->undo); r; r = dbNxt(r)) logged += dbKeyLen(r) / bm->bpp;
  EXPECT_EQ(logged, 10);  // every pixel of the region exactly once
}

TYPED_TEST(FillT, UndoAfterARepeatedFillTakesBackOnlyTheRepeat) {
  BmPtr bm = makeBm(TypeParam::bpp, 6, 4);
  paint(bm.get(),
        "111000\n"
        "121000\n"
        "111033\n"
        "000033\n");
  bm->pen = 7;
  undoBegin(bm.get());
  rectFill(bm.get(), 0, 0, 3, 3);
  const std::vector<uint8_t> filled = snapshot(bm.get());
  undoBegin(bm.get());
  floodFill(bm.get(), 1, 1, nullptr);  // the same colour over the same area
  EXPECT_EQ(snapshot(bm.get()), filled);
  undoApply(bm.get());
  EXPECT_EQ(snapshot(bm.get()), filled);
  EXPECT_EQ(pixelsOf(bm.get())[1 * 6 + 1], 7);
  undoApply(bm.get());  // the log is empty now: the first fill stays
  EXPECT_EQ(snapshot(bm.get()), filled);
}

TYPED_TEST(FillT, SeedsOutsideDoNothing) {
  BmPtr bm = makeBm(TypeParam::bpp, 3, 3);
  bm->pen = 5;
  floodFill(bm.get(), -1, 0, nullptr);
  floodFill(bm.get(), 0, 3, nullptr);
  EXPECT_EQ(pixelsOf(bm.get()), std::vector<int>(9, 0));
  EXPECT_EQ(dbCnt(bm->undo), 0);
}

TYPED_TEST(FillT, SampledSetFillsSeedAndSampledNeighbours) {
  BmPtr bm = makeBm(TypeParam::bpp, 6, 3);
  paint(bm.get(),
        "124125\n"
        "555125\n"
        "121525\n");
  DB* set = colorSetSample(bm.get(), 0, 0, 2, 1);  // samples 1 and 2
  EXPECT_EQ(dbCnt(set), 2);
  bm->pen = 9;
  floodFill(bm.get(), 2, 0, set);  // the seed colour 4 is not in the set
  EXPECT_EQ(pixelsOf(bm.get()), (std::vector<int>{9, 9, 9, 9, 9, 5,  //
                                                  5, 5, 5, 9, 9, 5,  //
                                                  1, 2, 1, 5, 9, 5}));
  dbFre(set);
}

TYPED_TEST(FillT, SampleOutsideTheImageReadsZero) {
  BmPtr bm = makeBm(TypeParam::bpp, 2, 2);
  paint(bm.get(), "33\n33\n");
  DB* set = colorSetSample(bm.get(), 1, 1, 3, 3);
  EXPECT_EQ(dbCnt(set), 2);
  EXPECT_TRUE(colorSetHas(set, valueOf(bm.get(), 3)));
  EXPECT_TRUE(colorSetHas(set, 0));
  EXPECT_FALSE(colorSetHas(set, valueOf(bm.get(), 4)));
  dbFre(set);
}

TYPED_TEST(FillT, ManyColourSetMatchesLikeAShortOne) {
  BmPtr bm = makeBm(TypeParam::bpp, 20, 1);
  for (int x = 0; x < 20; x++) setIdx(bm.get(), x, 0, x < 15 ? 100 + x : 50);
  DB* set = colorSetSample(bm.get(), 0, 0, 15, 1);
  EXPECT_EQ(dbCnt(set), 15);
  bm->pen = 9;
  floodFill(bm.get(), 7, 0, set);
  for (int x = 0; x < 20; x++) EXPECT_EQ(pixelsOf(bm.get())[x], x < 15 ? 9 : 50) << x;
  dbFre(set);
}

// The span recursion as written, to compare the order of the logged spans.
struct RefFill {
  std::vector<uint8_t> px, mask;
  int w, h;
  uint8_t seed;
  std::vector<std::tuple<int, int, int>> spans;
  bool ok(int x, int y) { return px[y * w + x] == seed && !mask[y * w + x]; }
  int span(int x, int y) {
    int l = x, r = x;
    while (l - 1 >= 0 && ok(l - 1, y)) l--;
    while (r + 1 < w && ok(r + 1, y)) r++;
    spans.emplace_back(l, r, y);
    for (int c = l; c <= r; c++) mask[y * w + c] = 1;
    for (int row : {y - 1, y + 1}) {
      if (row < 0 || row >= h) continue;
      for (int c = l; c <= r; c++)
        if (ok(c, row)) c = span(c, row);
    }
    return r;
  }
};

TEST(FloodFill, VisitsSpansInTheOrderOfTheRecursion) {
  std::mt19937 rng(7);
  for (int round = 0; round < 30; round++) {
    const int w = 5 + round % 17, h = 4 + round % 13;
    BmPtr bm = makeBm(1, w, h);
    for (int i = 0; i < w * h; i++) bm->buf[i] = rng() % 3 == 0 ? 1 : 0;
    RefFill ref{
        std::vector<uint8_t>(bm->buf, bm->buf + w * h), std::vector<uint8_t>(w * h), w, h, 0, {}};
    const int sx = int(rng() % w), sy = int(rng() % h);
    ref.seed = bm->buf[sy * w + sx];
    ref.span(sx, sy);
    bm->pen = 2;
    floodFill(bm.get(), sx, sy, nullptr);
    std::vector<std::tuple<int, int, int>> got;
    for (void* r = dbTop(bm->undo); r; r = dbNxt(r)) {
      UNDOHDR hd;
      std::memcpy(&hd, r, sizeof hd);
      EXPECT_EQ(hd.kind, UNDO_LINE);
      EXPECT_EQ(hd.y0, hd.y1);
      got.emplace_back(hd.x0, hd.x1, hd.y0);
    }
    EXPECT_EQ(got, ref.spans) << "round " << round;
  }
}

// The spans are logged exactly as the logged line would log them.
TYPED_TEST(FillT, SpanRecordsMatchTheLoggedLine) {
  BmPtr bm = makeBm(TypeParam::bpp, 9, 6);
  paint(bm.get(),
        "000300000\n"
        "030303330\n"
        "030003000\n"
        "033333030\n"
        "000000030\n"
        "333330000\n");
  BmPtr copy(bmDup(bm.get()));
  bm->pen = copy->pen = 7;
  floodFill(bm.get(), 0, 0, nullptr);
  for (void* r = dbTop(bm->undo); r; r = dbNxt(r)) {
    UNDOHDR hd;
    std::memcpy(&hd, r, sizeof hd);
    lineDraw(copy.get(), hd.x0, hd.y0, hd.x1, hd.y1, hd.extra, drawValue(copy.get()),
             drawRaw(copy.get()));
    void* mine = dbEnd(copy->undo);
    ASSERT_EQ(dbKeyLen(mine), dbKeyLen(r));
    EXPECT_EQ(std::memcmp(dbKey(mine), dbKey(r), dbKeyLen(r)), 0);
    EXPECT_EQ(std::memcmp(mine, r, sizeof hd), 0);
  }
  EXPECT_EQ(snapshot(bm.get()), snapshot(copy.get()));
  EXPECT_EQ(bm->modified, 1);
}

TEST(FloodFill, DeepSerpentineCompletesAndUndoes) {
  // A one-pixel corridor winding through the whole image: one span per row
  // segment, thousands deep in a recursive fill.
  const int n = 801;
  BmPtr bm = makeBm(1, n, n);
  std::memset(bm->buf, 1, size_t(n) * n);
  for (int y = 0; y < n; y += 2) std::memset(bm->buf + size_t(y) * n, 0, n);
  for (int y = 1; y < n; y += 2) bm->buf[size_t(y) * n + ((y / 2) % 2 ? 0 : n - 1)] = 0;
  const std::vector<uint8_t> before = snapshot(bm.get());
  bm->pen = 5;
  undoBegin(bm.get());
  floodFill(bm.get(), 0, 0, nullptr);
  EXPECT_EQ(bm->buf[size_t(n - 1) * n + n - 1], 5);
  EXPECT_EQ(bm->buf[size_t(1) * n + 5], 1);
  undoApply(bm.get());
  EXPECT_EQ(snapshot(bm.get()), before);
}

TYPED_TEST(FillT, RectangleFillCoversExactlyTheSelection) {
  BmPtr bm = makeBm(TypeParam::bpp, 20, 4);
  bm->pen = 6;
  rectFill(bm.get(), 18, 3, 2, 1);  // corners in any order
  const std::vector<int> px = pixelsOf(bm.get());
  int count = 0;
  for (int y = 0; y < 4; y++)
    for (int x = 0; x < 20; x++) {
      const bool in = x >= 2 && x < 18 && y >= 1 && y < 3;
      EXPECT_EQ(px[y * 20 + x], in ? 6 : 0) << x << "," << y;
      count += in;
    }
  EXPECT_EQ(count, 32);  // 16 columns by 2 rows
}

TYPED_TEST(FillT, RectangleFillClipsAndSkipsEmptySelections) {
  BmPtr bm = makeBm(TypeParam::bpp, 4, 4);
  bm->pen = 6;
  rectFill(bm.get(), 10, 10, 20, 20);
  rectFill(bm.get(), -5, 1, 0, 3);
  EXPECT_EQ(pixelsOf(bm.get()), std::vector<int>(16, 0));
  EXPECT_EQ(dbCnt(bm->undo), 0);
  rectFill(bm.get(), -5, -5, 2, 1);
  EXPECT_EQ(pixelsOf(bm.get()), (std::vector<int>{6, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(RampFill, TwoPixelsStayAndThreeAverage) {
  BmPtr two = makeBm(4, 2, 1);
  bmpset(two.get(), 0, 0, rgbaMake(0, 10, 20, 30), 0);
  bmpset(two.get(), 1, 0, rgbaMake(255, 0, 21, 31), 0);
  const std::vector<uint8_t> before = snapshot(two.get());
  rampFill(two.get());
  EXPECT_EQ(snapshot(two.get()), before);
  BmPtr column = makeBm(4, 1, 2);
  bmpset(column.get(), 0, 0, rgbaMake(9, 9, 9, 9), 0);
  bmpset(column.get(), 0, 1, rgbaMake(200, 1, 2, 255), 0);
  const std::vector<uint8_t> columnBefore = snapshot(column.get());
  rampFill(column.get());
  EXPECT_EQ(snapshot(column.get()), columnBefore);
  BmPtr three = makeBm(4, 1, 3);
  bmpset(three.get(), 0, 0, rgbaMake(0, 10, 20, 255), 0);
  bmpset(three.get(), 0, 2, rgbaMake(255, 0, 21, 0), 0);
  rampFill(three.get());
  // Truncating toward zero: (0 - 10) / 2 = -5, (0 - 255) / 2 = -127.
  EXPECT_EQ(bmPget(three.get(), 0, 1), rgbaMake(127, 5, 20, 128));
}

TEST(RampFill, RunsInReadingOrderAndLeavesIndexedImagesAlone) {
  BmPtr bm = makeBm(4, 3, 2);
  bmpset(bm.get(), 0, 0, rgbaMake(0, 0, 0, 0), 0);
  bmpset(bm.get(), 2, 1, rgbaMake(250, 50, 5, 255), 0);
  rampFill(bm.get());
  EXPECT_EQ(bmPget(bm.get(), 1, 0), rgbaMake(50, 10, 1, 51));
  EXPECT_EQ(bmPget(bm.get(), 0, 1), rgbaMake(150, 30, 3, 153));
  BmPtr idx = makeBm(1, 3, 1);
  idx->buf[2] = 200;
  rampFill(idx.get());
  EXPECT_EQ(idx->buf[1], 0);
}

}  // namespace
