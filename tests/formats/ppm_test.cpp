#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "std/ppm2.h"
#include "tests/formats/testutil.h"

namespace {

using fmttest::ImgfPtr;

ImgfPtr decode(const std::string& s) {
  return ImgfPtr(ppmDecode(reinterpret_cast<const uint8_t*>(s.data()), s.size()));
}

std::string text(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

TEST(HdScan, PatternsCommentsAndFailures) {
  int a = 0, b = 0, c = 0;
  const char* s = "P2 # size follows\n# another\n 12\t-3\n+7x";
  const char* p = hdScan(s, "P% % %", &a, &b, &c);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 12);
  EXPECT_EQ(c, -3);
  p = hdScan(p, " %x", nullptr);
  ASSERT_NE(p, nullptr) << "a null destination skips the value";
  EXPECT_EQ(*p, '\0');
  EXPECT_EQ(hdScan("", "%", &a), nullptr);
  EXPECT_EQ(hdScan(nullptr, "%", &a), nullptr);
  EXPECT_EQ(hdScan("P", "P%", &a), nullptr) << "no digit";
  EXPECT_EQ(hdScan("Q1", "P%", &a), nullptr);
  EXPECT_EQ(hdScan("# comment without end", " %", &a), nullptr);
  // The bounded form stops at its end even inside a number.
  const char* t = "123456";
  p = hdScanN(t, t + 3, "%", &a);
  EXPECT_EQ(a, 123);
  EXPECT_EQ(p, t + 3);
}

TEST(PpmRead, PlainVariants) {
  ImgfPtr bm = decode("P1\n3 2\n0 1 0\n1 0 1\n");
  ASSERT_TRUE(bm);
  EXPECT_EQ(bm->depth, 1);
  EXPECT_EQ(bm->ncolor, 2);
  EXPECT_EQ(bm->cmap[0], 0xffffffffu) << "index 0 white";
  EXPECT_EQ(bm->cmap[1], 0u) << "index 1 black, alpha 0";
  const uint8_t bits[] = {0, 1, 0, 1, 0, 1};
  EXPECT_EQ(0, std::memcmp(bm->buf, bits, 6));
  // Bitmap samples are single digits and may run together; only 0 and 1.
  ImgfPtr joined = decode("P1 3 2 01\n0#c\n 1 01");
  ASSERT_TRUE(joined);
  EXPECT_EQ(0, std::memcmp(joined->buf, bits, 6));
  EXPECT_FALSE(decode("P1 3 1 012")) << "no sample 2";
  EXPECT_FALSE(decode("P1 3 1 01")) << "two samples where three are needed";

  ImgfPtr grey = decode("P2 2 1 15\n15 7");
  ASSERT_TRUE(grey);
  EXPECT_EQ(grey->depth, 8);
  EXPECT_EQ(grey->ncolor, 256);
  EXPECT_EQ(grey->buf[0], 255);
  EXPECT_EQ(grey->buf[1], 7 * 17);
  EXPECT_EQ(grey->cmap[0], 0u);
  EXPECT_EQ(grey->cmap[128], 0xff808080u);
  ImgfPtr g255 = decode("P2 1 1 255 128");
  ASSERT_TRUE(g255);
  EXPECT_EQ(g255->buf[0], 128);

  ImgfPtr rgb = decode("P3\n# comment between\n2\n# and another\n1 1\n1 0 1 0 1 0");
  ASSERT_TRUE(rgb);
  EXPECT_EQ(rgb->depth, 0);
  const uint8_t px[] = {255, 0, 255, 255, 0, 255, 0, 255};
  EXPECT_EQ(0, std::memcmp(rgb->buf, px, 8));
}

TEST(PpmRead, LongPlainDataWithCommentsSignsAndOddSpaces) {
  // Long enough for the quick sample path; every unusual spot must still
  // follow the scanner's rules.
  std::string text = "P2 8 4 255\n";
  std::vector<int> expect;
  for (int i = 0; i < 32; i++) {
    int v = (i * 37) % 256;
    expect.push_back(v);
    if (i % 7 == 3) text += "\n# comment " + std::to_string(i) + "\n";
    if (i % 5 == 1)
      text += "\t+";
    else if (i % 5 == 2)
      text += "\v";
    else
      text += " ";
    text += (i % 9 == 4 ? "000" : "") + std::to_string(v);
  }
  ImgfPtr img = decode(text);
  ASSERT_TRUE(img);
  for (int i = 0; i < 32; i++) EXPECT_EQ(img->buf[i], expect[i]) << i;
  // A number of many digits is read whole (and wraps to a byte).
  ImgfPtr big = decode("P2 2 1 255\n 1234567890123 7" + std::string(40, ' '));
  ASSERT_TRUE(big);
  EXPECT_EQ(big->buf[1], 7);
}

TEST(PpmRead, RawVariants) {
  // P4 10 x 1 from 2 bytes; 3 x 3 from 3 bytes, each row a byte of its own.
  ImgfPtr a = decode(std::string("P4 10 1\n\xA5\xC0", 10));
  ASSERT_TRUE(a);
  const uint8_t ea[] = {1, 0, 1, 0, 0, 1, 0, 1, 1, 1};
  EXPECT_EQ(0, std::memcmp(a->buf, ea, 10));
  ImgfPtr b = decode(std::string("P4 3 3\n\x40\xA0\x20", 10));
  ASSERT_TRUE(b);
  const uint8_t eb[] = {0, 1, 0, 1, 0, 1, 0, 0, 1};
  EXPECT_EQ(0, std::memcmp(b->buf, eb, 9));
  EXPECT_FALSE(decode(std::string("P4 3 3\n\x40\xA0", 9))) << "the last row is missing";
  // A space after maxval is not skipped: it is the first sample.
  ImgfPtr c = decode(std::string("P6 1 1 255 \x01\x02", 14));
  ASSERT_TRUE(c);
  const uint8_t ec[] = {' ', 1, 2, 255};
  EXPECT_EQ(0, std::memcmp(c->buf, ec, 4));
  ImgfPtr d = decode(std::string("P5 2 1 1\r\n\x01\x00", 12));
  ASSERT_TRUE(d);
  EXPECT_EQ(d->buf[0], 255);
  EXPECT_EQ(d->buf[1], 0);
}

TEST(PpmRead, DamagedInputFailsCleanly) {
  EXPECT_FALSE(decode("P2 1 1 0\n0")) << "maxval 0";
  EXPECT_FALSE(decode("P5 1 1 0\n\x01")) << "maxval 0";
  EXPECT_FALSE(decode("P5 -1 1 255\n"));
  EXPECT_FALSE(decode("P6 4 4 255\nabc")) << "short raw data";
  EXPECT_FALSE(decode("P5 4 4 255\nabc"));
  EXPECT_FALSE(decode("P4 9 1\n\x01"));
  EXPECT_FALSE(decode("P7 1 1 255\n0"));
  EXPECT_FALSE(decode("P0 1 1 255\n0"));
  EXPECT_FALSE(decode("P3 1 1 255\n1 2"));
  EXPECT_FALSE(decode("P6 100000 100000 255\n")) << "too large";
  EXPECT_FALSE(decode(""));
  // Every cut of a valid file fails or decodes, without reading past its end.
  std::string whole = "P3\n# c\n2 2\n255\n1 2 3 4 5 6 7 8 9 10 11 12\n";
  for (size_t n = 0; n < whole.size(); n++) {
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + n);
    ImgfPtr img(ppmDecode(cut.data(), cut.size()));
    if (n + 2 < whole.size()) {
      EXPECT_FALSE(img) << n;
    }
  }
  // Samples above maxval wrap to a byte instead of overflowing.
  ImgfPtr big = decode("P2 1 1 1\n2147483647");
  ASSERT_TRUE(big);
}

// ppmOpen reads raw maps piece by piece; whatever the file, it must answer
// what ppmDecode answers for the same bytes.
TEST(PpmRead, FileReaderAgreesWithTheMemoryDecoder) {
  fmttest::TempDir dir;
  std::string path = dir.file("r.ppm");
  auto same = [&](const std::string& file, const char* what) {
    fmttest::writeFile(path, std::vector<uint8_t>(file.begin(), file.end()));
    ImgfPtr want = decode(file);
    ImgfPtr got(ppmOpen(path.c_str()));
    ASSERT_EQ(bool(want), bool(got)) << what;
    if (!want) return;
    ASSERT_EQ(got->w, want->w) << what;
    ASSERT_EQ(got->h, want->h) << what;
    ASSERT_EQ(got->depth, want->depth) << what;
    size_t n = size_t(want->w) * want->h * (want->depth ? 1 : 4);
    if (n) {
      EXPECT_EQ(0, std::memcmp(got->buf, want->buf, n)) << what;
    }
    EXPECT_EQ(got->ncolor, want->ncolor) << what;
    EXPECT_EQ(0, std::memcmp(got->cmap, want->cmap, sizeof want->cmap)) << what;
  };
  // Odd widths over several 256 KiB pieces: pixels cut by a piece's end.
  std::string px;
  for (int i = 0; i < 3 * 501 * 397; i++) px += char(i * 7 + i / 13);
  same("P6 501 397 255\n" + px, "P6 several pieces");
  same("P6\n# made by hand\n501 397\n200\r\n" + px, "P6 maxval 200, comment, CR LF");
  same("P5 1003 593 255\n" + px, "P5 several pieces");
  same("P5 1003 593 99\n" + px, "P5 maxval 99");
  same("P6 501 397 255\n" + px.substr(0, px.size() - 1), "one byte short");
  same("P6 501 397 255\n" + px + "trailing bytes", "trailing bytes");
  same("P6 1 1 255 \x01\x02", "space after maxval is a sample");
  same("P6 1 1 255\n\x01\x02\x03", "one pixel");
  same("P6 0 0 255\n", "empty picture");
  // A header longer than the first piece goes the whole-file way.
  same("P6 2 1\n#" + std::string(300000, 'c') + "\n255\n" + px.substr(0, 6), "long comment");
  same("P6 2 1 " + std::string(300000, '0') + "255\n" + px.substr(0, 6), "long number");
  same("P3 2 1 255\n1 2 3 4 5 6\n", "plain");
  same("P4 10 1\n\xA5\xC0", "bitmap");
}

TEST(PpmWrite, PlainTextLayout) {
  std::vector<uint8_t> px(20);
  for (int i = 0; i < 20; i++) px[i] = uint8_t(i * 13);
  auto f = fmttest::written([&](FOUT* fo) { return ppmWrite(fo, px.data(), 5, 4, 2); });
  std::string expect = "P2 5 4 255\r\n";
  for (int i = 0; i < 16; i++) expect += " " + std::to_string(i * 13);
  expect += "\r\n";
  for (int i = 16; i < 20; i++) expect += " " + std::to_string(i * 13);
  expect += "\r\n";
  EXPECT_EQ(text(f), expect);
  std::vector<uint8_t> bw = {0, 1, 1};
  EXPECT_EQ(text(fmttest::written([&](FOUT* fo) { return ppmWrite(fo, bw.data(), 3, 1, 1); })),
            "P1 3 1\r\n 0 1 1\r\n");
  EXPECT_EQ(text(fmttest::written([&](FOUT* fo) { return ppmWrite(fo, bw.data(), 3, 1, 4); })),
            "P4 3 1\n\x60");
  std::vector<uint8_t> rgba = {1, 2, 3, 4, 250, 251, 252, 0};
  EXPECT_EQ(text(fmttest::written([&](FOUT* fo) { return ppmWrite(fo, rgba.data(), 2, 1, 3); })),
            "P3 2 1 255\r\n 1 2 3 250 251 252\r\n");
  EXPECT_EQ(text(fmttest::written([&](FOUT* fo) { return ppmWrite(fo, rgba.data(), 0, 0, 3); })),
            "P3 0 0 255\r\n");
}

TEST(PpmWrite, RoundTripsEveryVersion) {
  const int w = 13, h = 7;
  std::vector<uint8_t> idx = fmttest::noise(w * h, 5), rgba = fmttest::noise(w * h * 4, 6);
  for (int ver = 1; ver <= 6; ver++) {
    std::vector<uint8_t> in = ver == 3 || ver == 6 ? rgba : idx;
    if (ver == 1 || ver == 4) {
      for (auto& v : in) v &= 1;
    }
    auto f = fmttest::written([&](FOUT* fo) { return ppmWrite(fo, in.data(), w, h, ver); });
    ImgfPtr img(ppmDecode(f.data(), f.size()));
    ASSERT_TRUE(img) << ver;
    for (int i = 0; i < w * h; i++) {
      if (ver == 3 || ver == 6) {
        ASSERT_EQ(0, std::memcmp(img->buf + 4 * i, &in[4 * i], 3)) << ver << " " << i;
        ASSERT_EQ(img->buf[4 * i + 3], 255);
      } else {
        ASSERT_EQ(img->buf[i], in[i]) << ver << " " << i;
      }
    }
  }
}

TEST(PpmWrite, FilesAndFailures) {
  fmttest::TempDir dir;
  std::string path = dir.file("a.ppm");
  std::vector<uint8_t> px(200 * 200 * 4, 200);
  EXPECT_EQ(ppmSave("/nonexistent-dir/a.ppm", px.data(), 2, 2, 3), 0);
  fmttest::writeFile(path, {'o', 'l', 'd'});
  {
    fmttest::FileSizeLimit limit(1000);
    EXPECT_EQ(ppmSave(path.c_str(), px.data(), 200, 200, 3), 0);
  }
  EXPECT_EQ(fmttest::readFile(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
  ASSERT_EQ(ppmSave(path.c_str(), px.data(), 200, 200, 3), 1);
  ImgfPtr img(ppmOpen(path.c_str()));
  ASSERT_TRUE(img);
  EXPECT_EQ(img->w, 200);
  EXPECT_EQ(img->buf[4 * 200 * 200 - 2], 200);
  EXPECT_FALSE(ppmOpen(dir.file("missing.ppm").c_str()));
  EXPECT_DEATH(ppmSave(path.c_str(), px.data(), 1, 1, 7), "ver>=1 && ver<=6");
}

}  // namespace
