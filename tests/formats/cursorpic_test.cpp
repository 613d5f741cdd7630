#include "formats/cursorpic.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "formats/pxa.h"
#include "testutil.h"

namespace {

using fmttest::ImgfPtr;

int at(const IMGF* pic, int k, int x, int y) {
  if (x < 0 || y < 0 || x >= 32 || y >= 32) return -1;
  return pic->buf[(k * 32 + y) * 32 + x];
}

TEST(CursorPicture, DecodesToEightBlocksOfIndicesZeroToTwo) {
  ImgfPtr pic(tdecurPicture());
  ASSERT_TRUE(pic);
  EXPECT_EQ(pic->w, 32);
  EXPECT_EQ(pic->h, 256);
  EXPECT_EQ(pic->depth, 8);
  EXPECT_EQ(pic->ncolor, 4);
  for (int i = 0; i < 32 * 256; ++i) ASSERT_LE(pic->buf[i], 2) << i;
}

TEST(CursorPicture, WhiteLinesHaveAOnePixelBlackOutline) {
  ImgfPtr pic(tdecurPicture());
  ASSERT_TRUE(pic);
  for (int k = 0; k < 8; ++k) {
    int whites = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        int v = at(pic.get(), k, x, y);
        bool nearWhite = false;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            int n = at(pic.get(), k, x + dx, y + dy);
            if ((dx || dy) && n == 2) nearWhite = true;
          }
        if (v == 2) ++whites;
        // Black exactly where a white pixel is next to it; transparent elsewhere.
        if (v != 2) {
          EXPECT_EQ(v == 1, nearWhite) << k << " " << x << "," << y;
        }
      }
    EXPECT_GT(whites, 10) << k;
  }
}

TEST(CursorPicture, CrossHairPlanes) {
  ImgfPtr pic(tdecurPicture());
  uint8_t andp[128], xorp[128];
  ASSERT_EQ(tdecurPlanes(pic.get(), 0, andp, xorp), 1);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      int i = y * 32 + x;
      bool andbit = andp[i / 8] & (0x80 >> (i % 8));
      bool xorbit = xorp[i / 8] & (0x80 >> (i % 8));
      bool line = x == 16 || y == 16;
      bool outline = !line && (std::abs(x - 16) <= 1 || std::abs(y - 16) <= 1);
      EXPECT_EQ(andbit, !(line || outline)) << x << "," << y;
      EXPECT_EQ(xorbit, line) << x << "," << y;
    }
  EXPECT_EQ(tdecurPlanes(pic.get(), 8, andp, xorp), 0);
  EXPECT_EQ(tdecurPlanes(nullptr, 0, andp, xorp), 0);
}

TEST(CursorPicture, HotspotPointsAreOnTheLines) {
  ImgfPtr pic(tdecurPicture());
  ASSERT_TRUE(pic);
  for (int k : {0, 1, 2, 3, 4}) EXPECT_EQ(at(pic.get(), k, 16, 16), 2) << k;
  // Slot 1 reaches right and down, slot 2 left and up.
  EXPECT_EQ(at(pic.get(), 1, 31, 16), 2);
  EXPECT_EQ(at(pic.get(), 1, 16, 31), 2);
  EXPECT_EQ(at(pic.get(), 1, 0, 16), 0);
  EXPECT_EQ(at(pic.get(), 2, 0, 16), 2);
  EXPECT_EQ(at(pic.get(), 2, 16, 0), 2);
  EXPECT_EQ(at(pic.get(), 2, 31, 16), 0);
}

TEST(CursorPicture, StoredBytesAreWhatTheWriterProduces) {
  ImgfPtr pic(tdecurPicture());
  ASSERT_TRUE(pic);
  fmttest::TempDir dir;
  std::string f = dir.file("cur.pxa");
  ASSERT_EQ(pxaSave(f.c_str(), pic->buf, 32, 256, pic->cmap, 4, 8), 1);
  auto written = fmttest::readFile(f);
  EXPECT_EQ(written, std::vector<uint8_t>(tdecurPic, tdecurPic + sizeof tdecurPic));
}

}  // namespace
