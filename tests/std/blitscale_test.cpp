#include "std/blitscale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Mapping with s pixels per world unit and the world origin at (ox, oy).
VIEWXF scaleAt(double s, double ox = 0, double oy = 0) { return VIEWXF{s, ox, s, oy}; }

std::vector<uint8_t> ramp(int w, int h) {
  std::vector<uint8_t> px(size_t(w) * h);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) px[size_t(y) * w + x] = uint8_t(x + 16 * y);
  return px;
}

// Runs plan, block and scale; returns the visible output (vw x vh bytes).
std::vector<uint8_t> draw(const VIEWXF& t, int tw, int th, const std::vector<uint8_t>& px, int w,
                          int h, int f, BLITPLAN* p) {
  std::vector<uint8_t> out;
  if (!blitPlan(t, tw, th, w, h, 0, 0, p)) return out;
  std::vector<uint8_t> scratch;
  size_t srcStride = 0;
  const uint8_t* src = blitSource(px.data(), w, h, f, *p, &scratch, &srcStride);
  out.resize(size_t(p->vw) * p->vh * f);
  blitScale(src, srcStride, f, *p, out.data(), size_t(p->vw) * f);
  return out;
}

TEST(BlitScale, FourByFourAtScaleEightIsBlocksOfEight) {
  std::vector<uint8_t> px = ramp(4, 4);
  BLITPLAN p;
  std::vector<uint8_t> out = draw(scaleAt(8), 100, 100, px, 4, 4, 1, &p);
  ASSERT_EQ(p.DW, 32);
  ASSERT_EQ(p.DH, 32);
  EXPECT_EQ(p.X, 0);
  EXPECT_EQ(p.Y, 0);
  ASSERT_EQ(p.vw, 32);
  ASSERT_EQ(p.vh, 32);
  for (int y = 0; y < 32; y++)
    for (int x = 0; x < 32; x++)
      ASSERT_EQ(out[size_t(y) * 32 + x], px[size_t(y / 8) * 4 + x / 8]) << x << "," << y;
}

TEST(BlitScale, QuarterScaleTakesEveryFourthPixelFromZero) {
  const int w = 256, h = 256;
  std::vector<uint32_t> px(size_t(w) * h);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) px[size_t(y) * w + x] = uint32_t(x | y << 8 | 0xAB << 16);
  std::vector<uint8_t> bytes(reinterpret_cast<uint8_t*>(px.data()),
                             reinterpret_cast<uint8_t*>(px.data() + px.size()));
  BLITPLAN p;
  std::vector<uint8_t> out = draw(scaleAt(0.25), 500, 500, bytes, w, h, 4, &p);
  ASSERT_EQ(p.DW, 64);
  ASSERT_EQ(p.DH, 64);
  EXPECT_EQ(p.n, 256);
  for (int y = 0; y < 64; y++)
    for (int x = 0; x < 64; x++) {
      uint32_t v;
      std::memcpy(&v, &out[(size_t(y) * 64 + x) * 4], 4);
      ASSERT_EQ(v, px[size_t(4 * y) * w + 4 * x]) << x << "," << y;
    }
}

TEST(BlitScale, ImagePartlyLeftOfWindowStartsAtFirstVisibleColumn) {
  // Scale 4, image origin at window x = -10.5: column 2 is partly visible.
  std::vector<uint8_t> px = ramp(16, 4);
  BLITPLAN p;
  std::vector<uint8_t> out = draw(scaleAt(4, -10.5, 0), 200, 100, px, 16, 4, 1, &p);
  EXPECT_EQ(p.c0, 2);
  EXPECT_EQ(p.n, 14);
  EXPECT_EQ(p.X, -2);  // negative by less than one scaled pixel
  EXPECT_EQ(p.vx, 2);
  EXPECT_EQ(p.vw, p.DW - 2);
  // Window column x shows image column floor((x + 10.5) / 4) up to the
  // rounding of the block edge: never more than one column off, and exact
  // in the first visible column.
  EXPECT_EQ(out[0], px[2]);
  for (int i = 0; i < p.vw; i++) {
    int wx = p.X + p.vx + i;
    int expect = int(std::floor((wx + 10.5) / 4));
    int got = out[i] % 16;
    EXPECT_LE(std::abs(got - expect), 1) << "window x " << wx;
  }
}

TEST(BlitScale, VisiblePartEqualsTheSameWindowOfTheFullScaling) {
  std::vector<uint8_t> px = ramp(16, 16);
  VIEWXF t = scaleAt(3.7, -20.3, -7.9);
  BLITPLAN p;
  std::vector<uint8_t> out = draw(t, 40, 30, px, 16, 16, 1, &p);
  ASSERT_FALSE(out.empty());
  std::vector<uint8_t> block(size_t(p.n) * p.m);
  blitBlock(px.data(), 16, 16, 1, p, block.data());
  std::vector<uint8_t> full(size_t(p.DW) * p.DH);
  scaleNearest(block.data(), p.n, p.m, 1, full.data(), p.DW, p.DH);
  for (int y = 0; y < p.vh; y++)
    for (int x = 0; x < p.vw; x++)
      ASSERT_EQ(out[size_t(y) * p.vw + x], full[size_t(y + p.vy) * p.DW + x + p.vx]);
  EXPECT_LE(p.X + p.vx + p.vw, 40);
  EXPECT_LE(p.Y + p.vy + p.vh, 30);
}

TEST(BlitScale, HugeImageAtHighMagnificationTouchesOnlyTheWindow) {
  // 4096 x 4096 at scale 8 centred in 1024 x 768: 128 x 96 source pixels.
  VIEWXF t = scaleAt(8, 512 - 8 * 2048.0, 384 - 8 * 2048.0);
  BLITPLAN p;
  ASSERT_TRUE(blitPlan(t, 1024, 768, 4096, 4096, 0, 0, &p));
  EXPECT_EQ(p.n, 128);
  EXPECT_EQ(p.m, 96);
  EXPECT_EQ(p.c0, 1984);
  EXPECT_EQ(p.vw, 1024);
  EXPECT_EQ(p.vh, 768);
  // An absurd zoom still produces no more than the window.
  VIEWXF z = scaleAt(3e6, 512 - 3e6 * 10.0, 0);
  ASSERT_TRUE(blitPlan(z, 1024, 768, 4096, 4096, 0, 0, &p));
  EXPECT_LE(p.n, 2);
  EXPECT_LE(p.vw, 1024);
  EXPECT_LE(p.vh, 768);
}

TEST(BlitScale, NothingVisibleOrEmptyDrawsNothing) {
  BLITPLAN p;
  EXPECT_FALSE(blitPlan(scaleAt(2, 300, 0), 100, 100, 10, 10, 0, 0, &p));    // right of target
  EXPECT_FALSE(blitPlan(scaleAt(2, -25, 0), 100, 100, 10, 10, 0, 0, &p));    // left of target
  EXPECT_FALSE(blitPlan(scaleAt(2, 0, -30), 100, 100, 10, 10, 0, 0, &p));    // above target
  EXPECT_FALSE(blitPlan(scaleAt(2), 100, 100, 0, 10, 0, 0, &p));             // empty image
  EXPECT_FALSE(blitPlan(scaleAt(2), 0, 100, 10, 10, 0, 0, &p));              // no target
  EXPECT_FALSE(blitPlan(VIEWXF{2, 0, -2, 50}, 100, 100, 10, 10, 0, 0, &p));  // y up: no rows
}

TEST(BlitScale, BlockOutsideTheImageIsFilledWith128) {
  std::vector<uint8_t> px = ramp(4, 4);
  BLITPLAN p{};
  p.c0 = 2, p.r0 = -1, p.n = 4, p.m = 3;
  std::vector<uint8_t> block(12, 0);
  blitBlock(px.data(), 4, 4, 1, p, block.data());
  const uint8_t expect[12] = {128, 128, 128, 128, 2, 3, 128, 128, 18, 19, 128, 128};
  for (int i = 0; i < 12; i++) EXPECT_EQ(block[i], expect[i]) << i;
}

TEST(BlitScale, SourceIsTheImageItselfUnlessTheBlockLeavesIt) {
  std::vector<uint8_t> px = ramp(8, 8);
  std::vector<uint8_t> scratch;
  size_t stride = 0;
  BLITPLAN p{};
  p.c0 = 2, p.r0 = 3, p.n = 4, p.m = 2;
  EXPECT_EQ(blitSource(px.data(), 8, 8, 1, p, &scratch, &stride), px.data() + 3 * 8 + 2);
  EXPECT_EQ(stride, 8u);
  EXPECT_TRUE(scratch.empty());
  p.c0 = 6;  // two columns past the right edge
  const uint8_t* src = blitSource(px.data(), 8, 8, 1, p, &scratch, &stride);
  EXPECT_EQ(src, scratch.data());
  EXPECT_EQ(stride, 4u);
  EXPECT_EQ(src[0], px[3 * 8 + 6]);
  EXPECT_EQ(src[2], 128);
}

TEST(BlitScale, DeviceOrderScalingDropsAlphaAndSwapsRedAndBlue) {
  const uint8_t src[8] = {1, 2, 3, 4, 5, 6, 7, 8};  // 2 x 1 RGBA
  uint8_t out[16];
  BLITPLAN p{};
  p.n = 2, p.m = 1, p.DW = 4, p.DH = 1, p.vw = 4, p.vh = 1;
  blitScale(src, 8, 4, p, out, 16, true);
  const uint8_t expect[16] = {3, 2, 1, 0, 3, 2, 1, 0, 7, 6, 5, 0, 7, 6, 5, 0};
  for (int i = 0; i < 16; i++) EXPECT_EQ(out[i], expect[i]) << i;
}

TEST(BlitScale, DeviceScalingLooksIndicesUpAndReordersColours) {
  const uint8_t idx[2] = {1, 2};
  uint32_t table[256] = {};
  table[1] = 0x00112233, table[2] = 0x00445566;
  uint32_t out[4];
  BLITPLAN p{};
  p.n = 2, p.m = 1, p.DW = 4, p.DH = 1, p.vw = 4, p.vh = 1;
  blitScaleDevice(idx, 2, 1, p, reinterpret_cast<uint8_t*>(out), 16, table);
  const uint32_t expect[4] = {0x00112233, 0x00112233, 0x00445566, 0x00445566};
  for (int i = 0; i < 4; i++) EXPECT_EQ(out[i], expect[i]) << i;
  const uint8_t rgba[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  uint8_t dev[16], ref[16];
  blitScaleDevice(rgba, 8, 4, p, dev, 16, nullptr);
  blitScale(rgba, 8, 4, p, ref, 16, true);
  EXPECT_EQ(std::memcmp(dev, ref, 16), 0);
}

TEST(BlitScale, ClippedPartsMatchTheWholeDrawing) {
  std::vector<uint8_t> px = ramp(16, 16);
  const VIEWXF t = scaleAt(3.7, -20.3, -7.9);
  BLITPLAN whole;
  ASSERT_TRUE(blitPlan(t, 40, 30, 16, 16, 0, 0, &whole));
  const size_t stride = 40;
  std::vector<uint8_t> all(stride * 30, 0), parts(stride * 30, 0);
  auto drawInto = [&](const BLITPLAN& p, std::vector<uint8_t>* to) {
    std::vector<uint8_t> scratch;
    size_t srcStride = 0;
    const uint8_t* src = blitSource(px.data(), 16, 16, 1, p, &scratch, &srcStride);
    blitScale(src, srcStride, 1, p, to->data() + size_t(p.Y + p.vy) * stride + p.X + p.vx, stride);
  };
  drawInto(whole, &all);
  // Four quarters with odd edges, drawn one by one.
  const int cuts[4][4] = {{0, 0, 13, 11}, {13, 0, 40, 11}, {0, 11, 13, 30}, {13, 11, 40, 30}};
  for (const auto& c : cuts) {
    BLITPLAN p = whole;
    if (blitClip(&p, c[0], c[1], c[2], c[3])) drawInto(p, &parts);
  }
  EXPECT_EQ(parts, all);
  BLITPLAN p = whole;
  EXPECT_FALSE(blitClip(&p, 45, 0, 60, 30));  // right of the visible part
}

TEST(BlitScale, RgbaBecomesDeviceOrderWithoutAlpha) {
  uint8_t px[8] = {1, 2, 3, 4, 250, 251, 252, 0};
  rgbaToBgrx(px, 2);
  const uint8_t expect[8] = {3, 2, 1, 0, 252, 251, 250, 0};
  for (int i = 0; i < 8; i++) EXPECT_EQ(px[i], expect[i]);
  EXPECT_EQ(dibStride(5, 1), 8u);
  EXPECT_EQ(dibStride(8, 1), 8u);
  EXPECT_EQ(dibStride(3, 4), 12u);
}

}  // namespace
