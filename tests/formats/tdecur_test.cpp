#include "formats/tdecur.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "formats/pxa.h"

namespace {

bool bitAt(const uint8_t* plane, int x, int y) { return plane[y * 4 + x / 8] & (0x80 >> (x % 8)); }

class StoredCursors : public ::testing::Test {
 protected:
  void SetUp() override { pic = pxaOpenMem(tdecurpic, tdecurpicSize); }
  void TearDown() override {
    if (pic) imgfFre(pic);
  }
  const uint8_t* block(int k) const { return pic->buf + size_t(k) * 32 * 32; }
  IMGF* pic = nullptr;
};

TEST_F(StoredCursors, PictureHoldsEightBlocksOfTransparentBlackAndWhite) {
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->w, 32);
  EXPECT_EQ(pic->h, 256);
  EXPECT_NE(pic->depth, 0);
  int seen[3] = {};
  for (int i = 0; i < 32 * 256; i++) {
    ASSERT_LE(pic->buf[i], 2) << "pixel " << i;
    seen[pic->buf[i]]++;
  }
  EXPECT_GT(seen[1], 0);
  EXPECT_GT(seen[2], 0);
}

TEST_F(StoredCursors, CrossHairPlanesAreTheLinesAndTheirOutline) {
  ASSERT_NE(pic, nullptr);
  uint8_t andPlane[128], xorPlane[128];
  tdecurPlanes(block(0), 32, andPlane, xorPlane);
  for (int y = 0; y < 32; y++)
    for (int x = 0; x < 32; x++) {
      bool line = x == 16 || y == 16;
      bool outline = !line && (std::abs(x - 16) <= 1 || std::abs(y - 16) <= 1);
      EXPECT_EQ(bitAt(xorPlane, x, y), line) << x << "," << y;
      EXPECT_EQ(!bitAt(andPlane, x, y), line || outline) << x << "," << y;
    }
}

TEST_F(StoredCursors, EveryShapeButTheRotateBodyTouchesTheHotspot) {
  ASSERT_NE(pic, nullptr);
  for (int k = 0; k < 8; k++) {
    const uint8_t* b = block(k);
    int drawn = 0, nearCentre = 0;
    for (int y = 0; y < 32; y++)
      for (int x = 0; x < 32; x++)
        if (b[y * 32 + x]) {
          drawn++;
          if (std::abs(x - 16) <= 1 && std::abs(y - 16) <= 1) nearCentre++;
        }
    EXPECT_GT(drawn, 10) << "cursor " << k;
    if (k != 6) {
      EXPECT_GT(nearCentre, 0) << "cursor " << k;
    }
  }
}

TEST(CursorPlanes, IndexTableAndBitOrder) {
  uint8_t idx[32 * 40];
  std::memset(idx, 0, sizeof idx);
  idx[0] = 1;            // black at (0, 0)
  idx[7] = 2;            // white at (7, 0)
  idx[40 + 8] = 3;       // black at (8, 1) (row stride 40)
  idx[2 * 40 + 31] = 9;  // unknown index: transparent
  uint8_t andPlane[128], xorPlane[128];
  tdecurPlanes(idx, 40, andPlane, xorPlane);
  EXPECT_EQ(andPlane[0], 0x7E);  // bits 0 and 7 of the first byte cleared
  EXPECT_EQ(xorPlane[0], 0x01);
  EXPECT_EQ(andPlane[5], 0x7F);  // (8, 1): first bit of row 1's second byte
  EXPECT_EQ(xorPlane[5], 0x00);
  EXPECT_EQ(andPlane[11], 0xFF);
  for (int i = 12; i < 128; i++) {
    EXPECT_EQ(andPlane[i], 0xFF);
    EXPECT_EQ(xorPlane[i], 0);
  }
}

}  // namespace
