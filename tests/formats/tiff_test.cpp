#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/tif.h"
#include "tests/formats/testutil.h"

namespace {

using fmttest::ImgfPtr;

// Builds TIFF files in either byte order: pixel blobs first, then directories.
class TiffBuilder {
 public:
  explicit TiffBuilder(bool bigEndian) : be_(bigEndian) {
    out_ = {uint8_t(be_ ? 'M' : 'I'), uint8_t(be_ ? 'M' : 'I')};
    put16(42);
    put32(0);  // first directory, patched by directory()
  }
  // Appends raw bytes; answers their offset.
  uint32_t blob(const std::vector<uint8_t>& b) {
    uint32_t at = uint32_t(out_.size());
    out_.insert(out_.end(), b.begin(), b.end());
    if (out_.size() & 1) out_.push_back(0);
    return at;
  }
  void entry(uint16_t tag, uint16_t type, std::vector<uint32_t> values) {
    entries_.push_back({tag, type, std::move(values)});
  }
  // Writes the collected entries as a directory linked from the previous one.
  uint32_t directory() {
    std::vector<std::vector<uint8_t>> outOfLine(entries_.size());
    for (size_t i = 0; i < entries_.size(); i++) {
      std::vector<uint8_t> bytes = encode(entries_[i]);
      if (bytes.size() > 4) entries_[i].at = blob(bytes);
    }
    uint32_t at = uint32_t(out_.size());
    patch32(link_, at);
    put16(uint16_t(entries_.size()));
    for (auto& e : entries_) {
      put16(e.tag), put16(e.type), put32(uint32_t(e.values.size()));
      std::vector<uint8_t> bytes = encode(e);
      if (bytes.size() > 4) {
        put32(e.at);
      } else {
        bytes.resize(4);
        out_.insert(out_.end(), bytes.begin(), bytes.end());
      }
    }
    link_ = uint32_t(out_.size());
    put32(0);
    entries_.clear();
    return at;
  }
  void link(uint32_t from, uint32_t to) { patch32(from, to); }
  uint32_t lastLink() const { return link_; }
  std::vector<uint8_t>& bytes() { return out_; }

 private:
  struct Entry {
    uint16_t tag, type;
    std::vector<uint32_t> values;
    uint32_t at = 0;
  };
  std::vector<uint8_t> encode(const Entry& e) {
    std::vector<uint8_t> b;
    for (uint32_t v : e.values) {
      int n = e.type == TIFT_SHORT ? 2 : e.type == TIFT_LONG ? 4 : 1;
      for (int k = 0; k < n; k++) b.push_back(uint8_t(v >> (8 * (be_ ? n - 1 - k : k))));
    }
    return b;
  }
  void put16(uint32_t v) {
    out_.push_back(uint8_t(be_ ? v >> 8 : v));
    out_.push_back(uint8_t(be_ ? v : v >> 8));
  }
  void put32(uint32_t v) {
    for (int k = 0; k < 4; k++) out_.push_back(uint8_t(v >> (8 * (be_ ? 3 - k : k))));
  }
  void patch32(uint32_t at, uint32_t v) {
    for (int k = 0; k < 4; k++) out_[at + k] = uint8_t(v >> (8 * (be_ ? 3 - k : k)));
  }
  bool be_;
  std::vector<uint8_t> out_;
  std::vector<Entry> entries_;
  uint32_t link_ = 4;
};

// A w x h image: size tags, photometric, bits, optional strips.
void basicEntries(TiffBuilder& t, uint32_t w, uint32_t h, uint32_t photometric,
                  std::vector<uint32_t> bits) {
  t.entry(256, TIFT_SHORT, {w});
  t.entry(257, TIFT_LONG, {h});
  t.entry(258, TIFT_SHORT, bits);
  t.entry(262, TIFT_SHORT, {photometric});
}

ImgfPtr decode(const std::vector<uint8_t>& f) { return ImgfPtr(tifDecode(f.data(), f.size())); }

uint32_t le32(const std::vector<uint8_t>& f, size_t at) {
  return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | uint32_t(f[at + 3]) << 24;
}
uint32_t le16(const std::vector<uint8_t>& f, size_t at) { return f[at] | f[at + 1] << 8; }

// Entry of the only directory of a written file, or -1.
long findEntry(const std::vector<uint8_t>& f, uint32_t tag) {
  uint32_t n = le16(f, 8);
  for (uint32_t i = 0; i < n; i++)
    if (le16(f, 10 + 12 * i) == tag) return long(10 + 12 * i);
  return -1;
}

TEST(TiffWrite, DirectColourFileLayoutAndRoundTrip) {
  const int w = 5, h = 3;
  std::vector<uint8_t> px = fmttest::noise(w * h * 4, 7);
  auto f =
      fmttest::written([&](FOUT* fo) { return tifdbWrite(fo, px.data(), w, h, nullptr, 0, 0); });
  ASSERT_GE(f.size(), 10u);
  EXPECT_EQ(std::string(f.begin(), f.begin() + 2), "II");
  EXPECT_EQ(le16(f, 2), 42u);
  EXPECT_EQ(le32(f, 4), 8u);
  EXPECT_EQ(le16(f, 8), 15u);
  const uint16_t order[] = {254, 256, 257, 258, 259, 262, 273, 277,
                            278, 279, 282, 283, 284, 296, 338};  // ascending
  for (int i = 0; i < 15; i++) EXPECT_EQ(le16(f, 10 + 12 * i), order[i]) << i;
  EXPECT_EQ(le32(f, 10 + 12 * 15), 0u) << "no next directory";
  long strip = findEntry(f, 273);
  ASSERT_GT(strip, 0);
  // Pixel data come last and fill the file to its end.
  EXPECT_EQ(le32(f, strip + 8) + size_t(w * h * 4), f.size());
  EXPECT_EQ(le32(f, findEntry(f, 279) + 8), uint32_t(w * h * 4));
  ImgfPtr img = decode(f);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->w, w);
  EXPECT_EQ(img->h, h);
  EXPECT_EQ(img->depth, 0);
  EXPECT_EQ(0, std::memcmp(img->buf, px.data(), px.size()));
}

TEST(TiffWrite, SixteenColourIndexedImage) {
  const int w = 7, h = 3;
  std::vector<uint8_t> px(w * h);
  for (int i = 0; i < w * h; i++) px[i] = uint8_t(i % 16);
  uint32_t cmap[256] = {};
  for (int i = 0; i < 16; i++) cmap[i] = uint32_t(i * 16) | uint32_t(255 - i) << 8 | 0x11u << 16;
  auto f = fmttest::written([&](FOUT* fo) { return tifdbWrite(fo, px.data(), w, h, cmap, 16, 4); });
  EXPECT_EQ(le16(f, 8), 14u);
  long bits = findEntry(f, 258);
  EXPECT_EQ(le32(f, bits + 4), 1u);
  EXPECT_EQ(le16(f, bits + 8), 4u) << "BitsPerSample inline";
  long cm = findEntry(f, 320);
  EXPECT_EQ(le32(f, cm + 4), 48u);
  EXPECT_EQ(le32(f, findEntry(f, 279) + 8), uint32_t((w * 4 + 7) / 8 * h));
  uint32_t cmOff = le32(f, cm + 8);
  EXPECT_EQ(le16(f, cmOff + 2 * 3), 48u * 257) << "red of entry 3";
  EXPECT_EQ(le16(f, cmOff + 2 * (16 + 3)), 252u * 257) << "green of entry 3";
  ImgfPtr img = decode(f);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->depth, 4);
  EXPECT_EQ(img->ncolor, 16);
  EXPECT_EQ(0, std::memcmp(img->buf, px.data(), px.size()));
  for (int i = 0; i < 16; i++) EXPECT_EQ(img->cmap[i], cmap[i] | 0xff000000u) << i;
}

TEST(TiffWrite, PackedRowsStartOnByteBoundaries) {
  for (int depth : {1, 2, 4, 8}) {
    const int w = 3, h = 5;  // rows end mid-byte
    std::vector<uint8_t> px = fmttest::noise(w * h, uint32_t(depth));
    for (auto& v : px) v &= uint8_t((1 << depth) - 1);
    uint32_t cmap[256];
    for (int i = 0; i < 256; i++) cmap[i] = uint32_t(i) * 0x010101u | 0xff000000u;
    auto f = fmttest::written(
        [&](FOUT* fo) { return tifdbWrite(fo, px.data(), w, h, cmap, 1 << depth, depth); });
    long strip = findEntry(f, 273);
    size_t row = (w * depth + 7) / 8;
    EXPECT_EQ(le32(f, strip + 8) + row * h, f.size()) << depth;
    EXPECT_EQ(le32(f, findEntry(f, 279) + 8), row * h) << depth;
    // Row 1 begins a byte of its own: its first pixel in the top bits.
    EXPECT_EQ(f[le32(f, strip + 8) + row] >> (8 - depth), px[w]) << depth;
    ImgfPtr img = decode(f);
    ASSERT_TRUE(img) << depth;
    EXPECT_EQ(img->depth, depth);
    EXPECT_EQ(0, std::memcmp(img->buf, px.data(), px.size())) << depth;
  }
}

// Files this system wrote before: one strip of indices running on over row
// ends, its byte count the stream's length, the directory in the old order.
std::vector<uint8_t> olderFile(int w, int h, int depth, const std::vector<uint8_t>& px,
                               bool oldOrder) {
  std::vector<uint8_t> stream((size_t(w) * h * depth + 7) / 8);
  for (size_t i = 0; i < px.size(); i++)
    stream[i * depth / 8] |= uint8_t(px[i] << (8 - depth - i * depth % 8));
  TiffBuilder t(false);
  uint32_t at = t.blob(stream);
  std::vector<uint32_t> tags = {256, 257, 278, 258, 262, 320, 279, 273};
  if (!oldOrder) std::sort(tags.begin(), tags.end());
  for (uint32_t tag : tags) {
    uint32_t v = tag == 256 ? w : tag == 257 || tag == 278 ? h : tag == 258 ? depth : 3;
    if (tag == 320)
      t.entry(320, TIFT_SHORT, std::vector<uint32_t>(3u << depth, 0x4000));
    else if (tag == 279 || tag == 273)
      t.entry(uint16_t(tag), TIFT_LONG, {tag == 273 ? at : uint32_t(stream.size())});
    else
      t.entry(uint16_t(tag), TIFT_SHORT, {v});
  }
  t.directory();
  return t.bytes();
}

TEST(TiffRead, OlderStreamFilesAndRowAlignedFiles) {
  struct Case {
    int w, h, depth;
    bool oldOrder, stream;  // stream: read as one run
  } cases[] = {
      {3, 5, 1, true, true},    // stream 2 bytes, rows 5: told apart by the count
      {5, 3, 4, false, true},   // the count alone decides, whatever the order
      {7, 2, 1, true, true},    // both 2 bytes: the old directory order decides
      {7, 2, 1, false, false},  // ... and a sorted one means rows
      {13, 1, 2, false, true},  // one row: both readings agree
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> px = fmttest::noise(size_t(c.w) * c.h, uint32_t(c.w + c.depth));
    for (auto& v : px) v &= uint8_t((1 << c.depth) - 1);
    std::vector<uint8_t> f = olderFile(c.w, c.h, c.depth, px, c.oldOrder);
    ImgfPtr img;
    std::string out = fmttest::captureStdout([&] { img = decode(f); });
    ASSERT_TRUE(img) << c.w;
    bool same = std::memcmp(img->buf, px.data(), px.size()) == 0;
    EXPECT_EQ(same, c.stream || c.h == 1) << c.w << " x " << c.h;
    EXPECT_EQ(out, "") << c.w;
  }
}

TEST(TiffWrite, RefusesBadArgumentsAndReportsWriteFailures) {
  fmttest::TempDir dir;
  std::vector<uint8_t> px(64 * 64 * 4, 9);
  std::string out = fmttest::captureStdout(
      [&] { EXPECT_EQ(tifdbSave("/nonexistent-dir/x.tif", px.data(), 4, 4, nullptr, 0, 0), 0); });
  EXPECT_EQ(out, "tifdbSave:File Open(w) Error:/nonexistent-dir/x.tif\n");
  std::string path = dir.file("a.tif");
  fmttest::writeFile(path, {1, 2, 3});
  EXPECT_EQ(tifdbSave(path.c_str(), px.data(), 4, 4, nullptr, 0, 3), 0) << "depth 3";
  EXPECT_EQ(tifdbSave(path.c_str(), px.data(), -1, 4, nullptr, 0, 0), 0);
  {
    fmttest::FileSizeLimit limit(4096);  // the file needs 16 KiB
    EXPECT_EQ(tifdbSave(path.c_str(), px.data(), 64, 64, nullptr, 0, 0), 0);
  }
  EXPECT_EQ(fmttest::readFile(path), (std::vector<uint8_t>{1, 2, 3})) << "old file kept";
  EXPECT_EQ(tifdbSave(path.c_str(), px.data(), 64, 64, nullptr, 0, 0), 1);
  ImgfPtr img(tifOpen(path.c_str()));
  ASSERT_TRUE(img);
  EXPECT_EQ(img->w, 64);
}

TEST(TiffWrite, IfdPutStoresInlineValuesByType) {
  TIFW tw{nullptr, 0, 0, dbNew(0, 32, 0, 0)};
  ifdPut(&tw, 300, TIFT_BYTE, 1, nullptr, 0x1234);
  ifdPut(&tw, 301, TIFT_SHORT, 1, nullptr, 0x12345678);
  ifdPut(&tw, 302, TIFT_LONG, 1, nullptr, 0x12345678);
  std::string out = fmttest::captureStdout([&] { ifdPut(&tw, 303, TIFT_RATIONAL, 1, nullptr, 5); });
  EXPECT_EQ(out, "ifdPut:SYSTEM ERROR\n");
  ASSERT_EQ(tw.count, 4);
  const uint8_t byte[] = {0x2c, 1, 1, 0, 1, 0, 0, 0, 0x34, 0, 0, 0};
  const uint8_t shrt[] = {0x2d, 1, 3, 0, 1, 0, 0, 0, 0x78, 0x56, 0, 0};
  const uint8_t lng[] = {0x2e, 1, 4, 0, 1, 0, 0, 0, 0x78, 0x56, 0x34, 0x12};
  EXPECT_EQ(0, std::memcmp(tw.ifd, byte, 12));
  EXPECT_EQ(0, std::memcmp(tw.ifd + 12, shrt, 12));
  EXPECT_EQ(0, std::memcmp(tw.ifd + 24, lng, 12));
  EXPECT_EQ(le32(std::vector<uint8_t>(tw.ifd + 36, tw.ifd + 48), 8), 0u);
  std::free(tw.ifd);
  dbFre(tw.extra);
}

TEST(TiffRead, StripByteCountRepairAndDefault) {
  for (bool withCounts : {true, false}) {
    TiffBuilder t(false);
    std::vector<uint8_t> px = fmttest::noise(4 * 2 * 3, 3);
    uint32_t at = t.blob(px);
    basicEntries(t, 4, 2, 2, {8, 8, 8});
    t.entry(273, TIFT_LONG, {at});
    if (withCounts) t.entry(279, TIFT_LONG, {0});
    t.directory();
    ImgfPtr img;
    std::string out = fmttest::captureStdout([&] { img = decode(t.bytes()); });
    EXPECT_EQ(out,
              withCounts ? "StripByteCounts サイズ異常 修正しました 0 -> 24( bpst=24 )\n" : "");
    ASSERT_TRUE(img);
    for (int i = 0; i < 8; i++) {
      EXPECT_EQ(img->buf[4 * i], px[3 * i]);
      EXPECT_EQ(img->buf[4 * i + 2], px[3 * i + 2]);
      EXPECT_EQ(img->buf[4 * i + 3], 255);
    }
  }
}

TEST(TiffRead, RefusalsCarryTheirMessages) {
  struct Case {
    uint32_t compression, photometric;
    bool offsets;
    const char* message;
  } cases[] = {
      {5, 2, true, "圧縮された TIFF ファイルはサポートできません\n"},
      {1, 2, false, "StripOffsets が定義されていません\n"},
      {1, 1, true, "ERROR:PhotometricInterpretation=1\n"},
  };
  for (const Case& c : cases) {
    TiffBuilder t(false);
    uint32_t at = t.blob(std::vector<uint8_t>(12));
    basicEntries(t, 2, 2, c.photometric, {8, 8, 8});
    t.entry(259, TIFT_SHORT, {c.compression});
    if (c.offsets) t.entry(273, TIFT_LONG, {at});
    t.directory();
    ImgfPtr img;
    EXPECT_EQ(fmttest::captureStdout([&] { img = decode(t.bytes()); }), c.message);
    EXPECT_FALSE(img);
  }
  TiffBuilder t(false);  // no photometric tag at all
  uint32_t at = t.blob(std::vector<uint8_t>(4));
  t.entry(256, TIFT_SHORT, {2});
  t.entry(257, TIFT_SHORT, {2});
  t.entry(273, TIFT_LONG, {at});
  t.directory();
  EXPECT_EQ(fmttest::captureStdout([&] { EXPECT_FALSE(decode(t.bytes())); }),
            "ERROR:PhotometricInterpretation=0\n");
  std::vector<uint8_t> v = {'I', 'I', 43, 0, 8, 0, 0, 0};
  EXPECT_EQ(fmttest::captureStdout([&] { EXPECT_FALSE(decode(v)); }),
            "tifOpen:TIFF VERSION ERROR:43\n");
  std::vector<uint8_t> foreign = {'X', 'X', 42, 0, 8, 0, 0, 0};
  EXPECT_EQ(fmttest::captureStdout([&] { EXPECT_FALSE(decode(foreign)); }), "");
}

TEST(TiffRead, PaletteInBothByteOrders) {
  for (bool be : {false, true}) {
    TiffBuilder t(be);
    uint32_t at = t.blob({0x50});
    basicEntries(t, 2, 2, 3, {1});
    t.entry(273, TIFT_LONG, {at});
    t.entry(279, TIFT_LONG, {1});
    // Two colours: red plane, green plane, blue plane.
    t.entry(320, TIFT_SHORT, {0xFF00, 0x1200, 0x0000, 0x3400, 0x0100, 0x5678});
    t.directory();
    ImgfPtr img = decode(t.bytes());
    ASSERT_TRUE(img) << be;
    EXPECT_EQ(img->depth, 1);
    EXPECT_EQ(img->ncolor, 2);
    EXPECT_EQ(img->cmap[0], 0xff0100ffu) << "0xFF00 gives 255";
    EXPECT_EQ(img->cmap[1], 0xff563412u);
    // 0x50: the four pixels 0 1 0 1 in the top bits of one byte.
    const uint8_t expect[] = {0, 1, 0, 1};
    EXPECT_EQ(0, std::memcmp(img->buf, expect, 4));
  }
}

TEST(TiffRead, NarrowSamplesAndCmyk) {
  TiffBuilder t(true);
  // Two pixels of 4-bit RGB: (15, 0, 8) and (1, 2, 3) -> bytes F0 81 23.
  uint32_t at = t.blob({0xF0, 0x81, 0x23});
  basicEntries(t, 2, 1, 2, {4, 4, 4});
  t.entry(273, TIFT_LONG, {at});
  t.entry(279, TIFT_SHORT, {3});
  t.directory();
  ImgfPtr img = decode(t.bytes());
  ASSERT_TRUE(img);
  const uint8_t expect[] = {240, 0, 128, 255, 16, 32, 48, 255};
  EXPECT_EQ(0, std::memcmp(img->buf, expect, 8));

  TiffBuilder c(false);
  at = c.blob({10, 20, 30, 40, 200, 0, 100, 100});
  basicEntries(c, 2, 1, 5, {8, 8, 8, 8});
  c.entry(273, TIFT_LONG, {at});
  c.entry(279, TIFT_LONG, {8});
  c.directory();
  img = decode(c.bytes());
  ASSERT_TRUE(img);
  const uint8_t cmyk[] = {205, 195, 185, 255, 0, 155, 55, 255};
  EXPECT_EQ(0, std::memcmp(img->buf, cmyk, 8));
}

TEST(TiffRead, SeveralStripsAndDirectories) {
  TiffBuilder t(false);
  uint32_t a = t.blob({1, 2, 3, 4});
  uint32_t b = t.blob({5, 6});
  basicEntries(t, 3, 2, 3, {8});
  t.entry(320, TIFT_SHORT, std::vector<uint32_t>(768, 0x8000));
  t.entry(273, TIFT_LONG, {a, b});
  t.entry(279, TIFT_LONG, {4, 2});
  t.directory();
  ImgfPtr first = decode(t.bytes());
  ASSERT_TRUE(first);
  const uint8_t expect[] = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(0, std::memcmp(first->buf, expect, 6));
  EXPECT_EQ(first->ncolor, 256);
  // A second directory replaces the first image.
  uint32_t c = t.blob({9, 9, 9, 7, 7, 7});
  basicEntries(t, 2, 1, 2, {8, 8, 8});
  t.entry(273, TIFT_LONG, {c});
  t.entry(279, TIFT_LONG, {6});
  t.directory();
  ImgfPtr second = decode(t.bytes());
  ASSERT_TRUE(second);
  EXPECT_EQ(second->w, 2);
  EXPECT_EQ(second->depth, 0);
  EXPECT_EQ(second->buf[4], 7);
  // A chain that loops back ends at the directory it would revisit.
  uint32_t lastLink = t.lastLink();
  t.link(lastLink, le32(t.bytes(), 4));
  ImgfPtr looped = decode(t.bytes());
  ASSERT_TRUE(looped);
  EXPECT_EQ(looped->w, 2);
}

TEST(TiffRead, DamagedFilesFailCleanly) {
  auto build = [](uint32_t stripAt, uint32_t stripLen, std::vector<uint32_t> bits,
                  uint32_t photometric, bool cmap) {
    TiffBuilder t(false);
    uint32_t at = t.blob(std::vector<uint8_t>(16, 0x55));
    basicEntries(t, 2, 2, photometric, bits);
    if (cmap) t.entry(320, TIFT_SHORT, std::vector<uint32_t>(6, 0));
    t.entry(273, TIFT_LONG, {stripAt ? stripAt : at});
    t.entry(279, TIFT_LONG, {stripLen, 1});  // two counts: no single-strip repair
    t.directory();
    return t.bytes();
  };
  const std::string damaged = "tifOpen:ファイルが壊れています\n";
  const std::string format = "tifOpen:サンプルの形式はサポートできません\n";
  EXPECT_EQ(fmttest::captureStdout([&] { EXPECT_FALSE(decode(build(100000, 4, {8}, 3, true))); }),
            damaged);
  EXPECT_EQ(fmttest::captureStdout([&] { EXPECT_FALSE(decode(build(0, 100000, {8}, 3, true))); }),
            damaged);
  EXPECT_EQ(fmttest::captureStdout([&] { EXPECT_FALSE(decode(build(0, 8, {16}, 3, true))); }),
            format);
  EXPECT_EQ(fmttest::captureStdout([&] {
              EXPECT_FALSE(decode(build(0, 10, {8, 8, 8, 8, 8}, 2, false)));
            }),
            format);
  EXPECT_EQ(fmttest::captureStdout([&] { EXPECT_FALSE(decode(build(0, 4, {8}, 3, false))); }),
            "tifOpen:カラーマップがありません\n");
  // Samples stored plane after plane.
  {
    TiffBuilder t(false);
    uint32_t at = t.blob(std::vector<uint8_t>(12, 1));
    basicEntries(t, 2, 2, 2, {8, 8, 8});
    t.entry(273, TIFT_LONG, {at});
    t.entry(284, TIFT_SHORT, {2});
    t.directory();
    EXPECT_EQ(fmttest::captureStdout([&] { EXPECT_FALSE(decode(t.bytes())); }),
              "tifOpen:プレーン別の TIFF はサポートできません\n");
  }
  // Every cut of a valid file fails or decodes without reading past its end.
  std::vector<uint8_t> whole = build(0, 4, {8}, 3, true);
  for (size_t n = 0; n < whole.size(); n++) {
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + n);
    fmttest::captureStdout([&] { decode(cut); });
  }
  // Strip offsets of a type without a size and a count of four thousand million.
  {
    TiffBuilder t(false);
    uint32_t at = t.blob(std::vector<uint8_t>(4, 1));
    basicEntries(t, 2, 2, 2, {8});
    t.entry(273, 13, {at});
    t.directory();
    std::vector<uint8_t> f = t.bytes();
    size_t e = le32(f, 4) + 2 + 12 * 4;  // the fifth entry
    f[e + 4] = f[e + 5] = f[e + 6] = f[e + 7] = 0xFF;
    EXPECT_EQ(fmttest::captureStdout([&] { EXPECT_FALSE(decode(f)); }), damaged);
  }
  // A directory whose entries run past the end.
  std::vector<uint8_t> v = {'I', 'I', 42, 0, 8, 0, 0, 0, 200, 0};
  EXPECT_EQ(fmttest::captureStdout([&] { EXPECT_FALSE(decode(v)); }), damaged);
}

}  // namespace
