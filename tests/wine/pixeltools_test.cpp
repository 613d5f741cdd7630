// The pixel tools with real mouse messages and real dialogs: every region
// tool against the core on the same selection, the airbrush spraying on the
// spot while ticks arrive, and the colour-conversion dialog previewing,
// cancelling and keeping.
#include "tests/wine/gesture.h"

#include "tests/app/regioncases.h"
#include "tests/wine/dlgdrive.h"
#include "tools/airbrush.h"
#include "tools/gesture/colcnv.h"
#include "tools/gesture/tools.h"
#include "tools/undo.h"
#include "ui/cmap.h"

namespace {

using namespace gesturetest;

class PixelTools : public Gesture, public ::testing::WithParamInterface<int> {};

TEST_P(PixelTools, RegionToolsAreTheCoreOnTheSelection) {
  cWIN* w = open(GetParam(), 12, 10);
  fillPicture(w->image);
  for (const RegionCase& c : kRegionCases) {
    restart();
    xstep = ystep = c.step;
    undoBegin(w->image);
    const Bytes start = bytesOf(w->image);
    BM* want = twin(w->image);
    c.expect(want, toolSnap(c.fx, c.fy, c.tx, c.ty, 1));
    cmdPost(w, c.cmd, nullptr);
    play(w, drag(c.fx, c.fy, c.tx, c.ty) + rightHold(1, 1));
    EXPECT_EQ(bytesOf(want), bytesOf(w->image)) << c.name;
    EXPECT_EQ(0, dbCnt(curstack)) << c.name;
    EXPECT_EQ(0, dbCnt(w->overlays)) << c.name;
    undoApply(w->image);
    EXPECT_EQ(start, bytesOf(w->image)) << c.name;
    bmFre(want);
  }
}

TEST_P(PixelTools, AirbrushSpraysOnTheSpotWhileTicksArrive) {
  cWIN* w = open(GetParam(), 12, 10);
  fillPicture(w->image);
  airsize = 9;
  // The unrounded image position of the pointer at the centre of cell (5, 4).
  w->updateXform(w->width, w->height);
  const double px = w->toWorldX(static_cast<int>(w->toWinX(5.5)));
  const double py = w->toWorldY(static_cast<int>(w->toWinY(4.5)));
  for (int variant : {AIR_PLAIN, AIR_LIGHTEN, AIR_DARKEN}) {
    restart();
    const Bytes start = bytesOf(w->image);
    BM* want = twin(w->image);
    AirRng rng = airrng;
    cmdPost(w, variant ? 33070 + variant : 33069, nullptr);
    play(w,
         std::vector<Msg>{
             {30, WM_MOUSEMOVE, 5, 4}, {10, WM_LBUTTONDOWN, 5, 4}, {600, WM_LBUTTONUP, 5, 4}} +
             rightHold(1, 1));
    // The number of sprays is one per press and tick: find it by replay.
    AIRCACHE cache;
    int sprays = 0;
    for (int k = 1; k <= 200 && sprays == 0; k++) {
      airSprayStep(want, px, py, variant, airsize, 0, &cache, [&rng] { return rng(); });
      if (bytesOf(want) == bytesOf(w->image)) sprays = k;
    }
    airCacheFree(&cache);
    EXPECT_GE(sprays, 5) << variant;
    EXPECT_EQ(0, repeatheld);
    undoApply(w->image);
    EXPECT_EQ(start, bytesOf(w->image)) << variant;
    bmFre(want);
  }
}

// The dialog of the running conversion, once it shows.
HWND conversionDialog() {
  for (int i = 0; i < 100; i++) {
    HWND h = FindWindowA(nullptr, "色の変換");
    if (h && IsWindowVisible(h)) return h;
    Sleep(50);
  }
  return nullptr;
}

void waitGone(HWND h) {
  for (int i = 0; i < 100 && IsWindow(h); i++) Sleep(20);
}

// The picture with the selection (2, 3)-(10, 8) of `from` converted.
Bytes converted(const BM* bm, const BM* from, unsigned h, unsigned s, unsigned v, unsigned a) {
  BM* want = twin(bm);
  BM* crop = bmCrop(from, 2, 3, 8, 5);
  BM* conv = hsvAdjust(crop, h, s, v, a);
  bmPaste(want, conv, 2, 3, 0);
  const Bytes b = bytesOf(want);
  bmFre(conv);
  bmFre(crop);
  bmFre(want);
  return b;
}

TEST_P(PixelTools, ColourConversionPreviewsCancelsAndKeeps) {
  cWIN* w = open(GetParam(), 12, 10);
  fillPicture(w->image);
  const Bytes start = bytesOf(w->image);
  BM* original = twin(w->image);
  HWND dlg = nullptr;
  Bytes preview;
  std::string shown;
  cmdPost(w, 33063, nullptr);
  play(w, drag(9, 7, 2, 3), [&] {
    if (!(dlg = conversionDialog())) return;
    moveTrackbar(dlg, 1015, 0);
    typeInto(dlg, 1010, "150");
    moveUpDown(dlg, 1337, 60);
    shown = textOf(dlg, 1016) + " " + std::to_string(send(dlg, 1007, TBM_GETPOS)) + " " +
            textOf(dlg, 1013);
    preview = bytesOf(w->image);  // the loop is idle in the dialog
    PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    waitGone(dlg);
  });
  ASSERT_NE(nullptr, dlg);
  EXPECT_EQ("0 150 60", shown);
  EXPECT_EQ(converted(original, original, 0, 150, 100, 60), preview);
  EXPECT_EQ(start, bytesOf(w->image)) << "ｷｬﾝｾﾙ restores the selection";

  restart();
  cmdPost(w, 33063, nullptr);
  play(w, drag(2, 3, 9, 7), [&] {
    if (!(dlg = conversionDialog())) return;
    shown = textOf(dlg, 1016);
    moveTrackbar(dlg, 1008, 50);
    PostMessageA(dlg, WM_COMMAND, IDOK, 0);
    waitGone(dlg);
  });
  EXPECT_EQ("100", shown) << "the settings start at 100 again";
  EXPECT_EQ(converted(original, original, 100, 100, 50, 100), bytesOf(w->image));
  undoApply(w->image);
  EXPECT_EQ(start, bytesOf(w->image));
  bmFre(original);
}

INSTANTIATE_TEST_SUITE_P(Depths, PixelTools, ::testing::Values(1, 4),
                         [](const auto& info) { return info.param == 1 ? "Indexed" : "Direct"; });

// Colour-map windows: a gradient and a colour conversion reach the owner.
TEST_F(Gesture, ColourMapToolsPushToTheOwner) {
  cWIN* doc = open(1, 12, 10);
  cmapOpen(doc, 40, 40);
  auto* cm = static_cast<cCMAP*>(doc->cmapwin);
  ASSERT_NE(nullptr, cm);
  handles_.push_back(cm->handle);
  BM* want = twin(cm->image);
  filterRegion(want, 0, 1, 16, 3, rampFill);
  cmdPost(cm, 33048, nullptr);
  play(cm, drag(0, 1, 15, 2) + rightHold(1, 1));
  EXPECT_EQ(bytesOf(want), bytesOf(cm->image));
  EXPECT_EQ(0, std::memcmp(cm->image->buf, doc->image->cmap, sizeof doc->image->cmap));

  restart();
  BM* crop = bmCrop(want, 4, 4, 4, 4);
  BM* conv = hsvAdjust(crop, 150, 100, 100, 100);
  bmPaste(want, conv, 4, 4, 0);
  cmdPost(cm, 33063, nullptr);
  play(cm, drag(4, 4, 7, 7), [] {
    HWND dlg = conversionDialog();
    if (!dlg) return;
    moveTrackbar(dlg, 1015, 150);
    PostMessageA(dlg, WM_COMMAND, IDOK, 0);
    waitGone(dlg);
  });
  EXPECT_EQ(bytesOf(want), bytesOf(cm->image));
  EXPECT_EQ(0, std::memcmp(cm->image->buf, doc->image->cmap, sizeof doc->image->cmap));
  bmFre(conv);
  bmFre(crop);
  bmFre(want);
}

}  // namespace
