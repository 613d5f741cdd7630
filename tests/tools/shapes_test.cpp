#include "tools/shapes.h"

#include <climits>
#include <cmath>
#include <set>
#include <utility>

#include "tests/tools/tooltest.h"
#include "tools/undo.h"

namespace {

template <class D>
class ShapesT : public ::testing::Test {};
TYPED_TEST_SUITE(ShapesT, BothDepths);

using Pts = std::set<std::pair<int, int>>;

Pts inked(const BM* bm) {
  Pts s;
  for (int y = 0; y < bm->h; y++)
    for (int x = 0; x < bm->w; x++)
      if (bmPget(bm, x, y)) s.insert({x, y});
  return s;
}

int loggedPixels(const BM* bm) {
  int n = 0;
  for (void* r = dbTop(bm->undo); r; r = dbNxt(r)) n += dbKeyLen(r) / bm->bpp;
  return n;
}

TYPED_TEST(ShapesT, RectangleOutlinePlotsEachBorderPixelOnce) {
  BmPtr bm = makeBm(TypeParam::bpp, 8, 8);
  bm->pen = 9;
  rectDraw(bm.get(), 1, 2, 5, 5);
  Pts want;
  for (int x = 1; x < 5; x++) want.insert({x, 2}), want.insert({x, 4});
  want.insert({1, 3});
  want.insert({4, 3});
  EXPECT_EQ(inked(bm.get()), want);
  EXPECT_EQ(loggedPixels(bm.get()), 10);
  EXPECT_EQ(bmPget(bm.get(), 1, 2), valueOf(bm.get(), 9));
}

TYPED_TEST(ShapesT, RectangleOfTwoByTwoAndOneByOne) {
  BmPtr bm = makeBm(TypeParam::bpp, 4, 4);
  bm->pen = 1;
  rectDraw(bm.get(), 0, 0, 2, 2);
  EXPECT_EQ(inked(bm.get()), (Pts{{0, 0}, {1, 0}, {0, 1}, {1, 1}}));
  EXPECT_EQ(loggedPixels(bm.get()), 4);
  BmPtr one = makeBm(TypeParam::bpp, 4, 4);
  one->pen = 1;
  rectDraw(one.get(), 2, 2, 3, 3);
  EXPECT_TRUE(inked(one.get()).empty());
}

TYPED_TEST(ShapesT, EllipseOfZeroRadiiPlotsTheCentre) {
  BmPtr bm = makeBm(TypeParam::bpp, 5, 5);
  bm->pen = 3;
  ellipseDraw(bm.get(), 2, 3, 0, 0);
  EXPECT_EQ(inked(bm.get()), (Pts{{2, 3}}));
}

TYPED_TEST(ShapesT, CircleStaysOnItsRadiusAndIsClosed) {
  BmPtr bm = makeBm(TypeParam::bpp, 40, 40);
  bm->pen = 200;
  ellipseDraw(bm.get(), 20, 20, 10, 10);
  const Pts pts = inked(bm.get());
  ASSERT_FALSE(pts.empty());
  for (auto [x, y] : pts) {
    const double r = std::hypot(x - 20, y - 20);
    EXPECT_GE(r, 8.0) << x << "," << y;
    EXPECT_LE(r, 11.5) << x << "," << y;
  }
  EXPECT_TRUE(pts.count({30, 20}));  // starts at the rightmost point
  EXPECT_TRUE(pts.count({20, 10}) || pts.count({19, 10}) || pts.count({20, 11}));
  // Each of the four compass points is reached.
  EXPECT_TRUE(pts.count({10, 20}) || pts.count({11, 20}));
  EXPECT_TRUE(pts.count({20, 30}) || pts.count({19, 29}) || pts.count({20, 29}));
}

TYPED_TEST(ShapesT, HugeRadiiStayBoundedAndMissTheImage) {
  BmPtr bm = makeBm(TypeParam::bpp, 4, 4);
  bm->pen = 5;
  ellipseDraw(bm.get(), 2, 2, INT_MAX, INT_MAX);
  EXPECT_TRUE(inked(bm.get()).empty());
}

TYPED_TEST(ShapesT, ClippedEllipseDrawsOnlyInside) {
  BmPtr bm = makeBm(TypeParam::bpp, 10, 10);
  bm->pen = 5;
  ellipseDraw(bm.get(), 0, 0, 6, 4);
  const Pts pts = inked(bm.get());
  EXPECT_TRUE(pts.count({6, 0}));
  EXPECT_FALSE(pts.empty());
}

TEST(Bspline, WeightsSumToOneAndMatchTheFormula) {
  EXPECT_DOUBLE_EQ(bspline(0, 10, 10, 10), 10);
  EXPECT_DOUBLE_EQ(bspline(0, 0, 4, 8), 2);  // midpoint of p0 and p1
  EXPECT_DOUBLE_EQ(bspline(0.5, 0, 0, 8), 1);
  EXPECT_DOUBLE_EQ(bspline(0.9375, 0, 0, 512), 0.9375 * 0.9375 / 2 * 512);
}

TEST(Bspline, SamplesStartAtTheFirstPointAndStopNearTheLast) {
  const int32_t xy[] = {10, 20, 100, 20, 100, 300};
  const std::vector<int32_t> s = bsplineSample(xy, 3);
  ASSERT_EQ(s.size(), 2u * 16 * 3);
  EXPECT_EQ(s[0], 10);
  EXPECT_EQ(s[1], 20);
  // The last sample is 1/512 of the second last point and 511/512 of the last.
  EXPECT_EQ(s[s.size() - 2], int32_t(100.0 / 512 + 100.0 * 511 / 512));
  EXPECT_EQ(s.back(), int32_t(20.0 / 512 + 300.0 * 511 / 512));
}

TYPED_TEST(ShapesT, PolylineJoinsPointsWithEndPoints) {
  BmPtr bm = makeBm(TypeParam::bpp, 6, 6);
  bm->pen = 7;
  DB* pts = dbNew(0, 8, 0, 0);
  const int32_t xy[] = {0, 0, 3, 0, 3, 2};
  for (int i = 0; i < 3; i++) dbAdd(pts, &xy[2 * i]);
  polyDraw(bm.get(), pts, 0);
  EXPECT_EQ(inked(bm.get()), (Pts{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {3, 2}}));
  EXPECT_EQ(loggedPixels(bm.get()), 7);  // the shared vertex twice
  dbFre(pts);
}

TYPED_TEST(ShapesT, CurveThroughCollinearPointsIsTheStraightLine) {
  BmPtr bm = makeBm(TypeParam::bpp, 40, 4);
  bm->pen = 7;
  const int32_t xy[] = {0, 1, 16, 1, 32, 1};
  bsplineDraw(bm.get(), xy, 3);
  Pts want;
  for (int x = 0; x <= 31; x++) want.insert({x, 1});
  EXPECT_EQ(inked(bm.get()), want);
}

TYPED_TEST(ShapesT, FewerThanTwoPointsDrawNothing) {
  BmPtr bm = makeBm(TypeParam::bpp, 4, 4);
  bm->pen = 7;
  DB* pts = dbNew(0, 8, 0, 0);
  const int32_t xy[] = {1, 1};
  dbAdd(pts, xy);
  polyDraw(bm.get(), pts, 1);
  EXPECT_TRUE(inked(bm.get()).empty());
  EXPECT_EQ(dbCnt(bm->undo), 0);
  dbFre(pts);
}

TYPED_TEST(ShapesT, UndoRestoresEveryShape) {
  BmPtr bm = makeBm(TypeParam::bpp, 30, 30);
  for (int i = 0; i < 30; i++) setIdx(bm.get(), i, i, 4);
  const std::vector<uint8_t> before = snapshot(bm.get());
  bm->pen = 250;
  undoBegin(bm.get());
  rectDraw(bm.get(), 2, 3, 20, 25);
  ellipseDraw(bm.get(), 15, 15, 12, 7);
  const int32_t xy[] = {0, 0, 29, 10, 5, 29, 20, 20};
  bsplineDraw(bm.get(), xy, 4);
  polylineDraw(bm.get(), xy, 4);
  EXPECT_NE(snapshot(bm.get()), before);
  undoApply(bm.get());
  EXPECT_EQ(snapshot(bm.get()), before);
}

}  // namespace
