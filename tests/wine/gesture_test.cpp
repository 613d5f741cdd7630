// Tool gestures as real mouse messages posted to real document windows while
// the main loop runs with its tick timer; afterwards the image and its undo
// log are checked.
#include "tests/wine/gesture.h"

#include <set>

#include "tools/drawcolor.h"
#include "tools/fill.h"
#include "tools/linewalk.h"
#include "tools/shapes.h"
#include "tools/undo.h"

namespace {

using namespace gesturetest;

struct ToolCase {
  const char* name;
  int cmd;  // 0: no tool (the main loop's pencil)
  std::vector<Msg> gesture;
  std::function<void(BM*)> expect;  // draws what the gesture must give
};

std::vector<ToolCase> toolCases() {
  auto line = [](BM* bm) { lineDraw(bm, 2, 3, 13, 10, 0, drawValue(bm), drawRaw(bm)); };
  auto pencil = [](BM* bm) {
    lineDraw(bm, 2, 3, 2, 3, 1, drawValue(bm), drawRaw(bm));
    lineDraw(bm, 2, 3, 6, 6, 1, drawValue(bm), drawRaw(bm));
    lineDraw(bm, 6, 6, 10, 9, 1, drawValue(bm), drawRaw(bm));
  };
  const std::vector<Msg> clicks = {{30, WM_MOUSEMOVE, 2, 2},    {10, WM_LBUTTONDOWN, 2, 2},
                                   {20, WM_LBUTTONUP, 2, 2},    {20, WM_MOUSEMOVE, 12, 4},
                                   {20, WM_LBUTTONDOWN, 12, 4}, {20, WM_LBUTTONUP, 12, 4},
                                   {20, WM_MOUSEMOVE, 6, 13}};
  const int32_t poly[] = {2, 2, 12, 4, 6, 13};
  return {
      {"Pencil", 0, drag(2, 3, 10, 9), pencil},
      {"Line", 33028, drag(2, 3, 12, 9) + rightHold(1, 1), line},
      {"Rectangle", 33002, drag(11, 9, 2, 3) + rightHold(1, 1),
       [](BM* bm) { rectDraw(bm, 2, 3, 12, 10); }},
      {"RectangleFill", 33003, drag(2, 3, 11, 9) + rightHold(1, 1),
       [](BM* bm) { rectFill(bm, 2, 3, 12, 10); }},
      {"Circle", 33058, drag(7, 7, 10, 11) + rightHold(1, 1),
       [](BM* bm) { ellipseDraw(bm, 7, 7, 6, 6); }},
      {"Ellipse", 33059, drag(2, 3, 11, 9) + rightHold(1, 1),
       [](BM* bm) { ellipseDraw(bm, 7, 6, 5, 3); }},
      {"Polyline", 33061, clicks + rightHold(6, 13) + rightHold(6, 13),
       [poly](BM* bm) { polylineDraw(bm, poly, 3); }},
      {"BSpline", 33060, clicks + rightHold(6, 13) + rightHold(6, 13),
       [poly](BM* bm) { bsplineDraw(bm, poly, 3); }},
      {"Paint", 33001,
       std::vector<Msg>{
           {30, WM_MOUSEMOVE, 5, 5}, {10, WM_LBUTTONDOWN, 5, 5}, {20, WM_LBUTTONUP, 5, 5}} +
           rightHold(1, 1),
       [](BM* bm) { floodFill(bm, 5, 5, nullptr); }},
      {"SamplingPaint", 33068,
       drag(8, 0, 9, 0) +
           std::vector<Msg>{
               {30, WM_MOUSEMOVE, 12, 5}, {10, WM_LBUTTONDOWN, 12, 5}, {20, WM_LBUTTONUP, 12, 5}} +
           rightHold(1, 1),
       [](BM* bm) {
         // The wall's colour is sampled too: the fill crosses it.
         DB* set = colorSetSample(bm, 8, 0, 10, 1);
         floodFill(bm, 12, 5, set);
         dbFre(set);
       }},
  };
}

class ToolGesture : public Gesture, public ::testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(ToolGesture, DrawsOneUndoStep) {
  const ToolCase c = toolCases()[std::get<0>(GetParam())];
  const int bpp = std::get<1>(GetParam());
  cWIN* w = open(bpp, 16, 16);
  BM* before = bmDup(w->image);
  // A wall for the fill to stop at.
  for (int y = 0; y < 16; y++) bmPut(w->image, 9, y, bpp == 1 ? 7 : w->image->cmap[7], 1);
  undoBegin(w->image);
  BM* start = bmDup(w->image);
  BM* want = bmDup(w->image);
  std::memcpy(want->cmap, w->image->cmap, sizeof want->cmap);
  want->pen = w->image->pen;
  c.expect(want);
  if (c.cmd) cmdPost(w, c.cmd, nullptr);
  play(w, c.gesture);
  EXPECT_TRUE(samePixels(want, w->image)) << c.name << "\n" << dump(want) << "\n" << dump(w->image);
  EXPECT_EQ(1, w->image->modified) << c.name;
  EXPECT_EQ(0, dbCnt(curstack)) << c.name;
  EXPECT_EQ(0, dbCnt(w->overlays)) << c.name;
  undoApply(w->image);
  EXPECT_TRUE(samePixels(start, w->image)) << c.name;
  bmFre(before);
  bmFre(start);
  bmFre(want);
}

INSTANTIATE_TEST_SUITE_P(Tools, ToolGesture,
                         ::testing::Combine(::testing::Range(0, int(toolCases().size())),
                                            ::testing::Values(1, 4)),
                         [](const auto& info) {
                           return std::string(toolCases()[std::get<0>(info.param)].name) +
                                  (std::get<1>(info.param) == 1 ? "Indexed" : "Direct");
                         });

TEST_F(Gesture, QuickRightClickPicksTheColourAndTheToolGoesOn) {
  cWIN* w = open(1, 16, 16);
  bmpset(w->image, 4, 4, 0x21, 1);
  cmdPost(w, 33028, nullptr);
  play(w,
       std::vector<Msg>{
           {30, WM_MOUSEMOVE, 4, 4}, {10, WM_RBUTTONDOWN, 4, 4}, {30, WM_RBUTTONUP, 4, 4}} +
           drag(0, 0, 3, 0) + rightHold(1, 1));
  EXPECT_EQ(0x21, w->image->pen);
  EXPECT_EQ(0x21u, bmPget(w->image, 1, 0));  // drawn after the pick
}

TEST_F(Gesture, WindowClosedWhileAToolWaitsEndsCleanly) {
  cWIN* keep = open(1, 16, 16);
  cWIN* w = open(4, 16, 16);
  static const char kDestroy[] = "WM_DESTROY";
  HWND h = w->handle;
  cmdPost(w, 33002, nullptr);
  // The drag starts in w, w goes, the pointer goes on in the other window.
  Thread closer([h] {
    Sleep(400);
    PostMessageA(h, STRCMD, 0, reinterpret_cast<LPARAM>(kDestroy));
  });
  play(w, std::vector<Msg>{{30, WM_MOUSEMOVE, 2, 2},
                           {10, WM_LBUTTONDOWN, 2, 2},
                           {250, WM_MOUSEMOVE, 8, 8},
                           {300, WM_MOUSEMOVE, 4, 4, keep},
                           {20, WM_LBUTTONUP, 4, 4, keep},
                           {30, WM_RBUTTONDOWN, 1, 1, keep},
                           {400, WM_RBUTTONUP, 1, 1, keep}});
  closer.join();
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(0, dbCnt(curstack));
  EXPECT_EQ(0, dbCnt(keep->overlays));
  EXPECT_EQ(0, keep->image->modified);
}

TEST_F(Gesture, SecondCommandRunsNestedInTheFirstTool) {
  cWIN* w = open(1, 16, 16);
  cmdPost(w, 33028, nullptr);  // waits for a drag...
  cmdPost(w, 33003, nullptr);  // ...and runs this one first
  play(w, drag(1, 1, 3, 3) + rightHold(1, 1) + drag(5, 10, 10, 10) + rightHold(1, 1));
  BM* want = bmNew(nullptr, 1, 16, 16, w->image->cmap, 256);
  want->pen = w->image->pen;
  rectFill(want, 1, 1, 4, 4);
  lineDraw(want, 5, 10, 11, 11, 0, drawValue(want), 1);
  EXPECT_TRUE(samePixels(want, w->image)) << dump(want) << "\n" << dump(w->image);
  bmFre(want);
}

}  // namespace
