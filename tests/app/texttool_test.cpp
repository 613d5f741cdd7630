// The text tool and typing into pending text: where the text goes, what a
// key does to it, when it is stamped (one undo step) and when it is dropped.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/evt.h"
#include "tests/app/fakehost.h"
#include "tools/textstamp.h"
#include "tools/undo.h"

namespace {

constexpr double kScale = 2;
int at(int v) { return static_cast<int>(kScale * v + 1); }

std::string bytes(const PTEXT* t) { return std::string(t->text, t->len); }

struct KeyCase {
  const char* name;
  std::string before;     // text already typed
  std::vector<int> keys;  // then these characters
  std::string after;      // the text then
};

class TypedKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(TypedKeys, EditTheText) {
  const KeyCase& c = GetParam();
  PTEXT* t = ptextNew(0, 0);
  for (char ch : c.before) ptextKey(t, static_cast<uint8_t>(ch));
  for (int k : c.keys) ptextKey(t, k);
  EXPECT_EQ(c.after, bytes(t));
  ptextFree(t);
}

const std::string kA = "\x82\xa0";  // あ in Shift-JIS
const std::string k255(255, 'a'), k254(254, 'a'), k256(256, 'a');

INSTANTIATE_TEST_SUITE_P(
    Keys, TypedKeys,
    ::testing::Values(
        KeyCase{"Ascii", "", {'A', 'b', '1'}, "Ab1"},
        KeyCase{"BackspaceRemovesTheLastByte", "AB", {8}, "A"},
        KeyCase{"BackspaceOnEmptyDoesNothing", "", {8, 'x'}, "x"},
        // Both bytes of a double-byte character go, not half of it.
        KeyCase{"BackspaceRemovesAWholeDoubleByteCharacter", "A" + kA, {8}, "A"},
        // 0x41 is a trail byte here: one character with its lead.
        KeyCase{"TrailBytesInTheAsciiRange", "\x82", {0x41, 8}, ""},
        KeyCase{"ControlCharactersAreIgnored", "A", {9, 27, 3, 0x7f}, "A"},
        KeyCase{"TheLastByteFits", k255, {'z'}, k255 + "z"},
        KeyCase{"The257thByteIsIgnored", k256, {'z'}, k256},
        KeyCase{"ADoubleByteCharacterFitsWhole", k254, {0x82, 0xa0}, k254 + kA},
        KeyCase{"ADoubleByteCharacterThatDoesNotFitIsDroppedWhole", k255, {0x82, 0xa0}, k255}),
    [](const auto& info) { return std::string(info.param.name); });

// The fake host's glyph of a text, as the tool stamps it.
BM* glyphOf(FakeHost& host, FakeWin* w, const std::string& text) {
  PTEXT* t = ptextNew(0, 0);
  for (char ch : text) ptextKey(t, static_cast<uint8_t>(ch));
  PTEXT* keep = w->text;
  host.textRender(w->w(), t);
  w->text = keep;
  BM* g = t->glyph;
  t->glyph = nullptr;
  ptextFree(t);
  return g;
}

bool same(const BM* a, const BM* b) {
  return a->w == b->w && a->h == b->h && a->bpp == b->bpp &&
         std::memcmp(a->buf, b->buf, size_t(a->w) * a->h * a->bpp) == 0;
}

struct Text {
  FakeHost& host;
  FakeWin* w;
  int64_t t;
  void click(int x, int y) {
    host.move(t, w, at(x), at(y));
    host.down(t + 1, w, at(x), at(y), EVT_LEFT);
    host.up(t + 2, w, EVT_LEFT);
    t += 20;
  }
  void type(const std::string& s) {
    for (char ch : s) host.at(t++, [this, ch] { textChar(w->w(), static_cast<uint8_t>(ch)); });
  }
};

class TextTool : public ::testing::TestWithParam<int> {
 protected:
  FakeHost host;
  FakeWin* a = nullptr;
  BM* start = nullptr;
  void SetUp() override {
    a = host.open(GetParam(), 40, 20, kScale);
    a->bm->pen = 7;
    // An earlier step that typing without a commit must keep.
    undoBegin(a->bm);
    bmPut(a->bm, 39, 19, GetParam() == 1 ? 3 : a->bm->cmap[3], 1);
    start = bmDup(a->bm);
  }
  void TearDown() override {
    bmFre(start);
    host.closeAll();
  }
  BM* stamped(BM* bm, const std::string& text, int x, int y, int opaque) {
    BM* g = glyphOf(host, a, text);
    bm->pen = a->bm->pen;
    textCommit(bm, g, x, y, opaque);
    bmFre(g);
    return bm;
  }
};

TEST_P(TextTool, EnterStampsTheTextAsOneStep) {
  opaqueflag = 1;
  Text s{host, a, 5};
  cmdPost(a->w(), 33041, nullptr);
  s.click(3, 2);
  s.type("AB\bC\r");
  host.rightHold(s.t + 50, a, 30, 15);
  mainLoop();
  BM* want = stamped(bmDup(start), "AC", 3, 2, 1);
  EXPECT_TRUE(same(want, a->bm));
  EXPECT_EQ(nullptr, a->text);
  EXPECT_EQ(0, dbCnt(curstack));
  undoApply(a->bm);
  EXPECT_TRUE(same(start, a->bm));
  bmFre(want);
}

TEST_P(TextTool, NextClickStampsAndStartsNewTextThatTheEndDrops) {
  Text s{host, a, 5};
  cmdPost(a->w(), 33041, nullptr);
  s.click(1, 1);
  s.type("x");
  s.click(9, 4);
  s.type("yz");
  bool shown = false;
  host.at(s.t, [&] {
    ASSERT_NE(nullptr, a->text);
    EXPECT_EQ(9, a->text->x);
    EXPECT_EQ("yz", bytes(a->text));
    shown = true;
  });
  host.rightHold(s.t + 10, a, 30, 15);
  mainLoop();
  EXPECT_TRUE(shown);
  BM* want = stamped(bmDup(start), "x", 1, 1, 0);
  EXPECT_TRUE(same(want, a->bm)) << "yz is dropped";
  EXPECT_EQ(nullptr, a->text);
  bmFre(want);
}

TEST_P(TextTool, TextLeftInAnotherWindowStaysThere) {
  FakeWin* b = host.open(GetParam(), 20, 20, kScale);
  Text s{host, a, 5};
  cmdPost(a->w(), 33041, nullptr);
  s.click(2, 3);
  s.type("q");
  host.rightHold(s.t, b, 5, 5);  // ends the tool in the other window
  mainLoop();
  ASSERT_NE(nullptr, a->text);
  EXPECT_TRUE(same(start, a->bm));
  textChar(a->w(), 'r');
  textChar(a->w(), '\r');
  BM* want = stamped(bmDup(start), "qr", 2, 3, 0);
  EXPECT_TRUE(same(want, a->bm));
  bmFre(want);
}

TEST_P(TextTool, DraggingMovesTheEmptyTextOnTheStepGrid) {
  xstep = ystep = 8;
  Text s{host, a, 5};
  cmdPost(a->w(), 33041, nullptr);
  host.move(5, a, at(3), at(3));
  host.down(6, a, at(3), at(3), EVT_LEFT);
  host.move(7, a, at(12), at(9));
  host.move(8, a, at(19), at(17));
  host.up(9, a, EVT_LEFT);
  s.t = 20;
  s.type("w\r");
  host.rightHold(s.t + 10, a, 30, 15);
  mainLoop();
  BM* want = stamped(bmDup(start), "w", 16, 16, 0);
  EXPECT_TRUE(same(want, a->bm));
  bmFre(want);
}

TEST_P(TextTool, EmptyTextStampsNothingAndKeepsTheLastStep) {
  Text s{host, a, 5};
  cmdPost(a->w(), 33041, nullptr);
  s.click(1, 1);
  s.type("a\b\r");
  s.click(2, 2);
  s.click(3, 3);
  host.rightHold(s.t, a, 30, 15);
  mainLoop();
  EXPECT_TRUE(same(start, a->bm));
  undoApply(a->bm);
  EXPECT_EQ(0u, bmPget(a->bm, 39, 19)) << "the earlier step is still there to undo";
}

TEST_P(TextTool, TypingWithoutPendingTextIsIgnored) {
  textChar(a->w(), 'a');
  textChar(a->w(), '\r');
  EXPECT_EQ(nullptr, a->text);
  EXPECT_EQ(0, a->renders);
  EXPECT_TRUE(same(start, a->bm));
}

INSTANTIATE_TEST_SUITE_P(Depths, TextTool, ::testing::Values(1, 4), [](const auto& info) {
  return std::string(info.param == 1 ? "Indexed" : "Direct");
});

}  // namespace
