#include "image/bmconv.h"

#include <gtest/gtest.h>

#include <cmath>

#include "image/bmlog.h"
#include "tests/image/bmtest_util.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(BmDirect, IndicesBecomeTheirEntriesAlphaIncluded) {
  BmPtr bm = indexed(2, 1, {3, 200});
  bm->cmap[3] = rgbaMake(10, 20, 30, 0);
  bm->cmapn = 5;
  ASSERT_EQ(bmDirect(bm.get()), 1);
  EXPECT_EQ(bm->bpp, 4);
  EXPECT_EQ(colours(bm.get()),
            (std::vector<uint32_t>{rgbaMake(10, 20, 30, 0), rgbaMake(200, 200, 200, 255)}));
  EXPECT_EQ(bm->cmapn, 5);
  EXPECT_EQ(bm->cmap[3], rgbaMake(10, 20, 30, 0));
  EXPECT_EQ(dbCnt(bm->undo), 0);
  // A direct image stays as it is.
  std::vector<uint32_t> before = colours(bm.get());
  ASSERT_EQ(bmDirect(bm.get()), 1);
  EXPECT_EQ(colours(bm.get()), before);
}

TEST(BmGray, GreenChannelIsTheGreyLevel) {
  BmPtr d = direct(1, 1, {rgbaMake(200, 50, 10, 255)});
  d->cmapn = 0;
  ASSERT_EQ(bmGray(d.get()), 1);
  EXPECT_EQ(d->bpp, 1);
  EXPECT_EQ(bmPget(d.get(), 0, 0), 50u);
  EXPECT_EQ(d->cmapn, 0);
  EXPECT_EQ(d->cmap[0], 0u);
  EXPECT_EQ(d->cmap[50], rgbaMake(50, 50, 50, 255));

  BmPtr i = indexed(2, 1, {4, 9});
  i->cmap[4] = rgbaMake(0, 255, 0, 0);
  i->cmap[9] = rgbaMake(1, 2, 3, 4);
  ASSERT_EQ(bmGray(i.get()), 1);
  EXPECT_EQ(indices(i.get()), (std::vector<uint8_t>{255, 2}));
  EXPECT_EQ(i->cmap[4], rgbaMake(4, 4, 4, 255));
  EXPECT_EQ(i->cmap[9], rgbaMake(9, 9, 9, 255));
}

TEST(BmGray, LogsColourMapThenWholeImage) {
  BmPtr d = direct(2, 1, {rgbaMake(1, 2, 3, 4), rgbaMake(5, 6, 7, 8)});
  d->cmap[77] = rgbaMake(9, 9, 9, 9);
  ASSERT_EQ(bmGray(d.get()), 1);
  ASSERT_EQ(dbCnt(d->undo), 2);
  auto* cmapRec = static_cast<const UNDOHDR*>(dbTop(d->undo));
  auto* imageRec = static_cast<const UNDOHDR*>(dbNxt(cmapRec));
  EXPECT_EQ(cmapRec->kind, UNDO_CMAP);
  ASSERT_EQ(dbKeyLen(cmapRec), 1024u);
  EXPECT_EQ(static_cast<const uint32_t*>(dbKey(cmapRec))[77], rgbaMake(9, 9, 9, 9));
  EXPECT_EQ(imageRec->kind, UNDO_IMAGE);
  EXPECT_EQ(imageRec->x1, 2);
  EXPECT_EQ(imageRec->y1, 1);
  EXPECT_EQ(imageRec->extra, 4);
  ASSERT_EQ(dbKeyLen(imageRec), 8u);
  EXPECT_EQ(static_cast<const uint32_t*>(dbKey(imageRec))[1], rgbaMake(5, 6, 7, 8));
}

TEST(BmBinar, ThresholdsAndChannels) {
  BmPtr d = direct(3, 1, {rgbaMake(0, 0, 0, 0), rgbaMake(0, 254, 0, 0), rgbaMake(0, 255, 9, 0)});
  BmPtr zero(bmBinar(d.get(), 1, 0));
  ASSERT_TRUE(zero);
  EXPECT_EQ(indices(zero.get()), (std::vector<uint8_t>{1, 1, 1}));
  BmPtr top(bmBinar(d.get(), 1, 255));
  ASSERT_TRUE(top);
  EXPECT_EQ(indices(top.get()), (std::vector<uint8_t>{0, 0, 1}));
  BmPtr blue(bmBinar(d.get(), 2, 9));
  ASSERT_TRUE(blue);
  EXPECT_EQ(indices(blue.get()), (std::vector<uint8_t>{0, 0, 1}));
  EXPECT_EQ(top->bpp, 1);
  EXPECT_EQ(top->cmapn, 2);
  EXPECT_EQ(top->cmap[0], rgbaMake(0, 0, 0, 255));
  EXPECT_EQ(top->cmap[1], rgbaMake(255, 255, 255, 255));
  EXPECT_EQ(top->cmap[2], 0u);
  EXPECT_EQ(bmBinar(d.get(), 4, 0), nullptr);
  EXPECT_EQ(bmBinar(d.get(), -1, 0), nullptr);
  EXPECT_EQ(colours(d.get())[1], rgbaMake(0, 254, 0, 0));
  EXPECT_EQ(dbCnt(d->undo), 0);
}

TEST(BmBinar, IndexedUsesMeaningfulEntriesOnly) {
  BmPtr i = indexed(3, 1, {200, 3, 10});
  i->cmapn = 8;
  BmPtr out(bmBinar(i.get(), 3, 100));  // alpha: every grey entry is 255
  ASSERT_TRUE(out);
  EXPECT_EQ(indices(out.get()), (std::vector<uint8_t>{0, 1, 0}));
}

TEST(Hsv, KnownColoursAndRoundTrip) {
  double h, s, v;
  rgb2hsv(1, 0.5, 0, &h, &s, &v);
  EXPECT_NEAR(h, kPi / 6, 1e-12);
  EXPECT_DOUBLE_EQ(s, 1);
  EXPECT_DOUBLE_EQ(v, 1);
  double r, g, b;
  hsv2rgb(h, s, v, &r, &g, &b);
  EXPECT_NEAR(r, 1, 1e-12);
  EXPECT_NEAR(g, 0.5, 1e-12);
  EXPECT_NEAR(b, 0, 1e-12);
  rgb2hsv(0, 0, 0, &h, &s, &v);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(s, 0);
  rgb2hsv(0.4, 0.4, 0.4, &h, &s, &v);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(s, 0);
  EXPECT_DOUBLE_EQ(v, 0.4);
  // Magenta lies in the last sector, blue at 4 pi / 3.
  rgb2hsv(1, 0, 1, &h, &s, &v);
  EXPECT_NEAR(h, 5 * kPi / 3, 1e-12);
  rgb2hsv(0, 0, 1, &h, &s, &v);
  EXPECT_NEAR(h, 4 * kPi / 3, 1e-12);
  for (int c = 0; c < 4096; c += 7) {
    double r0 = (c & 15) / 15.0, g0 = ((c >> 4) & 15) / 15.0, b0 = (c >> 8) / 15.0;
    rgb2hsv(r0, g0, b0, &h, &s, &v);
    ASSERT_GE(h, 0);
    ASSERT_LT(h, 2 * kPi);
    hsv2rgb(h, s, v, &r, &g, &b);
    ASSERT_NEAR(r, r0, 1e-9) << c;
    ASSERT_NEAR(g, g0, 1e-9) << c;
    ASSERT_NEAR(b, b0, 1e-9) << c;
  }
}

TEST(Hsv, ResultsByReferenceMatchThePointerForm) {
  double h, s, v, h2, s2, v2;
  rgb2hsv(0.2, 0.9, 0.4, h, s, v);
  rgb2hsv(0.2, 0.9, 0.4, &h2, &s2, &v2);
  EXPECT_EQ(h, h2);
  EXPECT_EQ(s, s2);
  EXPECT_EQ(v, v2);
  // Green is the largest: k = 2 + (0.9 - 0.2) / 0.7 - (0.9 - 0.4) / 0.7 = 16 / 7 sixths.
  EXPECT_NEAR(h, 16 * kPi / 21, 1e-12);
  EXPECT_NEAR(s, 7.0 / 9, 1e-12);
  double r, g, b;
  hsv2rgb(h, s, v, r, g, b);
  EXPECT_NEAR(r, 0.2, 1e-12);
  EXPECT_NEAR(g, 0.9, 1e-12);
  EXPECT_NEAR(b, 0.4, 1e-12);
}

TEST(Hsv, ResultsNeverExceedOne) {
  double r, g, b;
  hsv2rgb(1.0, -0.5, 1.0, &r, &g, &b);  // negative saturation pushes past 1
  EXPECT_LE(r, 1);
  EXPECT_LE(g, 1);
  EXPECT_LE(b, 1);
}

}  // namespace
