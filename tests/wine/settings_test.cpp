// The dialogs of the context menu and the binarise command on a real
// document window: drawing settings acting live, properties applied as one
// undo step, binarise previewed and cancelled.
#include "tests/wine/gtest_win.h"

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <functional>
#include <string>

#include "app/cwin.h"
#include "app/evt.h"
#include "app/winhost.h"
#include "image/palette.h"
#include "tools/gesture/toolframe.h"
#include "tools/undo.h"
#include "ui/settings.h"

namespace {

void pump() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
    if (m.message != WM_QUIT) DispatchMessageA(&m);
}

std::string textOf(HWND dlg, int id) {
  char buf[64] = {};
  GetDlgItemTextA(dlg, id, buf, sizeof buf);
  return buf;
}

void typeInto(HWND dlg, int id, const char* text) {
  HWND e = GetDlgItem(dlg, id);
  SetWindowTextA(e, text);
  SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(e));
}

void click(HWND dlg, int id) { SendMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

struct FindTitle {
  const char* title;
  HWND found;
};

BOOL CALLBACK findTitle(HWND w, LPARAM p) {
  auto* f = reinterpret_cast<FindTitle*>(p);
  char t[64] = {};
  GetWindowTextA(w, t, sizeof t);
  if (std::strcmp(t, f->title) != 0 || !IsWindowVisible(w)) return TRUE;
  f->found = w;
  return FALSE;
}

HWND dialogTitled(const char* title) {
  FindTitle f{title, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), findTitle, reinterpret_cast<LPARAM>(&f));
  return f.found;
}

// Drives the next modal dialog from a thread timer its message loop runs.
std::function<void(HWND)> modalDrive;
const char* modalTitle;
void CALLBACK modalTimer(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dlg = dialogTitled(modalTitle);
  if (!dlg) return;
  KillTimer(nullptr, id);
  modalDrive(dlg);
}

class Settings : public ::testing::Test {
 protected:
  void SetUp() override {
    pump();
    evtInit();
    toolSettingsInit();
    winhostInstall();
  }
  void TearDown() override {
    if (IsWindow(handle)) DestroyWindow(handle);
    pump();
    evtFree();
  }
  cWIN* open(int bpp) {
    uint32_t cmap[256];
    palDirect(cmap);
    BM* bm = bmNew(nullptr, bpp, 16, 8, cmap, 256);
    for (int x = 0; x < 16; x++) bmpset(bm, x, 3, bpp == 1 ? 255 : cmap[255], 1);
    std::snprintf(bm->fname, sizeof bm->fname, "%s", "set.pxa");
    auto* w = new cWIN;
    EXPECT_TRUE(w->winShowImage(bm, 128, 64));
    handle = w->handle;
    return w;
  }
  HWND handle = nullptr;
};

TEST_F(Settings, DrawingSettingsActAtOnceAndCancelKeepsThem) {
  cWIN* w = open(1);
  drawSettingsOpen(w);
  HWND dlg = dialogTitled("描画設定");
  ASSERT_NE(nullptr, dlg);
  click(dlg, 1019);  // 不透明
  click(dlg, 1023);  // 8 pixels across
  click(dlg, 1034);  // 16 pixels down
  EXPECT_EQ(1, opaqueflag);
  EXPECT_EQ(8, xstep);
  EXPECT_EQ(16, ystep);
  // The trackbar moves the edit and the up-down with it.
  SendMessageA(GetDlgItem(dlg, 1025), TBM_SETPOS, TRUE, 100);
  SendMessageA(dlg, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 100),
               reinterpret_cast<LPARAM>(GetDlgItem(dlg, 1025)));
  EXPECT_EQ(100, airsize);
  EXPECT_EQ("100", textOf(dlg, 1026));
  EXPECT_EQ(100, int(SendMessageA(GetDlgItem(dlg, 1027), UDM_GETPOS32, 0, 0)));
  typeInto(dlg, 1026, "300");  // only the trackbar and up-down are limited
  EXPECT_EQ(300, airsize);
  click(dlg, IDCANCEL);
  EXPECT_EQ(64, airsize);
  EXPECT_EQ(1, opaqueflag);
  EXPECT_EQ(8, xstep);
  // Opened again: the radio buttons are back at their start values too.
  drawSettingsOpen(w);
  dlg = dialogTitled("描画設定");
  ASSERT_NE(nullptr, dlg);
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dlg, 1018));
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dlg, 1020));
  click(dlg, IDOK);
}

TEST_F(Settings, PropertiesApplyANewSizeAndModelAsOneUndoStep) {
  cWIN* w = open(1);
  BM* before = bmDup(w->image);
  modalTitle = "プロパティ";
  modalDrive = [](HWND dlg) {
    EXPECT_EQ("16", textOf(dlg, 1011));
    EXPECT_EQ("8", textOf(dlg, 1012));
    typeInto(dlg, 1011, "64");
    typeInto(dlg, 1012, "32");
    typeInto(dlg, 1013, "300");
    EXPECT_EQ("256", textOf(dlg, 1013)) << "corrected while typing";
    click(dlg, 1006);  // ダイレクトカラー
    click(dlg, IDOK);
  };
  SetTimer(nullptr, 0, 20, modalTimer);
  propertiesDialog(w);
  EXPECT_EQ(64, w->image->w);
  EXPECT_EQ(32, w->image->h);
  EXPECT_EQ(4, w->image->bpp);
  EXPECT_EQ(1, w->image->modified);
  EXPECT_EQ(w->image->cmap[255], bmPget(w->image, 5, 3));
  undoApply(w->image);
  EXPECT_EQ(16, w->image->w);
  EXPECT_EQ(1, w->image->bpp);
  EXPECT_EQ(0, std::memcmp(before->buf, w->image->buf, 16 * 8));
  bmFre(before);
}

TEST_F(Settings, PropertiesUnchangedBeginNoStep) {
  cWIN* w = open(4);
  undoBegin(w->image);
  bmPut(w->image, 1, 1, w->image->cmap[9], 1);
  w->image->modified = 0;
  modalTitle = "プロパティ";
  modalDrive = [](HWND dlg) { click(dlg, IDOK); };
  SetTimer(nullptr, 0, 20, modalTimer);
  propertiesDialog(w);
  EXPECT_EQ(0, w->image->modified);
  undoApply(w->image);  // the earlier step is still there
  EXPECT_EQ(0u, bmPget(w->image, 1, 1));
}

TEST_F(Settings, BinarisePreviewsAndCancelPutsThePictureBack) {
  for (int bpp : {1, 4}) {
    cWIN* w = open(bpp);
    BM* before = bmDup(w->image);
    binariseOpen(w);
    HWND dlg = dialogTitled("２値化");
    ASSERT_NE(nullptr, dlg);
    typeInto(dlg, 1009, "0");  // everything white
    const uint32_t white = bpp == 1 ? uint32_t(bmNear(w->image, 0xFFFFFFFFu)) : 0xFFFFFFFFu;
    EXPECT_EQ(white, bmPget(w->image, 0, 0));
    EXPECT_EQ(white, bmPget(w->image, 4, 3));
    click(dlg, IDCANCEL);
    EXPECT_EQ(0, std::memcmp(before->buf, w->image->buf, size_t(16) * 8 * bpp)) << bpp;
    bmFre(before);
    DestroyWindow(handle);
    pump();
  }
}

}  // namespace
