#include "tools/linewalk.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <utility>

#include "image/bmlog.h"
#include "tests/image/bmtest_util.h"

namespace {

using Pts = std::vector<std::pair<int, int>>;

Pts walk(int w, int h, int x0, int y0, int x1, int y1, int incend) {
  std::vector<LWPOINT> pts;
  int n = lineWalk(w, h, x0, y0, x1, y1, incend, pts);
  EXPECT_EQ(n, static_cast<int>(pts.size()));
  Pts out;
  for (const LWPOINT& p : pts) out.emplace_back(p.x, p.y);
  return out;
}

TEST(LineWalk, ShallowLineWithoutEnd) {
  EXPECT_EQ(walk(10, 10, 0, 0, 5, 2, 0), (Pts{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}));
}

TEST(LineWalk, DragToTheFarCornerOfThePointerCell) {
  Pts expect;
  for (int x = 0; x <= 5; x++) expect.emplace_back(x, 0);
  for (int x = 6; x <= 10; x++) expect.emplace_back(x, 1);
  EXPECT_EQ(walk(20, 20, 0, 0, 11, 1, 0), expect);
}

TEST(LineWalk, DiagonalIsYMajorAndEndFlagCounts) {
  EXPECT_EQ(walk(10, 10, 0, 0, 2, 2, 1), (Pts{{0, 0}, {1, 1}, {2, 2}}));
  EXPECT_EQ(walk(10, 10, 3, 0, 0, 3, 0), (Pts{{3, 0}, {2, 1}, {1, 2}}));
  EXPECT_EQ(walk(10, 10, 4, 4, 4, 4, 0), Pts{});
  EXPECT_EQ(walk(10, 10, 4, 4, 4, 4, 1), (Pts{{4, 4}}));
  // Steep line: y advances every step.
  EXPECT_EQ(walk(10, 10, 0, 0, 1, 3, 1), (Pts{{0, 0}, {0, 1}, {1, 2}, {1, 3}}));
}

TEST(LineWalk, ClipsToTheImage) {
  EXPECT_EQ(walk(4, 4, -10, -10, 5, 5, 1), (Pts{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
  EXPECT_EQ(walk(4, 4, 5, 5, -10, -10, 1), (Pts{{3, 3}, {2, 2}, {1, 1}, {0, 0}}));
  // The clipped end is the one left out.
  EXPECT_EQ(walk(4, 4, -5, 1, 10, 1, 0), (Pts{{0, 1}, {1, 1}, {2, 1}}));
  EXPECT_EQ(walk(4, 4, -5, 1, 10, 1, 1), (Pts{{0, 1}, {1, 1}, {2, 1}, {3, 1}}));
  // Outside on one side, or passing a corner outside: nothing.
  EXPECT_EQ(walk(4, 4, 5, 0, 9, 3, 1), Pts{});
  EXPECT_EQ(walk(4, 4, -3, 1, 1, -3, 1), Pts{});
  EXPECT_EQ(walk(0, 4, 0, 0, 0, 0, 1), Pts{});
}

TEST(LineWalk, ReturnedArrayMatchesTheFilledOne) {
  const int ends[][5] = {{0, 0, 5, 2, 0}, {-10, -10, 5, 5, 1}, {3, 9, 3, -4, 1}, {5, 0, 9, 3, 1}};
  for (const auto& e : ends) {
    std::vector<LWPOINT> filled;
    const int n = lineWalk(4, 4, e[0], e[1], e[2], e[3], e[4], filled);
    const std::vector<LWPOINT> got = lineWalk(4, 4, e[0], e[1], e[2], e[3], e[4]);
    ASSERT_EQ(got.size(), static_cast<size_t>(n));
    for (int i = 0; i < n; i++) {
      EXPECT_EQ(got[i].x, filled[i].x);
      EXPECT_EQ(got[i].y, filled[i].y);
    }
  }
  EXPECT_TRUE(lineWalk(4, 4, 5, 0, 9, 3, 1).empty());
  EXPECT_EQ(lineWalk(4, 4, 3, 9, 3, -4, 1).size(), 4u);  // clipped to the column
}

TEST(LineWalk, FarAwayEndsStayInsideWithoutOverflow) {
  Pts p = walk(8, 8, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1);
  ASSERT_FALSE(p.empty());
  for (auto& [x, y] : p) {
    EXPECT_TRUE(x >= 0 && x < 8 && y >= 0 && y < 8) << x << "," << y;
  }
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> coord(-40, 60);
  for (int i = 0; i < 2000; i++) {
    int x0 = coord(rng), y0 = coord(rng), x1 = coord(rng), y1 = coord(rng);
    for (auto& [x, y] : walk(20, 17, x0, y0, x1, y1, i & 1))
      ASSERT_TRUE(x >= 0 && x < 20 && y >= 0 && y < 17)
          << x0 << " " << y0 << " " << x1 << " " << y1;
  }
}

TEST(LineDraw, PlotsAndLogsOldValuesInWalkOrder) {
  BmPtr bm = indexed(6, 3, std::vector<uint8_t>(18, 9));
  bm->buf[1] = 4;  // (1, 0)
  lineDraw(bm.get(), 0, 0, 5, 2, 0, 200, 1);
  EXPECT_EQ(bmPget(bm.get(), 2, 1), 200u);
  EXPECT_EQ(bmPget(bm.get(), 5, 2), 9u);  // end point left out
  EXPECT_EQ(bm->modified, 1);
  ASSERT_EQ(dbCnt(bm->undo), 1);
  auto* h = static_cast<const UNDOHDR*>(dbTop(bm->undo));
  EXPECT_EQ(h->kind, UNDO_LINE);
  EXPECT_EQ(h->x1, 5);
  EXPECT_EQ(h->y1, 2);
  EXPECT_EQ(h->extra, 0);
  ASSERT_EQ(dbKeyLen(h), 5u);
  auto* old = static_cast<const uint8_t*>(dbKey(h));
  EXPECT_EQ(std::vector<uint8_t>(old, old + 5), (std::vector<uint8_t>{9, 4, 9, 9, 9}));
}

TEST(LineDraw, HeaderKeepsUnclippedEndsAndMissesLogNothing) {
  BmPtr bm = direct(4, 4);
  lineDraw(bm.get(), -10, -10, 5, 5, 1, 0xff0000ff, 0);
  ASSERT_EQ(dbCnt(bm->undo), 1);
  auto* h = static_cast<const UNDOHDR*>(dbTop(bm->undo));
  EXPECT_EQ(h->x0, -10);
  EXPECT_EQ(h->y0, -10);
  EXPECT_EQ(dbKeyLen(h), 16u);
  EXPECT_EQ(bmPget(bm.get(), 3, 3), 0xff0000ffu);
  lineDraw(bm.get(), 10, 0, 20, 3, 1, 0xff0000ff, 0);
  EXPECT_EQ(dbCnt(bm->undo), 1);
}

TEST(LineDraw, ColourOnIndexedImageBlends) {
  BmPtr bm = indexed(2, 1, {100, 100});
  bm->cmap[7] = rgbaMake(150, 49, 74, 191);
  lineDraw(bm.get(), 0, 0, 1, 0, 1, rgbaMake(200, 0, 50, 128), 0);
  EXPECT_EQ(indices(bm.get()), (std::vector<uint8_t>{7, 7}));
}

}  // namespace
