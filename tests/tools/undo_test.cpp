#include "tools/undo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "image/bmconv.h"
#include "image/bmgeom.h"
#include "image/palette.h"
#include "tests/image/bmtest_util.h"
#include "tools/linewalk.h"

namespace {

std::vector<uint8_t> ramp(int n) {
  std::vector<uint8_t> px;
  for (int i = 0; i < n; i++) px.push_back(static_cast<uint8_t>(i * 7 + 3));
  return px;
}

struct Snapshot {
  int w, h, bpp;
  std::vector<uint8_t> px;
  std::vector<uint32_t> cmap;
  explicit Snapshot(const BM* bm)
      : w(bm->w),
        h(bm->h),
        bpp(bm->bpp),
        px(bm->buf, bm->buf + size_t(bm->w) * bm->h * bm->bpp),
        cmap(bm->cmap, bm->cmap + 256) {}
  bool operator==(const Snapshot& o) const {
    return w == o.w && h == o.h && bpp == o.bpp && px == o.px && cmap == o.cmap;
  }
};

TEST(Undo, LineComesBackEvenWherePlottedTwice) {
  BmPtr bm = indexed(8, 8, ramp(64));
  Snapshot before(bm.get());
  undoBegin(bm.get());
  // A polyline: the shared vertex (4, 4) is plotted by both segments.
  lineDraw(bm.get(), 0, 0, 4, 4, 1, 250, 1);
  lineDraw(bm.get(), 4, 4, 7, 1, 1, 251, 1);
  EXPECT_EQ(bmPget(bm.get(), 4, 4), 251u);
  bm->modified = 0;
  undoApply(bm.get());
  EXPECT_TRUE(Snapshot(bm.get()) == before);
  EXPECT_EQ(dbCnt(bm->undo), 0);
  EXPECT_EQ(bm->modified, 0);
}

TEST(Undo, SinglePixelWritesAndDirectColour) {
  BmPtr bm = direct(3, 1, {1, 2, 3});
  undoBegin(bm.get());
  bmPut(bm.get(), 1, 0, 0xdeadbeef, 0);
  bmPut(bm.get(), 1, 0, 0xfeedface, 0);
  bmPut(bm.get(), 2, 0, 0xfeedface, 0);
  undoApply(bm.get());
  EXPECT_EQ(colours(bm.get()), (std::vector<uint32_t>{1, 2, 3}));
}

TEST(Undo, OnlyTheLatestStepIsTakenBack) {
  BmPtr bm = indexed(4, 4, ramp(16));
  BmPtr fill = indexed(2, 2, {9, 9, 9, 9});
  undoBegin(bm.get());
  bmPaste(bm.get(), fill.get(), 1, 1, 0);
  Snapshot afterFirst(bm.get());
  undoBegin(bm.get());
  bmPaste(bm.get(), fill.get(), 1, 1, 0);  // same colour again: no visible change
  undoApply(bm.get());
  EXPECT_TRUE(Snapshot(bm.get()) == afterFirst);
  // A second undo finds an empty log.
  undoApply(bm.get());
  EXPECT_TRUE(Snapshot(bm.get()) == afterFirst);
}

TEST(Undo, PasteAtNegativeCornerRestoresTheInsidePart) {
  BmPtr bm = direct(3, 3);
  for (int i = 0; i < 9; i++) bmpset(bm.get(), i % 3, i / 3, 0xff000000u + i, 0);
  Snapshot before(bm.get());
  BmPtr src = direct(4, 4, std::vector<uint32_t>(16, 0xffffffff));
  undoBegin(bm.get());
  bmPaste(bm.get(), src.get(), -3, -3, 0);
  undoApply(bm.get());
  EXPECT_TRUE(Snapshot(bm.get()) == before);
}

TEST(Undo, ResizeBringsBackSizeAndPixels) {
  BmPtr bm = indexed(5, 3, ramp(15));
  Snapshot before(bm.get());
  undoBegin(bm.get());
  ASSERT_EQ(bmResize(bm.get(), 2, 9), 1);
  undoApply(bm.get());
  EXPECT_TRUE(Snapshot(bm.get()) == before);
}

TEST(Undo, LinesReplayOnTheSizeTheyWereDrawnOn) {
  BmPtr bm = indexed(10, 10, ramp(100));
  Snapshot before(bm.get());
  undoBegin(bm.get());
  ASSERT_EQ(bmResize(bm.get(), 4, 4), 1);
  lineDraw(bm.get(), -10, -10, 20, 20, 1, 255, 1);  // clipped to the 4 x 4 image
  ASSERT_EQ(bmResize(bm.get(), 12, 12), 1);
  lineDraw(bm.get(), -10, -10, 20, 20, 1, 254, 1);  // clipped to 12 x 12
  undoApply(bm.get());
  EXPECT_TRUE(Snapshot(bm.get()) == before);
}

TEST(Undo, LineOnAShrunkImageRestoresOnlyWhatStillFits) {
  // The size changed behind the log's back: replay clips to the present size
  // and never reads past what was saved.
  BmPtr bm = indexed(8, 1, std::vector<uint8_t>(8, 1));
  undoBegin(bm.get());
  lineDraw(bm.get(), 0, 0, 7, 0, 1, 50, 1);
  bm->w = 3;
  undoApply(bm.get());
  EXPECT_EQ(std::vector<uint8_t>(bm->buf, bm->buf + 8),
            (std::vector<uint8_t>{1, 1, 1, 50, 50, 50, 50, 50}));
  undoBegin(bm.get());
  lineDraw(bm.get(), -5, 0, 20, 0, 1, 60, 1);  // three points on the narrow image
  bm->w = 8;
  bm->buf[7] = 70;
  undoApply(bm.get());  // grown back: the walk is longer than the record
  EXPECT_EQ(std::vector<uint8_t>(bm->buf, bm->buf + 8),
            (std::vector<uint8_t>{1, 1, 1, 50, 50, 50, 50, 70}));
}

TEST(Undo, GreyConversionRestoresWholeColourMap) {
  BmPtr bm = direct(2, 2, {0x11223344, 0x55667788, 0x99aabbcc, 0xddeeff00});
  palSystem(bm->cmap);
  bm->cmapn = 16;
  Snapshot before(bm.get());
  undoBegin(bm.get());
  ASSERT_EQ(bmGray(bm.get()), 1);
  undoApply(bm.get());
  EXPECT_TRUE(Snapshot(bm.get()) == before);  // entries past cmapn included
  EXPECT_EQ(bm->cmapn, 16);
}

TEST(Undo, ChangeToDirectColourIsUndoableWhenLogged) {
  BmPtr bm = indexed(3, 2, ramp(6));
  Snapshot before(bm.get());
  undoBegin(bm.get());
  ASSERT_EQ(undoWholeImage(bm.get()), 1);
  ASSERT_EQ(bmDirect(bm.get()), 1);
  BmPtr dot = direct(1, 1, {0xff0000ff});
  bmPaste(bm.get(), dot.get(), 2, 1, 0);  // an edit on the direct image in the same step
  undoApply(bm.get());
  EXPECT_TRUE(Snapshot(bm.get()) == before);
}

TEST(Undo, RotationIsAStepOfItsOwn) {
  BmPtr bm = indexed(3, 2, ramp(6));
  undoBegin(bm.get());
  bmPut(bm.get(), 0, 0, 99, 1);
  Snapshot edited(bm.get());
  ASSERT_EQ(undoBeginWholeImage(bm.get()), 1);
  ASSERT_EQ(bmTrans(bm.get()), 1);
  bmFlipH(bm.get());
  undoApply(bm.get());
  EXPECT_TRUE(Snapshot(bm.get()) == edited);
}

TEST(Undo, ColourMapWindowEditsAccumulate) {
  uint32_t cmap[256];
  palGray(cmap);
  BmPtr win(palImage(cmap));
  ASSERT_TRUE(win);
  Snapshot before(win.get());
  undoBegin(win.get());
  for (int i = 0; i < 5; i++) {  // bar edits: 1 x 1 pastes without a new step
    BmPtr entry = direct(1, 1, {0xff000000u + i});
    bmPaste(win.get(), entry.get(), i, 0, 0);
  }
  uint32_t direct[256];
  palDirect(direct);
  BmPtr pal(palImage(direct));
  bmPaste(win.get(), pal.get(), 0, 0, 0);
  undoApply(win.get());
  EXPECT_TRUE(Snapshot(win.get()) == before);
}

TEST(Undo, RecordsThatNoLongerFitAreSkipped) {
  BmPtr bm = direct(2, 2, {1, 2, 3, 4});
  undoBegin(bm.get());
  // A rectangle saved at one byte per pixel does not fit a direct image.
  UNDOHDR rect = {UNDO_RECT, 0, 0, 2, 2, 0};
  std::memset(bmLogAdd(bm.get(), rect, 4), 0xaa, 4);
  UNDOHDR image = {UNDO_IMAGE, 0, 0, 3, 3, 4};  // payload too short for 3 x 3
  bmLogAdd(bm.get(), image, 8);
  UNDOHDR odd = {UNDO_IMAGE, 0, 0, 1, 1, 3};
  bmLogAdd(bm.get(), odd, 3);
  undoApply(bm.get());
  EXPECT_EQ(bm->w, 2);
  EXPECT_EQ(bm->bpp, 4);
  EXPECT_EQ(colours(bm.get()), (std::vector<uint32_t>{1, 2, 3, 4}));
  EXPECT_EQ(dbCnt(bm->undo), 0);
}

TEST(Undo, EmptyLogAndMissingLogChangeNothing) {
  BmPtr bm = indexed(2, 1, {5, 6});
  undoApply(bm.get());
  EXPECT_EQ(indices(bm.get()), (std::vector<uint8_t>{5, 6}));
  dbFre(bm->undo);
  bm->undo = nullptr;
  bmPut(bm.get(), 0, 0, 1, 1);
  bmPaste(bm.get(), bm.get(), 1, 0, 0);
  undoBegin(bm.get());
  undoApply(bm.get());
  EXPECT_EQ(indices(bm.get()), (std::vector<uint8_t>{1, 1}));
}

// Any mix of logged edits within one step comes back to the starting image.
TEST(Undo, RandomStepsRestoreTheStart) {
  std::mt19937 rng(11);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 60; round++) {
    BmPtr bm = round & 1 ? indexed(pick(1, 12), pick(1, 12)) : direct(pick(1, 12), pick(1, 12));
    for (int y = 0; y < bm->h; y++)
      for (int x = 0; x < bm->w; x++) bmpset(bm.get(), x, y, rng(), 1);
    bm->cmap[pick(0, 255)] = rng();
    Snapshot before(bm.get());
    undoBegin(bm.get());
    for (int op = 0; op < 12; op++) {
      switch (pick(0, 5)) {
        case 0:
          lineDraw(bm.get(), pick(-5, 15), pick(-5, 15), pick(-5, 15), pick(-5, 15), pick(0, 1),
                   rng(), pick(0, 1));
          break;
        case 1:
          bmPut(bm.get(), pick(-1, 12), pick(-1, 12), rng(), pick(0, 1));
          break;
        case 2: {
          BmPtr src = round & 2 ? direct(pick(1, 6), pick(1, 6)) : indexed(pick(1, 6), pick(1, 6));
          for (int i = 0; i < src->w * src->h * src->bpp; i++) src->buf[i] = uint8_t(rng());
          bmPaste(bm.get(), src.get(), pick(-6, 12), pick(-6, 12), pick(0, 1));
          break;
        }
        case 3:
          bmResize(bm.get(), pick(0, 12), pick(0, 12));
          break;
        case 4:
          bmGray(bm.get());
          break;
        case 5:
          undoWholeImage(bm.get());
          bmDirect(bm.get());
          break;
      }
    }
    undoApply(bm.get());
    ASSERT_TRUE(Snapshot(bm.get()) == before) << "round " << round;
  }
}

}  // namespace
