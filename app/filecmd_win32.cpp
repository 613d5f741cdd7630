#include "app/filecmd.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/cwin.h"
#include "formats/bmfile.h"
#include "formats/filedlg.h"
#include "image/bmindex.h"
#include "std/hostfs.h"
#include "tools/gesture/toolframe.h"
#include "ui/newimage.h"

namespace {

const char* causeOf(int32_t err) {
  switch (err) {
    case HFS_ENOSPACE:
      return "ディスクの空きが足りません。";
    case HFS_EDENIED:
      return "書き込みが許可されていません。";
    case HFS_ENOPATH:
      return "保存先のフォルダがありません。";
    default:
      return "書き込みに失敗しました。";
  }
}

void copyName(BM* bm, const char* name) { std::snprintf(bm->fname, sizeof bm->fname, "%s", name); }

}  // namespace

int saveReported(HWND owner, BM* bm, const char* name, int type) {
  const int t = type ? type : bm->ftype;
  hfsClearError();
  if (bmfileExt(t) && bmfileSave(bm, name, type)) return 1;
  const char* cause = !bmfileExt(t) ? "この名前では保存できる形式がわかりません。"
                      : std::strlen(name) >= BM_FNAMESZ ? "ファイル名が長すぎます。"
                      : (t == BMF_ICO || t == BMF_CUR) && bm->bpp != 1
                          ? "アイコンとカーソルはインデックスカラーで保存します。"
                          : causeOf(hfsLastError());
  const std::string text = std::string(name) + "\nを保存できませんでした。\n" + cause;
  MessageBoxA(owner, text.c_str(), "保存エラー", MB_OK | MB_ICONERROR);
  return 0;
}

void cmdNew(cWIN* w) {
  if (BM* bm = newImageDialog(w->handle)) cwinOpenImage(bm);
}

void cmdOpen(cWIN*) {
  char name[256] = "";
  if (!fileOpenDlg(name, sizeof name)) return;
  auto* nw = new cWIN;
  if (!nw->winOpenFile(name)) delete nw;
}

void cmdRevert(cWIN* w) {
  char name[BM_FNAMESZ];
  std::snprintf(name, sizeof name, "%s", w->image->fname);
  BM* bm = bmfileLoad(name);
  if (!bm) {
    bm = bmNew(nullptr, 1, 256, 256, nullptr, 256);
    if (!bm) return;
    bm->ftype = BMF_NATIVE;
    copyName(bm, name);
  }
  bmFre(w->image);
  w->image = bm;
  w->invalidate();
}

void cmdSave(cWIN* w) { saveReported(w->handle, w->image, w->image->fname, 0); }

namespace {

// The name chosen in the save dialog becomes the image's name and the
// window's title; -1 when the dialog was cancelled.
int chooseName(cWIN* w) {
  char name[256];
  std::snprintf(name, sizeof name, "%s", w->image->fname);
  const int type = fileSaveDlg(name, sizeof name);
  if (type == -1) return -1;
  copyName(w->image, name);
  w->setTitle(name);
  return type;
}

int saveAsType(cWIN* w, int type) {
  BM* bm = w->image;
  if ((type != BMF_CUR && type != BMF_ICO) || bm->bpp != 4)
    return saveReported(w->handle, bm, bm->fname, type);
  // Icons and cursors hold indices: an indexed copy goes to the file and
  // the window keeps its picture (and its modified flag).
  BM* copy = bmDup(bm);
  if (!copy) return 0;
  bmIndex(copy, bm->cmapn, 0, 1);
  const int ok = saveReported(w->handle, copy, bm->fname, type);
  bmFre(copy);
  return ok;
}

}  // namespace

void cmdSaveAs(cWIN* w) {
  char old[BM_FNAMESZ];
  std::snprintf(old, sizeof old, "%s", w->image->fname);
  const int type = chooseName(w);
  if (type == -1 || saveAsType(w, type)) return;
  // Nothing was written under the new name: the window stays the old file's.
  copyName(w->image, old);
  w->setTitle(old);
}

void cmdRename(cWIN* w) {
  const int type = chooseName(w);
  if (type != -1) w->image->ftype = type;
}
