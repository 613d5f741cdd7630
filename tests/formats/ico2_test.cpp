#include "std/ico2.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "std/db2.h"
#include "std/png.h"
#include "testutil.h"

namespace {

using fmttest::captureStdout;
using fmttest::get32;
using fmttest::noise;
using fmttest::put16;
using fmttest::put32;
using fmttest::TempDir;

struct List {
  DB* db;
  explicit List(DB* d) : db(d) {}
  ~List() { imgfListFre(db); }
  int count() const { return db ? dbCnt(db) : -1; }
  IMGF* at(int i) const { return static_cast<IMGF*>(dbNth(db, static_cast<uint32_t>(i))); }
};

std::vector<uint32_t> rampMap() {
  std::vector<uint32_t> cmap(256);
  for (int i = 0; i < 256; ++i) cmap[i] = 0xff000000u | (i * 0x00030507u & 0xffffff);
  cmap[0] = 0;  // transparent black
  return cmap;
}

TEST(Ico, EightBitIconRoundTripDecreasesIndices) {
  TempDir dir;
  auto cmap = rampMap();
  int w = 20, h = 9;
  auto px = noise(w * h, 5, 40);
  std::string f = dir.file("a.ico");
  ASSERT_EQ(icoSave(f.c_str(), px.data(), w, h, cmap.data(), 40, ICO_ICON), 1);
  List l(icoOpen(f.c_str()));
  ASSERT_EQ(l.count(), 1);
  IMGF* img = l.at(0);
  EXPECT_EQ(img->w, w);
  EXPECT_EQ(img->h, h);
  EXPECT_EQ(img->depth, 8);
  EXPECT_EQ(img->ncolor, 256);
  for (int i = 0; i < w * h; ++i) {
    ASSERT_EQ(img->buf[i], static_cast<uint8_t>(px[i] - 1)) << i;
    ASSERT_EQ(img->cmap[img->buf[i]], cmap[px[i]]) << i;  // same colour, alpha included
  }
  EXPECT_EQ(img->cmap[255] >> 24, 0u);
}

TEST(Ico, FourBitIconKeepsTheColourOfIndexZero) {
  auto cmap = rampMap();
  cmap[0] = 0xff102030u;  // opaque
  std::vector<uint8_t> px = {0, 1, 15, 3};
  auto d = icoEncode(px.data(), 2, 2, cmap.data(), 16, ICO_ICON);
  ASSERT_FALSE(d.empty());
  EXPECT_EQ(d[8], 4);  // colour-count byte: the depth
  EXPECT_EQ(get32(d, 22 + 32), 16u);
  List l(icoDecode(d.data(), d.size()));
  ASSERT_EQ(l.count(), 1);
  IMGF* img = l.at(0);
  EXPECT_EQ(img->depth, 4);
  EXPECT_EQ(img->ncolor, 16);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(img->cmap[img->buf[i]], cmap[px[i]]) << i;
}

TEST(Ico, DepthFollowsTheColourCount) {
  auto cmap = rampMap();
  std::vector<uint8_t> px(4, 1);
  auto d16 = icoEncode(px.data(), 2, 2, cmap.data(), 16, ICO_ICON);
  auto d17 = icoEncode(px.data(), 2, 2, cmap.data(), 17, ICO_ICON);
  EXPECT_EQ(d16[22 + 14], 4);
  EXPECT_EQ(d17[22 + 14], 8);
  // Image size: (XOR row + AND row) x height + palette + header.
  EXPECT_EQ(get32(d16, 14), (4u + 4) * 2 + 4 * 16 + 40);
  EXPECT_EQ(get32(d17, 14), (4u + 4) * 2 + 4 * 256 + 40);
  EXPECT_EQ(d17.size(), 22 + get32(d17, 14));
  EXPECT_EQ(get32(d17, 22 + 8), 4u);  // header height is twice the image height
}

TEST(Ico, CursorIsOneBitBlackAndWhite) {
  auto cmap = rampMap();
  std::vector<uint8_t> px = {1, 2, 2, 1, 0, 0};
  auto d = icoEncode(px.data(), 3, 2, cmap.data(), 3, ICO_CURSOR);
  ASSERT_FALSE(d.empty());
  EXPECT_EQ(d[2], 2);
  EXPECT_EQ(d[8], 0);
  EXPECT_EQ(d[22 + 14], 1);
  EXPECT_EQ(get32(d, 22 + 32), 0u);  // colours used
  EXPECT_EQ(get32(d, 62), 0u);       // black
  EXPECT_EQ(get32(d, 66), 0x00ffffffu);
  // Bottom row (1, 0, 0) first: decreased 0, and the transparent pixels keep
  // XOR 0 -> bits 000; top row 1 2 2 -> 0 1 1.
  EXPECT_EQ(d[70], 0x00);
  EXPECT_EQ(d[74], 0x60);
  // AND rows: the bottom row's index-0 pixels are transparent.
  EXPECT_EQ(d[78], 0x60);
  EXPECT_EQ(d[82], 0x00);
  // Read back in the same index meaning: 0 transparent, 1 black, 2 white.
  List l(icoDecode(d.data(), d.size()));
  ASSERT_EQ(l.count(), 1);
  IMGF* img = l.at(0);
  EXPECT_EQ(img->depth, 2);
  EXPECT_EQ(img->ncolor, 4);
  EXPECT_EQ(std::vector<uint8_t>(img->buf, img->buf + 6), px);
  EXPECT_EQ(img->cmap[0] >> 24, 0u);
  EXPECT_EQ(img->cmap[1], 0xff000000u);
  EXPECT_EQ(img->cmap[2], 0xffffffffu);
  // An inverting pixel (AND 1, XOR 1) becomes index 3, transparent.
  auto inv = d;
  inv[74] |= 0x80;  // top row, first pixel: XOR 1
  inv[82] |= 0x80;  // and AND 1
  List m(icoDecode(inv.data(), inv.size()));
  ASSERT_EQ(m.count(), 1);
  EXPECT_EQ(m.at(0)->buf[0], 3);
  EXPECT_EQ(m.at(0)->cmap[3] >> 24, 0u);
}

TEST(Ico, WidthTwoHundredFiftySixIsStoredAsZeroAndReadBack) {
  auto cmap = rampMap();
  std::vector<uint8_t> px(256 * 2, 7);
  auto d = icoEncode(px.data(), 256, 2, cmap.data(), 16, ICO_ICON);
  ASSERT_FALSE(d.empty());
  EXPECT_EQ(d[6], 0);
  List l(icoDecode(d.data(), d.size()));
  ASSERT_EQ(l.count(), 1);
  EXPECT_EQ(l.at(0)->w, 256);
  EXPECT_EQ(l.at(0)->buf[255], 6);
  EXPECT_TRUE(icoEncode(px.data(), 257, 1, cmap.data(), 16, ICO_ICON).empty());
}

TEST(Ico, ForeignAndFullColourFiles) {
  auto cmap = rampMap();
  std::vector<uint8_t> px(4, 1);
  auto d = icoEncode(px.data(), 2, 2, cmap.data(), 16, ICO_ICON);
  auto bad = d;
  bad[0] = 1;  // reserved word 1
  std::string out = captureStdout([&] { EXPECT_EQ(icoDecode(bad.data(), bad.size()), nullptr); });
  EXPECT_EQ(out, "");
  bad = d;
  bad[2] = 3;
  EXPECT_EQ(icoDecode(bad.data(), bad.size()), nullptr);
  auto full = d;
  put16(full, 22 + 14, 24);
  List l(nullptr);
  out = captureStdout([&] { l.db = icoDecode(full.data(), full.size()); });
  EXPECT_EQ(out, "フルカラーのアイコン、カーソルはサポートしていません\n");
  ASSERT_EQ(l.count(), 1);
  EXPECT_EQ(l.at(0)->ncolor, 256);
  EXPECT_EQ(l.at(0)->buf, nullptr) << "no pixels rather than a blank picture";
}

// An icon file whose entries hold the given PNG files (directory sizes 0: 256).
std::vector<uint8_t> pngIcon(const std::vector<std::vector<uint8_t>>& pngs) {
  std::vector<uint8_t> d(6 + 16 * pngs.size(), 0);
  put16(d, 2, ICO_ICON);
  put16(d, 4, uint32_t(pngs.size()));
  for (size_t i = 0; i < pngs.size(); ++i) {
    put32(d, 6 + 16 * i + 8, uint32_t(pngs[i].size()));
    put32(d, 6 + 16 * i + 12, uint32_t(d.size()));
    d.insert(d.end(), pngs[i].begin(), pngs[i].end());
  }
  return d;
}

TEST(Ico, EntriesStoredAsPngReadAsPng) {
  auto rgba = noise(256 * 256 * 4, 7);
  auto big = pngEncode(rgba.data(), 256, 256, 0, nullptr, 0);
  auto cmap = rampMap();
  std::vector<uint8_t> idx = {1, 2, 3, 0, 2, 1};
  auto small = pngEncode(idx.data(), 3, 2, 2, cmap.data(), 4);
  auto broken = small;
  broken.resize(broken.size() - 20);
  List l(nullptr);
  std::string out = captureStdout([&] {
    auto d = pngIcon({big, broken, small});
    l.db = icoDecode(d.data(), d.size());
  });
  EXPECT_EQ(out.rfind("pngOpen:", 0), 0u) << out;  // the broken entry, skipped
  ASSERT_EQ(l.count(), 2);
  EXPECT_EQ(l.at(0)->w, 256);
  EXPECT_EQ(l.at(0)->depth, 0);
  EXPECT_EQ(std::vector<uint8_t>(l.at(0)->buf, l.at(0)->buf + rgba.size()), rgba);
  EXPECT_EQ(l.at(1)->depth, 2);
  EXPECT_EQ(std::vector<uint8_t>(l.at(1)->buf, l.at(1)->buf + 6), idx);
  EXPECT_EQ(l.at(1)->cmap[3], cmap[3]);
  // Entries whose headers ask for more pixels than one picture may have
  // together stop the list before they are decoded.
  auto half = fmttest::pngHeaderOnly(8192, IMGF_MAXPIXELS / 8192 / 2 + 1);
  half.resize(half.size() + 16);  // as long as an image header
  auto d = pngIcon({half, half});
  List two(nullptr);
  out = captureStdout([&] { two.db = icoDecode(d.data(), d.size()); });
  EXPECT_NE(out.find("icoOpen:画像が多すぎます"), std::string::npos) << out;
  EXPECT_EQ(two.count(), 0);
}

TEST(Ico, EntriesOutsideTheFileAreSkipped) {
  auto cmap = rampMap();
  std::vector<uint8_t> px(16 * 16, 3);
  auto d = icoEncode(px.data(), 16, 16, cmap.data(), 256, ICO_ICON);
  // Claim three entries: the second and third directory entries overlap the image
  // header; point the first far outside.
  auto e = d;
  put16(e, 4, 3);
  put32(e, 18, 0xfffffff0u);
  List a(icoDecode(e.data(), e.size()));
  ASSERT_NE(a.db, nullptr);
  EXPECT_LE(a.count(), 2);
  // A directory that runs past the end of the file.
  auto g = d;
  put16(g, 4, 60000);
  List b(icoDecode(g.data(), g.size()));
  ASSERT_NE(b.db, nullptr);
  // Pixel data cut short: the picture is read as far as it goes.
  for (size_t n : {size_t(62), size_t(62 + 1024 + 10), d.size() - 1}) {
    std::vector<uint8_t> cut(d.begin(), d.begin() + n);
    List c(icoDecode(cut.data(), cut.size()));
    ASSERT_NE(c.db, nullptr);
    EXPECT_EQ(c.count(), 1) << n;
  }
  std::vector<uint8_t> tiny = {0, 0, 1, 0};
  EXPECT_EQ(icoDecode(tiny.data(), tiny.size()), nullptr);
}

// A file cut anywhere inside its pixels reads as if the missing bytes were 0:
// whole rows, partial rows and missing rows, at every depth and for cursors.
TEST(Ico, CutPixelsReadAsZeros) {
  auto cmap = rampMap();
  struct Case {
    int w, h, ncolor, type;
  };
  for (Case k : {Case{13, 5, 200, ICO_ICON}, Case{11, 4, 16, ICO_ICON}, Case{9, 3, 2, ICO_ICON},
                 Case{35, 3, 3, ICO_CURSOR}}) {
    auto px = noise(k.w * k.h, 7, k.ncolor);
    auto d = icoEncode(px.data(), k.w, k.h, cmap.data(), k.ncolor, k.type);
    ASSERT_FALSE(d.empty());
    size_t pixels = 22 + 40 + 4 * (k.ncolor > 16 ? 256 : k.ncolor > 2 ? 16 : 2);
    for (size_t n = pixels; n <= d.size(); ++n) {
      std::vector<uint8_t> cut(d.begin(), d.begin() + n);
      std::vector<uint8_t> padded = cut;
      padded.resize(d.size(), 0);
      List a(icoDecode(cut.data(), cut.size()));
      List b(icoDecode(padded.data(), padded.size()));
      ASSERT_EQ(a.count(), 1) << n;
      ASSERT_EQ(b.count(), 1) << n;
      size_t size = static_cast<size_t>(k.w) * k.h;
      ASSERT_EQ(std::vector<uint8_t>(a.at(0)->buf, a.at(0)->buf + size),
                std::vector<uint8_t>(b.at(0)->buf, b.at(0)->buf + size))
          << "width " << k.w << ", cut at " << n;
      if (n == d.size()) {
        for (size_t i = 0; i < size; ++i)
          ASSERT_EQ(a.at(0)->cmap[a.at(0)->buf[i]] & 0xffffffu, cmap[px[i]] & 0xffffffu) << i;
      }
    }
  }
}

TEST(Ico, WriterReportsFailures) {
  auto cmap = rampMap();
  std::vector<uint8_t> px(4, 1);
  EXPECT_EQ(icoSave("/dev/full", px.data(), 2, 2, cmap.data(), 16, ICO_ICON), 0);
  EXPECT_EQ(icoSave("/nonexistent-dir/a.ico", px.data(), 2, 2, cmap.data(), 16, ICO_ICON), 0);
  EXPECT_TRUE(icoEncode(px.data(), 2, 2, cmap.data(), 16, 3).empty());
}

}  // namespace
