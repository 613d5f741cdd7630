#include "std/bmp4.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "testutil.h"

namespace {

using fmttest::captureStdout;
using fmttest::get32;
using fmttest::ImgfPtr;
using fmttest::noise;
using fmttest::put16;
using fmttest::put32;
using fmttest::TempDir;

ImgfPtr decode(const std::vector<uint8_t>& d) { return ImgfPtr(bmpDecode(d.data(), d.size())); }

// A 40-byte-header file; `palette` holds B, G, R, X entries, `data` the stored pixels.
std::vector<uint8_t> makeBmp(int bits, int w, int h, const std::vector<uint8_t>& palette,
                             const std::vector<uint8_t>& data, uint32_t compression = 0,
                             uint32_t clrused = 0) {
  std::vector<uint8_t> d(54, 0);
  d[0] = 'B', d[1] = 'M';
  put32(d, 10, static_cast<uint32_t>(54 + palette.size()));
  put32(d, 14, 40);
  put32(d, 18, static_cast<uint32_t>(w));
  put32(d, 22, static_cast<uint32_t>(h));
  put16(d, 26, 1);
  put16(d, 28, static_cast<uint32_t>(bits));
  put32(d, 30, compression);
  put32(d, 46, clrused);
  d.insert(d.end(), palette.begin(), palette.end());
  d.insert(d.end(), data.begin(), data.end());
  put32(d, 2, static_cast<uint32_t>(d.size()));
  return d;
}

std::vector<uint8_t> grayPalette(int n) {
  std::vector<uint8_t> p;
  for (int i = 0; i < n; ++i) p.insert(p.end(), {uint8_t(i), uint8_t(i), uint8_t(i), 0});
  return p;
}

TEST(Bmp, IndexedRoundTripAtEveryDepth) {
  TempDir dir;
  std::vector<uint32_t> cmap(256);
  for (int i = 0; i < 256; ++i) cmap[i] = 0xff000000u | (i * 0x010203u);
  for (int depth : {1, 2, 4, 8}) {
    int w = 13, h = 7, n = 1 << depth;
    auto px = noise(w * h, depth, n);
    std::string f = dir.file("i.bmp");
    ASSERT_EQ(bmpSave(f.c_str(), px.data(), w, h, depth, cmap.data(), n), 1);
    ImgfPtr img;
    std::string out = captureStdout([&] { img.reset(bmpOpen(f.c_str())); });
    EXPECT_EQ(out, depth == 2 ? "bmpHdGet:UnKnown bitcount:2\n" : "");
    ASSERT_TRUE(img);
    EXPECT_EQ(img->depth, depth);
    EXPECT_EQ(img->ncolor, n);
    EXPECT_EQ(std::vector<uint8_t>(img->buf, img->buf + w * h), px) << depth;
    EXPECT_EQ(img->cmap[0], cmap[0] & 0x00ffffffu);  // index 0 transparent
    EXPECT_EQ(img->cmap[n - 1], cmap[n - 1]);
  }
}

TEST(Bmp, DirectRoundTripDropsAlpha) {
  TempDir dir;
  int w = 5, h = 3;
  auto px = noise(w * h * 4, 11);
  std::string f = dir.file("d.bmp");
  ASSERT_EQ(bmpSave(f.c_str(), px.data(), w, h, 0, nullptr, 0), 1);
  ImgfPtr img(bmpOpen(f.c_str()));
  ASSERT_TRUE(img);
  EXPECT_EQ(img->depth, 0);
  for (int i = 0; i < w * h; ++i) {
    EXPECT_EQ(std::memcmp(img->buf + 4 * i, px.data() + 4 * i, 3), 0);
    EXPECT_EQ(img->buf[4 * i + 3], 255);
  }
}

// bmpSave streams rows in pieces; the file must be bmpEncode's bytes, and the
// 24-bit rows must carry each pixel's red, green and blue (whatever the
// width: rows are converted several pixels at a time with a byte-wise end).
TEST(Bmp, SavedFileIsTheEncodedImageAtEveryWidth) {
  TempDir dir;
  std::string f = dir.file("w.bmp");
  for (int w : {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 31, 33, 1001}) {
    int h = w == 1001 ? 300 : 7;  // 1001 x 300: several 256 KiB pieces
    auto px = noise(size_t(w) * h * 4, 100u + w);
    auto idx = noise(size_t(w) * h, 200u + w, 16);
    std::vector<uint32_t> cmap(16, 0x00405060u);
    for (int depth : {0, 4, 8}) {
      const uint8_t* pixels = depth ? idx.data() : px.data();
      auto want = bmpEncode(pixels, w, h, depth, cmap.data(), 16);
      ASSERT_EQ(bmpSave(f.c_str(), pixels, w, h, depth, cmap.data(), 16), 1);
      ASSERT_EQ(fmttest::readFile(f), want) << w << " depth " << depth;
    }
    auto d = bmpEncode(px.data(), w, h, 0, nullptr, 0);
    size_t row = size_t(bmpRowSize(w, 24));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t* s = &px[(size_t(y) * w + x) * 4];
        const uint8_t* b = &d[54 + size_t(h - 1 - y) * row + 3 * size_t(x)];
        ASSERT_TRUE(b[0] == s[2] && b[1] == s[1] && b[2] == s[0]) << w << " " << x << "," << y;
      }
    ImgfPtr img = decode(d);
    ASSERT_TRUE(img);
    for (size_t i = 0; i < size_t(w) * h; ++i) {
      ASSERT_EQ(std::memcmp(img->buf + 4 * i, &px[4 * i], 3), 0) << w << " pixel " << i;
      ASSERT_EQ(img->buf[4 * i + 3], 255);
    }
  }
}

TEST(Bmp, WrittenHeaderAndPalette) {
  uint8_t px[6] = {0, 1, 2, 2, 1, 0};
  uint32_t cmap[3] = {0x11223344u, 0x80abcdefu, 0xff010203u};
  auto d = bmpEncode(px, 3, 2, 2, cmap, 3);
  ASSERT_EQ(d.size(), 54u + 12 + 4 * 2);
  EXPECT_EQ(get32(d, 2), d.size());
  EXPECT_EQ(get32(d, 10), 66u);
  EXPECT_EQ(get32(d, 14), 40u);
  EXPECT_EQ(get32(d, 22), 2u);
  EXPECT_EQ(d[28], 2);
  EXPECT_EQ(get32(d, 34), 8u);
  EXPECT_EQ(get32(d, 38), 11812u);
  EXPECT_EQ(get32(d, 42), 11812u);
  EXPECT_EQ(get32(d, 46), 3u);
  // Palette B, G, R, alpha.
  EXPECT_EQ(get32(d, 58), 0x80efcdabu);
  // Bottom row first: 2 1 0 -> 10 01 00 xx.
  EXPECT_EQ(d[66], 0x90);
  EXPECT_EQ(d[70], 0x18);
}

TEST(Bmp, Width1TwentyFourBitRowsArePaddedToFour) {
  uint8_t px[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  auto d = bmpEncode(px, 1, 2, 0, nullptr, 0);
  ASSERT_EQ(d.size(), 54u + 8);
  EXPECT_EQ(get32(d, 46), 0u);
  EXPECT_EQ(std::vector<uint8_t>(d.begin() + 54, d.end()),
            (std::vector<uint8_t>{7, 6, 5, 0, 3, 2, 1, 0}));
}

TEST(Bmp, ThirtyTwoBitKeepsTheFourthByteAsAlpha) {
  ImgfPtr img = decode(makeBmp(32, 2, 1, {}, {10, 20, 30, 40, 50, 60, 70, 0}));
  ASSERT_TRUE(img);
  EXPECT_EQ(std::vector<uint8_t>(img->buf, img->buf + 8),
            (std::vector<uint8_t>{30, 20, 10, 40, 70, 60, 50, 0}));
}

TEST(Bmp, SixteenBitFiveFiveFiveAndFiveSixFive) {
  // 0x7fff white, 0x0421 = 1,1,1 in 5-5-5.
  std::vector<uint8_t> data = {0xff, 0x7f, 0x21, 0x04};
  ImgfPtr a = decode(makeBmp(16, 2, 1, {}, data));
  ASSERT_TRUE(a);
  EXPECT_EQ(std::vector<uint8_t>(a->buf, a->buf + 8),
            (std::vector<uint8_t>{255, 255, 255, 255, 8, 8, 8, 255}));
  // Bit fields 5-6-5: 0x0821 = r 1, g 1, b 1 -> 8, 4, 8.
  std::vector<uint8_t> masks(12, 0);
  put32(masks, 0, 0xf800), put32(masks, 4, 0x07e0), put32(masks, 8, 0x001f);
  ImgfPtr b = decode(makeBmp(16, 1, 1, masks, {0x21, 0x08, 0, 0}, 3));
  ASSERT_TRUE(b);
  EXPECT_EQ(std::vector<uint8_t>(b->buf, b->buf + 4), (std::vector<uint8_t>{8, 4, 8, 255}));
  // The exact 5-5-5 masks select 5-5-5.
  put32(masks, 0, 0x7c00), put32(masks, 4, 0x03e0), put32(masks, 8, 0x001f);
  ImgfPtr c = decode(makeBmp(16, 1, 1, masks, {0x21, 0x04, 0, 0}, 3));
  ASSERT_TRUE(c);
  EXPECT_EQ(c->buf[1], 8);
  // Channel expansion: every 5-bit value maps to round(v * 255 / 31).
  for (uint32_t v = 0; v < 32; ++v) {
    std::vector<uint8_t> px(4, 0);
    put16(px, 0, v << 10);
    ImgfPtr e = decode(makeBmp(16, 1, 1, {}, px));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->buf[0], static_cast<int>(v * 255.0 / 31 + 0.5)) << v;
  }
}

TEST(Bmp, TwelveByteHeaderWithThreeBytePalette) {
  std::vector<uint8_t> d(26, 0);
  d[0] = 'B', d[1] = 'M';
  put32(d, 10, 26 + 6);
  put32(d, 14, 12);
  put16(d, 18, 3), put16(d, 20, 2), put16(d, 22, 1), put16(d, 24, 1);
  d.insert(d.end(), {0, 0, 0, 0x30, 0x20, 0x10});     // black, (0x10, 0x20, 0x30)
  d.insert(d.end(), {0x40, 0, 0, 0, 0xa0, 0, 0, 0});  // bottom 010, top 101
  ImgfPtr img = decode(d);
  ASSERT_TRUE(img);
  EXPECT_EQ(std::vector<uint8_t>(img->buf, img->buf + 6), (std::vector<uint8_t>{1, 0, 1, 0, 1, 0}));
  EXPECT_EQ(img->cmap[1], 0xff302010u);
  EXPECT_EQ(img->ncolor, 2);
}

TEST(Bmp, HeaderSizesAndColourCounts) {
  auto d = makeBmp(8, 1, 1, grayPalette(256), {5, 0, 0, 0});
  put32(d, 14, 64);
  std::string out = captureStdout([&] { EXPECT_FALSE(decode(d)); });
  EXPECT_EQ(out, "bmpHdGet:UnKnown Header Size:64\n");
  EXPECT_EQ(decode(makeBmp(8, 1, 1, grayPalette(256), {5, 0, 0, 0}, 0, 300))->ncolor, 256);
  EXPECT_EQ(decode(makeBmp(8, 1, 1, grayPalette(256), {5, 0, 0, 0}, 0, 0))->ncolor, 256);
  EXPECT_EQ(decode(makeBmp(8, 1, 1, grayPalette(7), {5, 0, 0, 0}, 0, 7))->ncolor, 7);
  std::vector<uint8_t> notbmp = {'B', 'X', 0, 0};
  EXPECT_FALSE(decode(notbmp));
}

// A file with a larger information header (52 to 124 bytes): the 40-byte
// fields, then the masks R, G, B (and A from 56 bytes on), the rest zero.
std::vector<uint8_t> makeBmpV(int hdsize, int bits, int w, int h, uint32_t compression,
                              const std::vector<uint32_t>& masks,
                              const std::vector<uint8_t>& palette,
                              const std::vector<uint8_t>& data) {
  auto d = makeBmp(bits, w, h, {}, {}, compression, uint32_t(palette.size() / 4));
  d.insert(d.begin() + 54, size_t(hdsize - 40), 0);
  put32(d, 14, uint32_t(hdsize));
  for (size_t i = 0; i < masks.size(); ++i) put32(d, 54 + 4 * i, masks[i]);
  put32(d, 10, uint32_t(14 + hdsize + palette.size()));
  d.insert(d.end(), palette.begin(), palette.end());
  d.insert(d.end(), data.begin(), data.end());
  put32(d, 2, uint32_t(d.size()));
  return d;
}

TEST(Bmp, LargerHeadersUseTheirMasksAndTheirPalettePosition) {
  // 32-bit A8R8G8B8 and X8R8G8B8, 16-bit A4R4G4B4 and R5G6B5, then 8-bit indexed:
  // pixel values and the RGBA they must give, for each header size.
  struct Case {
    int bits;
    std::vector<uint32_t> masks;
    std::vector<uint8_t> data;
    std::vector<uint8_t> want;
  } cases[] = {
      {32, {0xff0000, 0xff00, 0xff, 0xff000000u}, {1, 2, 3, 4}, {3, 2, 1, 4}},
      {32, {0xff0000, 0xff00, 0xff, 0}, {1, 2, 3, 4}, {3, 2, 1, 255}},
      {16, {0x0f00, 0x00f0, 0x000f, 0xf000}, {0x5a, 0x3c, 0, 0}, {204, 85, 170, 51}},
      {16, {0xf800, 0x07e0, 0x001f, 0}, {0xff, 0xff, 0, 0}, {255, 255, 255, 255}},
  };
  for (int hdsize : {56, 108, 124}) {
    for (const Case& c : cases) {
      ImgfPtr img = decode(makeBmpV(hdsize, c.bits, 1, 1, 3, c.masks, {}, c.data));
      ASSERT_TRUE(img) << hdsize;
      EXPECT_EQ(std::vector<uint8_t>(img->buf, img->buf + 4), c.want) << hdsize << " " << c.bits;
    }
    ImgfPtr idx = decode(makeBmpV(hdsize, 8, 2, 1, 0, {}, grayPalette(3), {2, 1, 0, 0}));
    ASSERT_TRUE(idx);
    EXPECT_EQ(idx->ncolor, 3);
    EXPECT_EQ(idx->cmap[2], 0xff020202u);
    EXPECT_EQ(std::vector<uint8_t>(idx->buf, idx->buf + 2), (std::vector<uint8_t>{2, 1}));
  }
  // A 124-byte header cut short is no header.
  auto cut = makeBmpV(124, 24, 1, 1, 0, {}, {}, {});
  EXPECT_FALSE(decode(std::vector<uint8_t>(cut.begin(), cut.begin() + 100)));
}

TEST(Bmp, TopDownRowsStartWithTheTopRow) {
  for (int bits : {8, 24}) {
    std::vector<uint8_t> rows =
        bits == 8 ? std::vector<uint8_t>{1, 2, 0, 0, 3, 4, 0, 0}
                  : std::vector<uint8_t>{1, 1, 1, 2, 2, 2, 0, 0, 3, 3, 3, 4, 4, 4, 0, 0};
    auto d = makeBmp(bits, 2, 2, bits == 8 ? grayPalette(5) : std::vector<uint8_t>{}, rows);
    put32(d, 22, static_cast<uint32_t>(-2));
    ImgfPtr img = decode(d);
    ASSERT_TRUE(img) << bits;
    EXPECT_EQ(img->h, 2);
    int step = bits == 8 ? 1 : 4;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(img->buf[i * step], i + 1) << bits << " " << i;
  }
  auto v5 = makeBmpV(124, 32, 1, 2, 3, {0xff0000, 0xff00, 0xff, 0xff000000u}, {},
                     {0, 0, 9, 1, 0, 0, 7, 2});
  put32(v5, 22, static_cast<uint32_t>(-2));
  ImgfPtr img = decode(v5);
  ASSERT_TRUE(img);
  EXPECT_EQ(std::vector<uint8_t>(img->buf, img->buf + 8),
            (std::vector<uint8_t>{9, 0, 0, 1, 7, 0, 0, 2}));
}

TEST(Bmp, RunLengthEightBit) {
  // Bottom row: run 3 x 7, literal 4 5 6 (padded; 5 and 6 pass the row end and
  // are dropped), end of line; delta (1, 1) from the middle row to the top row,
  // a run of 9 that passes the row end, then end of bitmap.
  std::vector<uint8_t> rle = {3, 7, 0, 3, 4, 5, 6, 0, 0, 0, 0, 2, 1, 1, 9, 2, 0, 1};
  ImgfPtr img = decode(makeBmp(8, 4, 3, grayPalette(16), rle, 1));
  ASSERT_TRUE(img);
  std::vector<uint8_t> want = {0, 2, 2, 2,   // top row: run of 9 from x 1, clipped
                               0, 0, 0, 0,   // middle row untouched
                               7, 7, 7, 4};  // bottom row
  EXPECT_EQ(std::vector<uint8_t>(img->buf, img->buf + 12), want);
}

TEST(Bmp, RunLengthFourBitAndEndOfLineOnTopRowStops) {
  // Row 0: run of 5 alternating 1,2; EOL. Row 1 (top): literal 3 nibbles 3,4,5; EOL
  // moves above the top: decoding stops before the final garbage run.
  std::vector<uint8_t> rle = {5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 0, 200, 0xff};
  ImgfPtr img = decode(makeBmp(4, 6, 2, grayPalette(16), rle, 2));
  ASSERT_TRUE(img);
  std::vector<uint8_t> want = {3, 4, 5, 0, 0, 0, 1, 2, 1, 2, 1, 0};
  EXPECT_EQ(std::vector<uint8_t>(img->buf, img->buf + 12), want);
}

TEST(Bmp, DamagedFilesStayInsideTheirBuffers) {
  // Negative height (top-down) is refused for run-length data.
  auto neg = makeBmp(8, 2, 1, grayPalette(2), {2, 1, 0, 1}, 1);
  put32(neg, 22, static_cast<uint32_t>(-1));
  std::string out = captureStdout([&] { EXPECT_FALSE(decode(neg)); });
  EXPECT_EQ(out, "bmpOpen:画像サイズが異常です 2 x -1\n");
  // Huge sizes fail cleanly.
  auto huge = makeBmp(24, 100000, 100000, {}, {});
  out = captureStdout([&] { EXPECT_FALSE(decode(huge)); });
  EXPECT_EQ(out, "bmpOpen:画像サイズが異常です 100000 x 100000\n");
  // Short pixel data: stored rows that exist are read, the rest stays 0.
  auto cut = makeBmp(8, 4, 3, grayPalette(16), {1, 2, 3, 4, 5, 6});
  ImgfPtr img = decode(cut);
  ASSERT_TRUE(img);
  EXPECT_EQ(std::vector<uint8_t>(img->buf, img->buf + 12),
            (std::vector<uint8_t>{0, 0, 0, 0, 5, 6, 0, 0, 1, 2, 3, 4}));
  // Pixel offset beyond the file and run-length data cut inside an item.
  auto far = makeBmp(8, 2, 2, grayPalette(2), {});
  put32(far, 10, 0xfffffff0u);
  EXPECT_TRUE(decode(far));
  EXPECT_TRUE(decode(makeBmp(8, 4, 2, grayPalette(2), {0, 5, 1, 2}, 1)));
  EXPECT_TRUE(decode(makeBmp(8, 4, 2, grayPalette(2), {0, 2, 1}, 1)));
  // Run-length data that moves far past the image.
  EXPECT_TRUE(decode(makeBmp(4, 4, 2, grayPalette(2), {0, 2, 255, 0, 200, 0x11, 0, 9, 1, 2}, 2)));
  // Unsupported combinations fail after their message: no blank picture.
  out = captureStdout([&] { img = decode(makeBmp(24, 1, 1, {}, {1, 2, 3, 0}, 1)); });
  EXPECT_EQ(out, "bmpOpen DECODE ERROR: rgbsiz=24\n");
  EXPECT_FALSE(img);
  out = captureStdout([&] { img = decode(makeBmp(1, 1, 1, grayPalette(2), {0, 0, 0, 0}, 1)); });
  EXPECT_EQ(out, "bmpOpen DECODE ERROR: ebit=1\n");
  EXPECT_FALSE(img);
  // Truncated headers.
  auto hd = makeBmp(8, 1, 1, {}, {});
  for (size_t n : {size_t(0), size_t(10), size_t(17), size_t(40), size_t(53)})
    EXPECT_FALSE(decode(std::vector<uint8_t>(hd.begin(), hd.begin() + n))) << n;
}

// bmpOpen reads uncompressed rows from the file in pieces; whatever the
// file, it must answer what bmpDecode answers for the whole file.
TEST(Bmp, OpeningAFileDecodesItsBytes) {
  TempDir dir;
  std::vector<uint8_t> masks(12, 0);
  put32(masks, 0, 0xf800), put32(masks, 4, 0x07e0), put32(masks, 8, 0x001f);
  auto big = makeBmp(24, 1001, 400, {}, noise(size_t(bmpRowSize(1001, 24)) * 400, 5));
  auto gap = makeBmp(8, 5, 3, grayPalette(4), noise(5000, 6));  // rows far after the palette
  put32(gap, 10, 3000);
  auto beyond = makeBmp(8, 2, 2, grayPalette(2), {1, 2, 3, 4});
  put32(beyond, 10, 0xfffffff0u);
  const std::vector<std::vector<uint8_t>> files = {
      big,                                                                   // several pieces
      std::vector<uint8_t>(big.begin(), big.end() - 1500),                   // cut inside a row
      std::vector<uint8_t>(big.begin(), big.begin() + 1078 + 7),             // cut after the head
      makeBmp(8, 7, 5, grayPalette(256), noise(40, 7), 0, 200),              // indexed
      makeBmp(4, 9, 3, grayPalette(16), noise(12, 8)),                       // 4-bit
      makeBmp(16, 3, 2, masks, noise(16, 9), 3),                             // bit fields
      makeBmp(8, 4, 3, grayPalette(16), {3, 7, 0, 3, 4, 5, 6, 0, 0, 1}, 1),  // run-length
      gap,
      beyond,
      std::vector<uint8_t>(big.begin(), big.begin() + 40),  // header cut short
  };
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string f = dir.file("o.bmp");
    fmttest::writeFile(f, files[i]);
    ImgfPtr want = decode(files[i]);
    ImgfPtr got(bmpOpen(f.c_str()));
    ASSERT_EQ(bool(got), bool(want)) << i;
    if (!want) continue;
    ASSERT_EQ(got->w, want->w) << i;
    ASSERT_EQ(got->h, want->h) << i;
    ASSERT_EQ(got->depth, want->depth) << i;
    EXPECT_EQ(got->ncolor, want->ncolor) << i;
    EXPECT_EQ(std::memcmp(got->cmap, want->cmap, sizeof got->cmap), 0) << i;
    const size_t n = size_t(want->w) * want->h * (want->depth ? 1 : 4);
    EXPECT_EQ(std::memcmp(got->buf, want->buf, n), 0) << i;
  }
}

TEST(Bmp, WriterReportsFailures) {
  uint8_t px[4] = {};
  EXPECT_EQ(bmpSave("/dev/full", px, 2, 2, 8, nullptr, 0), 0);
  std::string out = captureStdout(
      [&] { EXPECT_EQ(bmpSave("/nonexistent-dir/a.bmp", px, 2, 2, 8, nullptr, 0), 0); });
  EXPECT_EQ(out, "File Open(w) Error:/nonexistent-dir/a.bmp\n");
  EXPECT_TRUE(bmpEncode(px, 2, 2, 3, nullptr, 0).empty());
  EXPECT_TRUE(bmpEncode(px, 0, 2, 8, nullptr, 0).empty());
}

TEST(Bmp, RowsPackAndUnpackAreInverse) {
  for (int bits : {1, 2, 4, 8}) {
    auto px = noise(9 * 4, bits, 1 << bits);
    uint8_t* packed = bmpRows(4, nullptr, px.data(), bits, 9, BMP_PACK);
    uint8_t* back = bmpRows(4, nullptr, packed, bits, 9, BMP_UNPACK);
    EXPECT_EQ(std::vector<uint8_t>(back, back + 36), px) << bits;
    std::free(packed);
    std::free(back);
  }
}

}  // namespace
