#include "image/bmindex.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/bm.h"
#include "image/bmlog.h"
#include "std/rgba2cmap2.h"
#include "tests/image/bmtest_util.h"

namespace {

const uint32_t kRed = rgbaMake(220, 20, 20, 255);
const uint32_t kBlue = rgbaMake(20, 20, 220, 255);
const uint32_t kClear = rgbaMake(0, 0, 0, 0);

TEST(BmIndex, FewColoursBecomeTheColourMap) {
  BmPtr bm = direct(3, 2, {kRed, kBlue, kRed, kClear, kRed, kBlue});
  bmIndex(bm.get(), 256, 0, 0);
  ASSERT_EQ(bm->bpp, 1);
  EXPECT_EQ(bm->cmapn, 3);
  EXPECT_EQ(bm->cmap[0], kRed);  // order of first appearance
  EXPECT_EQ(bm->cmap[1], kBlue);
  EXPECT_EQ(bm->cmap[2], kClear);
  EXPECT_EQ(indices(bm.get()), (std::vector<uint8_t>{0, 1, 0, 2, 0, 1}));
  EXPECT_EQ(bm->modified, 1);
}

TEST(BmIndex, LogsColourMapAndWholeImageFirst) {
  std::vector<uint32_t> px = {kRed, kBlue, kClear, kRed};
  BmPtr bm = direct(2, 2, px);
  const std::vector<uint32_t> oldMap(bm->cmap, bm->cmap + 256);
  bmIndex(bm.get(), 2, 0, 1);
  ASSERT_EQ(dbCnt(bm->undo), 2);
  auto* cmapRec = static_cast<UNDOHDR*>(dbTop(bm->undo));
  auto* imageRec = static_cast<UNDOHDR*>(dbNxt(cmapRec));
  EXPECT_EQ(cmapRec->kind, UNDO_CMAP);
  ASSERT_GE(dbKeyLen(cmapRec), 4u * 256);
  EXPECT_EQ(0, std::memcmp(dbKey(cmapRec), oldMap.data(), 4 * 256));
  EXPECT_EQ(imageRec->kind, UNDO_IMAGE);
  EXPECT_EQ(imageRec->x1, 2);
  EXPECT_EQ(imageRec->y1, 2);
  EXPECT_EQ(imageRec->extra, 4);
  ASSERT_EQ(dbKeyLen(imageRec), 16u);
  EXPECT_EQ(0, std::memcmp(dbKey(imageRec), px.data(), 16));
}

TEST(BmIndex, AgreesWithTheQuantiserAndRespectsTheRoom) {
  std::vector<uint32_t> px;
  for (int i = 0; i < 8 * 8; i++) px.push_back(rgbaMake(i * 4, 255 - i * 3, (i * 37) & 255, 255));
  for (int diffuse = 0; diffuse < 2; diffuse++)
    for (int maxn : {0, 1, 5, 16}) {
      BmPtr bm = direct(8, 8, px);
      uint32_t cmap[256] = {};
      std::vector<uint8_t> want(64);
      int e = rgba2cmapIdx(want.data(), cmap, px.data(), 8, 8, maxn, 0, diffuse);
      bmIndex(bm.get(), maxn, 0, diffuse);
      ASSERT_EQ(bm->bpp, 1);
      EXPECT_EQ(bm->cmapn, e);
      EXPECT_LE(bm->cmapn, maxn);
      EXPECT_EQ(indices(bm.get()), want) << maxn << " " << diffuse;
      EXPECT_EQ(0, std::memcmp(bm->cmap, cmap, 4 * size_t(e)));
    }
}

TEST(BmIndex, LeavesIndexedAndEmptyImagesUsable) {
  BmPtr ind = indexed(2, 2, {1, 2, 3, 4});
  bmIndex(ind.get(), 16, 0, 1);
  EXPECT_EQ(ind->bpp, 1);
  EXPECT_EQ(indices(ind.get()), (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(dbCnt(ind->undo), 0);
  EXPECT_EQ(ind->modified, 0);

  BmPtr empty = direct(0, 0);
  bmIndex(empty.get(), 16, 0, 0);
  EXPECT_EQ(empty->bpp, 1);
  EXPECT_EQ(empty->cmapn, 0);
  EXPECT_EQ(empty->buf, nullptr);
  bmIndex(nullptr, 16, 0, 0);
}

}  // namespace
