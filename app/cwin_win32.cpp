#include "app/cwin.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/filecmd.h"
#include "app/trace.h"
#include "formats/bmfile.h"
#include "image/palette.h"
#include "std/futil.h"
#include "tools/gesture/toolframe.h"
#include "ui/savequery.h"

std::atomic<HWND> tickwin{nullptr};

namespace {

constexpr int kMinClientHeight = 80;
constexpr uint32_t kCursorMap[3] = {0x00706147, 0xFF000000, 0xFFFFFFFF};

// The image of a name that does not exist yet: its size and colours follow
// the extension.
BM* newImageFor(const char* path) {
  const int t = extKind(path);
  uint32_t direct[256];
  palDirect(direct);
  BM* bm = nullptr;
  if (t == BMF_CUR)
    bm = bmNew(nullptr, 1, 32, 32, kCursorMap, 3);
  else if (t == BMF_ICO)
    bm = bmNew(nullptr, 1, 32, 32, direct, 16);
  else
    bm = bmNew(nullptr, 1, 256, 256, direct, 256);
  if (!bm) return nullptr;
  bm->ftype = t;
  bm->pen = 255;
  std::snprintf(bm->fname, sizeof bm->fname, "%s", path);
  return bm;
}

// Largest client area that still fits on the screen with the window frame.
void fitOnScreen(cXWIN* w, int* cw, int* ch) {
  RECT work{};
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) return;
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, w->style, w->menu != nullptr, 0);
  const int maxw = (work.right - work.left) - (frame.right - frame.left);
  const int maxh = (work.bottom - work.top) - (frame.bottom - frame.top);
  if (maxw > 0 && *cw > maxw) *cw = maxw;
  if (maxh > 0 && *ch > maxh) *ch = maxh;
}

// A narrow window wraps its menu bar onto several rows, which the frame
// size did not allow for: grow the window until the client has its size.
void keepClientSize(HWND h, int cw, int ch) {
  RECT c;
  if (!GetClientRect(h, &c) || (c.right >= cw && c.bottom >= ch)) return;
  RECT r;
  GetWindowRect(h, &r);
  const int dw = c.right < cw ? cw - c.right : 0, dh = c.bottom < ch ? ch - c.bottom : 0;
  SetWindowPos(h, nullptr, 0, 0, r.right - r.left + dw, r.bottom - r.top + dh,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Document windows in the window list, in list order.
std::vector<cWIN*> documents() {
  std::vector<cWIN*> out;
  for (void* e = dbTop(winlist); e; e = dbNxt(e)) {
    auto* w = dynamic_cast<cWIN*>(*static_cast<cXWIN**>(e));
    if (w && w->kind == WIN_DOC) out.push_back(w);
  }
  return out;
}

}  // namespace

cWIN* cwinOf(HWND h) { return dynamic_cast<cWIN*>(xwinOf(h)); }

int cwinDocCount() { return static_cast<int>(documents().size()); }

int cwinOpenImage(BM* bm) {
  auto* w = new cWIN;
  if (w->winShowImage(bm, bm->w, bm->h)) return 1;
  delete w;
  bmFre(bm);
  return 0;
}

cWIN::cWIN() {
  setIcon(MAKEINTRESOURCEA(107));
  setMenu(MAKEINTRESOURCEA(109));
  image = nullptr;
  cmdtpl = CMD{this, 0, nullptr};
  chargrid = 0;
  pixgrid = 0;
  kind = WIN_DOC;
  cmapwin = nullptr;
  overlays = dbNew(DBT_PTR, DBT_BIN, 0, 4096);
  ptext = nullptr;
}

cWIN::~cWIN() {
  ptextFree(ptext);
  dbFre(overlays);
  bmFre(image);
}

int cWIN::winOpenFile(const char* path) {
  if (!path || std::strlen(path) >= BM_FNAMESZ || finfo(nullptr, path, FI_DIR)) {
    std::printf("ファイルオープンエラー:%s\n", path ? path : "");
    return 0;
  }
  DB* found = flist(nullptr, path, FI_REG);
  const bool exists = dbCnt(found) > 0;
  dbFre(found);
  BM* bm = traceReading([&] { return exists ? bmfileLoad(path) : newImageFor(path); });
  if (!bm) {
    std::printf("ファイルオープンエラー:%s\n", path);
    return 0;
  }
  if (winShowImage(bm, bm->w, bm->h)) return 1;
  bmFre(bm);
  return 0;
}

int cWIN::winShowImage(BM* bm, int w, int h) {
  image = bm;
  setTitle(bm->fname);
  setView(0, 0, bm->w, bm->h);
  int cw = w, ch = h < kMinClientHeight ? kMinClientHeight : h;
  fitOnScreen(this, &cw, &ch);
  if (create(cw, ch) != 0) {
    image = nullptr;
    return 0;
  }
  keepClientSize(handle, cw, ch);
  return 1;
}

void cWIN::drawContent() {
  const TraceCompose timed;
  if (!image) return;
  drawImage(image->buf, image->cmap, image->cmapn, image->w, image->h, 0, 0, image->bpp);
  if (pixgrid) drawGrid(0, 0, image->w, image->h, 1, 1, RGB(64, 64, 64));
  if (chargrid) drawGrid(0, 0, image->w, image->h, chargrid, chargrid, RGB(128, 128, 128));
  // Pending text shows stamped over a copy of the picture under it.
  if (BM* text = ptextPreview(image, ptext)) {
    cwinDrawImage(this, text, ptext->x, ptext->y);
    bmFre(text);
  }
  ovlPaint(this, overlays);
}

void cWIN::paint() {
  if (!traceOn()) return cXWIN::paint();
  const int64_t t0 = traceNow();
  cXWIN::paint();
  tracePaint(t0, traceNow(), width, height);
}

void cwinDrawImage(cXWIN* w, const BM* bm, double x, double y) {
  w->drawImage(bm->buf, bm->cmap, bm->cmapn, bm->w, bm->h, x, y, bm->bpp);
}

void cWIN::onMouseMove(int x, int y) {
  evtMove(this, x, y);
  tickwin = handle;
}

void cWIN::buttonDown(int x, int y, int32_t bit) {
  // Held buttons keep the mouse: the release reaches this window even when
  // it happens outside.
  if (!GetCapture()) SetCapture(handle);
  evtDown(this, x, y, bit);
  tickwin = handle;
}

void cWIN::buttonUp(int32_t bit) {
  evtUp(this, bit);
  // The buttons as the input state has them: a release that went to a popup
  // never reached this window.
  const bool held = (GetKeyState(VK_LBUTTON) & 0x8000) || (GetKeyState(VK_RBUTTON) & 0x8000);
  if (!held && GetCapture() == handle) ReleaseCapture();
}

void cWIN::onLButtonDown(int x, int y) { buttonDown(x, y, EVT_LEFT); }
void cWIN::onLButtonUp() { buttonUp(EVT_LEFT); }
void cWIN::onRButtonDown(int x, int y) { buttonDown(x, y, EVT_RIGHT); }
void cWIN::onRButtonUp() { buttonUp(EVT_RIGHT); }

int cWIN::onSetCursor() {
  void* top = dbEnd(curstack);
  if (!top) return 0;
  SetCursor(*static_cast<HCURSOR*>(top));
  return 1;
}

void cWIN::onChar(int ch) { textChar(this, ch); }

void cWIN::onDropFile(const char* path) {
  auto* w = new cWIN;
  if (!w->winOpenFile(path)) delete w;
}

void cWIN::onAfterTick() { evtRepeat(this); }

int cWIN::onExitCommand() {
  // Handles first: answering a save question dispatches messages, which may
  // destroy other windows while the list is walked.
  std::vector<HWND> handles;
  for (void* e = dbTop(winlist); e; e = dbNxt(e)) handles.push_back(*static_cast<HWND*>(dbKey(e)));
  for (HWND h : handles) {
    cXWIN* w = xwinOf(h);
    if (w && w->handle && w->queryClose()) w->close();
  }
  return 1;
}

int cWIN::queryClose() {
  if (!image || !image->modified || kind == WIN_CMAP) return 1;
  switch (saveQuestion(handle)) {
    case SAVEQ_YES:
      // A picture that could not be written stays open and modified.
      return saveReported(handle, image, image->fname, 0);
    case SAVEQ_NO:
      return 1;
    default:
      return 0;
  }
}

int cWIN::onDestroy() {
  const bool last = cwinDocCount() == 0;
  if (last) {
    tickwin = nullptr;
    evtEnd();
  }
  delete this;
  return last ? 1 : 0;
}
