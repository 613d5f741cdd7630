#include "tools/region.h"

#include <cmath>

#include "tests/tools/tooltest.h"
#include "tools/undo.h"

namespace {

TEST(Resample, EnlargingReplicatesPixels) {
  BmPtr src = makeBm(4, 2, 2);
  const uint32_t c[4] = {rgbaMake(1, 2, 3, 255), rgbaMake(4, 5, 6, 255), rgbaMake(7, 8, 9, 255),
                         rgbaMake(10, 11, 12, 255)};
  for (int i = 0; i < 4; i++) bmpset(src.get(), i % 2, i / 2, c[i], 0);
  BmPtr dst = makeBm(4, 4, 4);
  ASSERT_EQ(resample(dst.get(), src.get()), 1);
  for (int y = 0; y < 4; y++)
    for (int x = 0; x < 4; x++) EXPECT_EQ(bmPget(dst.get(), x, y), c[(y / 2) * 2 + x / 2]);
}

TEST(Resample, ShrinkingAveragesOpaquePixelsOnly) {
  BmPtr src = makeBm(4, 4, 4);
  bmpset(src.get(), 0, 0, rgbaMake(100, 0, 0, 255), 0);
  bmpset(src.get(), 1, 0, rgbaMake(50, 0, 0, 255), 0);
  bmpset(src.get(), 0, 1, rgbaMake(255, 255, 255, 0), 0);  // transparent: ignored
  bmpset(src.get(), 2, 2, rgbaMake(9, 9, 9, 100), 0);
  BmPtr dst = makeBm(4, 2, 2);
  ASSERT_EQ(resample(dst.get(), src.get()), 1);
  EXPECT_EQ(bmPget(dst.get(), 0, 0), rgbaMake(75, 0, 0, 255));
  EXPECT_EQ(bmPget(dst.get(), 1, 0), 0u);
  EXPECT_EQ(bmPget(dst.get(), 1, 1), rgbaMake(9, 9, 9, 100));
}

TEST(Resample, IndexedTakesTheFirstCoveredPixel) {
  BmPtr src = makeBm(1, 4, 2);
  for (int i = 0; i < 8; i++) src->buf[i] = uint8_t(10 + i);
  BmPtr dst = makeBm(1, 2, 1);
  ASSERT_EQ(resample(dst.get(), src.get()), 1);
  EXPECT_EQ(dst->buf[0], 10);
  EXPECT_EQ(dst->buf[1], 12);
  BmPtr big = makeBm(1, 8, 4);
  ASSERT_EQ(resampleIdx(big.get(), src.get()), 1);
  EXPECT_EQ(big->buf[3 * 8 + 7], 17);
}

TEST(ScaleCopy, IndexedCropBecomesDirectWithTheDestinationMap) {
  BmPtr crop = makeBm(1, 2, 2);
  crop->buf[0] = 10;
  crop->buf[3] = 200;
  BmPtr dest = makeBm(1, 1, 1);
  dest->cmap[5] = rgbaMake(1, 2, 3, 4);
  BmPtr out(scaleCopy(crop.get(), 4, 4, dest.get()));
  ASSERT_TRUE(out);
  EXPECT_EQ(out->bpp, 4);
  EXPECT_EQ(out->cmap[5], rgbaMake(1, 2, 3, 4));
  EXPECT_EQ(bmPget(out.get(), 1, 1), rgbaMake(10, 10, 10, 255));
  EXPECT_EQ(bmPget(out.get(), 3, 3), rgbaMake(200, 200, 200, 255));
  EXPECT_EQ(bmPget(out.get(), 3, 0), 0u);  // index 0 is transparent black
  EXPECT_EQ(crop->bpp, 1);                 // the crop itself is kept
  EXPECT_EQ(scaleCopy(crop.get(), 0, 4, dest.get()), nullptr);
}

TEST(Resample, IntoANewImageOfTheSourceDepth) {
  BmPtr src = makeBm(4, 2, 2);
  const uint32_t c[4] = {rgbaMake(1, 2, 3, 255), rgbaMake(4, 5, 6, 255), rgbaMake(7, 8, 9, 0),
                         rgbaMake(10, 11, 12, 255)};
  for (int i = 0; i < 4; i++) bmpset(src.get(), i % 2, i / 2, c[i], 0);
  src->cmap[3] = rgbaMake(9, 8, 7, 6);
  BmPtr big(resample(4, 4, src.get()));
  ASSERT_TRUE(big);
  EXPECT_EQ(big->bpp, 4);
  EXPECT_EQ(big->cmap[3], rgbaMake(9, 8, 7, 6));
  for (int y = 0; y < 4; y++)
    for (int x = 0; x < 4; x++) {
      // Enlarging replicates, even a transparent pixel's colour is dropped to 0.
      const uint32_t want = c[(y / 2) * 2 + x / 2];
      EXPECT_EQ(bmPget(big.get(), x, y), rgbaA(want) ? want : 0u) << x << "," << y;
    }
  BmPtr one(resample(1, 1, src.get()));
  ASSERT_TRUE(one);
  EXPECT_EQ(bmPget(one.get(), 0, 0), rgbaMake(5, 6, 7, 255));  // three opaque pixels
  EXPECT_EQ(resample(0, 3, src.get()), nullptr);
  EXPECT_EQ(resampleIdx(2, 2, src.get()), nullptr);  // a direct source is not indexed

  BmPtr idx = makeBm(1, 4, 2);
  for (int i = 0; i < 8; i++) idx->buf[i] = uint8_t(20 + i);
  BmPtr small(resampleIdx(2, 1, idx.get()));
  ASSERT_TRUE(small);
  EXPECT_EQ(small->bpp, 1);
  EXPECT_EQ(pixelsOf(small.get()), (std::vector<int>{20, 22}));
  BmPtr viaResample(resample(2, 1, idx.get()));
  ASSERT_TRUE(viaResample);
  EXPECT_EQ(pixelsOf(viaResample.get()), (std::vector<int>{20, 22}));
}

TEST(Resample, MismatchedOrEmptyImagesAreRefused) {
  BmPtr a = makeBm(4, 2, 2), b = makeBm(1, 2, 2), e = makeBm(4, 0, 3);
  EXPECT_EQ(resample(a.get(), b.get()), 0);
  EXPECT_EQ(resample(a.get(), e.get()), 0);
  EXPECT_EQ(resample(e.get(), a.get()), 0);
}

template <class D>
class RegionT : public ::testing::Test {};
TYPED_TEST_SUITE(RegionT, BothDepths);

TYPED_TEST(RegionT, RotationByZeroKeepsTheImage) {
  BmPtr bm = makeBm(TypeParam::bpp, 3, 3);
  paint(bm.get(), "123\n456\n789\n");
  rotNearest(bm.get(), 0);
  EXPECT_EQ(pixelsOf(bm.get()), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TYPED_TEST(RegionT, RotateWithoutMovingPastesTheSelectionBackAsOneStep) {
  BmPtr bm = makeBm(TypeParam::bpp, 6, 5);
  for (int i = 0; i < 30; i++) setIdx(bm.get(), i % 6, i / 6, 1 + i);
  const std::vector<uint8_t> before = snapshot(bm.get());
  undoBegin(bm.get());
  BmPtr crop(bmCrop(bm.get(), 1, 1, 4, 3));
  ASSERT_TRUE(crop);
  rotNearest(crop.get(), 0);
  bmPaste(bm.get(), crop.get(), 1, 1, 0);
  EXPECT_EQ(snapshot(bm.get()), before);
  EXPECT_EQ(dbCnt(bm->undo), 1);
  bmpset(bm.get(), 2, 2, valueOf(bm.get(), 99), 1);  // so the undo is visible
  undoApply(bm.get());
  EXPECT_EQ(pixelsOf(bm.get())[2 * 6 + 2], 15);
}

TYPED_TEST(RegionT, QuarterTurnMovesPixelsAboutTheCentre) {
  BmPtr bm = makeBm(TypeParam::bpp, 9, 9);
  setIdx(bm.get(), 6, 4, 7);  // two right of the centre (4, 4)
  setIdx(bm.get(), 4, 4, 3);
  rotNearest(bm.get(), M_PI / 2);
  const std::vector<int> px = pixelsOf(bm.get());
  EXPECT_EQ(px[4 * 9 + 4], 3);  // the centre stays
  EXPECT_EQ(px[2 * 9 + 4], 7);  // now two above the centre
  EXPECT_EQ(px[4 * 9 + 6], 0);
}

TYPED_TEST(RegionT, RotationLosesCornersAndLeavesUncoveredAreasZero) {
  BmPtr bm = makeBm(TypeParam::bpp, 8, 2);
  for (int x = 0; x < 8; x++) setIdx(bm.get(), x, 0, 5), setIdx(bm.get(), x, 1, 5);
  rotNearest(bm.get(), M_PI / 2);
  const std::vector<int> px = pixelsOf(bm.get());
  EXPECT_EQ(px[0], 0);
  EXPECT_EQ(px[7], 0);
  EXPECT_EQ(px[8 + 4], 5);  // near the centre the strip still covers
}

TYPED_TEST(RegionT, FullyTransparentCopyErasesInTransparentMode) {
  BmPtr target = makeBm(TypeParam::bpp, 4, 4);
  for (int i = 0; i < 16; i++) setIdx(target.get(), i % 4, i / 4, 40);
  BmPtr crop = makeBm(TypeParam::bpp, 2, 2);
  ASSERT_EQ(bmAllTransparent(crop.get()), 1);
  regionPlace(target.get(), crop.get(), 1, 1, 0, bmAllTransparent(crop.get()));
  EXPECT_EQ(pixelsOf(target.get())[5], 0);
  EXPECT_EQ(pixelsOf(target.get())[0], 40);
}

TYPED_TEST(RegionT, TransparentCopySkipsTransparentPixels) {
  BmPtr target = makeBm(TypeParam::bpp, 3, 1);
  paint(target.get(), "444\n");
  BmPtr crop = makeBm(TypeParam::bpp, 3, 1);
  paint(crop.get(), "909\n");
  ASSERT_EQ(bmAllTransparent(crop.get()), 0);
  regionPlace(target.get(), crop.get(), 0, 0, 0, 0);
  EXPECT_EQ(pixelsOf(target.get()), (std::vector<int>{9, 4, 9}));
  regionPlace(target.get(), crop.get(), 0, 0, 1, 0);
  EXPECT_EQ(pixelsOf(target.get()), (std::vector<int>{9, 0, 9}));
}

TYPED_TEST(RegionT, BackCopyShowsOnlyBehindTheTarget) {
  BmPtr target = makeBm(TypeParam::bpp, 4, 1);
  paint(target.get(), "3003\n");
  BmPtr crop = makeBm(TypeParam::bpp, 4, 1);
  paint(crop.get(), "7777\n");
  undoBegin(target.get());
  regionBackPlace(target.get(), crop.get(), 0, 0, 0, 0);
  EXPECT_EQ(pixelsOf(target.get()), (std::vector<int>{3, 7, 7, 3}));
  BmPtr opaqueTarget = makeBm(TypeParam::bpp, 2, 1);
  paint(opaqueTarget.get(), "56\n");
  regionBackPlace(opaqueTarget.get(), crop.get(), 0, 0, 1, 0);
  EXPECT_EQ(pixelsOf(opaqueTarget.get()), (std::vector<int>{5, 6}));
  undoApply(target.get());
  EXPECT_EQ(pixelsOf(target.get()), (std::vector<int>{3, 0, 0, 3}));
}

TEST(RegionPlace, DirectCropBecomesNearestIndicesOnAnIndexedTarget) {
  BmPtr target = makeBm(1, 2, 1);
  BmPtr crop = makeBm(4, 2, 1);
  bmpset(crop.get(), 0, 0, rgbaMake(100, 101, 99, 255), 0);
  bmpset(crop.get(), 1, 0, rgbaMake(30, 30, 30, 128), 0);  // half transparent: still mapped
  regionPlace(target.get(), crop.get(), 0, 0, 0, 0);
  EXPECT_EQ(target->buf[0], 100);
  EXPECT_EQ(target->buf[1], 30);  // mapped to the nearest entry, not blended
}

}  // namespace
