#include "tests/wine/gtest_win.h"

#include "formats/tdecur.h"

#include <cstring>


namespace {

TEST(ToolCursors, EightCursorsWithTheHotspotAtTheCentre) {
  HCURSOR* set = tdecurOpen();
  ASSERT_NE(set, nullptr);
  for (int k = 0; k < TDECUR_COUNT; k++) {
    ASSERT_NE(set[k], nullptr) << "cursor " << k;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(set[k], &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 16u);
    EXPECT_EQ(info.yHotspot, 16u);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
  }
  tdecurClose(set);
  tdecurClose(nullptr);
}

TEST(ToolCursors, CrossHairCursorCarriesThePlanesOfItsPicture) {
  HCURSOR* set = tdecurOpen();
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(set[0], &info));
  ASSERT_NE(info.hbmMask, nullptr);
  BITMAP bm{};
  GetObjectA(info.hbmMask, sizeof bm, &bm);
  ASSERT_EQ(bm.bmWidth, 32);
  ASSERT_EQ(bm.bmHeight, 64);  // AND plane above the XOR plane
  uint8_t bits[256] = {};
  ASSERT_EQ(GetBitmapBits(info.hbmMask, sizeof bits, bits), 256);
  IMGF* pic = tdecurPicture();
  ASSERT_NE(pic, nullptr);
  uint8_t andPlane[128], xorPlane[128];
  ASSERT_TRUE(tdecurPlanes(pic, 0, andPlane, xorPlane));
  EXPECT_EQ(std::memcmp(bits, andPlane, 128), 0);
  EXPECT_EQ(std::memcmp(bits + 128, xorPlane, 128), 0);
  imgfFre(pic);
  DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  tdecurClose(set);
}

}  // namespace
