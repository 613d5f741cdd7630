#include "tests/wine/gtest_win.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "std/xwin.h"

namespace {

enum Kind { EDIT, TRACKBAR, UPDOWN, RADIO, CHECK, PUSH, TEXT };

struct Control {
  int id;
  Kind kind;
  const char* text;  // null: not checked
};

INT_PTR CALLBACK quietProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

std::string textOf(HWND w) {
  char buf[256] = {};
  GetWindowTextA(w, buf, sizeof buf);
  return buf;
}

std::string classOf(HWND w) {
  char buf[64] = {};
  GetClassNameA(w, buf, sizeof buf);
  return buf;
}

// Opens dialog `id` (not shown) and checks its title and every listed control.
void checkDialog(int id, const char* title, const std::vector<Control>& controls) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&icc);
  HWND dlg =
      CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr, quietProc, 0);
  ASSERT_NE(dlg, nullptr) << "dialog " << id;
  EXPECT_EQ(textOf(dlg), title) << "dialog " << id;
  for (const Control& c : controls) {
    HWND w = GetDlgItem(dlg, c.id);
    ASSERT_NE(w, nullptr) << "dialog " << id << " control " << c.id;
    std::string cls = classOf(w);
    LONG type = GetWindowLongA(w, GWL_STYLE) & BS_TYPEMASK;
    switch (c.kind) {
      case EDIT:
        EXPECT_EQ(cls, "Edit") << c.id;
        break;
      case TRACKBAR:
        EXPECT_EQ(cls, TRACKBAR_CLASSA) << c.id;
        break;
      case UPDOWN:
        EXPECT_EQ(cls, UPDOWN_CLASSA) << c.id;
        break;
      case RADIO:
        EXPECT_EQ(cls, "Button") << c.id;
        EXPECT_EQ(type, BS_AUTORADIOBUTTON) << c.id;
        break;
      case CHECK:
        EXPECT_EQ(cls, "Button") << c.id;
        EXPECT_EQ(type, BS_AUTOCHECKBOX) << c.id;
        break;
      case PUSH:
        EXPECT_EQ(cls, "Button") << c.id;
        EXPECT_TRUE(type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) << c.id;
        break;
      case TEXT:
        EXPECT_EQ(cls, "Static") << c.id;
        break;
    }
    if (c.text) {
      EXPECT_EQ(textOf(w), c.text) << "dialog " << id << " control " << c.id;
    }
  }
  DestroyWindow(dlg);
}

TEST(Dialogs, NewImage) {
  checkDialog(131, "新規作成",
              {{1003, EDIT, nullptr},
               {1004, EDIT, nullptr},
               {1005, RADIO, "インデックスカラー"},
               {1006, RADIO, "ダイレクトカラー"},
               {IDOK, PUSH, "OK"},
               {IDCANCEL, PUSH, "ｷｬﾝｾﾙ"}});
}

TEST(Dialogs, SaveQuestion) {
  checkDialog(133, "ファイルは変更されています",
              {{1008, TEXT, "保存しますか？"},
               {IDOK, PUSH, "はい(&Y)"},
               {IDNO, PUSH, "いいえ(&N)"},
               {IDCANCEL, PUSH, "ｷｬﾝｾﾙ"}});
}

TEST(Dialogs, Binarise) {
  checkDialog(134, "２値化",
              {{1009, EDIT, nullptr},
               {1006, TRACKBAR, nullptr},
               {1334, UPDOWN, nullptr},
               {IDOK, PUSH, "OK"},
               {IDCANCEL, PUSH, "ｷｬﾝｾﾙ"}});
}

TEST(Dialogs, ColourConversion) {
  checkDialog(135, "色の変換",
              {{1016, EDIT, nullptr},
               {1015, TRACKBAR, nullptr},
               {1017, UPDOWN, nullptr},
               {1010, EDIT, nullptr},
               {1007, TRACKBAR, nullptr},
               {1335, UPDOWN, nullptr},
               {1011, EDIT, nullptr},
               {1008, TRACKBAR, nullptr},
               {1336, UPDOWN, nullptr},
               {1013, EDIT, nullptr},
               {1012, TRACKBAR, nullptr},
               {1337, UPDOWN, nullptr},
               {IDOK, PUSH, "OK"},
               {IDCANCEL, PUSH, "ｷｬﾝｾﾙ"}});
}

TEST(Dialogs, Properties) {
  checkDialog(136, "プロパティ",
              {{1011, EDIT, nullptr},
               {1012, EDIT, nullptr},
               {1013, EDIT, nullptr},
               {1005, RADIO, "インデックスカラー"},
               {1006, RADIO, "ダイレクトカラー"},
               {1014, CHECK, "インデックス化するとき誤差拡散を使用する"},
               {IDOK, PUSH, "OK"},
               {IDCANCEL, PUSH, "ｷｬﾝｾﾙ"}});
}

TEST(Dialogs, DrawingSettings) {
  checkDialog(137, "描画設定",
              {{1018, RADIO, "透明"},
               {1019, RADIO, "不透明"},
               {1020, RADIO, " 1 ピクセル"},
               {1021, RADIO, " 2 ピクセル"},
               {1022, RADIO, " 4 ピクセル"},
               {1023, RADIO, " 8 ピクセル"},
               {1024, RADIO, "16 ピクセル"},
               {1030, RADIO, " 1 ピクセル"},
               {1031, RADIO, " 2 ピクセル"},
               {1032, RADIO, " 4 ピクセル"},
               {1033, RADIO, " 8 ピクセル"},
               {1034, RADIO, "16 ピクセル"},
               {1026, EDIT, nullptr},
               {1025, TRACKBAR, nullptr},
               {1027, UPDOWN, nullptr},
               {IDOK, PUSH, "OK"},
               {IDCANCEL, PUSH, "ｷｬﾝｾﾙ"}});
}

TEST(Dialogs, ColourMapMenu) {
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(130));
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu), 1);
  char text[64] = {};
  GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
  EXPECT_EQ(std::string(text), "初期化");
  HMENU sub = GetSubMenu(menu, 0);
  ASSERT_NE(sub, nullptr);
  const struct {
    const char* text;
    UINT id;
  } items[] = {
      {"グレースケール", 33013}, {"ダイレクトパレット", 33014}, {"システムパレット", 32861}};
  ASSERT_EQ(GetMenuItemCount(sub), 3);
  for (int i = 0; i < 3; i++) {
    GetMenuStringA(sub, i, text, sizeof text, MF_BYPOSITION);
    EXPECT_EQ(std::string(text), items[i].text);
    EXPECT_EQ(GetMenuItemID(sub, i), items[i].id);
  }
  DestroyMenu(menu);
}

TEST(Dialogs, IconAndToolButtonPicturesAreEmbedded) {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  HICON icon = LoadIconA(inst, MAKEINTRESOURCEA(107));
  EXPECT_NE(icon, nullptr);
  for (const char* name : {"TOOLBTN_MAIN", "TOOLBTN_CMAP"}) {
    HRSRC res = FindResourceA(inst, name, MAKEINTRESOURCEA(10));  // RT_RCDATA
    ASSERT_NE(res, nullptr) << name;
    const char* data = static_cast<const char*>(LockResource(LoadResource(inst, res)));
    ASSERT_GE(SizeofResource(inst, res), 4u);
    EXPECT_EQ(std::string(data, 4), "1FIN") << name;  // native picture
  }
}

// About box (menu id 104): modal, closed here by its OK button from a timer.
std::string aboutTitle, aboutLine;

BOOL CALLBACK findAbout(HWND w, LPARAM out) {
  if (textOf(w) == "ﾊﾞｰｼﾞｮﾝ情報") {
    *reinterpret_cast<HWND*>(out) = w;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK readStatic(HWND w, LPARAM) {
  if (classOf(w) == "Static" && textOf(w).rfind("tde", 0) == 0) aboutLine = textOf(w);
  return TRUE;
}

void CALLBACK closeAbout(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dlg = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), findAbout, reinterpret_cast<LPARAM>(&dlg));
  if (!dlg) return;
  KillTimer(nullptr, id);
  aboutTitle = textOf(dlg);
  EnumChildWindows(dlg, readStatic, 0);
  PostMessageA(dlg, WM_COMMAND, IDOK, 0);
}

TEST(Dialogs, AboutBoxShowsTheVersion) {
  cXWIN w;
  w.hidden = 1;
  ASSERT_EQ(w.create(100, 100), 0);
  SetTimer(nullptr, 0, 50, closeAbout);
  SendMessageA(w.handle, WM_COMMAND, 104, 0);  // returns when the box is closed
  EXPECT_EQ(aboutTitle, "ﾊﾞｰｼﾞｮﾝ情報");
  EXPECT_EQ(aboutLine, "tde Ver1.02");
  EXPECT_TRUE(xwinAlive(&w));
  w.close();
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    if (msg.message != WM_QUIT) DispatchMessageA(&msg);
}

}  // namespace
