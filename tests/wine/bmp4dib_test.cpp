#include "tests/wine/gtest_win.h"

#include "std/bmp4dib.h"

#include <cstdint>
#include <vector>

namespace {

// Pixels of a screen bitmap as 0x00RRGGBB, rows top to bottom.
std::vector<uint32_t> readBack(HDC dc, HBITMAP bmp, int w, int h) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  std::vector<uint32_t> px(size_t(w) * h);
  EXPECT_EQ(GetDIBits(dc, bmp, 0, h, px.data(), &bi, DIB_RGB_COLORS), h);
  for (uint32_t& v : px) v &= 0xFFFFFF;
  return px;
}

class DibTest : public ::testing::Test {
 protected:
  void SetUp() override { dc = GetDC(nullptr); }
  void TearDown() override { ReleaseDC(nullptr, dc); }
  HDC dc;
};

TEST_F(DibTest, IndexedRowsOfOddWidthKeepTheirColours) {
  const int w = 5, h = 3;  // rows need padding to 4 bytes
  uint8_t idx[w * h];
  for (int i = 0; i < w * h; i++) idx[i] = uint8_t(i % 3);
  const uint32_t cmap[3] = {0xFF0000FF, 0xFF00FF00,
                            0x00FF0000};  // red, green, blue (alpha ignored)
  HBITMAP bmp = dibIndexed(dc, idx, cmap, 3, w, h);
  ASSERT_NE(bmp, nullptr);
  std::vector<uint32_t> px = readBack(dc, bmp, w, h);
  const uint32_t rgb[3] = {0xFF0000, 0x00FF00, 0x0000FF};
  for (int i = 0; i < w * h; i++) EXPECT_EQ(px[i], rgb[i % 3]) << i;
  DeleteObject(bmp);
}

TEST_F(DibTest, IndexedWithoutPixelsIsEntryZero) {
  const uint32_t cmap[2] = {0xFF204060, 0xFFFFFFFF};
  HBITMAP bmp = dibIndexed(dc, nullptr, cmap, 2, 6, 2);
  ASSERT_NE(bmp, nullptr);
  for (uint32_t v : readBack(dc, bmp, 6, 2)) EXPECT_EQ(v, 0x604020u);
  DeleteObject(bmp);
}

TEST_F(DibTest, RgbaTopRowStaysOnTop) {
  const uint8_t rgba[2 * 2 * 4] = {10, 20, 30, 0,   40,  50,  60,  255,
                                   70, 80, 90, 128, 100, 110, 120, 255};
  HBITMAP bmp = dibRgba(dc, rgba, 2, 2);
  ASSERT_NE(bmp, nullptr);
  std::vector<uint32_t> px = readBack(dc, bmp, 2, 2);
  EXPECT_EQ(px[0], 0x0A141Eu);
  EXPECT_EQ(px[1], 0x28323Cu);
  EXPECT_EQ(px[2], 0x46505Au);
  EXPECT_EQ(px[3], 0x646E78u);
  DeleteObject(bmp);
}

TEST_F(DibTest, RefusedSizesGiveNoBitmap) {
  uint8_t px[4] = {};
  EXPECT_EQ(dibRgba(dc, px, 0, 1), nullptr);
  EXPECT_EQ(dibRgba(dc, px, -1, 1), nullptr);
  EXPECT_EQ(dibRgba(dc, nullptr, 1, 1), nullptr);
  EXPECT_EQ(dibIndexed(dc, px, nullptr, 0, 100000, 100000), nullptr);
}

}  // namespace
