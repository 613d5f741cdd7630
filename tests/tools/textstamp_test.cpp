#include "tools/textstamp.h"

#include "tests/tools/tooltest.h"
#include "tools/undo.h"

namespace {

template <class D>
class StampT : public ::testing::Test {};
TYPED_TEST_SUITE(StampT, BothDepths);

BmPtr glyph3x2() {
  BmPtr g = makeBm(1, 3, 2);
  const uint8_t px[6] = {0, 255, 1, 0, 0, 128};  // grey edges stamp too
  for (int i = 0; i < 6; i++) g->buf[i] = px[i];
  return g;
}

TYPED_TEST(StampT, NonBlackGlyphPixelsStampTheDrawingColour) {
  BmPtr crop = makeBm(TypeParam::bpp, 3, 2);
  paint(crop.get(), "444\n444\n");
  crop->pen = 9;
  BmPtr g = glyph3x2();
  textStamp(crop.get(), g.get());
  EXPECT_EQ(pixelsOf(crop.get()), (std::vector<int>{4, 9, 9, 4, 4, 9}));
}

TYPED_TEST(StampT, CommitPastesTransparentOrOpaque) {
  BmPtr bm = makeBm(TypeParam::bpp, 5, 3);
  paint(bm.get(), "22222\n22222\n22222\n");
  bm->pen = 0;  // a transparent drawing colour
  BmPtr g = glyph3x2();
  undoBegin(bm.get());
  const std::vector<uint8_t> before = snapshot(bm.get());
  textCommit(bm.get(), g.get(), 1, 1, 0);
  EXPECT_EQ(snapshot(bm.get()), before);  // transparent ink over the text
  textCommit(bm.get(), g.get(), 3, 1, 1);
  EXPECT_EQ(pixelsOf(bm.get()), (std::vector<int>{2, 2, 2, 2, 2,  //
                                                  2, 2, 2, 2, 0,  //
                                                  2, 2, 2, 2, 2}));
  undoApply(bm.get());
  EXPECT_EQ(snapshot(bm.get()), before);
}

TEST(TextStamp, DirectTransparentCommitBlendsByTheDrawingAlpha) {
  const uint32_t grey = rgbaMake(100, 100, 100, 255);
  BmPtr bm = makeBm(4, 5, 3);
  for (int i = 0; i < 15; i++) bmpset(bm.get(), i % 5, i / 5, grey, 0);
  bm->cmap[3] = rgbaMake(200, 0, 50, 128);
  bm->pen = 3;
  BmPtr g = glyph3x2();
  textCommit(bm.get(), g.get(), 1, 1, 0);
  const uint32_t mixed = rgbaMake(150, 49, 74, 191);  // red over grey at alpha 128
  EXPECT_EQ(bmPget(bm.get(), 2, 1), mixed);
  EXPECT_EQ(bmPget(bm.get(), 3, 1), mixed);
  EXPECT_EQ(bmPget(bm.get(), 3, 2), mixed);
  EXPECT_EQ(bmPget(bm.get(), 1, 1), grey);  // untouched crop pixels stay
  EXPECT_EQ(bmPget(bm.get(), 2, 2), grey);
  // Opaque: the stamped crop replaces the area, so the ink is the colour itself.
  textCommit(bm.get(), g.get(), 1, 0, 1);
  EXPECT_EQ(bmPget(bm.get(), 2, 0), rgbaMake(200, 0, 50, 128));
  EXPECT_EQ(bmPget(bm.get(), 1, 0), grey);
  EXPECT_EQ(bmPget(bm.get(), 1, 1), grey);
}

TEST(TextStamp, MismatchedSizesStayInsideBoth) {
  BmPtr crop = makeBm(1, 2, 1);
  crop->pen = 5;
  BmPtr g = glyph3x2();
  textStamp(crop.get(), g.get());
  EXPECT_EQ(crop->buf[0], 0);
  EXPECT_EQ(crop->buf[1], 5);
}

}  // namespace
