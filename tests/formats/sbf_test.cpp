#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "formats/sbf.h"
#include "std/nif.h"
#include "tests/formats/testutil.h"

namespace {

using fmttest::ImgfPtr;

uint32_t le32(const std::vector<uint8_t>& f, size_t at) {
  return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | uint32_t(f[at + 3]) << 24;
}

// Chunks inside the outermost one: (tag bytes as stored, size, offset of content).
struct Chunk {
  std::string tag;
  uint32_t size;
  size_t at;
};
std::vector<Chunk> chunks(const std::vector<uint8_t>& f) {
  std::vector<Chunk> out;
  for (size_t p = 8; p + 8 <= f.size();) {
    uint32_t size = le32(f, p + 4);
    out.push_back({std::string(f.begin() + p, f.begin() + p + 4), size, p + 8});
    p += 8 + (size + 3) / 4 * 4;
  }
  return out;
}

TEST(SbfWrite, IndexedLayoutMatchesTheFormat) {
  fmttest::TempDir dir;
  std::string path = dir.file("a.sbf");
  std::vector<uint8_t> px(15);
  for (int i = 0; i < 15; i++) px[i] = uint8_t(i % 4);
  uint32_t cmap[256] = {0x00000000u, 0xff0000ffu, 0xff00ff00u, 0xffff0000u};
  ASSERT_EQ(sbfSave(path.c_str(), "bm", px.data(), 5, 3, cmap, 4, 2), 1);
  auto f = fmttest::readFile(path);
  ASSERT_GE(f.size(), 8u);
  EXPECT_EQ(std::string(f.begin(), f.begin() + 4), "ffiS");
  EXPECT_EQ(le32(f, 4), f.size() - 8) << "outer size";
  auto c = chunks(f);
  ASSERT_EQ(c.size(), 8u);
  const char* tags[] = {"epyt", "ltrc", "revd", "tibe", "  wx", "  wy", "pamc", "atad"};
  for (int i = 0; i < 8; i++) EXPECT_EQ(c[i].tag, tags[i]) << i;
  EXPECT_EQ(std::string(f.begin() + c[0].at, f.begin() + c[0].at + 4), std::string("sbf\0", 4));
  EXPECT_EQ(std::string(f.begin() + c[1].at, f.begin() + c[1].at + 3), std::string("bm\0", 3));
  EXPECT_EQ(le32(f, c[3].at), 2u);
  EXPECT_EQ(le32(f, c[4].at), 5u);
  EXPECT_EQ(le32(f, c[5].at), 3u);
  EXPECT_EQ(c[6].size, 16u);
  EXPECT_EQ(c[7].size, 4u) << "(15 x 2 + 7) / 8";
  EXPECT_EQ(c[7].at + 4, f.size()) << "no padding after 4 bytes";
  // 00 01 10 11 | 00 01 10 11 | ...: the stream runs across rows.
  EXPECT_EQ(f[c[7].at], 0x1B);
  ImgfPtr img(sbfOpen(path.c_str()));
  ASSERT_TRUE(img);
  EXPECT_EQ(img->depth, 2);
  EXPECT_EQ(img->ncolor, 4);
  EXPECT_EQ(0, std::memcmp(img->buf, px.data(), 15));
  EXPECT_EQ(0, std::memcmp(img->cmap, cmap, 16));
}

TEST(SbfWrite, DirectAndEightBitRoundTrips) {
  fmttest::TempDir dir;
  std::string path = dir.file("d.sbf");
  std::vector<uint8_t> rgba = fmttest::noise(7 * 5 * 4, 1);
  ASSERT_EQ(sbfSave(path.c_str(), "bm", rgba.data(), 7, 5, nullptr, 0, 0), 1);
  auto c = chunks(fmttest::readFile(path));
  ASSERT_EQ(c.size(), 7u) << "no cmap chunk";
  EXPECT_EQ(c.back().tag, "atad");
  EXPECT_EQ(c.back().size, 7u * 5 * 4);
  ImgfPtr img(sbfOpen(path.c_str()));
  ASSERT_TRUE(img);
  EXPECT_EQ(img->depth, 0);
  EXPECT_EQ(0, std::memcmp(img->buf, rgba.data(), rgba.size()));
  for (int ebit : {1, 4, 8}) {
    std::vector<uint8_t> idx = fmttest::noise(9 * 3, uint32_t(ebit));
    for (auto& v : idx) v &= uint8_t((1 << ebit) - 1);
    uint32_t cmap[256];
    for (int i = 0; i < 256; i++) cmap[i] = uint32_t(i) * 0x01010101u;
    ASSERT_EQ(sbfSave(path.c_str(), "bm", idx.data(), 9, 3, cmap, 1 << ebit, ebit), 1);
    ImgfPtr back(sbfOpen(path.c_str()));
    ASSERT_TRUE(back) << ebit;
    EXPECT_EQ(back->ncolor, 1 << ebit);
    EXPECT_EQ(0, std::memcmp(back->buf, idx.data(), idx.size())) << ebit;
  }
  EXPECT_EQ(sbfSave(path.c_str(), "bm", rgba.data(), 7, 5, nullptr, 0, 3), 0);
  EXPECT_EQ(sbfSave("/nonexistent-dir/x.sbf", "bm", rgba.data(), 7, 5, nullptr, 0, 0), 0);
  {
    fmttest::FileSizeLimit limit(64);
    EXPECT_EQ(sbfSave(path.c_str(), "bm", rgba.data(), 7, 5, nullptr, 0, 0), 0);
  }
}

// A container written by hand: chunks in the order given.
std::vector<uint8_t> container(
    const char* outer, const std::vector<std::pair<const char*, std::vector<uint8_t>>>& cs) {
  std::vector<uint8_t> f(outer, outer + 4);
  f.resize(8);
  for (const auto& c : cs) {
    uint32_t tag = nifTag(c.first);
    for (int k = 0; k < 4; k++) f.push_back(uint8_t(tag >> (8 * k)));
    for (int k = 0; k < 4; k++) f.push_back(uint8_t(c.second.size() >> (8 * k)));
    f.insert(f.end(), c.second.begin(), c.second.end());
    while (f.size() % 4) f.push_back(0);
  }
  uint32_t outerSize = uint32_t(f.size() - 8);
  for (int k = 0; k < 4; k++) f[4 + k] = uint8_t(outerSize >> (8 * k));
  return f;
}
std::vector<uint8_t> i32(int32_t v) {
  return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

TEST(SbfRead, ShortDataLaterChunksAndDamage) {
  // Data short by 5 of 6 pixels: the rest stay 0, and nothing past the chunk is read.
  auto f = container(
      "ffiS",
      {{"ebit", i32(8)}, {"xw", i32(3)}, {"yw", i32(2)}, {"data", {7}}, {"zzzz", {9, 9, 9, 9}}});
  ImgfPtr img(sbfDecode(f.data(), f.size()));
  ASSERT_TRUE(img);
  const uint8_t expect[] = {7, 0, 0, 0, 0, 0};
  EXPECT_EQ(0, std::memcmp(img->buf, expect, 6));
  // A later data chunk replaces the earlier image; NIF1 as outer tag is read the same.
  f = container("1FIN", {{"ebit", i32(0)},
                         {"xw", i32(1)},
                         {"yw", i32(1)},
                         {"data", {1, 2, 3, 4}},
                         {"xw", i32(2)},
                         {"data", {5, 6, 7, 8}}});
  img.reset(sbfDecode(f.data(), f.size()));
  ASSERT_TRUE(img);
  EXPECT_EQ(img->w, 2);
  const uint8_t second[] = {5, 6, 7, 8, 0, 0, 0, 0};
  EXPECT_EQ(0, std::memcmp(img->buf, second, 8));
  // No data chunk: nothing.
  f = container("ffiS", {{"ebit", i32(0)}, {"xw", i32(1)}, {"yw", i32(1)}});
  EXPECT_FALSE(ImgfPtr(sbfDecode(f.data(), f.size())));
  // Size mismatch: the container's message and nothing read.
  f = container("ffiS", {{"ebit", i32(8)}, {"xw", i32(1)}, {"yw", i32(1)}, {"data", {1}}});
  f.push_back(0);
  std::string out =
      fmttest::captureStdout([&] { EXPECT_FALSE(ImgfPtr(sbfDecode(f.data(), f.size()))); });
  EXPECT_NE(out.find("ファイルサイズが異常です"), std::string::npos) << out;
  // Impossible sizes and depths are refused, not allocated.
  for (auto bad : {std::vector<int32_t>{8, -1, 1}, {8, 100000, 100000}, {3, 1, 1}}) {
    f = container("ffiS",
                  {{"ebit", i32(bad[0])}, {"xw", i32(bad[1])}, {"yw", i32(bad[2])}, {"data", {1}}});
    fmttest::captureStdout([&] { EXPECT_FALSE(ImgfPtr(sbfDecode(f.data(), f.size()))); });
  }
  // Every cut of a valid file fails or decodes inside its bytes.
  f = container("ffiS", {{"ebit", i32(2)},
                         {"xw", i32(5)},
                         {"yw", i32(3)},
                         {"cmap", std::vector<uint8_t>(16, 3)},
                         {"data", {1, 2, 3, 4}}});
  for (size_t n = 0; n <= f.size(); n++) {
    std::vector<uint8_t> cut(f.begin(), f.begin() + n);
    fmttest::captureStdout([&] { ImgfPtr(sbfDecode(cut.data(), cut.size())); });
  }
}

}  // namespace
