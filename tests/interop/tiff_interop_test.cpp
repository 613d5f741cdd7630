// TIFF files made by ImageMagick and libtiff-tools read by tifOpen, and ours
// read by libtiff (tifftopnm): the same pixels both ways.
#include <gtest/gtest.h>

#include <cstring>

#include "formats/tif.h"
#include "tests/interop/ppm_ref.h"

namespace {

using interop::Rgb;

std::vector<uint8_t> rgbOf(const IMGF* img) {
  std::vector<uint8_t> out;
  for (int i = 0; i < img->w * img->h; i++) {
    uint32_t c = img->depth ? img->cmap[img->buf[i]] : 0;
    const uint8_t* p = img->depth ? reinterpret_cast<const uint8_t*>(&c) : img->buf + 4 * i;
    out.insert(out.end(), p, p + 3);
  }
  return out;
}

// Reads `tif` with tifOpen and with tifftopnm; both must agree exactly.
IMGF* expectSameAsLibtiff(const interop::Scratch& s, const std::string& tif) {
  EXPECT_EQ(interop::sh("tifftopnm -quiet '" + tif + "' > '" + s("ref.pnm") + "' 2>/dev/null"), 0);
  Rgb ref = interop::pnmFile(s("ref.pnm"));
  IMGF* img = tifOpen(tif.c_str());
  EXPECT_NE(img, nullptr) << tif;
  if (!img) return nullptr;
  EXPECT_EQ(img->w, ref.w);
  EXPECT_EQ(img->h, ref.h);
  EXPECT_TRUE(rgbOf(img) == ref.px) << tif;
  return img;
}

std::vector<uint8_t> rgbaByImageMagick(const interop::Scratch& s, const std::string& path) {
  EXPECT_EQ(interop::sh("convert '" + path + "' -depth 8 rgba:'" + s("ref.rgba") + "'"), 0);
  return interop::slurp(s("ref.rgba"));
}

class TiffInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    INTEROP_NEED("convert");
    INTEROP_NEED("tifftopnm");
    INTEROP_NEED("tiffcp");
    interop::spill(s("src.ppm"), interop::p6(w, h, interop::pattern(w, h, 3)));
  }
  void expectFrom(const std::string& cmd, int depth) {
    ASSERT_EQ(interop::sh(cmd), 0) << cmd;
    IMGF* img = expectSameAsLibtiff(s, s("t.tif"));
    if (img) {
      EXPECT_EQ(img->depth, depth) << cmd;
    }
    imgfFre(img);
  }
  interop::Scratch s;
  const int w = 24, h = 10;  // 24 x 4 bits is a whole number of bytes per row
};

TEST_F(TiffInterop, RgbInBothByteOrders) {
  for (const char* endian : {"LSB", "MSB"}) {
    expectFrom(
        "convert '" + s("src.ppm") + "' -compress none -endian " + endian + " '" + s("t.tif") + "'",
        0);
  }
}

TEST_F(TiffInterop, RgbaKeepsAlpha) {
  ASSERT_EQ(interop::sh("convert '" + s("src.ppm") +
                        "' -alpha set -channel A -fx 'i/w' -compress none '" + s("t.tif") +
                        "' 2>/dev/null"),
            0);
  // tifftopnm composites colour with alpha, so ImageMagick is the reference here.
  IMGF* img = tifOpen(s("t.tif").c_str());
  ASSERT_TRUE(img);
  std::vector<uint8_t> ref = rgbaByImageMagick(s, s("t.tif"));
  ASSERT_EQ(ref.size(), size_t(w * h * 4));
  EXPECT_EQ(0, std::memcmp(img->buf, ref.data(), ref.size()));
  imgfFre(img);
}

TEST_F(TiffInterop, PaletteOfEightFourAndOneBits) {
  expectFrom("convert '" + s("src.ppm") + "' -colors 200 -type palette -compress none '" +
                 s("t.tif") + "'",
             8);
  expectFrom(
      "convert '" + s("src.ppm") + "' -colors 16 -type palette -compress none '" + s("t.tif") + "'",
      4);
  expectFrom(
      "convert '" + s("src.ppm") + "' -colors 2 -type palette -compress none '" + s("t.tif") + "'",
      1);
}

TEST_F(TiffInterop, SeveralStripsAndDirectories) {
  ASSERT_EQ(interop::sh("convert '" + s("src.ppm") + "' -compress none '" + s("a.tif") + "'"), 0);
  expectFrom("tiffcp -c none -r 1 '" + s("a.tif") + "' '" + s("t.tif") + "'", 0);
  // Planes stored one after the other are refused, not misread.
  ASSERT_EQ(
      interop::sh("tiffcp -c none -r 3 -p separate '" + s("a.tif") + "' '" + s("p.tif") + "'"), 0);
  testing::internal::CaptureStdout();
  EXPECT_EQ(tifOpen(s("p.tif").c_str()), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "tifOpen:プレーン別の TIFF はサポートできません\n");
  // Two directories: the second one is the picture.
  ASSERT_EQ(interop::sh("convert '" + s("src.ppm") + "' -flop -colors 16 -type palette " +
                        "-compress none '" + s("b.tif") + "'"),
            0);
  ASSERT_EQ(
      interop::sh("tiffcp -c none '" + s("a.tif") + "' '" + s("b.tif") + "' '" + s("t.tif") + "'"),
      0);
  ASSERT_EQ(interop::sh("tiffcp -c none '" + s("t.tif") + ",1' '" + s("second.tif") + "'"), 0);
  IMGF* ours = tifOpen(s("t.tif").c_str());
  IMGF* ref = expectSameAsLibtiff(s, s("second.tif"));
  ASSERT_TRUE(ours && ref);
  EXPECT_EQ(rgbOf(ours), rgbOf(ref));
  imgfFre(ours);
  imgfFre(ref);
}

TEST_F(TiffInterop, OurFilesReadByLibtiff) {
  // Direct colour with alpha.
  std::vector<uint8_t> rgb = interop::pattern(w, h, 9), rgba;
  for (int i = 0; i < w * h; i++) {
    rgba.insert(rgba.end(), &rgb[3 * i], &rgb[3 * i] + 3);
    rgba.push_back(uint8_t(i * 3));
  }
  ASSERT_EQ(tifdbSave(s("d.tif").c_str(), rgba.data(), w, h, nullptr, 0, 0), 1);
  EXPECT_EQ(rgbaByImageMagick(s, s("d.tif")), rgba);
  ASSERT_EQ(interop::sh("tifftopnm -quiet -alphaout='" + s("a.pgm") + "' '" + s("d.tif") +
                        "' > /dev/null 2>&1"),
            0);
  Rgb alpha = interop::pnmFile(s("a.pgm"));
  for (int i = 0; i < w * h; i++) ASSERT_EQ(alpha.px[3 * i], rgba[4 * i + 3]);
  // Opaque, libtiff gives the colours unchanged.
  for (int i = 0; i < w * h; i++) rgba[4 * i + 3] = 255;
  ASSERT_EQ(tifdbSave(s("o.tif").c_str(), rgba.data(), w, h, nullptr, 0, 0), 1);
  imgfFre(expectSameAsLibtiff(s, s("o.tif")));
  // Indexed with 8, 4, 2 and 1 bits (rows a whole number of bytes).
  for (int depth : {8, 4, 2, 1}) {
    std::vector<uint8_t> idx(size_t(w) * h);
    for (int i = 0; i < w * h; i++) idx[i] = uint8_t((i * 7 + i / w) % (1 << depth));
    uint32_t cmap[256];
    for (int i = 0; i < 256; i++)
      cmap[i] = uint32_t(i) | uint32_t(255 - i) << 8 | uint32_t(i * 3 & 255) << 16;
    ASSERT_EQ(tifdbSave(s("i.tif").c_str(), idx.data(), w, h, cmap, 1 << depth, depth), 1);
    IMGF* img = expectSameAsLibtiff(s, s("i.tif"));
    ASSERT_TRUE(img);
    EXPECT_EQ(0, std::memcmp(img->buf, idx.data(), idx.size()));
    imgfFre(img);
    EXPECT_EQ(interop::sh("tiffinfo '" + s("i.tif") + "' > /dev/null 2>&1"), 0);
  }
}

// Rows of narrow samples start on byte boundaries: odd widths both ways.
TEST_F(TiffInterop, OddWidthsOfNarrowIndicesBothWays) {
  INTEROP_NEED("tiffinfo");
  for (int width : {1, 3, 5, 7, 13}) {
    for (int depth : {1, 2, 4}) {
      interop::spill(s("odd.ppm"), interop::p6(width, h, interop::pattern(width, h, depth)));
      expectFrom("convert '" + s("odd.ppm") + "' -colors " + std::to_string(1 << depth) +
                     " -type palette -depth " + std::to_string(depth) + " -compress none '" +
                     s("t.tif") + "'",
                 depth);
      std::vector<uint8_t> idx(size_t(width) * h);
      for (size_t i = 0; i < idx.size(); i++) idx[i] = uint8_t((i * 5 + i / width) % (1 << depth));
      uint32_t cmap[256];
      for (int i = 0; i < 256; i++) cmap[i] = uint32_t(i * 40 & 255) | uint32_t(255 - i) << 8;
      ASSERT_EQ(tifdbSave(s("o.tif").c_str(), idx.data(), width, h, cmap, 1 << depth, depth), 1);
      IMGF* img = expectSameAsLibtiff(s, s("o.tif"));
      ASSERT_TRUE(img);
      EXPECT_EQ(0, std::memcmp(img->buf, idx.data(), idx.size())) << width << " " << depth;
      imgfFre(img);
      // No warning from libtiff (tags in ascending order).
      ASSERT_EQ(interop::sh("tiffinfo '" + s("o.tif") + "' > /dev/null 2> '" + s("w.txt") + "'"),
                0);
      EXPECT_TRUE(interop::slurp(s("w.txt")).empty()) << width << " " << depth;
    }
  }
}

}  // namespace
