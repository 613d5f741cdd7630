#include "tests/wine/gtest_win.h"

#include "std/xwin.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// A window object drawing into a 32-bit memory bitmap instead of a paint.
class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    dc_ = CreateCompatibleDC(nullptr);
    bmp_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bmp_);
    clear(RGB(255, 255, 255));
    win.width = w;
    win.height = h;
    win.dc = dc_;
    oldFont_ = SelectObject(dc_, win.font);
  }
  ~Canvas() {
    win.dc = nullptr;
    SelectObject(dc_, oldFont_);
    SelectObject(dc_, old_);
    DeleteObject(bmp_);
    DeleteDC(dc_);
  }
  void clear(COLORREF c) {
    GdiFlush();
    for (int i = 0; i < w_ * h_; i++)
      bits_[i] = GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
  }
  // Pixel as COLORREF.
  COLORREF at(int x, int y) {
    GdiFlush();
    uint32_t v = bits_[y * w_ + x];
    return RGB(v >> 16 & 255, v >> 8 & 255, v & 255);
  }
  // Columns holding any pixel other than white, as [first, last]; -1 when none.
  void inkColumns(int* first, int* last) {
    *first = *last = -1;
    for (int x = 0; x < w_; x++)
      for (int y = 0; y < h_; y++)
        if (at(x, y) != RGB(255, 255, 255)) {
          if (*first < 0) *first = x;
          *last = x;
          break;
        }
  }
  cXWIN win;

 private:
  int w_, h_;
  HDC dc_;
  HBITMAP bmp_;
  HGDIOBJ old_, oldFont_;
  uint32_t* bits_ = nullptr;
};

TEST(XwinDraw, TextAlignedAtCentreIsCentredOnX) {
  Canvas c(200, 40);
  c.win.drawText(100, 10, 128, 0, RGB(0, 0, 0), "%s", "MWMWMW");
  int first, last;
  c.inkColumns(&first, &last);
  ASSERT_GE(first, 0) << "no text drawn";
  int width = c.win.textWidth("MWMWMW");
  EXPECT_GT(width, 20);
  EXPECT_NEAR((first + last) / 2.0, 100.0, 3.0);
  c.clear(RGB(255, 255, 255));
  c.win.drawText(100, 10, 0, 0, RGB(0, 0, 0), "%d", 123456);
  c.inkColumns(&first, &last);
  EXPECT_GE(first, 100);
  c.clear(RGB(255, 255, 255));
  c.win.drawText(100, 10, 256, 0, RGB(0, 0, 0), "x%sx", "yyy");
  c.inkColumns(&first, &last);
  EXPECT_LE(last, 100);
  EXPECT_GT(first, 50);
}

TEST(XwinDraw, LineDrawsBothEndPointsAndFillExcludesRightAndBottom) {
  Canvas c(20, 20);
  c.win.drawLine(2, 3, 12, 3, RGB(255, 0, 0));
  EXPECT_EQ(c.at(2, 3), RGB(255, 0, 0));
  EXPECT_EQ(c.at(12, 3), RGB(255, 0, 0));
  EXPECT_EQ(c.at(13, 3), RGB(255, 255, 255));
  c.win.fillRect(4, 6, 8, 9, RGB(0, 0, 255));
  EXPECT_EQ(c.at(4, 6), RGB(0, 0, 255));
  EXPECT_EQ(c.at(7, 8), RGB(0, 0, 255));
  EXPECT_EQ(c.at(8, 8), RGB(255, 255, 255));
  EXPECT_EQ(c.at(7, 9), RGB(255, 255, 255));
}

TEST(XwinDraw, ThinFrameIsLightTopLeftAndDarkBottomRight) {
  Canvas c(20, 20);
  c.win.drawFrame(2, 2, 10, 8, 0, 1);
  EXPECT_EQ(c.at(2, 2), RGB(255, 255, 255));
  EXPECT_EQ(c.at(11, 9), RGB(128, 128, 128));
  EXPECT_EQ(c.at(11, 4), RGB(128, 128, 128));
  EXPECT_EQ(c.at(5, 9), RGB(128, 128, 128));
  c.clear(RGB(0, 0, 0));
  c.win.drawFrame(2, 2, 10, 8, 1, 1);  // sunken swaps the colours
  EXPECT_EQ(c.at(5, 2), RGB(128, 128, 128));
  EXPECT_EQ(c.at(5, 9), RGB(255, 255, 255));
  c.win.drawPanel(2, 2, 10, 8, 0, 2);
  EXPECT_EQ(c.at(6, 5), RGB(212, 208, 200));
  EXPECT_EQ(c.at(11, 9), RGB(64, 64, 64));  // thick: dark outer edge
}

TEST(XwinDraw, IndexedImageAtScaleEightIsBlocksOfItsColours) {
  Canvas c(64, 48);
  uint8_t px[16];
  uint32_t cmap[16];
  for (int i = 0; i < 16; i++) {
    px[i] = uint8_t(i);
    cmap[i] = uint32_t(i * 16) | uint32_t(255 - i * 16) << 8 | 0x40u << 16 | 0xFFu << 24;
  }
  c.win.xf = VIEWXF{8, 0, 8, 0};
  c.win.drawImage(px, cmap, 16, 4, 4, 0, 0, 1);
  for (int y = 0; y < 32; y++)
    for (int x = 0; x < 32; x++) {
      uint32_t e = cmap[(y / 8) * 4 + x / 8];
      ASSERT_EQ(c.at(x, y), RGB(e & 255, e >> 8 & 255, e >> 16 & 255)) << x << "," << y;
    }
  EXPECT_EQ(c.at(32, 5), RGB(255, 255, 255));
  EXPECT_EQ(c.at(5, 32), RGB(255, 255, 255));
}

TEST(XwinDraw, IndexedImageWithoutColoursShowsGreyLevels) {
  Canvas c(8, 8);
  uint8_t px[4] = {0, 80, 160, 255};
  uint32_t cmap[1] = {0xFF0000FF};
  c.win.xf = VIEWXF{2, 0, 2, 0};
  c.win.drawImage(px, cmap, 0, 2, 2, 0, 0, 1);  // colour count 0
  EXPECT_EQ(c.at(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(c.at(2, 0), RGB(80, 80, 80));
  EXPECT_EQ(c.at(0, 2), RGB(160, 160, 160));
  EXPECT_EQ(c.at(3, 3), RGB(255, 255, 255));
  c.win.drawImage(px, cmap, 1, 2, 2, 0, 0, 1);  // indices past the map: black
  EXPECT_EQ(c.at(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(c.at(2, 0), RGB(0, 0, 0));
}

TEST(XwinDraw, DirectColourImageDropsAlphaAndClipsAtTheLeft) {
  Canvas c(40, 20);
  uint32_t px[4] = {0x00112233, 0xFF445566, 0x80778899, 0xFFAABBCC};  // 4 x 1, R in low byte
  c.win.xf = VIEWXF{10, -15, 10, 0};  // column 1 starts half visible
  c.win.drawImage(reinterpret_cast<uint8_t*>(px), nullptr, 0, 4, 1, 0, 0, 4);
  EXPECT_EQ(c.at(0, 5), RGB(0x66, 0x55, 0x44));
  // 16.16 stepping (step 3 * 65536 / 30, rounded down) moves the second
  // edge one pixel right of the exact one.
  EXPECT_EQ(c.at(5, 5), RGB(0x66, 0x55, 0x44));
  EXPECT_EQ(c.at(6, 5), RGB(0x99, 0x88, 0x77));  // transparent pixels show their colour
  EXPECT_EQ(c.at(24, 5), RGB(0xCC, 0xBB, 0xAA));
  EXPECT_EQ(c.at(25, 5), RGB(255, 255, 255));
  EXPECT_EQ(c.at(5, 10), RGB(255, 255, 255));
}

TEST(XwinDraw, PixelGridAtScaleOneCoversEveryBoundary) {
  Canvas c(40, 40);
  c.win.xf = VIEWXF{1, 10, 1, 10};
  c.win.drawGrid(0, 0, 16, 16, 1, 1, RGB(64, 64, 64));
  for (int y = 10; y <= 26; y++)
    for (int x = 10; x <= 26; x++) ASSERT_EQ(c.at(x, y), RGB(64, 64, 64)) << x << "," << y;
  EXPECT_EQ(c.at(9, 15), RGB(255, 255, 255));
  EXPECT_EQ(c.at(27, 15), RGB(255, 255, 255));
  // Step 8 at scale 2: lines at 0, 8 and 16 only.
  c.clear(RGB(255, 255, 255));
  c.win.xf = VIEWXF{2, 0, 2, 0};
  c.win.drawGrid(0, 0, 16, 16, 8, 8, RGB(128, 128, 128));
  EXPECT_EQ(c.at(16, 3), RGB(128, 128, 128));
  EXPECT_EQ(c.at(15, 3), RGB(255, 255, 255));
  EXPECT_EQ(c.at(32, 3), RGB(128, 128, 128));
  EXPECT_EQ(c.at(33, 3), RGB(255, 255, 255));
}

TEST(XwinDraw, PrimitivesOutsideAPaintDrawNothing) {
  cXWIN w;
  w.drawLine(0, 0, 5, 5, 0);
  w.drawText(0, 0, 0, 0, 0, "%s", "x");
  uint8_t px[4] = {};
  w.drawImage(px, nullptr, 0, 2, 2, 0, 0, 1);
  EXPECT_EQ(w.dc, nullptr);
  EXPECT_GT(w.textWidth("abc"), 0) << "measured on the screen outside a paint";
}

}  // namespace
