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

TEST(TextStamp, MismatchedSizesStayInsideBoth) {
  BmPtr crop = makeBm(1, 2, 1);
  crop->pen = 5;
  BmPtr g = glyph3x2();
  textStamp(crop.get(), g.get());
  EXPECT_EQ(crop->buf[0], 0);
  EXPECT_EQ(crop->buf[1], 5);
}

}  // namespace
