#include "std/rgba2cmap2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <vector>

#include "std/rgba2cmap2_impl.h"
#include "tests/std/quant_ref.h"

namespace {

using Pixels = std::vector<uint8_t>;

void put(Pixels& px, size_t i, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  px[4 * i] = r;
  px[4 * i + 1] = g;
  px[4 * i + 2] = b;
  px[4 * i + 3] = a;
}

std::vector<uint8_t> entry(const uint8_t* cmap, int i) {
  return std::vector<uint8_t>(cmap + 4 * i, cmap + 4 * i + 4);
}

using Rgba = std::vector<uint8_t>;

// ---- building the colour map ------------------------------------------------

TEST(Rgba2cmap, FewBucketsKeepOrderOfFirstAppearance) {
  Pixels px(6 * 4);
  put(px, 0, 200, 10, 10);
  put(px, 1, 10, 200, 10);
  put(px, 2, 10, 200, 10);
  put(px, 3, 10, 10, 200);
  put(px, 4, 10, 10, 200);
  put(px, 5, 10, 10, 200);
  uint8_t cmap[1024];
  std::memset(cmap, 0x77, sizeof cmap);
  EXPECT_EQ(rgba2cmap(cmap, px.data(), 6, 8, 0), 3);
  EXPECT_EQ(entry(cmap, 0), (Rgba{200, 10, 10, 255}));
  EXPECT_EQ(entry(cmap, 1), (Rgba{10, 200, 10, 255}));
  EXPECT_EQ(entry(cmap, 2), (Rgba{10, 10, 200, 255}));
  EXPECT_EQ(entry(cmap, 3), (Rgba{0x77, 0x77, 0x77, 0x77})) << "entries past the colours stay";
}

TEST(Rgba2cmap, LowestBitsShareABucketWithWeightedAverage) {
  Pixels px(4 * 4);
  put(px, 0, 100, 50, 20, 255);
  put(px, 1, 101, 51, 21, 254);
  put(px, 2, 101, 51, 21, 254);
  put(px, 3, 101, 51, 21, 254);
  uint8_t cmap[1024] = {};
  ASSERT_EQ(rgba2cmap(cmap, px.data(), 4, 16, 0), 1);
  // (100 + 3 * 101) / 4 = 100.75 -> 100; alpha (255 + 3 * 254) / 4 = 254.25 -> 254.
  EXPECT_EQ(entry(cmap, 0), (Rgba{100, 50, 20, 254}));
}

TEST(Rgba2cmap, NoPixelsGiveNoColoursAndClearEntryZero) {
  uint8_t cmap[1024];
  std::memset(cmap, 0x55, sizeof cmap);
  EXPECT_EQ(rgba2cmap(cmap, nullptr, 0, 256, 0), 0);
  EXPECT_EQ(entry(cmap, 0), (Rgba{0, 0, 0, 0}));
  EXPECT_EQ(entry(cmap, 1), (Rgba{0x55, 0x55, 0x55, 0x55}));
}

// A grey ramp with one dominant dark colour.
Pixels rampWithDominant(int n, int dominant) {
  Pixels px(size_t(n + dominant) * 4);
  for (int i = 0; i < n; i++) put(px, i, uint8_t(2 * i + 20), uint8_t(2 * i + 20), uint8_t(2 * i));
  for (int i = 0; i < dominant; i++) put(px, n + i, 30, 30, 8);
  return px;
}

TEST(Rgba2cmap, MostFrequentColourSurvivesThinning) {
  Pixels px = rampWithDominant(100, 50);
  for (int maxn : {1, 2, 3, 8, 40}) {
    uint8_t cmap[1024] = {};
    int e = rgba2cmap(cmap, px.data(), px.size() / 4, maxn, 0);
    EXPECT_LE(e, maxn);
    EXPECT_GE(e, 1);
    EXPECT_EQ(entry(cmap, 0), (Rgba{30, 30, 8, 255})) << "maxcmapn " << maxn;
  }
}

TEST(Rgba2cmap, TwoColourTargetProtectsAtMostOneBucket) {
  // Two equally frequent colours right next to each other: were both
  // protected, both would stay and a third, far colour would be lost.
  Pixels px(21 * 4);
  for (int i = 0; i < 10; i++) put(px, i, 100, 100, 100);
  for (int i = 10; i < 20; i++) put(px, i, 102, 100, 100);
  put(px, 20, 250, 0, 250);
  uint8_t cmap[1024] = {};
  ASSERT_EQ(rgba2cmap(cmap, px.data(), 21, 2, 0), 2);
  EXPECT_EQ(entry(cmap, 0), (Rgba{100, 100, 100, 255}));
  EXPECT_EQ(entry(cmap, 1), (Rgba{250, 0, 250, 255}));
}

TEST(Rgba2cmap, HugeBucketAveragesExactly) {
  // More white pixels than a 32-bit sum of one channel can hold, plus a few
  // of a nearly white colour in the same bucket.
  const size_t white = (size_t(1) << 24) + 3;
  std::vector<uint32_t> px(white + 4, 0xFFFFFFFFu);
  for (size_t i = white; i < px.size(); i++) px[i] = 0xFEFEFEFEu;
  uint8_t cmap[1024] = {};
  ASSERT_EQ(rgba2cmap(cmap, px.data(), px.size(), 256, 0), 1);
  EXPECT_EQ(entry(cmap, 0), (Rgba{254, 254, 254, 254}))
      << "4 of 16.8 million pixels one lower: the average truncates to 254";
  std::fill(px.begin() + white, px.end(), 0xFFFFFFFFu);
  ASSERT_EQ(rgba2cmap(cmap, px.data(), px.size(), 256, 0), 1);
  EXPECT_EQ(entry(cmap, 0), (Rgba{255, 255, 255, 255}));
}

// ---- the count never exceeds maxcmapn - top --------------------------------

TEST(Rgba2cmapMend, NoRoomGivesNoColours) {
  Pixels px = rampWithDominant(10, 3);
  uint8_t cmap[1024] = {};
  EXPECT_EQ(rgba2cmap(cmap, px.data(), px.size() / 4, 0, 0), 0);
  EXPECT_EQ(rgba2cmap(cmap, px.data(), px.size() / 4, -5, 0), 0);
  EXPECT_EQ(rgba2cmap(cmap, px.data(), px.size() / 4, 4, 4), 0);
  EXPECT_EQ(rgba2cmap(cmap, px.data(), px.size() / 4, 4, 9), 0);
}

TEST(Rgba2cmapMend, FarApartColoursKeepTheMostFrequent) {
  // Colours differing fully in at least two channels lie farther apart than
  // the widest threshold, so no thinning can bring them down to the room.
  const uint8_t corners[8][4] = {{0, 0, 0, 0},     {255, 255, 0, 0},    {255, 0, 255, 0},
                                 {255, 0, 0, 255}, {0, 255, 255, 0},    {0, 255, 0, 255},
                                 {0, 0, 255, 255}, {255, 255, 255, 255}};
  Pixels px;
  for (int c = 0; c < 8; c++)
    for (int k = 0; k < 10 + 3 * c; k++) {  // later colours are more frequent
      px.resize(px.size() + 4);
      put(px, px.size() / 4 - 1, corners[c][0], corners[c][1], corners[c][2], corners[c][3]);
    }
  const size_t count = px.size() / 4;
  for (int maxn = 1; maxn < 8; maxn++) {
    uint8_t cmap[1024] = {};
    ASSERT_EQ(rgba2cmap(cmap, px.data(), count, maxn, 0), maxn);
    for (int i = 0; i < maxn; i++) {
      const uint8_t* want = corners[7 - i];
      EXPECT_EQ(entry(cmap, i), (Rgba{want[0], want[1], want[2], want[3]})) << maxn << " " << i;
    }
  }
}

TEST(Rgba2cmapMend, TopEntriesAreLeftAlone) {
  Pixels px = rampWithDominant(60, 5);
  uint8_t cmap[1024];
  std::memset(cmap, 0x33, sizeof cmap);
  int e = rgba2cmap(cmap, px.data(), px.size() / 4, 16, 4);
  EXPECT_GE(e, 1);
  EXPECT_LE(e, 12);
  for (int i = 0; i < 4; i++) EXPECT_EQ(entry(cmap, i), (Rgba{0x33, 0x33, 0x33, 0x33}));
  EXPECT_EQ(entry(cmap, 4), (Rgba{30, 30, 8, 255}));
  // Few colours land behind the top entries too.
  Pixels two(2 * 4);
  put(two, 0, 1, 2, 4);
  put(two, 1, 200, 2, 4);
  EXPECT_EQ(rgba2cmap(cmap, two.data(), 2, 16, 4), 2);
  EXPECT_EQ(entry(cmap, 0), (Rgba{0x33, 0x33, 0x33, 0x33}));
  EXPECT_EQ(entry(cmap, 4), (Rgba{1, 2, 4, 255}));
  EXPECT_EQ(entry(cmap, 5), (Rgba{200, 2, 4, 255}));
}

TEST(Rgba2cmapMend, RandomInputsNeverOverflowTheRoom) {
  std::mt19937 rng(7);
  for (int round = 0; round < 60; round++) {
    size_t count = rng() % 300;
    Pixels px(count * 4);
    for (auto& b : px) b = uint8_t(rng() % 4 * 85);  // few, far-apart levels
    int maxn = int(rng() % 12) - 2, top = int(rng() % 4);
    uint8_t cmap[1024] = {};
    int e = rgba2cmap(cmap, px.data(), count, maxn, top);
    EXPECT_GE(e, 0);
    EXPECT_LE(e, std::max(maxn - top, 0)) << "round " << round;
  }
}

// ---- thinning ----------------------------------------------------------------

TEST(CmapThin, SurvivorsSwallowCloserLaterBuckets) {
  CMAPBKT b[4] = {};
  const uint8_t avg[4][4] = {
      {10, 10, 10, 255}, {12, 10, 10, 255}, {100, 0, 0, 255}, {10, 13, 10, 255}};
  for (int i = 0; i < 4; i++) {
    b[i].cnt = 10 - i;
    std::memcpy(b[i].avg, avg[i], 4);
  }
  CMAPBKT* arr[4] = {&b[0], &b[1], &b[2], &b[3]};
  // Target 1: no protection; squared distances 4 and 9 from the first.
  EXPECT_EQ(cmapThin(1, 4, arr, 5), 3);
  EXPECT_EQ(arr[0], &b[0]);
  EXPECT_EQ(arr[1], nullptr);
  EXPECT_EQ(arr[2], &b[2]);
  EXPECT_EQ(arr[3], &b[3]);
  CMAPBKT* again[4] = {&b[0], &b[1], &b[2], &b[3]};
  EXPECT_EQ(cmapThin(1, 4, again, 4), 4) << "the threshold is strict";
  // Target 4 protects the leading two (4 / 4 = 1 pixel is enough).
  CMAPBKT* prot[4] = {&b[0], &b[1], &b[2], &b[3]};
  EXPECT_EQ(cmapThin(4, 4, prot, 100), 3);
  EXPECT_EQ(prot[1], &b[1]);
  EXPECT_EQ(prot[3], nullptr);
}

TEST(CmapThin, MatchesSweepingReference) {
  std::mt19937 rng(11);
  for (int round = 0; round < 300; round++) {
    int n = 1 + int(rng() % 400);
    std::vector<CMAPBKT> b(n);
    int spread = 1 + int(rng() % 256);
    for (auto& x : b) {
      x = CMAPBKT{};
      x.cnt = 1 + int(rng() % (1 + rng() % 50));
      for (int c = 0; c < 4; c++) x.avg[c] = uint8_t(rng() % spread);
      if (rng() % 2) x.avg[3] = 255;
    }
    std::stable_sort(b.begin(), b.end(),
                     [](const CMAPBKT& p, const CMAPBKT& q) { return p.cnt > q.cnt; });
    std::vector<CMAPBKT*> fast(n), ref(n);
    for (int i = 0; i < n; i++) fast[i] = ref[i] = &b[i];
    int target = int(rng() % 300);
    int t = int(rng() % 70000);
    ASSERT_EQ(cmapThin(target, n, fast.data(), t), quantref::refThin(target, n, ref.data(), t))
        << "round " << round;
    ASSERT_EQ(fast, ref) << "round " << round;
  }
}

// A whole cell is settled only when its farthest colour is closer than t:
// here cell 8..11 per channel reaches exactly t = 33 from (13, 10, 10).
TEST(CmapThin, CellCornerAtTheThresholdSurvives) {
  CMAPBKT b[3] = {};
  const uint8_t avg[3][4] = {{13, 10, 10, 255}, {8, 8, 8, 255}, {9, 9, 9, 255}};
  for (int i = 0; i < 3; i++) {
    b[i].cnt = 10 - i;
    std::memcpy(b[i].avg, avg[i], 4);
  }
  CMAPBKT* at33[3] = {&b[0], &b[1], &b[2]};
  EXPECT_EQ(cmapThin(1, 3, at33, 33), 2);
  EXPECT_EQ(at33[1], &b[1]) << "squared distance 33 is not below 33";
  EXPECT_EQ(at33[2], nullptr);
  CMAPBKT* at34[3] = {&b[0], &b[1], &b[2]};
  EXPECT_EQ(cmapThin(1, 3, at34, 34), 1);
  EXPECT_EQ(at34[1], nullptr);
}

// One alpha throughout: whole cells within reach of a survivor settle most
// colours at once, in runs of 64.
TEST(CmapThin, OneAlphaMatchesSweepingReference) {
  std::mt19937 rng(12);
  for (int round = 0; round < 200; round++) {
    const int n = 1 + int(rng() % 700);
    std::vector<CMAPBKT> b(n);
    const int spread = 1 + int(rng() % 256);
    const uint8_t alpha = uint8_t(rng());
    for (auto& x : b) {
      x = CMAPBKT{};
      x.cnt = 1 + int(rng() % (1 + rng() % 50));
      for (int c = 0; c < 3; c++) x.avg[c] = uint8_t(rng() % spread);
      x.avg[3] = alpha;
    }
    std::stable_sort(b.begin(), b.end(),
                     [](const CMAPBKT& p, const CMAPBKT& q) { return p.cnt > q.cnt; });
    std::vector<CMAPBKT*> fast(n), ref(n);
    for (int i = 0; i < n; i++) fast[i] = ref[i] = &b[i];
    const int target = int(rng() % 300);
    const int t = rng() % 4 ? int(rng() % (spread * spread / 2 + 20)) : int(rng() % 70000);
    ASSERT_EQ(cmapThin(target, n, fast.data(), t), quantref::refThin(target, n, ref.data(), t))
        << "round " << round;
    ASSERT_EQ(fast, ref) << "round " << round;
  }
}

// The bound that lets the bisection leave out passes never undercounts.
TEST(CmapThin, SurvivorBoundNeverUndercounts) {
  std::mt19937 rng(13);
  int bounded = 0;
  for (int round = 0; round < 200; round++) {
    const int n = 1 + int(rng() % 3000);
    const int spread = 1 + int(rng() % 256);
    const uint32_t alpha = rng() % 2 ? 0xFF000000u : uint32_t(rng() & 0xFF) << 24;
    std::vector<uint32_t> cols(n);
    for (auto& c : cols)
      c = alpha | (rng() % spread) | (rng() % spread) << 8 | (rng() % spread) << 16;
    const int protect = int(rng() % 20) % (n + 1);
    rgba2cmap_detail::Thinner thinner(cols.data(), n, protect);
    std::vector<uint8_t> keep(n);
    for (int k = 0; k < 4; k++) {
      const int t = 1 + int(rng() % 70000);
      const int bound = thinner.mostSurvivors(t, INT_MAX - 1);
      const int e = thinner.run(t, keep.data(), n);
      ASSERT_LE(e, bound) << "round " << round << " t " << t;
      bounded += bound < INT_MAX;
    }
  }
  EXPECT_GT(bounded, 100) << "the bound is known for wide thresholds";
}

// ---- exact nearest search ------------------------------------------------------

TEST(NearSearch, MatchesBruteForceWithTies) {
  std::mt19937 rng(3);
  for (int round = 0; round < 200; round++) {
    int n = int(rng() % 257);
    std::vector<uint8_t> cmap(1024);
    int levels = 2 + int(rng() % 30);  // few levels make many equal entries
    for (auto& v : cmap) v = uint8_t(rng() % levels * (255 / (levels - 1)));
    rgba2cmap_detail::NearSearch near(cmap.data(), n, 3 + round % 3);
    for (int q = 0; q < 300; q++) {
      uint32_t c = rng();
      int want = n ? quantref::refNearest(cmap.data(), n, c) : -1;
      ASSERT_EQ(near.find(c), want) << "round " << round << " n " << n;
    }
  }
}

// ---- mapping -------------------------------------------------------------------

TEST(Rgba2idx, BucketTakesTheIndexOfItsFirstPixel) {
  uint8_t cmap[1024] = {};
  const uint8_t e0[4] = {100, 100, 100, 255}, e1[4] = {101, 101, 101, 255};
  std::memcpy(cmap, e0, 4);
  std::memcpy(cmap + 4, e1, 4);
  Pixels px(3 * 4);
  put(px, 0, 100, 100, 100);
  put(px, 1, 101, 101, 101);  // same bucket as pixel 0
  put(px, 2, 103, 103, 103);
  uint8_t idx[3] = {9, 9, 9};
  rgba2idx(idx, cmap, 2, px.data(), 3);
  EXPECT_EQ(idx[0], 0);
  EXPECT_EQ(idx[1], 0);
  EXPECT_EQ(idx[2], 1);
  rgba2idx(idx, cmap, 0, px.data(), 3);
  EXPECT_EQ(idx[2], 0) << "no entries to search";
}

TEST(Rgba2idxEd, FlatColourOnAnEntryStaysThere) {
  uint8_t cmap[1024] = {};
  const uint8_t e[3][4] = {{0, 0, 0, 255}, {60, 120, 180, 200}, {255, 255, 255, 255}};
  std::memcpy(cmap, e, sizeof e);
  Pixels px(7 * 5 * 4);
  for (size_t i = 0; i < 35; i++) put(px, i, 60, 120, 180, 200);
  std::vector<uint8_t> idx(35, 9);
  rgba2idxEd(idx.data(), px.data(), 7, 5, cmap, 3);
  for (uint8_t v : idx) EXPECT_EQ(v, 1);
}

// Grey 100 between black and white: the first pixel goes black and pushes
// 3/8 of its error right, 3/8 down and 2/8 down-right.
TEST(Rgba2idxEd, ErrorsReachOnlyUnvisitedNeighbours) {
  uint8_t cmap[1024] = {};
  const uint8_t e[2][4] = {{0, 0, 0, 255}, {255, 255, 255, 255}};
  std::memcpy(cmap, e, sizeof e);
  Pixels px(4 * 4);
  for (size_t i = 0; i < 4; i++) put(px, i, 100, 100, 100);
  uint8_t idx[4];
  rgba2idxEd(idx, px.data(), 1, 2, cmap, 2);  // last column: down only
  EXPECT_EQ(idx[0], 0);
  EXPECT_EQ(idx[1], 1);                       // 100*256 + 9600 -> 137, nearer white
  rgba2idxEd(idx, px.data(), 2, 1, cmap, 2);  // last row: right only
  EXPECT_EQ(idx[0], 0);
  EXPECT_EQ(idx[1], 1);
  // 2x2: (1,1) gets +6400 from (0,0), -11280 from (1,0), -11280 from (0,1).
  rgba2idxEd(idx, px.data(), 2, 2, cmap, 2);
  EXPECT_EQ(std::vector<uint8_t>(idx, idx + 4), (std::vector<uint8_t>{0, 1, 1, 0}));
}

// ---- the fast module against the reference on random images ----------------

struct RandomImage {
  int w, h;
  Pixels px;
};

RandomImage randomImage(std::mt19937& rng) {
  RandomImage im;
  im.w = 1 + int(rng() % 64);
  im.h = 1 + int(rng() % 64);
  if (rng() % 8 == 0) im.w = 1 + int(rng() % 4);
  const int colours = 1 + int(rng() % (rng() % 2 ? 12 : 700));
  const int noise = int(rng() % 3) * int(rng() % 12);
  const bool alpha = rng() % 3 == 0;
  std::vector<uint32_t> pal(colours);
  for (auto& c : pal) c = rng() | (alpha ? 0 : 0xFF000000u);
  im.px.resize(size_t(im.w) * im.h * 4);
  for (size_t i = 0; i < im.px.size() / 4; i++) {
    uint32_t c = pal[rng() % colours];
    for (int ch = 0; ch < 4; ch++) {
      int v = int((c >> (8 * ch)) & 0xff);
      if (noise && (ch < 3 || alpha)) v += int(rng() % (2 * noise + 1)) - noise;
      im.px[4 * i + ch] = uint8_t(std::clamp(v, 0, 255));
    }
  }
  return im;
}

TEST(Rgba2cmapIdx, MatchesReferenceOnRandomImages) {
  std::mt19937 rng(2024);
  const int maxns[] = {0, 1, 2, 3, 5, 16, 64, 100, 255, 256, 300};
  for (int round = 0; round < 300; round++) {
    RandomImage im = randomImage(rng);
    const size_t count = size_t(im.w) * im.h;
    const int maxn = maxns[rng() % (sizeof maxns / sizeof maxns[0])];
    const int top = rng() % 4 == 0 ? int(rng() % 6) : 0;
    uint8_t fast[1024], ref[1024];
    for (int i = 0; i < 1024; i++) fast[i] = ref[i] = uint8_t(i * 7);
    int e = rgba2cmap(fast, im.px.data(), count, maxn, top);
    int re = quantref::refCmap(ref, im.px.data(), count, maxn, top);
    ASSERT_EQ(e, re) << "round " << round;
    ASSERT_EQ(0, std::memcmp(fast, ref, sizeof fast)) << "round " << round;
    ASSERT_LE(e, std::max(std::min(maxn, 256) - top, 0));

    const int entries = std::min(top, 256) + e;
    for (int diffuse = 0; diffuse < 2; diffuse++) {
      std::vector<uint8_t> fi(count, 0xEE), ri(count, 0xDD);
      uint8_t map2[1024];
      for (int i = 0; i < 1024; i++) map2[i] = uint8_t(i * 7);
      int e2 = rgba2cmapIdx(fi.data(), map2, im.px.data(), im.w, im.h, maxn, top, diffuse);
      ASSERT_EQ(e2, e);
      ASSERT_EQ(0, std::memcmp(map2, ref, sizeof ref));
      if (diffuse)
        quantref::refIdxEd(ri.data(), im.px.data(), im.w, im.h, ref, entries);
      else
        quantref::refIdx(ri.data(), ref, entries, im.px.data(), count);
      ASSERT_EQ(fi, ri) << "round " << round << " diffuse " << diffuse;
    }
  }
}

// Colours scattered over the whole space: counting leaves its colour blocks
// for the hash table part way through the picture.
TEST(Rgba2cmapIdx, ScatteredColoursMatchReference) {
  std::mt19937 rng(99);
  const int w = 60, h = 50;
  std::vector<uint32_t> pal(1500);
  for (auto& c : pal) c = rng() | 0xFF000000u;
  Pixels px(size_t(w) * h * 4);
  for (size_t i = 0; i < px.size() / 4; i++) {
    uint32_t c = pal[i < pal.size() ? i : rng() % 200];  // some colours repeat often
    std::memcpy(&px[4 * i], &c, 4);
  }
  for (int maxn : {256, 16}) {
    uint8_t fast[1024] = {}, ref[1024] = {};
    const size_t count = size_t(w) * h;
    std::vector<uint8_t> fi(count), ri(count);
    int e = rgba2cmapIdx(fi.data(), fast, px.data(), w, h, maxn, 0, 0);
    ASSERT_EQ(e, quantref::refCmap(ref, px.data(), count, maxn, 0));
    ASSERT_EQ(0, std::memcmp(fast, ref, sizeof ref));
    quantref::refIdx(ri.data(), ref, e, px.data(), count);
    EXPECT_EQ(fi, ri);
    rgba2cmapIdx(fi.data(), fast, px.data(), w, h, maxn, 0, 1);
    quantref::refIdxEd(ri.data(), px.data(), w, h, ref, e);
    EXPECT_EQ(fi, ri);
  }
}

TEST(Rgba2idxSel, MapsOntoAGivenColourMap) {
  std::mt19937 rng(5);
  for (int round = 0; round < 40; round++) {
    RandomImage im = randomImage(rng);
    const size_t count = size_t(im.w) * im.h;
    uint8_t cmap[1024];
    for (auto& v : cmap) v = uint8_t(rng());
    const int n = int(rng() % 257);
    std::vector<uint8_t> fi(count), ri(count);
    rgba2idxSel(fi.data(), cmap, n, im.px.data(), im.w, im.h, 0);
    quantref::refIdx(ri.data(), cmap, n, im.px.data(), count);
    ASSERT_EQ(fi, ri) << "round " << round;
    rgba2idxSel(fi.data(), cmap, n, im.px.data(), im.w, im.h, 1);
    quantref::refIdxEd(ri.data(), im.px.data(), im.w, im.h, cmap, n);
    ASSERT_EQ(fi, ri) << "round " << round;
  }
}

}  // namespace
