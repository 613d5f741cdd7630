#include "image/bmgeom.h"

#include <gtest/gtest.h>

#include "image/bmlog.h"
#include "tests/image/bmtest_util.h"

namespace {

const uint32_t A = 0xff0000aa, B = 0xff00bb00, C = 0xffcc0000, D = 0x12345678;

TEST(BmFlip, SingleRowOrColumnStays) {
  BmPtr row = indexed(3, 1, {1, 2, 3});
  bmFlipV(row.get());
  EXPECT_EQ(indices(row.get()), (std::vector<uint8_t>{1, 2, 3}));
  BmPtr col = indexed(1, 3, {1, 2, 3});
  bmFlipH(col.get());
  EXPECT_EQ(indices(col.get()), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(BmFlip, OddMiddleStaysAndPixelsMoveWhole) {
  BmPtr v = direct(1, 3, {A, B, C});
  bmFlipV(v.get());
  EXPECT_EQ(colours(v.get()), (std::vector<uint32_t>{C, B, A}));
  BmPtr h = direct(3, 2, {A, B, C, D, A, B});
  bmFlipH(h.get());
  EXPECT_EQ(colours(h.get()), (std::vector<uint32_t>{C, B, A, B, A, D}));
  EXPECT_EQ(h->modified, 0);
  EXPECT_EQ(dbCnt(h->undo), 0);
}

TEST(BmTrans, RotationsOfATwoPixelRow) {
  BmPtr cw = direct(2, 1, {A, B});
  ASSERT_EQ(bmTrans(cw.get()), 1);
  bmFlipH(cw.get());
  EXPECT_EQ(cw->w, 1);
  EXPECT_EQ(cw->h, 2);
  EXPECT_EQ(colours(cw.get()), (std::vector<uint32_t>{A, B}));
  BmPtr ccw = direct(2, 1, {A, B});
  ASSERT_EQ(bmTrans(ccw.get()), 1);
  bmFlipV(ccw.get());
  EXPECT_EQ(colours(ccw.get()), (std::vector<uint32_t>{B, A}));
}

TEST(BmTrans, TwiceIsIdentityAndShapeSwaps) {
  std::vector<uint8_t> px;
  for (int i = 0; i < 15; i++) px.push_back(static_cast<uint8_t>(i * 3));
  BmPtr bm = indexed(5, 3, px);
  ASSERT_EQ(bmTrans(bm.get()), 1);
  EXPECT_EQ(bm->w, 3);
  EXPECT_EQ(bm->h, 5);
  EXPECT_EQ(bmPget(bm.get(), 2, 4), px[2 * 5 + 4]);
  ASSERT_EQ(bmTrans(bm.get()), 1);
  EXPECT_EQ(indices(bm.get()), px);
  BmPtr empty(bmNew(nullptr, 1, 0, 7, nullptr, 0));
  ASSERT_EQ(bmTrans(empty.get()), 1);
  EXPECT_EQ(empty->w, 7);
  EXPECT_EQ(empty->h, 0);
}

TEST(BmResize, CutsAndExtendsAtRightAndBottom) {
  std::vector<uint8_t> px;
  for (int i = 1; i <= 16; i++) px.push_back(static_cast<uint8_t>(i));
  BmPtr bm = indexed(4, 4, px);
  ASSERT_EQ(bmResize(bm.get(), 2, 6), 1);
  EXPECT_EQ(bm->w, 2);
  EXPECT_EQ(bm->h, 6);
  EXPECT_EQ(indices(bm.get()), (std::vector<uint8_t>{1, 2, 5, 6, 9, 10, 13, 14, 0, 0, 0, 0}));
  ASSERT_EQ(dbCnt(bm->undo), 1);
  auto* rec = static_cast<const UNDOHDR*>(dbTop(bm->undo));
  EXPECT_EQ(rec->kind, UNDO_IMAGE);
  EXPECT_EQ(rec->x1, 4);
  EXPECT_EQ(rec->y1, 4);
  EXPECT_EQ(rec->extra, 1);
  EXPECT_EQ(dbKeyLen(rec), 16u);
  EXPECT_EQ(bm->modified, 0);
}

TEST(BmResize, DirectGrowsWithTransparentBlackAndRefusesBadSizes) {
  BmPtr bm = direct(1, 1, {A});
  ASSERT_EQ(bmResize(bm.get(), 2, 1), 1);
  EXPECT_EQ(colours(bm.get()), (std::vector<uint32_t>{A, 0}));
  EXPECT_EQ(bmResize(bm.get(), -1, 3), 0);
  EXPECT_EQ(bmResize(bm.get(), 1 << 20, 1 << 20), 0);
  EXPECT_EQ(bm->w, 2);
  EXPECT_EQ(dbCnt(bm->undo), 1);  // refusals log nothing
  ASSERT_EQ(bmResize(bm.get(), 0, 0), 1);
  EXPECT_EQ(bm->buf, nullptr);
  ASSERT_EQ(bmResize(bm.get(), 1, 1), 1);
  EXPECT_EQ(colours(bm.get()), (std::vector<uint32_t>{0}));
}

}  // namespace
