// Undo of horizontal lines, which the replay copies as whole rows, against
// the same lines walked point by point.
#include <cstring>

#include "tests/tools/tooltest.h"
#include "tools/linewalk.h"
#include "tools/undo.h"

namespace {

template <class D>
class UndoRowT : public ::testing::Test {};
TYPED_TEST_SUITE(UndoRowT, BothDepths);

struct Seg {
  int x0, y0, x1, y1, incend;
};

TYPED_TEST(UndoRowT, RowsInsideOutsideReversedAndWithoutEndRestore) {
  const Seg segs[] = {{0, 0, 9, 0, 1}, {2, 1, 7, 1, 0},   {5, 2, 5, 2, 0},  {5, 3, 5, 3, 1},
                      {8, 4, 1, 4, 1}, {-3, 5, 4, 5, 1},  {6, 6, 20, 6, 1}, {0, 7, 9, 7, 0},
                      {3, 8, 9, 8, 1}, {0, -1, 9, -1, 1}, {0, 0, 9, 9, 1},  {2, 2, 6, 2, 1}};
  BmPtr bm = makeBm(TypeParam::bpp, 10, 9);
  for (int y = 0; y < 9; y++)
    for (int x = 0; x < 10; x++) setIdx(bm.get(), x, y, 1 + (x * 7 + y * 3) % 250);
  const std::vector<uint8_t> before = snapshot(bm.get());
  undoBegin(bm.get());
  int v = 10;
  for (const Seg& s : segs)
    lineDraw(bm.get(), s.x0, s.y0, s.x1, s.y1, s.incend, valueOf(bm.get(), v++), 1);
  EXPECT_NE(snapshot(bm.get()), before);
  undoApply(bm.get());
  EXPECT_EQ(snapshot(bm.get()), before);
}

TYPED_TEST(UndoRowT, OverlappingRowsGiveBackTheOldestValue) {
  BmPtr bm = makeBm(TypeParam::bpp, 6, 1);
  paint(bm.get(), "123456\n");
  undoBegin(bm.get());
  lineDraw(bm.get(), 0, 0, 3, 0, 1, valueOf(bm.get(), 9), 1);
  lineDraw(bm.get(), 2, 0, 5, 0, 1, valueOf(bm.get(), 8), 1);
  EXPECT_EQ(pixelsOf(bm.get()), (std::vector<int>{9, 9, 8, 8, 8, 8}));
  undoApply(bm.get());
  EXPECT_EQ(pixelsOf(bm.get()), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

}  // namespace
