// Region tools and the text tool driven by real messages posted to real
// windows: each gesture's result compared with the pixel functions applied
// by hand to the same selection, and its undo step; text typed as Shift-JIS
// character messages, rendered by the platform with the window's font.
#include "tests/wine/gesture.h"

#include <cmath>

#include "app/textfont.h"
#include "tools/region.h"
#include "tools/textstamp.h"
#include "tools/undo.h"
#include "tools/warp.h"

namespace {

using namespace gesturetest;

std::vector<Msg> click(double x, double y, cXWIN* to = nullptr) {
  return {
      {30, WM_MOUSEMOVE, x, y, to}, {10, WM_LBUTTONDOWN, x, y, to}, {20, WM_LBUTTONUP, x, y, to}};
}

std::vector<Msg> to(cXWIN* w, std::vector<Msg> msgs) {
  for (Msg& m : msgs) m.to = w;
  return msgs;
}

// A picture with transparent and opaque pixels in a pattern.
void pattern(BM* bm, int seed) {
  for (int y = 0; y < bm->h; y++)
    for (int x = 0; x < bm->w; x++) {
      const int i = (x * 3 + y * 5 + seed) % 7;
      const uint32_t v = bm->bpp == 1 ? 40 * i : i ? bm->cmap[40 * i] : 0;
      bmpset(bm, x, y, v, 1);
    }
}

BM* crop(const BM* bm, int x0, int y0, int x1, int y1) {
  return bmCrop(bm, x0, y0, x1 - x0, y1 - y0);
}

const QPOINT kQuad[4] = {{3, 2}, {13, 4}, {12, 14}, {1, 11}};

std::vector<Msg> quadClicks(cXWIN* w) {
  std::vector<Msg> out;
  for (const QPOINT& p : kQuad) out = out + click(p.x, p.y, w);
  return out;
}

// The angle the rotate tool takes from a press at one cell and the pointer
// at another, for the selection (x0, y0)-(x1, y1) of window w.
double turnAngle(cXWIN* w, int x0, int y0, int x1, int y1, QPOINT press, QPOINT now) {
  const double cx = (x0 + x1) * 0.5, cy = (y0 + y1) * 0.5;
  const POINT p = clientOf(w, press.x, press.y), q = clientOf(w, now.x, now.y);
  w->updateXform(w->width, w->height);
  const double ux = w->toWorldX(p.x) - cx, uy = w->toWorldY(p.y) - cy;
  const double vx = w->toWorldX(q.x) - cx, vy = w->toWorldY(q.y) - cy;
  return -std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
}

struct RegionCase {
  const char* name;
  int cmd;
  int step;
  std::function<std::vector<Msg>(cWIN* a, cWIN* b)> gesture;
  std::function<void(cWIN* a, BM* wantA, BM* wantB)> expect;
  bool changesA, changesB;
};

std::vector<RegionCase> regionCases() {
  return {
      // Corners snap to the 2 x 2 grid; the source is placed in the other
      // window, then back in its own.
      {"CopyOnTheStepGridAcrossWindows", 33004, 2,
       [](cWIN*, cWIN* b) {
         return drag(3, 3, 6, 4) + click(9, 9, b) + click(1, 11) + rightHold(1, 1);
       },
       [](cWIN*, BM* a, BM* b) {
         BM* c = crop(a, 2, 2, 8, 6);
         regionPlace(b, c, 8, 8, 0, bmAllTransparent(c));
         regionPlace(a, c, 0, 10, 0, bmAllTransparent(c));
         bmFre(c);
       },
       true, true},
      {"BackCopyIntoTheOtherWindow", 33070, 1,
       [](cWIN*, cWIN* b) { return drag(5, 4, 2, 2) + click(8, 9, b) + rightHold(1, 1); },
       [](cWIN*, BM* a, BM* b) {
         BM* c = crop(a, 2, 2, 6, 5);
         regionBackPlace(b, c, 8, 9, 0, bmAllTransparent(c));
         bmFre(c);
       },
       false, true},
      {"Scale", 33034, 1,
       [](cWIN*, cWIN*) { return drag(2, 2, 4, 3) + drag(6, 6, 14, 11) + rightHold(1, 1); },
       [](cWIN*, BM* a, BM*) {
         BM* c = crop(a, 2, 2, 5, 4);
         BM* s = scaleCopy(c, 9, 6, a);
         bmPaste(a, s, 6, 6, 1);
         bmFre(s);
         bmFre(c);
       },
       true, false},
      {"Rotate", 33057, 1,
       [](cWIN*, cWIN*) {
         return drag(4, 4, 11, 9) +
                std::vector<Msg>{{30, WM_MOUSEMOVE, 13, 7},
                                 {10, WM_LBUTTONDOWN, 13, 7},
                                 {60, WM_MOUSEMOVE, 10, 11},
                                 {60, WM_MOUSEMOVE, 8, 13},
                                 {30, WM_LBUTTONUP, 8, 13}} +
                rightHold(1, 1);
       },
       [](cWIN* w, BM* a, BM*) {
         BM* c = crop(a, 4, 4, 12, 10);
         rotNearest(c, turnAngle(w, 4, 4, 12, 10, {13, 7}, {8, 13}));
         bmPaste(a, c, 4, 4, 0);
         bmFre(c);
       },
       true, false},
      {"WarpIntoTheOtherWindow", 33051, 1,
       [](cWIN*, cWIN* b) { return drag(2, 2, 9, 7) + quadClicks(b) + rightHold(1, 1, b); },
       [](cWIN*, BM* a, BM* b) {
         BM* c = crop(a, 2, 2, 10, 8);
         BM* w = warpFwd(kQuad, c);
         bmPaste(b, w, 0, 0, 1);
         bmFre(w);
         bmFre(c);
       },
       false, true},
      {"InverseWarpIntoTheOtherWindow", 33052, 1,
       [](cWIN*, cWIN* b) {
         return quadClicks(nullptr) + to(b, drag(2, 3, 11, 8)) + rightHold(1, 1, b);
       },
       [](cWIN*, BM* a, BM* b) {
         BM* w = warpInv(quadMapMake(kQuad), a, 10, 6);
         bmPaste(b, w, 2, 3, 1);
         bmFre(w);
       },
       false, true},
  };
}

class RegionGesture : public Gesture, public ::testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(RegionGesture, MatchesThePixelFunctionsAsOneStepPerPicture) {
  const RegionCase c = regionCases()[std::get<0>(GetParam())];
  const int bpp = std::get<1>(GetParam());
  cWIN* a = open(bpp, 16, 16);
  cWIN* b = open(5 - bpp, 16, 16);  // the other depth
  pattern(a->image, 0);
  pattern(b->image, 3);
  BM* base[2] = {bmDup(a->image), bmDup(b->image)};
  // An earlier step in each picture, which a gesture elsewhere must keep.
  for (cWIN* w : {a, b}) {
    undoBegin(w->image);
    bmPut(w->image, 15, 15, w->image->bpp == 1 ? 6 : w->image->cmap[6], 1);
  }
  BM* start[2] = {bmDup(a->image), bmDup(b->image)};
  BM* want[2] = {bmDup(a->image), bmDup(b->image)};
  c.expect(a, want[0], want[1]);
  xstep = ystep = c.step;
  cmdPost(a, c.cmd, nullptr);
  play(a, c.gesture(a, b));
  EXPECT_TRUE(samePixels(want[0], a->image)) << dump(want[0]) << "\n" << dump(a->image);
  EXPECT_TRUE(samePixels(want[1], b->image)) << dump(want[1]) << "\n" << dump(b->image);
  EXPECT_EQ(0, dbCnt(curstack));
  EXPECT_EQ(0, dbCnt(a->overlays));
  EXPECT_EQ(0, dbCnt(b->overlays));
  undoApply(a->image);
  undoApply(b->image);
  EXPECT_TRUE(samePixels(c.changesA ? start[0] : base[0], a->image)) << "undo of the source";
  EXPECT_TRUE(samePixels(c.changesB ? start[1] : base[1], b->image)) << "undo of the other";
  for (BM* bm : {base[0], base[1], start[0], start[1], want[0], want[1]}) bmFre(bm);
}

INSTANTIATE_TEST_SUITE_P(Tools, RegionGesture,
                         ::testing::Combine(::testing::Range(0, int(regionCases().size())),
                                            ::testing::Values(1, 4)),
                         [](const auto& info) {
                           return std::string(regionCases()[std::get<0>(info.param)].name) +
                                  (std::get<1>(info.param) == 1 ? "Indexed" : "Direct");
                         });

TEST_F(Gesture, OpenRegionFromTheEditMenuOpensANewWindow) {
  cWIN* a = open(1, 16, 16);
  pattern(a->image, 2);
  a->image->ftype = BMF_BMP;
  // The pointer moves over the picture before the press, as it does.
  play(a, std::vector<Msg>{{30, WM_COMMAND, 0, 0, nullptr, 33064}, {30, WM_MOUSEMOVE, 1, 1}} +
              drag(3, 2, 8, 4) + rightHold(1, 1));
  cWIN* opened = nullptr;
  for (void* e = dbTop(winlist); e; e = dbNxt(e)) {
    auto* w = dynamic_cast<cWIN*>(*static_cast<cXWIN**>(e));
    if (w && w != a && w->handle) opened = w;
  }
  ASSERT_NE(nullptr, opened);
  handles_.push_back(opened->handle);
  BM* want = crop(a->image, 3, 2, 9, 5);
  EXPECT_TRUE(samePixels(want, opened->image));
  EXPECT_STREQ("無題.bmp", opened->image->fname);
  EXPECT_STREQ("無題.bmp", opened->title);
  EXPECT_EQ(BMF_BMP, opened->image->ftype);
  bmFre(want);
}

// Typed text: what the tool stamps, rendered the same way by hand.
BM* stampedByHand(cWIN* w, const BM* before, const std::string& text, int x, int y) {
  PTEXT* t = ptextNew(x, y);
  for (char ch : text) ptextKey(t, static_cast<uint8_t>(ch));
  textRender(w, t);
  BM* bm = bmDup(before);
  bm->pen = before->pen;
  textCommit(bm, t->glyph, x, y, opaqueflag);
  ptextFree(t);
  return bm;
}

std::vector<Msg> typed(const std::string& s) {
  std::vector<Msg> out;
  for (char ch : s) out.push_back({20, WM_CHAR, 0, 0, nullptr, static_cast<uint8_t>(ch)});
  return out;
}

// Width of the text's glyph in the window's font.
int glyphWidth(cWIN* w, const std::string& text) {
  PTEXT* t = ptextNew(0, 0);
  for (char ch : text) ptextKey(t, static_cast<uint8_t>(ch));
  textRender(w, t);
  const int width = t->glyph ? t->glyph->w : 0;
  ptextFree(t);
  return width;
}

class TextGesture : public Gesture, public ::testing::WithParamInterface<int> {};

// "AB", then あ (82 A0) taken back whole with one backspace, then 漢 (8A BF).
TEST_P(TextGesture, ShiftJisCharactersBackspaceAndEnter) {
  cWIN* w = open(GetParam(), 64, 24);
  BM* before = bmDup(w->image);
  before->pen = w->image->pen;
  cmdPost(w, 33041, nullptr);
  play(w, click(2, 3) + typed("AB\x82\xa0\b\x8a\xbf\r") + rightHold(60, 20));
  BM* want = stampedByHand(w, before, "AB\x8a\xbf", 2, 3);
  EXPECT_TRUE(samePixels(want, w->image)) << dump(want) << "\n" << dump(w->image);
  EXPECT_EQ(nullptr, w->ptext);
  // The kanji is one wide glyph, not two narrow ones.
  EXPECT_GE(glyphWidth(w, "AB\x8a\xbf") - glyphWidth(w, "AB"), w->fonth * 3 / 4);
  undoApply(w->image);
  EXPECT_TRUE(samePixels(before, w->image));
  bmFre(want);
  bmFre(before);
}

TEST_P(TextGesture, PendingTextShowsOverThePictureWithoutChangingIt) {
  cWIN* w = open(GetParam(), 32, 24);
  BM* before = bmDup(w->image);
  w->ptext = ptextNew(1, 2);
  for (char ch : std::string("H\x8a\xbf")) SendMessageA(w->handle, WM_CHAR, uint8_t(ch), 0);
  ASSERT_NE(nullptr, w->ptext->glyph);
  RedrawWindow(w->handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_TRUE(samePixels(before, w->image));
  // Every inked glyph pixel shows the drawing colour on the screen.
  HDC dc = GetDC(w->handle);
  const uint32_t pen = bmPenRgb(w->image) & 0xFFFFFF;
  const BM* g = w->ptext->glyph;
  int inked = 0, shown = 0;
  for (int y = 0; y < g->h && 2 + y < 24; y++)
    for (int x = 0; x < g->w && 1 + x < 32; x++) {
      if (!bmPget(g, x, y)) continue;
      const POINT p = clientOf(w, 1 + x, 2 + y);
      inked++;
      shown += (GetPixel(dc, p.x, p.y) & 0xFFFFFF) == pen;
    }
  ReleaseDC(w->handle, dc);
  EXPECT_GT(inked, 20);
  EXPECT_EQ(inked, shown);
  bmFre(before);
}

// The font command on a window with pending text: the dialog's choice
// renders the text again, and Enter stamps it in the new font.
TEST_P(TextGesture, FontCommandRendersPendingTextAgain) {
  cWIN* w = open(GetParam(), 64, 48);
  BM* before = bmDup(w->image);
  before->pen = w->image->pen;
  const int oldHeight = w->fonth;
  char chosen[LF_FACESIZE] = "";
  auto chooseFont = [&chosen] {
    HWND dlg = nullptr;
    for (int i = 0; i < 200 && !(dlg && IsWindowVisible(dlg)); i++) {
      dlg = FindWindowA(nullptr, "フォントの指定");
      Sleep(50);
    }
    if (!dlg) return;
    Sleep(500);
    // The first IPA face in the list, at 36 points.
    HWND face = GetDlgItem(dlg, 0x470);
    SendMessageA(face, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>("IPA"));
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELCHANGE), reinterpret_cast<LPARAM>(face));
    GetWindowTextA(face, chosen, sizeof chosen);
    Sleep(200);
    HWND size = GetDlgItem(dlg, 0x472);
    SendMessageA(size, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>("36"));
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(0x472, CBN_SELCHANGE), reinterpret_cast<LPARAM>(size));
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
    for (int i = 0; i < 100 && IsWindow(dlg); i++) Sleep(50);
  };
  cmdPost(w, 33041, nullptr);
  play(w, click(2, 3) + typed("Ab") +
              std::vector<Msg>{{30, WM_COMMAND, 0, 0, nullptr, 33040},
                               {0, 0, 0, 0, nullptr, 0, chooseFont}} +
              typed("\r") + rightHold(60, 40));
  EXPECT_GT(w->fonth, oldHeight * 3 / 2);  // 36 points
  EXPECT_EQ(0, std::strncmp("IPA", chosen, 3)) << chosen;
  EXPECT_STREQ(chosen, w->facename);
  // Enter stamps the glyph as it is: one in the new font only when the
  // font command rendered the pending text again.
  BM* want = stampedByHand(w, before, "Ab", 2, 3);
  EXPECT_TRUE(samePixels(want, w->image)) << dump(want) << "\n" << dump(w->image);
  bmFre(want);
  bmFre(before);
}

INSTANTIATE_TEST_SUITE_P(Depths, TextGesture, ::testing::Values(1, 4), [](const auto& info) {
  return std::string(info.param == 1 ? "Indexed" : "Direct");
});

}  // namespace
