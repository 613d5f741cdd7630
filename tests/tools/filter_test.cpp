#include "tools/filter.h"

#include "image/bmconv.h"
#include "tests/tools/tooltest.h"
#include "tools/undo.h"

namespace {

uint32_t px4(const BM* bm, int x, int y) { return bmPget(bm, x, y); }

TEST(BoxBlur, SinglePixelAndNeighbourhoodAverages) {
  BmPtr one = makeBm(4, 1, 1);
  bmpset(one.get(), 0, 0, rgbaMake(9, 99, 199, 255), 0);
  boxBlur(one.get());
  EXPECT_EQ(px4(one.get(), 0, 0), rgbaMake(9, 99, 199, 255));

  BmPtr bm = makeBm(4, 3, 3);
  bmpset(bm.get(), 1, 1, rgbaMake(90, 36, 18, 255), 0);
  boxBlur(bm.get());
  EXPECT_EQ(px4(bm.get(), 1, 1), rgbaMake(10, 4, 2, 28));  // 9 pixels
  EXPECT_EQ(px4(bm.get(), 0, 0), rgbaMake(22, 9, 4, 63));  // 4 in a corner
  EXPECT_EQ(px4(bm.get(), 1, 0), rgbaMake(15, 6, 3, 42));  // 6 on an edge
}

TEST(BoxBlur, IndexedCropBecomesDirectColour) {
  BmPtr bm = makeBm(1, 2, 1);
  bm->buf[0] = 100;
  bm->buf[1] = 200;
  boxBlur(bm.get());
  ASSERT_EQ(bm->bpp, 4);
  EXPECT_EQ(px4(bm.get(), 0, 0), rgbaMake(150, 150, 150, 255));
}

TEST(ScaleBright, BrightenAndDarkenKeepAlpha) {
  BmPtr bm = makeBm(4, 2, 1);
  bmpset(bm.get(), 0, 0, rgbaMake(200, 100, 0, 77), 0);
  bmpset(bm.get(), 1, 0, rgbaMake(255, 250, 1, 0), 0);
  BmPtr dark(bmDup(bm.get()));
  scaleBright(bm.get(), BRIGHT_UP);
  EXPECT_EQ(px4(bm.get(), 0, 0), rgbaMake(239, 119, 0, 77));
  EXPECT_EQ(px4(bm.get(), 1, 0), rgbaMake(255, 255, 1, 0));
  scaleBright(dark.get(), BRIGHT_DOWN);
  EXPECT_EQ(px4(dark.get(), 0, 0), rgbaMake(159, 79, 0, 77));
}

template <class D>
class EdgeT : public ::testing::Test {};
TYPED_TEST_SUITE(EdgeT, BothDepths);

TYPED_TEST(EdgeT, EdgingRingsASinglePixelButNeverTheOuterRing) {
  BmPtr bm = makeBm(TypeParam::bpp, 5, 5);
  setIdx(bm.get(), 2, 2, 50);
  setIdx(bm.get(), 0, 0, 50);  // its neighbours in the outer ring stay
  bm->pen = 9;
  edgeMark(bm.get());
  EXPECT_EQ(pixelsOf(bm.get()), (std::vector<int>{50, 0, 0,  0, 0,  //
                                                  0,  9, 9,  9, 0,  //
                                                  0,  9, 50, 9, 0,  //
                                                  0,  9, 9,  9, 0,  //
                                                  0,  0, 0,  0, 0}));
}

TYPED_TEST(EdgeT, ErosionTakesTheOutermostRingOfAShape) {
  BmPtr bm = makeBm(TypeParam::bpp, 7, 7);
  for (int y = 1; y < 6; y++)
    for (int x = 1; x < 6; x++) setIdx(bm.get(), x, y, 80);
  bm->pen = 0;
  edgeErode(bm.get());
  const std::vector<int> px = pixelsOf(bm.get());
  for (int y = 0; y < 7; y++)
    for (int x = 0; x < 7; x++) {
      const bool keep = x >= 2 && x <= 4 && y >= 2 && y <= 4;
      EXPECT_EQ(px[y * 7 + x], keep ? 80 : 0) << x << "," << y;
    }
}

TEST(EdgeMark, DirectTestsAlphaNotColour) {
  BmPtr bm = makeBm(4, 3, 3);
  bmpset(bm.get(), 1, 1, rgbaMake(50, 50, 50, 0), 0);  // coloured but transparent
  bmpset(bm.get(), 0, 1, rgbaMake(0, 0, 0, 1), 0);     // black but opaque enough
  bm->pen = 200;
  edgeMark(bm.get());
  EXPECT_EQ(px4(bm.get(), 1, 1), rgbaMake(200, 200, 200, 255));
}

template <class D>
class BevelT : public ::testing::Test {};
TYPED_TEST_SUITE(BevelT, BothDepths);

TYPED_TEST(BevelT, PushOnFourByFourMeetsAsInTheTable) {
  BmPtr bm = makeBm(TypeParam::bpp, 4, 4);
  bevelDraw(bm.get(), 0, 0, 4, 4, BEVEL_PUSH);
  // W white 255, F face (green 208), G grey 128, D dark 64 (green channel /
  // index of the nearest grey).
  const int g = 128, d = 64, f = TypeParam::bpp == 1 ? 207 : 208, w = 255;
  EXPECT_EQ(pixelsOf(bm.get()), (std::vector<int>{g, g, g, w,  //
                                                  g, d, f, w,  //
                                                  g, f, f, w,  //
                                                  w, w, w, w}));
}

TYPED_TEST(BevelT, PullKeepsTheInsideOfLargerSelections) {
  BmPtr bm = makeBm(TypeParam::bpp, 8, 7);
  for (int y = 0; y < 7; y++)
    for (int x = 0; x < 8; x++) setIdx(bm.get(), x, y, 33);
  undoBegin(bm.get());
  const std::vector<uint8_t> before = snapshot(bm.get());
  bevelDraw(bm.get(), 1, 1, 7, 6, BEVEL_PULL);
  const std::vector<int> px = pixelsOf(bm.get());
  EXPECT_EQ(px[1 * 8 + 1], 255);  // top-left white
  EXPECT_EQ(px[5 * 8 + 6], 64);   // bottom-right dark
  EXPECT_EQ(px[4 * 8 + 2], 128);  // inner bottom grey
  EXPECT_EQ(px[3 * 8 + 3], 33);   // inside the bevel
  EXPECT_EQ(px[3 * 8 + 4], 33);
  EXPECT_EQ(px[0], 33);  // outside
  EXPECT_EQ(dbCnt(bm->undo), 8);
  undoApply(bm.get());
  EXPECT_EQ(snapshot(bm.get()), before);
}

TYPED_TEST(BevelT, PushFramesLargerSelectionsAndKeepsTheInside) {
  BmPtr bm = makeBm(TypeParam::bpp, 8, 7);
  for (int y = 0; y < 7; y++)
    for (int x = 0; x < 8; x++) setIdx(bm.get(), x, y, 33);
  bevelDraw(bm.get(), 1, 1, 7, 6, BEVEL_PUSH);
  const int f = TypeParam::bpp == 1 ? 207 : 208;
  const std::vector<int> px = pixelsOf(bm.get());
  auto at = [&](int x, int y) { return px[y * 8 + x]; };
  EXPECT_EQ(at(1, 1), 128);  // outer top and left grey
  EXPECT_EQ(at(5, 1), 128);
  EXPECT_EQ(at(1, 4), 128);
  EXPECT_EQ(at(6, 1), 255);  // outer right and bottom white
  EXPECT_EQ(at(6, 5), 255);
  EXPECT_EQ(at(1, 5), 255);
  EXPECT_EQ(at(2, 2), 64);  // inner top and left dark
  EXPECT_EQ(at(4, 2), 64);
  EXPECT_EQ(at(2, 3), 64);
  EXPECT_EQ(at(3, 4), f);  // inner bottom and right face
  EXPECT_EQ(at(5, 2), f);
  EXPECT_EQ(at(3, 3), 33);  // inside the frame
  EXPECT_EQ(at(4, 3), 33);
  for (int x = 0; x < 8; x++) EXPECT_EQ(at(x, 0), 33);  // outside the selection
  for (int y = 0; y < 7; y++) EXPECT_EQ(at(0, y), 33);
  for (int x = 0; x < 8; x++) EXPECT_EQ(at(x, 6), 33);
}

TEST(ShadeOutline, ShadesOnlyOutsideTheShapeLitFromTheTopLeft) {
  BmPtr bm = makeBm(4, 12, 12);
  for (int y = 3; y < 9; y++)
    for (int x = 3; x < 9; x++) bmpset(bm.get(), x, y, rgbaMake(10, 20, 30, 255), 0);
  bm->pen = 1;
  bm->cmap[1] = rgbaMake(200, 100, 50, 255);
  shadeOutline(bm.get());
  // Inside unchanged.
  EXPECT_EQ(px4(bm.get(), 5, 5), rgbaMake(10, 20, 30, 255));
  // The ring just outside the shape: the left side runs down (light), the
  // right side up (dark), so left pixels are brighter than right ones.
  const uint32_t left = px4(bm.get(), 2, 5), right = px4(bm.get(), 9, 5);
  EXPECT_EQ(rgbaA(left), 255u);
  EXPECT_EQ(rgbaA(right), 255u);
  EXPECT_GT(rgbaR(left), rgbaR(right));
  EXPECT_EQ(rgbaR(left), 141u);  // 200 * (1 - 0) / sqrt(2)
  EXPECT_EQ(rgbaG(left), 70u);
  // Pixels away from the outline stay transparent.
  EXPECT_EQ(px4(bm.get(), 0, 0), 0u);
}

TEST(ShadeOutline, TinyShapesGetBlackOutlines) {
  BmPtr bm = makeBm(4, 5, 5);
  bmpset(bm.get(), 2, 2, rgbaMake(1, 2, 3, 255), 0);
  bm->pen = 1;
  bm->cmap[1] = rgbaMake(200, 100, 50, 255);
  shadeOutline(bm.get());
  EXPECT_EQ(px4(bm.get(), 1, 2), rgbaMake(0, 0, 0, 255));
  EXPECT_EQ(px4(bm.get(), 2, 3), rgbaMake(0, 0, 0, 255));
  EXPECT_EQ(px4(bm.get(), 2, 2), rgbaMake(1, 2, 3, 255));
}

TEST(HsvAdjust, HundredKeepsColoursAndBothExtremesTurnHalfway) {
  const uint32_t orange = rgbaMake(255, 128, 0, 200);
  EXPECT_EQ(hsvAdjustColor(orange, 100, 100, 100, 100), rgbaMake(255, 128, 0, 255));
  const uint32_t a = hsvAdjustColor(orange, 200, 100, 100, 100);
  const uint32_t b = hsvAdjustColor(orange, 0, 100, 100, 100);
  EXPECT_EQ(a, b);
  EXPECT_EQ(rgbaR(a), 0u);
  EXPECT_NEAR(double(rgbaG(a)), 127, 1);
  EXPECT_EQ(rgbaB(a), 255u);
}

TEST(HsvAdjust, NeutralSettingsKeepEveryColour) {
  int changed = 0;
  for (int r = 0; r < 256; r += 3)
    for (int g = 0; g < 256; g += 5)
      for (int b = 0; b < 256; b++)
        changed +=
            hsvAdjustColor(rgbaMake(r, g, b, 255), 100, 100, 100, 100) != rgbaMake(r, g, b, 255);
  EXPECT_EQ(changed, 0);
}

TEST(HsvAdjust, SaturationValueAndAlphaSettings) {
  EXPECT_EQ(hsvAdjustColor(rgbaMake(255, 0, 0, 255), 100, 0, 100, 100),
            rgbaMake(255, 255, 255, 255));
  EXPECT_EQ(hsvAdjustColor(rgbaMake(200, 100, 0, 255), 100, 100, 50, 100),
            rgbaMake(100, 50, 0, 255));
  EXPECT_EQ(hsvAdjustColor(rgbaMake(200, 100, 0, 9), 100, 100, 300, 50),
            rgbaMake(255, 128, 0, 127));  // 127.5 rounds up
  EXPECT_EQ(hsvAdjustColor(rgbaMake(200, 100, 0, 0), 100, 100, 100, 100), rgbaMake(200, 100, 0, 0));
  EXPECT_EQ(hsvAdjustColor(rgbaMake(1, 1, 1, 1), 100, 100, 100, 400), rgbaMake(1, 1, 1, 255));
}

TEST(HsvAdjust, IndexedConvertsTheColourMapDirectConvertsPixels) {
  BmPtr idx = makeBm(1, 2, 1);
  idx->buf[1] = 7;
  BmPtr out(hsvAdjust(idx.get(), 100, 100, 50, 100));
  EXPECT_EQ(out->buf[1], 7);
  EXPECT_EQ(out->cmap[200], rgbaMake(100, 100, 100, 255));
  EXPECT_EQ(out->cmap[0], 0u);
  EXPECT_EQ(idx->cmap[200], rgbaMake(200, 200, 200, 255));  // source untouched
  BmPtr dir = makeBm(4, 1, 1);
  bmpset(dir.get(), 0, 0, rgbaMake(200, 100, 0, 255), 0);
  BmPtr out2(hsvAdjust(dir.get(), 100, 100, 50, 100));
  EXPECT_EQ(px4(out2.get(), 0, 0), rgbaMake(100, 50, 0, 255));
}

TYPED_TEST(EdgeT, FilterRegionPastesTheFilteredCropBack) {
  BmPtr bm = makeBm(TypeParam::bpp, 6, 6);
  for (int y = 0; y < 6; y++)
    for (int x = 0; x < 6; x++) setIdx(bm.get(), x, y, 100);
  setIdx(bm.get(), 3, 3, 0);
  bm->pen = 9;
  undoBegin(bm.get());
  const std::vector<uint8_t> before = snapshot(bm.get());
  filterRegion(bm.get(), 5, 5, 1, 1, edgeErode);
  const std::vector<int> px = pixelsOf(bm.get());
  EXPECT_EQ(px[2 * 6 + 2], 9);    // touches the hole at (3,3)
  EXPECT_EQ(px[2 * 6 + 1], 100);  // crop border
  EXPECT_EQ(px[0], 100);          // outside the selection
  undoApply(bm.get());
  EXPECT_EQ(snapshot(bm.get()), before);
}

}  // namespace
