#include "tests/wine/gtest_win.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "formats/filedlg.h"

namespace {

// What the scripted user does in the save dialog.
const char* typedName;
int filterChoice;  // 0-based position in the filter list
bool dialogSeen;
DWORD since;  // tick count when the wait began or the dialog was acted on

BOOL CALLBACK findDialog(HWND w, LPARAM out) {
  char title[128];
  GetWindowTextA(w, title, sizeof title);
  if (std::strcmp(title, "ファイルをセーブします") == 0) {
    *reinterpret_cast<HWND*>(out) = w;
    return FALSE;
  }
  return TRUE;
}

void setName(HWND dlg) {
  // The explorer-style dialog names the file in combo 0x47C or edit 0x480.
  for (int id : {0x47C, 0x480}) {
    HWND c = GetDlgItem(dlg, id);
    if (!c) continue;
    SetWindowTextA(c, typedName);
    if (HWND e = FindWindowExA(c, nullptr, "Edit", nullptr)) SetWindowTextA(e, typedName);
  }
}

// Picks the filter (combo 0x470, confirmed by CBN_SELENDOK as a user
// would), types the name and presses OK; cancels
// when the dialog is still there long after, so that a failure cannot hang.
void CALLBACK actInDialog(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dlg = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), findDialog, reinterpret_cast<LPARAM>(&dlg));
  DWORD waited = GetTickCount() - since;
  if (!dlg) {
    if (waited > 20000 || dialogSeen) KillTimer(nullptr, id);
    return;  // not open yet: the timer fires again
  }
  if (dialogSeen) {
    if (waited > 10000) SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  dialogSeen = true;
  since = GetTickCount();
  HWND combo = GetDlgItem(dlg, 0x470);
  SendMessageA(combo, CB_SETCURSEL, filterChoice, 0);
  SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELENDOK), reinterpret_cast<LPARAM>(combo));
  setName(dlg);
  PostMessageA(dlg, WM_COMMAND, IDOK, 0);
}

int runSave(const char* name, int filter, char* out, int size) {
  typedName = name;
  filterChoice = filter;
  dialogSeen = false;
  since = GetTickCount();
  UINT_PTR timer = SetTimer(nullptr, 0, 50, actInDialog);
  out[0] = 0;
  int kind = fileSaveDlg(out, size);
  KillTimer(nullptr, timer);
  return kind;
}

TEST(FileSaveDialog, FilterExtensionIsAppendedToABareName) {
  char tmp[MAX_PATH];
  GetTempPathA(sizeof tmp, tmp);
  std::string typed = std::string(tmp) + "tde_dlg_test";
  char name[256];
  int kind = runSave(typed.c_str(), 3, name, sizeof name);  // "JPEG"
  ASSERT_TRUE(dialogSeen);
  EXPECT_EQ(kind, 5);
  EXPECT_EQ(std::string(name), typed + ".jpg");
}

TEST(FileSaveDialog, PngFilterAppendsPng) {
  char tmp[MAX_PATH];
  GetTempPathA(sizeof tmp, tmp);
  std::string typed = std::string(tmp) + "tde_dlg_png";
  char name[256];
  int kind = runSave(typed.c_str(), 8, name, sizeof name);  // "PNG", the last filter
  ASSERT_TRUE(dialogSeen);
  EXPECT_EQ(kind, 9);
  EXPECT_EQ(std::string(name), typed + ".png");
}

TEST(FileSaveDialog, UnknownExtensionIsKeptAndGivesMinusOne) {
  char tmp[MAX_PATH];
  GetTempPathA(sizeof tmp, tmp);
  std::string typed = std::string(tmp) + "tde_dlg_test.txt";
  char name[256];
  int kind = runSave(typed.c_str(), 1, name, sizeof name);
  ASSERT_TRUE(dialogSeen);
  EXPECT_EQ(kind, -1);
  EXPECT_EQ(std::string(name), typed);
}

}  // namespace
