#include "std/imgf.h"

#include <gtest/gtest.h>

#include "image/bm.h"

namespace {

static_assert(IMGF_MAXPIXELS == BM_MAXPIXELS, "readers and the image record share one bound");

TEST(Imgf, BytesRefuseNegativeAndHugeSizes) {
  EXPECT_EQ(imgfBytes(3, 2, 4), 24u);
  EXPECT_EQ(imgfBytes(0, 5, 1), 0u);
  EXPECT_EQ(imgfBytes(-1, 5, 1), 0u);
  EXPECT_EQ(imgfBytes(5, -1, 1), 0u);
  EXPECT_EQ(imgfBytes(IMGF_MAXPIXELS, 1, 4), size_t(IMGF_MAXPIXELS) * 4);
  EXPECT_EQ(imgfBytes(IMGF_MAXPIXELS + 1, 1, 1), 0u);
  // A product that would wrap 32 bits and one that would wrap 64 bits.
  EXPECT_EQ(imgfBytes(65536, 65536, 4), 0u);
  EXPECT_EQ(imgfBytes(int64_t(1) << 40, int64_t(1) << 40, 1), 0u);
}

TEST(Imgf, NewZeroesPixelsAndMap) {
  IMGF* img = imgfNew(4, 3, 0);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(img->w, 4);
  EXPECT_EQ(img->h, 3);
  EXPECT_EQ(img->depth, 0);
  for (int i = 0; i < 48; i++) EXPECT_EQ(img->buf[i], 0);
  for (uint32_t c : img->cmap) EXPECT_EQ(c, 0u);
  imgfFre(img);
  IMGF* empty = imgfNew(0, 7, 8);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->buf, nullptr);
  imgfFre(empty);
  EXPECT_EQ(imgfNew(70000, 70000, 8), nullptr);
  EXPECT_EQ(imgfNew(-2, 2, 8), nullptr);
  imgfFre(nullptr);
}

}  // namespace
