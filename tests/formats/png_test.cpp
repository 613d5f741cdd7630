#include "std/png.h"

#include <gtest/gtest.h>
#include <spng.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "testutil.h"

namespace {

using fmttest::captureStdout;
using fmttest::ImgfPtr;
using fmttest::noise;

ImgfPtr decode(const std::vector<uint8_t>& d) { return ImgfPtr(pngDecode(d.data(), d.size())); }

uint32_t be32(const std::vector<uint8_t>& d, size_t at) {
  return uint32_t(d[at]) << 24 | d[at + 1] << 16 | d[at + 2] << 8 | d[at + 3];
}

// Offset of the first chunk of that type, or 0.
size_t chunkAt(const std::vector<uint8_t>& png, const char* type) {
  for (size_t at = 8; at + 12 <= png.size(); at += 12 + be32(png, at))
    if (std::string(png.begin() + at + 4, png.begin() + at + 8) == type) return at;
  return 0;
}

// A file written by the library's own encoder from raw samples (16-bit ones
// in host order), so the reader meets every colour type and depth.
std::vector<uint8_t> rawPng(int w, int h, int type, int bits, const std::vector<uint8_t>& rows,
                            const spng_trns* trns = nullptr, const spng_plte* plte = nullptr) {
  spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
  spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
  spng_ihdr ihdr{uint32_t(w), uint32_t(h), uint8_t(bits), uint8_t(type), 0, 0, 0};
  spng_set_ihdr(ctx, &ihdr);
  if (plte) spng_set_plte(ctx, const_cast<spng_plte*>(plte));
  if (trns) spng_set_trns(ctx, const_cast<spng_trns*>(trns));
  std::vector<uint8_t> out;
  if (spng_encode_image(ctx, rows.data(), rows.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE) == 0) {
    size_t n = 0;
    int err = 0;
    auto* buf = static_cast<uint8_t*>(spng_get_png_buffer(ctx, &n, &err));
    if (buf) out.assign(buf, buf + n);
    std::free(buf);
  }
  spng_ctx_free(ctx);
  return out;
}

TEST(Png, GreyFilesOfUpToEightBitsAreIndexedWithAGreyMap) {
  for (int bits : {1, 2, 4, 8}) {
    int w = 13, h = 3, n = 1 << bits;
    auto idx = noise(size_t(w) * h, uint32_t(bits), n);
    std::vector<uint8_t> rows;
    for (int y = 0; y < h; ++y) {
      std::vector<uint8_t> row((w * bits + 7) / 8);
      for (int x = 0; x < w; ++x)
        row[x * bits / 8] |= uint8_t(idx[y * w + x] << (8 - bits - x * bits % 8));
      rows.insert(rows.end(), row.begin(), row.end());
    }
    spng_trns trns{};
    trns.gray = uint16_t(n - 2);
    ImgfPtr img = decode(rawPng(w, h, SPNG_COLOR_TYPE_GRAYSCALE, bits, rows, &trns));
    ASSERT_TRUE(img) << bits;
    EXPECT_EQ(img->depth, bits);
    EXPECT_EQ(img->ncolor, n);
    EXPECT_EQ(std::vector<uint8_t>(img->buf, img->buf + idx.size()), idx) << bits;
    for (int i = 0; i < n; ++i) {
      uint32_t v = uint32_t(i * 255 / (n - 1));
      uint32_t a = i == n - 2 ? 0 : 255;
      EXPECT_EQ(img->cmap[i], v | v << 8 | v << 16 | a << 24) << bits << " " << i;
    }
  }
}

TEST(Png, SixteenBitChannelsAreRoundedAndTransparencyApplied) {
  // One pixel per case: grey 16, grey+alpha 16, RGB 16 (with a tRNS colour), RGBA 16.
  const uint16_t v[4] = {0x807f, 0x8080, 0x00ff, 0xffff};
  struct Case {
    int type, channels;
  } cases[] = {{SPNG_COLOR_TYPE_GRAYSCALE, 1},
               {SPNG_COLOR_TYPE_GRAYSCALE_ALPHA, 2},
               {SPNG_COLOR_TYPE_TRUECOLOR, 3},
               {SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 4}};
  auto round8 = [](uint32_t s) { return uint8_t((s * 255 + 32767) / 65535); };
  for (const Case& c : cases) {
    std::vector<uint8_t> rows;
    for (int i = 0; i < c.channels; ++i) {  // the encoder takes host-order samples
      uint8_t b[2];
      std::memcpy(b, &v[i], 2);
      rows.insert(rows.end(), b, b + 2);
    }
    spng_trns trns{};
    trns.red = v[0], trns.green = v[1], trns.blue = v[2];
    bool keyed = c.type == SPNG_COLOR_TYPE_TRUECOLOR;
    ImgfPtr img = decode(rawPng(1, 1, c.type, 16, rows, keyed ? &trns : nullptr));
    ASSERT_TRUE(img) << c.type;
    EXPECT_EQ(img->depth, 0);
    bool grey = c.channels < 3;
    uint8_t want[4] = {round8(v[0]), round8(v[grey ? 0 : 1]), round8(v[grey ? 0 : 2]),
                       uint8_t(c.channels == 2   ? round8(v[1])
                               : c.channels == 4 ? round8(v[3])
                               : keyed           ? 0
                                                 : 255)};
    EXPECT_EQ(std::vector<uint8_t>(img->buf, img->buf + 4), std::vector<uint8_t>(want, want + 4))
        << c.type;
  }
}

TEST(Png, PaletteFilesKeepOrderAndAlpha) {
  spng_plte plte{};
  plte.n_entries = 5;
  for (int i = 0; i < 5; ++i) plte.entries[i] = {uint8_t(200 - i), uint8_t(i * 9), uint8_t(i), 0};
  spng_trns trns{};
  trns.n_type3_entries = 3;
  trns.type3_alpha[0] = 255, trns.type3_alpha[1] = 0, trns.type3_alpha[2] = 77;
  std::vector<uint8_t> rows = {4, 3, 2, 1, 0, 4};
  ImgfPtr img = decode(rawPng(3, 2, SPNG_COLOR_TYPE_INDEXED, 8, rows, &trns, &plte));
  ASSERT_TRUE(img);
  EXPECT_EQ(img->depth, 8);
  EXPECT_EQ(img->ncolor, 5);
  EXPECT_EQ(std::vector<uint8_t>(img->buf, img->buf + 6), rows);
  const uint32_t alpha[5] = {255, 0, 77, 255, 255};
  for (uint32_t i = 0; i < 5; ++i)
    EXPECT_EQ(img->cmap[i], (200 - i) | (i * 9) << 8 | i << 16 | alpha[i] << 24) << i;
}

TEST(Png, IndexedPicturesWriteAPaletteFile) {
  // Colour count -> bit depth; tRNS only when a used entry is not opaque.
  struct Case {
    int cmapn, maxIndex;
    bool clearUsed;
    int bits;
  } cases[] = {{2, 1, false, 1},  {3, 2, true, 2},      {16, 15, false, 4},
               {17, 16, true, 8}, {256, 255, false, 8}, {4, 9, false, 4}};
  for (const Case& c : cases) {
    int w = 11, h = 5;
    auto px = noise(size_t(w) * h, uint32_t(c.cmapn), c.maxIndex + 1);
    px[0] = uint8_t(c.maxIndex);
    std::vector<uint32_t> cmap(256);
    for (int i = 0; i < 256; ++i) cmap[i] = 0xff000000u | uint32_t(255 - i) << 8 | uint32_t(i);
    cmap[255] &= 0x00ffffffu;  // unused unless the picture uses index 255
    if (c.clearUsed) cmap[px[0]] = 0x40123456;
    auto png = pngEncode(px.data(), w, h, 8, cmap.data(), c.cmapn);
    ASSERT_FALSE(png.empty());
    EXPECT_EQ(png[24], c.bits) << c.cmapn;
    EXPECT_EQ(png[25], SPNG_COLOR_TYPE_INDEXED);
    size_t plte = chunkAt(png, "PLTE");
    int n = std::max(c.cmapn, c.maxIndex + 1);
    ASSERT_NE(plte, 0u);
    EXPECT_EQ(be32(png, plte), uint32_t(3 * n));
    bool anyClear = c.clearUsed || c.maxIndex == 255;
    EXPECT_EQ(chunkAt(png, "tRNS") != 0, anyClear) << c.cmapn;
    ImgfPtr back = decode(png);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->ncolor, n);
    EXPECT_EQ(std::vector<uint8_t>(back->buf, back->buf + px.size()), px);
    for (int i = 0; i < n; ++i)
      EXPECT_EQ(back->cmap[i] | (anyClear ? 0 : 0xff000000u), cmap[i]) << c.cmapn << " " << i;
  }
}

TEST(Png, DirectPicturesWriteRgbOrRgba) {
  int w = 7, h = 4;
  auto px = noise(size_t(w) * h * 4, 9);
  for (size_t i = 3; i < px.size(); i += 4) px[i] = 255;
  for (bool clear : {false, true}) {
    if (clear) px[4 * 5 + 3] = 254;
    auto png = pngEncode(px.data(), w, h, 0, nullptr, 0);
    ASSERT_FALSE(png.empty());
    EXPECT_EQ(png[25], clear ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA : SPNG_COLOR_TYPE_TRUECOLOR);
    EXPECT_EQ(png[24], 8);
    ImgfPtr back = decode(png);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->depth, 0);
    EXPECT_EQ(std::vector<uint8_t>(back->buf, back->buf + px.size()), px);
  }
  EXPECT_TRUE(pngEncode(px.data(), 0, h, 0, nullptr, 0).empty());
  EXPECT_TRUE(pngEncode(px.data(), w, h, 8, nullptr, 4).empty());
}

TEST(Png, DamagedFilesFailWithAMessage) {
  auto px = noise(40 * 30 * 4, 3);
  auto good = pngEncode(px.data(), 40, 30, 0, nullptr, 0);
  ASSERT_TRUE(decode(good));
  std::vector<std::vector<uint8_t>> bad;
  for (size_t cut :
       {size_t(0), size_t(7), size_t(20), size_t(33), good.size() / 2, good.size() - 13})
    bad.emplace_back(good.begin(), good.begin() + cut);
  auto crc = good;
  crc[29] ^= 1;  // IHDR checksum
  bad.push_back(crc);
  auto data = good;
  data[chunkAt(good, "IDAT") + 20] ^= 0x55;  // inside the compressed rows
  bad.push_back(data);
  for (const auto& b : bad) {
    std::string out = captureStdout([&] { EXPECT_FALSE(decode(b)) << b.size(); });
    EXPECT_EQ(out.rfind("pngOpen:", 0), 0u) << b.size() << " " << out;
  }
}

TEST(Png, HugeSizesAreRefusedBeforeAllocation) {
  for (uint32_t side : {uint32_t(1) << 20, uint32_t(0x7fffffff)}) {
    auto big = fmttest::pngHeaderOnly(side, side);
    std::string out = captureStdout([&] { EXPECT_FALSE(decode(big)); });
    EXPECT_NE(out.find("画像サイズが異常です"), std::string::npos) << side << out;
  }
}

}  // namespace
