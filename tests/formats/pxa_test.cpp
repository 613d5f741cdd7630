#include "formats/pxa.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "testutil.h"

namespace {

using fmttest::captureStdout;
using fmttest::get32;
using fmttest::ImgfPtr;
using fmttest::noise;
using fmttest::readFile;
using fmttest::TempDir;

// A container built chunk by chunk, for readers' corner cases.
class Container {
 public:
  explicit Container(const char* top = "1FIN") : d_(top, top + 4) { d_.resize(8); }
  Container& chunk(const char* tag, const std::vector<uint8_t>& body) {
    size_t at = d_.size();
    fmttest::put32(d_, at, nifTag(tag));
    fmttest::put32(d_, at + 4, static_cast<uint32_t>(body.size()));
    d_.insert(d_.end(), body.begin(), body.end());
    while (d_.size() % 4) d_.push_back(0);
    return *this;
  }
  Container& integer(const char* tag, uint32_t v) {
    std::vector<uint8_t> b;
    fmttest::put32(b, 0, v);
    return chunk(tag, b);
  }
  std::vector<uint8_t> bytes() const {
    auto d = d_;
    fmttest::put32(d, 4, static_cast<uint32_t>(d.size() - 8));
    return d;
  }

 private:
  std::vector<uint8_t> d_;
};

std::vector<uint8_t> compress(const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> out(static_cast<size_t>(lzBound(raw.size())));
  out.resize(lzEncode(out.data(), raw.data(), static_cast<int>(raw.size())));
  return out;
}

ImgfPtr openBytes(const std::vector<uint8_t>& d) { return ImgfPtr(pxaOpenMem(d.data(), d.size())); }

TEST(Pxa, RoundTripsEveryDepth) {
  TempDir dir;
  std::vector<uint32_t> cmap(256);
  for (int i = 0; i < 256; ++i) cmap[i] = 0x01020304u * i;
  for (int ebit : {0, 1, 2, 4, 8}) {
    int w = 37, h = 11;
    auto px = noise(static_cast<size_t>(w) * h * (ebit ? 1 : 4), ebit + 1, ebit ? 1 << ebit : 256);
    int cmapn = ebit ? 1 << ebit : 5;
    std::string f = dir.file("p" + std::to_string(ebit) + ".pxa");
    ASSERT_EQ(pxaSave(f.c_str(), px.data(), w, h, cmap.data(), cmapn, ebit), 1);
    ImgfPtr img(pxaOpen(f.c_str()));
    ASSERT_TRUE(img) << ebit;
    EXPECT_EQ(img->w, w);
    EXPECT_EQ(img->h, h);
    EXPECT_EQ(img->depth, ebit);
    EXPECT_EQ(img->ncolor, cmapn);
    EXPECT_EQ(std::memcmp(img->buf, px.data(), px.size()), 0) << ebit;
    EXPECT_EQ(std::memcmp(img->cmap, cmap.data(), 4 * cmapn), 0);
    if (cmapn < 256) {
      EXPECT_EQ(img->cmap[cmapn], 0u);  // entries past the count stay empty
    }
  }
}

TEST(Pxa, LayoutOfAWrittenIndexedFile) {
  TempDir dir;
  std::string f = dir.file("l.pxa");
  uint8_t px[9] = {1, 0, 1, 1, 0, 0, 0, 1, 1};
  uint32_t cmap[2] = {0x00000000u, 0xffffffffu};
  ASSERT_EQ(pxaSave(f.c_str(), px, 3, 3, cmap, 2, 1), 1);
  auto d = readFile(f);
  ASSERT_GE(d.size(), 80u);
  EXPECT_EQ(get32(d, 4), d.size() - 8);
  EXPECT_EQ(std::memcmp(&d[8], "epyt\x04\0\0\0pxa\0", 12), 0);
  EXPECT_EQ(std::memcmp(&d[20], "tibe", 4), 0);
  EXPECT_EQ(get32(d, 28), 1u);
  EXPECT_EQ(std::memcmp(&d[32], "  wx", 4), 0);
  EXPECT_EQ(get32(d, 40), 3u);
  EXPECT_EQ(std::memcmp(&d[44], "  wy", 4), 0);
  EXPECT_EQ(std::memcmp(&d[56], "pamc", 4), 0);
  EXPECT_EQ(get32(d, 60), 8u);
  EXPECT_EQ(std::memcmp(&d[72], "xdic", 4), 0);
  // Nine 1-bit indices across row boundaries: 2 bytes before compression.
  uint32_t n = get32(d, 76);
  uint8_t raw[2];
  ASSERT_EQ(lzDecode(raw, 2, &d[80], static_cast<int>(n)), static_cast<int>(n));
  EXPECT_EQ(raw[0], 0xb1);
  EXPECT_EQ(raw[1], 0x80);
}

TEST(Pxa, DirectImageHasEbitZeroCmapAndRgbaChunk) {
  TempDir dir;
  std::string f = dir.file("d.pxa");
  auto px = noise(4 * 5 * 4, 3);
  uint32_t cmap[3] = {1, 2, 3};
  ASSERT_EQ(pxaSave(f.c_str(), px.data(), 4, 5, cmap, 3, 0), 1);
  auto d = readFile(f);
  EXPECT_EQ(get32(d, 28), 0u);
  EXPECT_EQ(std::memcmp(&d[56], "pamc", 4), 0);
  EXPECT_EQ(get32(d, 60), 12u);
  EXPECT_EQ(std::memcmp(&d[76], "abgr", 4), 0);
  std::vector<uint8_t> raw(80);
  EXPECT_EQ(lzDecode(raw.data(), 80, &d[84], static_cast<int>(get32(d, 80))),
            static_cast<int>(get32(d, 80)));
  EXPECT_EQ(raw, px);
}

TEST(Pxa, WithoutColourMapIndicesGoToGray) {
  TempDir dir;
  std::string f = dir.file("g.pxa");
  uint8_t px[4] = {0, 50, 100, 255};
  ASSERT_EQ(pxaSave(f.c_str(), px, 2, 2, nullptr, 0, 8), 1);
  auto d = readFile(f);
  EXPECT_EQ(std::memcmp(&d[56], "yarg", 4), 0);
  ImgfPtr img(pxaOpen(f.c_str()));
  ASSERT_TRUE(img);
  EXPECT_EQ(img->ncolor, 0);
  EXPECT_EQ(img->buf[3], 255);
}

TEST(Pxa, ColourMapAboveTwoHundredFiftySixEntriesIsCut) {
  std::vector<uint8_t> cmap(300 * 4, 7);
  std::vector<uint8_t> px = {1, 2, 3, 4};
  auto d = Container()
               .integer("ebit", 8)
               .integer("xw", 2)
               .integer("yw", 2)
               .chunk("cmap", cmap)
               .chunk("cidx", compress(px))
               .bytes();
  ImgfPtr img = openBytes(d);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->ncolor, 256);
  EXPECT_EQ(img->cmap[255], 0x07070707u);
}

TEST(Pxa, SiffContainerAndLaterPixelChunkWin) {
  std::vector<uint8_t> a = {1, 1, 1, 1}, b = {2, 3, 4, 5};
  auto d = Container("ffiS")
               .integer("ebit", 8)
               .integer("xw", 2)
               .integer("yw", 2)
               .chunk("gray", compress(a))
               .chunk("gray", compress(b))
               .integer("xw", 4)  // after the pixels: no effect
               .bytes();
  ImgfPtr img = openBytes(d);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->w, 2);
  EXPECT_EQ(std::memcmp(img->buf, b.data(), 4), 0);
}

TEST(Pxa, DamagedFilesFailWithAMessage) {
  std::vector<uint8_t> px = {1, 2, 3, 4};
  auto base = [&] { return Container().integer("ebit", 8).integer("xw", 2).integer("yw", 2); };
  // Compressed data cut short.
  auto cut = compress(px);
  cut.pop_back();
  std::string out =
      captureStdout([&] { EXPECT_FALSE(openBytes(base().chunk("cidx", cut).bytes())); });
  EXPECT_EQ(out, "pxaGet:画素データが壊れています\n");
  // Pixels before the size.
  out = captureStdout([&] {
    EXPECT_FALSE(openBytes(Container().integer("ebit", 8).chunk("cidx", compress(px)).bytes()));
  });
  EXPECT_EQ(out, "pxaGet:画像サイズが異常です 0 x 0\n");
  // Direct pixels in an indexed file and an unknown depth.
  out = captureStdout([&] { EXPECT_FALSE(openBytes(base().chunk("rgba", compress(px)).bytes())); });
  EXPECT_EQ(out, "pxaGet:画素の形式が不正です ebit=8\n");
  auto odd = Container().integer("ebit", 3).integer("xw", 2).integer("yw", 2).chunk("cidx", {});
  out = captureStdout([&] { EXPECT_FALSE(openBytes(odd.bytes())); });
  EXPECT_EQ(out, "pxaGet:画素の形式が不正です ebit=3\n");
  // A size whose pixel buffer passes the bound.
  auto huge =
      Container().integer("ebit", 0).integer("xw", 65536).integer("yw", 65536).chunk("rgba", {});
  out = captureStdout([&] { EXPECT_FALSE(openBytes(huge.bytes())); });
  EXPECT_EQ(out, "pxaGet:画像サイズが異常です 65536 x 65536\n");
  // No pixel chunk at all: null without a message.
  out = captureStdout([&] { EXPECT_FALSE(openBytes(base().bytes())); });
  EXPECT_EQ(out, "");
}

TEST(Pxa, WriterReportsFailures) {
  uint8_t px[4] = {};
  EXPECT_EQ(pxaSave("/dev/full", px, 2, 2, nullptr, 0, 8), 0);
  EXPECT_EQ(pxaSave("/nonexistent-dir/a.pxa", px, 2, 2, nullptr, 0, 8), 0);
  TempDir dir;
  EXPECT_EQ(pxaSave(dir.file("x.pxa").c_str(), px, 2, 2, nullptr, 0, 3), 0);  // no such depth
  EXPECT_EQ(pxaSave(dir.file("y.pxa").c_str(), px, -2, 2, nullptr, 0, 8), 0);
}

}  // namespace
