#include "tools/airbrush.h"

#include <cmath>
#include <vector>

#include "tests/tools/tooltest.h"
#include "tools/undo.h"

namespace {

TEST(AirRng, IsTheClassicSequenceFromSeedOne) {
  AirRng rng;
  EXPECT_EQ(rng(), 41);
  EXPECT_EQ(rng(), 18467);
  EXPECT_EQ(rng(), 6334);
  for (int i = 0; i < 1000; i++) {
    const int v = rng();
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 32767);
  }
}

TEST(AirPattern, GaussianAlphaInTheColour) {
  BmPtr p(airPattern(64, rgbaMake(10, 20, 30, 255)));
  ASSERT_TRUE(p);
  EXPECT_EQ(p->w, 64);
  EXPECT_EQ(p->bpp, 4);
  EXPECT_EQ(bmPget(p.get(), 32, 32), rgbaMake(10, 20, 30, 255));
  // One standard deviation (d = 1) from the centre: exp(-1/2) of full.
  EXPECT_EQ(rgbaA(bmPget(p.get(), 40, 32)),
            uint32_t(std::exp(-0.5) / std::sqrt(2 * M_PI) / 0.398942 * 255));
  EXPECT_EQ(rgbaA(bmPget(p.get(), 32, 24)), rgbaA(bmPget(p.get(), 40, 32)));
  EXPECT_LT(rgbaA(bmPget(p.get(), 0, 0)), 2u);
  BmPtr half(airPattern(4, rgbaMake(1, 1, 1, 100)));
  EXPECT_EQ(rgbaA(bmPget(half.get(), 2, 2)), 100u);
  BmPtr empty(airPattern(0, 0xffffffff));
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->w * empty->h, 0);
}

TEST(AirSpray, IndexedWritesSixteenLoggedDotsAroundThePointer) {
  BmPtr bm = makeBm(1, 200, 200);
  bm->pen = 77;
  AIRCACHE cache;
  AirRng rng;
  AirRandom rnd = [&] { return rng(); };
  airSprayStep(bm.get(), 100.5, 100.5, AIR_PLAIN, 64, 0, &cache, rnd);
  EXPECT_EQ(dbCnt(bm->undo), 16);
  int dots = 0;
  for (int y = 0; y < 200; y++)
    for (int x = 0; x < 200; x++)
      if (bm->buf[y * 200 + x]) {
        EXPECT_EQ(bm->buf[y * 200 + x], 77);
        EXPECT_LE(std::abs(x - 100), 64);
        EXPECT_LE(std::abs(y - 100), 64);
        dots++;
      }
  EXPECT_GE(dots, 1);
  EXPECT_LE(dots, 16);
  airCacheFree(&cache);
}

TEST(AirSpray, SameRandomSequenceGivesTheSameStroke) {
  auto stroke = [](int calls) {
    BmPtr bm = makeBm(1, 64, 64);
    bm->pen = 5;
    AIRCACHE cache;
    AirRng rng;
    for (int i = 0; i < calls; i++)
      airSprayStep(bm.get(), 32, 32, AIR_PLAIN, 20, 0, &cache, [&] { return rng(); });
    airCacheFree(&cache);
    return snapshot(bm.get());
  };
  EXPECT_EQ(stroke(3), stroke(3));
  EXPECT_NE(stroke(1), stroke(3));
}

TEST(AirSpray, FixedRandomValuesGiveKnownOffsets) {
  // r = 32767 for every term: each term is size - size/2, twelve of them / 6.
  BmPtr bm = makeBm(1, 64, 64);
  bm->pen = 5;
  AIRCACHE cache;
  airSprayStep(bm.get(), 10.9, 10.2, AIR_PLAIN, 6, 0, &cache, [] { return 32767; });
  EXPECT_EQ(bm->buf[16 * 64 + 16], 5);  // 10.9 + 6 -> 16, 10.2 + 6 -> 16
  EXPECT_EQ(dbCnt(bm->undo), 16);
  airCacheFree(&cache);
}

TEST(AirSpray, DirectPlainPastesThePatternCentredOnThePointer) {
  BmPtr bm = makeBm(4, 20, 20);
  bm->pen = 3;
  bm->cmap[3] = rgbaMake(255, 0, 0, 255);
  AIRCACHE cache;
  AirRng rng;
  airSprayStep(bm.get(), 10.7, 10.7, AIR_PLAIN, 8, 0, &cache, [&] { return rng(); });
  // Pattern 8x8 at (trunc(10.7 - 4), ...) = (6, 6); its centre (4,4) is opaque.
  EXPECT_EQ(bmPget(bm.get(), 10, 10), rgbaMake(255, 0, 0, 255));
  EXPECT_EQ(bmPget(bm.get(), 5, 10), 0u);
  EXPECT_EQ(cache.size, 8);
  EXPECT_EQ(cache.color, rgbaMake(255, 0, 0, 255));
  const BM* first = cache.pattern;
  airSprayStep(bm.get(), 10.7, 10.7, AIR_PLAIN, 8, 0, &cache, [&] { return rng(); });
  EXPECT_EQ(cache.pattern, first);  // cached
  bm->cmap[3] = rgbaMake(0, 255, 0, 255);
  airSprayStep(bm.get(), 10.7, 10.7, AIR_PLAIN, 8, 0, &cache, [&] { return rng(); });
  EXPECT_EQ(cache.color, rgbaMake(0, 255, 0, 255));
  EXPECT_EQ(bmPget(bm.get(), 10, 10), rgbaMake(0, 255, 0, 255));
  airCacheFree(&cache);
}

TEST(AirSpray, LightenAndDarkenShiftByThePatternAmount) {
  for (int variant : {AIR_LIGHTEN, AIR_DARKEN}) {
    BmPtr bm = makeBm(4, 16, 16);
    for (int y = 0; y < 16; y++)
      for (int x = 0; x < 16; x++) bmpset(bm.get(), x, y, rgbaMake(100, 250, 5, 255), 0);
    bm->pen = 1;
    bm->cmap[1] = rgbaMake(40, 40, 40, 255);
    undoBegin(bm.get());
    const std::vector<uint8_t> before = snapshot(bm.get());
    AIRCACHE cache;
    airSprayStep(bm.get(), 8, 8, variant, 8, 1, &cache, [] { return 0; });
    const uint32_t centre = bmPget(bm.get(), 8, 8);
    if (variant == AIR_LIGHTEN)
      EXPECT_EQ(centre, rgbaMake(140, 255, 45, 255));
    else
      EXPECT_EQ(centre, rgbaMake(60, 210, 0, 255));
    EXPECT_EQ(bmPget(bm.get(), 0, 0), rgbaMake(100, 250, 5, 255));  // outside the pattern
    undoApply(bm.get());
    EXPECT_EQ(snapshot(bm.get()), before);
    airCacheFree(&cache);
  }
}

}  // namespace
