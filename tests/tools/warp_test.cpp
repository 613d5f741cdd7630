#include "tools/warp.h"

#include "tests/tools/tooltest.h"

namespace {

TEST(QuadMap, CornersMapOntoThePoints) {
  const QPOINT pts[4] = {{10, 5}, {50, 12}, {44, 70}, {3, 60}};
  const QUADMAP q = quadMapMake(pts);
  EXPECT_TRUE(q.hasV1);
  EXPECT_TRUE(q.hasV2);
  const double st[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int i = 0; i < 4; i++) {
    const QPOINT p = quadMap(q, st[i][0], st[i][1]);
    EXPECT_NEAR(p.x, pts[i].x, 1) << i;
    EXPECT_NEAR(p.y, pts[i].y, 1) << i;
  }
}

TEST(QuadMap, ParallelogramIsLinear) {
  const QPOINT pts[4] = {{0, 0}, {100, 0}, {100, 40}, {0, 40}};
  const QUADMAP q = quadMapMake(pts);
  EXPECT_FALSE(q.hasV1);
  EXPECT_FALSE(q.hasV2);
  const QPOINT p = quadMap(q, 0.25, 0.5);
  EXPECT_EQ(p.x, 25);
  EXPECT_EQ(p.y, 20);
}

TEST(QuadMap, TrapezoidCompressesTowardsItsVanishingPoint) {
  // Top edge shorter than the bottom: the top half of the square covers less
  // than half of the height.
  const QPOINT pts[4] = {{40, 0}, {60, 0}, {100, 100}, {0, 100}};
  const QUADMAP q = quadMapMake(pts);
  ASSERT_TRUE(q.hasV1);
  EXPECT_FALSE(q.hasV2);
  const QPOINT mid = quadMap(q, 0.5, 0.5);
  EXPECT_EQ(mid.x, 50);
  EXPECT_LT(mid.y, 50);
  EXPECT_GT(mid.y, 0);
}

template <class D>
class WarpT : public ::testing::Test {};
TYPED_TEST_SUITE(WarpT, BothDepths);

TYPED_TEST(WarpT, ForwardOntoItsOwnRectangleReproducesTheCrop) {
  BmPtr src = makeBm(TypeParam::bpp, 4, 4);
  paint(src.get(), "1234\n5678\n9abc\ndef1\n");
  const QPOINT pts[4] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
  BmPtr out(warpFwd(pts, src.get()));
  ASSERT_TRUE(out);
  EXPECT_EQ(out->w, 4);
  EXPECT_EQ(out->h, 4);
  EXPECT_EQ(pixelsOf(out.get()), pixelsOf(src.get()));
}

TYPED_TEST(WarpT, ForwardScalesAndLeavesTheOutsideEmpty) {
  BmPtr src = makeBm(TypeParam::bpp, 2, 2);
  paint(src.get(), "12\n34\n");
  const QPOINT pts[4] = {{2, 2}, {6, 2}, {6, 6}, {2, 6}};
  BmPtr out(warpFwd(pts, src.get()));
  ASSERT_TRUE(out);
  ASSERT_EQ(out->w, 6);
  ASSERT_EQ(out->h, 6);
  const std::vector<int> px = pixelsOf(out.get());
  EXPECT_EQ(px[0], 0);
  EXPECT_EQ(px[2 * 6 + 2], 1);
  EXPECT_EQ(px[2 * 6 + 5], 2);
  EXPECT_EQ(px[5 * 6 + 2], 3);
  EXPECT_EQ(px[5 * 6 + 5], 4);
  EXPECT_EQ(px[3 * 6 + 3], 1);
}

TEST(WarpFwd, TrapezoidAgreesWithQuadMapWithinAPixel) {
  // Source of 4 x 4 blocks of 8 x 8 pixels; rendered at size 1 (indexed).
  BmPtr src = makeBm(1, 32, 32);
  for (int y = 0; y < 32; y++)
    for (int x = 0; x < 32; x++) src->buf[y * 32 + x] = uint8_t(1 + x / 8 + 4 * (y / 8));
  const QPOINT pts[4] = {{30, 5}, {70, 10}, {90, 80}, {10, 70}};
  BmPtr out(warpFwd(pts, src.get()));
  ASSERT_TRUE(out);
  EXPECT_EQ(out->w, 90);
  EXPECT_EQ(out->h, 80);
  const QUADMAP q = quadMapMake(pts);
  for (int bi = 0; bi < 4; bi++)
    for (int bj = 0; bj < 4; bj++) {
      // The centre of each block lands well inside its warped image.
      const double s = (bj * 8 + 4) / 32.0, t = (bi * 8 + 4) / 32.0;
      const QPOINT p = quadMap(q, s, t);
      bool found = false;
      for (int dy = -1; dy <= 1; dy++)
        for (int dx = -1; dx <= 1; dx++)
          found |= bmPget(out.get(), p.x + dx, p.y + dy) == uint32_t(1 + bj + 4 * bi);
      EXPECT_TRUE(found) << bj << "," << bi;
    }
  EXPECT_EQ(bmPget(out.get(), 0, 0), 0u);  // outside the quadrilateral
  EXPECT_EQ(bmPget(out.get(), 89, 0), 0u);
}

TYPED_TEST(WarpT, DegenerateQuadrilateralsGiveNoImage) {
  BmPtr src = makeBm(TypeParam::bpp, 2, 2);
  const QPOINT flat[4] = {{0, 0}, {5, 0}, {5, 0}, {0, 0}};
  EXPECT_EQ(warpFwd(flat, src.get()), nullptr);
  const QPOINT negative[4] = {{-5, -5}, {-1, -5}, {-1, -1}, {-5, -1}};
  EXPECT_EQ(warpFwd(negative, src.get()), nullptr);
  const QPOINT farOff[4] = {{-2000000000, 0}, {5, 0}, {5, 5}, {0, 5}};
  EXPECT_EQ(warpFwd(farOff, src.get()), nullptr);
}

TYPED_TEST(WarpT, InverseOfAnAxisAlignedRectangleScalesTheRegion) {
  BmPtr src = makeBm(TypeParam::bpp, 8, 8);
  for (int y = 0; y < 8; y++)
    for (int x = 0; x < 8; x++) setIdx(src.get(), x, y, 1 + (x / 2) + 4 * (y / 2));
  const QPOINT pts[4] = {{2, 2}, {6, 2}, {6, 6}, {2, 6}};
  const QUADMAP q = quadMapMake(pts);
  BmPtr out(warpInv(q, src.get(), 2, 2));
  ASSERT_TRUE(out);
  EXPECT_EQ(pixelsOf(out.get()), (std::vector<int>{6, 7, 10, 11}));
  BmPtr same(warpInv(q, src.get(), 4, 4));
  ASSERT_TRUE(same);
  for (int y = 0; y < 4; y++)
    for (int x = 0; x < 4; x++)
      EXPECT_EQ(pixelsOf(same.get())[y * 4 + x], pixelsOf(src.get())[(y + 2) * 8 + x + 2]);
  EXPECT_EQ(warpInv(q, src.get(), 0, 3), nullptr);
}

}  // namespace
