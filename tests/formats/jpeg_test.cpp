#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "formats/jpeg.h"
#include "tests/formats/testutil.h"

namespace {

using fmttest::ImgfPtr;

// A stream in a colour space of our choosing, made with libjpeg directly.
std::vector<uint8_t> encodeWithLibjpeg(int w, int h, int components, J_COLOR_SPACE space,
                                       bool progressive) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long len = 0;
  jpeg_mem_dest(&c, &out, &len);
  c.image_width = JDIMENSION(w);
  c.image_height = JDIMENSION(h);
  c.input_components = components;
  c.in_color_space = space;
  jpeg_set_defaults(&c);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row(size_t(w) * components);
  while (c.next_scanline < c.image_height) {
    for (size_t i = 0; i < row.size(); i++) row[i] = uint8_t(i * 7 + c.next_scanline * 3);
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<uint8_t> v(out, out + len);
  std::free(out);
  return v;
}

// Gradient with an alpha that varies, so dropping it can be seen.
std::vector<uint8_t> gradient(int w, int h) {
  std::vector<uint8_t> px(size_t(w) * h * 4);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      uint8_t* p = &px[(size_t(y) * w + x) * 4];
      p[0] = uint8_t(x * 255 / w), p[1] = uint8_t(y * 255 / h), p[2] = 128,
      p[3] = uint8_t(x & 1 ? 0 : 255);
    }
  return px;
}

ImgfPtr decode(const std::vector<uint8_t>& f) { return ImgfPtr(jpgDecode(f.data(), f.size())); }

TEST(JpegWrite, RoundTripKeepsColoursCloseAndAlphaOpaque) {
  const int w = 40, h = 24;
  std::vector<uint8_t> px = gradient(w, h);
  auto f = fmttest::written([&](FOUT* fo) { return jpgWrite(fo, px.data(), w, h); });
  ASSERT_GE(f.size(), 4u);
  EXPECT_EQ(f[0], 0xFF);
  EXPECT_EQ(f[1], 0xD8);
  ImgfPtr img = decode(f);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->w, w);
  EXPECT_EQ(img->h, h);
  EXPECT_EQ(img->depth, 0);
  int worst = 0;
  for (int i = 0; i < w * h; i++) {
    EXPECT_EQ(img->buf[4 * i + 3], 255) << "alpha is always opaque";
    for (int k = 0; k < 3; k++)
      worst = std::max(worst, std::abs(img->buf[4 * i + k] - px[4 * i + k]));
  }
  EXPECT_LT(worst, 24) << "default quality keeps a smooth gradient close";
  // The fourth byte does not reach the stream: same pixels, other alpha, same bytes.
  for (int i = 0; i < w * h; i++) px[4 * i + 3] = 17;
  EXPECT_EQ(fmttest::written([&](FOUT* fo) { return jpgWrite(fo, px.data(), w, h); }), f);
}

TEST(JpegRead, GreyAndProgressiveStreams) {
  ImgfPtr grey = decode(encodeWithLibjpeg(9, 5, 1, JCS_GRAYSCALE, false));
  ASSERT_TRUE(grey);
  EXPECT_EQ(grey->w, 9);
  for (int i = 0; i < 45; i++) {
    EXPECT_EQ(grey->buf[4 * i], grey->buf[4 * i + 1]);
    EXPECT_EQ(grey->buf[4 * i], grey->buf[4 * i + 2]);
    EXPECT_EQ(grey->buf[4 * i + 3], 255);
  }
  auto base = decode(encodeWithLibjpeg(33, 17, 3, JCS_RGB, false));
  auto prog = decode(encodeWithLibjpeg(33, 17, 3, JCS_RGB, true));
  ASSERT_TRUE(base);
  ASSERT_TRUE(prog);
  EXPECT_EQ(0, std::memcmp(base->buf, prog->buf, 33 * 17 * 4))
      << "progressive coding of the same coefficients decodes the same";
}

TEST(JpegRead, DamagedStreamsFailWithAMessageAndTheProgramGoesOn) {
  std::vector<uint8_t> good = encodeWithLibjpeg(16, 16, 3, JCS_RGB, false);
  std::vector<std::vector<uint8_t>> bad = {
      {},
      {0xFF, 0xD8},
      {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x02},
      std::vector<uint8_t>(good.begin(), good.begin() + 20),
      {'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'},
  };
  for (const auto& f : bad) {
    ImgfPtr img;
    std::string out = fmttest::captureStdout([&] { img = decode(f); });
    EXPECT_FALSE(img);
    EXPECT_NE(out.find("jpgOpen:"), std::string::npos) << out;
  }
  // Cuts past the headers still decode (the library pads the missing data).
  for (size_t n = 0; n < good.size(); n += 7) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + n);
    fmttest::captureStdout([&] { decode(cut); });
  }
  ImgfPtr again = decode(good);
  EXPECT_TRUE(again) << "a failure leaves the library usable";
}

TEST(JpegRead, FourComponentStreamsAreRefused) {
  ImgfPtr img;
  std::string out =
      fmttest::captureStdout([&] { img = decode(encodeWithLibjpeg(8, 8, 4, JCS_CMYK, false)); });
  EXPECT_FALSE(img);
  EXPECT_EQ(out, "jpgOpen:色成分が 4 個の JPEG はサポートしていません\n");
}

TEST(JpegWrite, FilesAndFailures) {
  fmttest::TempDir dir;
  std::string path = dir.file("a.jpg");
  std::vector<uint8_t> px = fmttest::noise(256 * 256 * 4, 3);  // noise does not compress
  EXPECT_EQ(jpgSave("/nonexistent-dir/a.jpg", px.data(), 4, 4), 0);
  EXPECT_EQ(jpgSave(path.c_str(), px.data(), 0, 4), 0);
  EXPECT_EQ(jpgSave(path.c_str(), px.data(), 70000, 1), 0);
  fmttest::writeFile(path, {'o', 'l', 'd'});
  {
    fmttest::FileSizeLimit limit(2000);
    EXPECT_EQ(jpgSave(path.c_str(), px.data(), 256, 256), 0);
  }
  EXPECT_EQ(fmttest::readFile(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
  ASSERT_EQ(jpgSave(path.c_str(), px.data(), 256, 256), 1);
  ImgfPtr img(jpgOpen(path.c_str()));
  ASSERT_TRUE(img);
  EXPECT_EQ(img->w, 256);
  std::string out =
      fmttest::captureStdout([&] { EXPECT_FALSE(jpgOpen(dir.file("none.jpg").c_str())); });
  EXPECT_EQ(out, "ファイルオープン(r)エラー:" + dir.file("none.jpg") + "\n");
}

}  // namespace
