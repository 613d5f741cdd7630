#include "std/viewmath.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(ViewMath, FitShowsTheShorterSideAcrossTheShorterClientSide) {
  VIEW v{0, 0, 1, 1};
  viewFit(&v, 0, 0, 50, 50);
  EXPECT_DOUBLE_EQ(v.zoom, 1.0 / 50);
  EXPECT_DOUBLE_EQ(v.cx, 25);
  EXPECT_DOUBLE_EQ(v.cy, 25);
  // Client 100 x 300: m = 100, two pixels per world unit, centred.
  VIEWXF t = viewXform(v, 100, 300);
  EXPECT_DOUBLE_EQ(t.sx, 2);
  EXPECT_DOUBLE_EQ(t.sy, 2);
  EXPECT_DOUBLE_EQ(xformWinX(t, 25), 50);
  EXPECT_DOUBLE_EQ(xformWinY(t, 25), 150);
  EXPECT_DOUBLE_EQ(xformWorldX(t, 0), 0);
  EXPECT_DOUBLE_EQ(xformWorldY(t, 150), 25);
}

TEST(ViewMath, YUpFlipsTheVerticalAxis) {
  VIEW v{10, 20, 0.01, 0};
  VIEWXF t = viewXform(v, 200, 100);
  EXPECT_DOUBLE_EQ(t.sy, -1);
  EXPECT_DOUBLE_EQ(xformWinY(t, 20), 50);
  EXPECT_DOUBLE_EQ(xformWinY(t, 21), 49);
}

TEST(ViewMath, SetScaleIsRelativeToTheShorterClientSide) {
  VIEW v{0, 0, 1, 1};
  viewSetScale(&v, 8, 400, 200);
  EXPECT_DOUBLE_EQ(v.zoom, 8.0 / 200);
  EXPECT_DOUBLE_EQ(viewXform(v, 400, 200).sx, 8);
  viewSetScale(&v, 4, 0, 200);  // no client area: unchanged
  EXPECT_DOUBLE_EQ(v.zoom, 8.0 / 200);
}

TEST(ViewMath, WheelUpThenDownReturnsToTheSameZoom) {
  VIEW v{0, 0, 0.37, 1};
  viewWheel(&v, 120);
  EXPECT_DOUBLE_EQ(v.zoom, 0.37 * 1.1);
  viewWheel(&v, -120);
  EXPECT_NEAR(v.zoom, 0.37, 1e-12);
  viewWheel(&v, -1);
  EXPECT_LT(v.zoom, 0.37);
}

TEST(ViewMath, MiddleDragMovesTheCentreAgainstThePointer) {
  // Four pixels per unit: 10 pixels right is 2.5 units left.
  VIEW v{5, 5, 4.0 / 100, 1};
  viewPan(&v, 10, 0, 100, 100);
  EXPECT_DOUBLE_EQ(v.cx, 2.5);
  EXPECT_DOUBLE_EQ(v.cy, 5);
  viewPan(&v, 0, 8, 100, 100);
  EXPECT_DOUBLE_EQ(v.cy, 3);
  v.ydown = 0;
  viewPan(&v, 0, 8, 100, 100);
  EXPECT_DOUBLE_EQ(v.cy, 5);
}

TEST(ViewMath, PixelGridAtScaleOneCoversEveryPixelBoundary) {
  // A 16 x 16 image in a 16 x 80 client (its first paint).
  VIEW v{0, 0, 1, 1};
  viewFit(&v, 0, 0, 16, 16);
  VIEWXF t = viewXform(v, 16, 80);
  GRIDSPAN g;
  ASSERT_TRUE(gridSpan(t, 16, 80, 0, 0, 16, 16, 1, 1, &g));
  EXPECT_EQ(g.gx, 0);
  EXPECT_EQ(g.ex, 16);
  EXPECT_EQ(g.gy, 0);
  EXPECT_EQ(g.ey, 16);
  // Every world line lands on its own window column, one apart, from the
  // image's left edge to its right edge; rows likewise from top to bottom.
  std::set<int> cols, rows;
  for (int x = g.gx; x <= g.ex; x++) cols.insert(int(xformWinX(t, x)));
  for (int y = g.gy; y <= g.ey; y++) rows.insert(int(xformWinY(t, y)));
  EXPECT_EQ(cols.size(), 17u);
  EXPECT_EQ(*cols.begin(), 0);
  EXPECT_EQ(*cols.rbegin(), 16);
  EXPECT_EQ(rows.size(), 17u);
  EXPECT_EQ(*rows.begin(), 32);
  EXPECT_EQ(*rows.rbegin(), 48);
}

TEST(ViewMath, GridCoversOnlyTheVisiblePartAndRefusesZeroSteps) {
  // Scale 4 with world 100 at the left edge of a 200 x 100 client.
  VIEWXF t{4, -400, 4, -40};
  GRIDSPAN g;
  ASSERT_TRUE(gridSpan(t, 200, 100, 0, 0, 256, 256, 8, 8, &g));
  EXPECT_EQ(g.gx, 96);   // line at or before the left edge
  EXPECT_EQ(g.ex, 158);  // trunc(150) + 8
  EXPECT_EQ(g.gy, 8);
  EXPECT_EQ(g.ey, 43);  // trunc(35) + 8
  // Beyond the image the span is clamped to it.
  VIEWXF far{1, 50, 1, 50};
  ASSERT_TRUE(gridSpan(far, 500, 500, 0, 0, 64, 64, 16, 16, &g));
  EXPECT_EQ(g.gx, 0);
  EXPECT_EQ(g.ex, 64);
  EXPECT_FALSE(gridSpan(t, 200, 100, 0, 0, 256, 256, 0, 8, &g));
  EXPECT_FALSE(gridSpan(t, 200, 100, 0, 0, 256, 256, 8, -1, &g));
}

TEST(ViewMath, PopupItemsSplitAtRunsOfBlanks) {
  std::vector<POPUPITEM> items = popupLayout("  abcdefghijkl \t\t abcdefgh\t");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].text, "abcdefghijkl");
  EXPECT_EQ(items[1].text, "abcdefgh");
  EXPECT_EQ(items[0].x, 2);
  EXPECT_EQ(items[0].y, 4);
  EXPECT_EQ(items[1].y, 20);
  EXPECT_EQ(items[0].w, 7 * 12 + 12);
  EXPECT_EQ(items[1].w, 7 * 12 + 12);
  EXPECT_EQ(items[1].h, 16);
  int w, h;
  popupClientSize(items, &w, &h);
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 4 + 32 + 4);
  EXPECT_TRUE(popupLayout("").empty());
  EXPECT_TRUE(popupLayout(nullptr).empty());
  EXPECT_EQ(popupLayout(std::string(300, 'x').c_str())[0].text.size(), 255u);
}

TEST(ViewMath, PopupHitIsInclusiveAtTopLeftOnly) {
  std::vector<POPUPITEM> items = popupLayout("abcdefghijkl abcdefgh");
  EXPECT_EQ(popupHit(items, 2, 4), 0);
  EXPECT_EQ(popupHit(items, 97, 19), 0);
  EXPECT_EQ(popupHit(items, 98, 19), -1);
  EXPECT_EQ(popupHit(items, 2, 20), 1);
  EXPECT_EQ(popupHit(items, 50, 36), -1);
  EXPECT_EQ(popupHit(items, 1, 10), -1);
}

}  // namespace
