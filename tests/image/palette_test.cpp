#include "image/palette.h"

#include <gtest/gtest.h>

#include "tests/image/bmtest_util.h"

namespace {

TEST(Palette, DirectSpreadsTheIndexBitsOverTheChannels) {
  uint32_t cmap[256];
  palDirect(cmap);
  EXPECT_EQ(cmap[0], rgbaMake(0, 0, 0, 0));
  EXPECT_EQ(cmap[255], rgbaMake(255, 255, 255, 255));
  // 0b11'10'01'10: red 3 * 68, green 2 * 68, blue 1 * 68, plus 2 * 17 each.
  EXPECT_EQ(cmap[0xe6], rgbaMake(204 + 34, 136 + 34, 68 + 34, 255));
  EXPECT_EQ(cmap[1], rgbaMake(17, 17, 17, 255));
}

TEST(Palette, SystemHasWindowColoursCubeAndBlack) {
  uint32_t cmap[256];
  palSystem(cmap);
  EXPECT_EQ(cmap[0], rgbaMake(255, 255, 255, 255));
  EXPECT_EQ(cmap[3], rgbaMake(0, 0, 0, 255));
  EXPECT_EQ(cmap[7], rgbaMake(255, 0, 0, 255));
  EXPECT_EQ(cmap[15], rgbaMake(0, 128, 0, 255));
  EXPECT_EQ(cmap[16], rgbaMake(255, 255, 255, 255));
  EXPECT_EQ(cmap[17], rgbaMake(255, 255, 204, 255));
  EXPECT_EQ(cmap[16 + 6], rgbaMake(255, 204, 255, 255));
  EXPECT_EQ(cmap[16 + 36], rgbaMake(204, 255, 255, 255));
  EXPECT_EQ(cmap[231], rgbaMake(0, 0, 0, 255));
  for (int i = 232; i < 256; i++) EXPECT_EQ(cmap[i], rgbaMake(0, 0, 0, 255));
}

TEST(Palette, GrayMatchesTheDefaultMapAndImageHoldsEntries) {
  uint32_t cmap[256];
  palGray(cmap);
  BmPtr fresh = indexed(1, 1);
  for (int i = 0; i < 256; i++) EXPECT_EQ(cmap[i], fresh->cmap[i]) << i;
  palSystem(cmap);
  BmPtr img(palImage(cmap));
  ASSERT_TRUE(img);
  EXPECT_EQ(img->w, 16);
  EXPECT_EQ(img->h, 16);
  EXPECT_EQ(img->bpp, 4);
  EXPECT_EQ(bmPget(img.get(), 7, 0), cmap[7]);
  EXPECT_EQ(bmPget(img.get(), 3, 2), cmap[35]);
}

}  // namespace
