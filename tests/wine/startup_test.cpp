#include "tests/wine/gtest_win.h"

#include <windows.h>

#include <string>
#include <vector>


namespace {

// One menu item as the resource describes it: nesting depth, text, id
// (0 for a sub-menu).
struct Item {
  int depth;
  std::string text;
  UINT id;
};

void walkMenu(HMENU menu, int depth, std::vector<Item>* out) {
  int n = GetMenuItemCount(menu);
  for (int i = 0; i < n; ++i) {
    char text[256] = {};
    GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
    HMENU sub = GetSubMenu(menu, i);
    out->push_back({depth, text, sub ? 0u : GetMenuItemID(menu, i)});
    if (sub) walkMenu(sub, depth + 1, out);
  }
}

TEST(WineEnvironment, AnsiCodePageIsShiftJis) { EXPECT_EQ(932u, GetACP()); }

TEST(WineEnvironment, LiteralsAreShiftJis) {
  const char title[] = "無題.pxa";
  EXPECT_EQ(std::string("\x96\xb3\x91\xe8.pxa"), title);
}

TEST(DocumentMenu, TopLevelTextsAreShiftJis) {
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(109));
  ASSERT_NE(nullptr, menu);
  ASSERT_EQ(5, GetMenuItemCount(menu));
  char text[64];
  GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
  EXPECT_EQ(std::string("\xcc\xa7\xb2\xd9"), text);  // half-width ﾌｧｲﾙ
  GetMenuStringA(menu, 1, text, sizeof text, MF_BYPOSITION);
  EXPECT_EQ(std::string("\x95\xd2\x8f\x57"), text);  // 編集
  GetMenuStringA(menu, 2, text, sizeof text, MF_BYPOSITION);
  EXPECT_EQ(std::string("\x95\xcf\x8a\xb7"), text);  // 変換
  GetMenuStringA(menu, 3, text, sizeof text, MF_BYPOSITION);
  EXPECT_EQ(std::string("\x90\xdd\x92\xe8"), text);  // 設定
  GetMenuStringA(menu, 4, text, sizeof text, MF_BYPOSITION);
  EXPECT_EQ(std::string("\xcd\xd9\xcc\xdf(&H)"), text);  // ﾍﾙﾌﾟ(&H)
  DestroyMenu(menu);
}

TEST(DocumentMenu, EveryEntryHasItsTextAndId) {
  const std::vector<Item> expected = {
      {0, "ﾌｧｲﾙ", 0},
      {1, "新規作成", 33007},
      {1, "開く", 33008},
      {1, "編集のやり直し", 33029},
      {1, "上書き保存", 33009},
      {1, "名前をつけて保存", 33010},
      {1, "名前の変更", 33054},
      {1, "印刷", 33000},
      {1, "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)", 105},
      {0, "編集", 0},
      {1, "元に戻す", 33033},
      {1, "コピー", 33049},
      {1, "貼り付け", 33050},
      {1, "範囲を指定してウィンドウをオープン", 33064},
      {1, "複製", 33065},
      {0, "変換", 0},
      {1, "カラーモード", 0},
      {2, "グレースケールに変換", 33015},
      {1, "矩形変換", 0},
      {2, "+90°", 33016},
      {2, "-90°", 33017},
      {1, "２値化", 33062},
      {0, "設定", 0},
      {1, "ピクセル罫線", 33020},
      {1, "キャラクタ罫線", 0},
      {2, "無し", 33025},
      {2, "8", 33021},
      {2, "16", 33022},
      {2, "32", 33023},
      {2, "64", 33024},
      {1, "フォント", 33040},
      {1, "表示拡大率", 0},
      {2, "1/4", 33042},
      {2, "1/2", 33043},
      {2, "1", 33044},
      {2, "2", 33045},
      {2, "4", 33046},
      {2, "8", 33047},
      {0, "ﾍﾙﾌﾟ(&H)", 0},
      {1, "ﾊﾞｰｼﾞｮﾝ情報(&A) ...", 104},
  };
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(109));
  ASSERT_NE(nullptr, menu);
  std::vector<Item> got;
  walkMenu(menu, 0, &got);
  DestroyMenu(menu);
  ASSERT_EQ(expected.size(), got.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(expected[i].depth, got[i].depth);
    EXPECT_EQ(expected[i].text, got[i].text);
    EXPECT_EQ(expected[i].id, got[i].id);
  }
}

}  // namespace
