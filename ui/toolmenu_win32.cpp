#include "ui/toolmenu.h"

#include <cstring>

#include "app/evt.h"
#include "app/evthost.h"
#include "formats/pxa.h"
#include "image/bm.h"
#include "tools/gesture/tooltbl.h"
#include "tools/undo.h"

namespace {

constexpr int kCell = 24;
constexpr int kColumns = 5;
constexpr int kRows = 7;

// The button picture of a table, from the program's resources.
BM* loadPicture(int32_t table) {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  const char* name = table == cTOOLMN::MAIN ? "TOOLBTN_MAIN" : "TOOLBTN_CMAP";
  HRSRC res = FindResourceA(inst, name, MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!res) return nullptr;
  const void* data = LockResource(LoadResource(inst, res));
  IMGF* img = data ? pxaOpenMem(data, SizeofResource(inst, res)) : nullptr;
  if (!img) return nullptr;
  BM* bm = img->depth
               ? bmNew(img->buf, 1, img->w, img->h, img->cmap, img->ncolor ? img->ncolor : 256)
               : nullptr;
  imgfFre(img);
  return bm;
}

TOOLBTN* buttonOf(DB* buttons, int32_t cmd) { return static_cast<TOOLBTN*>(dbFind(buttons, cmd)); }

}  // namespace

cTIPSWIN::cTIPSWIN() {
  classname = "cTIPSWIN";
  setStyle(WS_POPUP | WS_BORDER);
  setBackground(RGB(255, 255, 255));
  setFaceName("ＭＳ Ｐゴシック");
  setFont(14);
  hidden = 0;
}

void cTIPSWIN::drawContent() { drawText(2, 2, 0, 0, RGB(0, 0, 0), "%s", text); }

void cTIPSWIN::onRButtonUp() {
  if (owner && owner->handle) SendMessageA(owner->handle, WM_RBUTTONUP, 0, 0);
}

cTOOLMN::cTOOLMN(int32_t t) : buttons(dbNew(DBT_VAL, sizeof(TOOLBTN), 64, 4096)), table(t) {
  classname = "cTOOLMN";
  setTitle("ツール");
  setStyle(WS_POPUP | WS_CAPTION | WS_SYSMENU);
  picture = loadPicture(t);
}

cTOOLMN::~cTOOLMN() {
  dbFre(buttons);
  bmFre(picture);
}

const TOOLDEF* cTOOLMN::entries() const { return table == MAIN ? tooltbl : cmaptooltbl; }

void cTOOLMN::rebuild() {
  dbClr(buttons);
  int i = 0;
  for (const TOOLDEF* t = entries(); t->id && i < kColumns * kRows; t++, i++) {
    const TOOLBTN b{kCell * (i % kColumns), kCell * (i / kColumns), kCell, kCell, 0, t->name};
    dbAdd(buttons, t->id, &b);
  }
}

void cTOOLMN::openFor(cXWIN* target, int sx, int sy) {
  if (tips.handle) tips.close();
  if (handle) {
    // The native window goes at once, so that a new one can take its place.
    HWND old = handle;
    close();
    DestroyWindow(old);
  }
  rebuild();
  setOwner(target);
  setPos(sx, sy);
  const int pw = picture ? picture->w : kColumns * kCell;
  const int ph = picture ? picture->h : kRows * kCell;
  create(pw + 6, ph + 25);
}

int32_t cTOOLMN::commandAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= kColumns * kCell) return 0;
  const int n = kColumns * (y / kCell) + x / kCell;
  int i = 0;
  for (const TOOLDEF* t = entries(); t->id; t++, i++)
    if (i == n) return t->id;
  return 0;
}

void cTOOLMN::toolEnded(int32_t cmd) {
  TOOLBTN* b = buttonOf(buttons, cmd);
  if (b && b->pressed > 0) b->pressed--;
  invalidate();
}

void cTOOLMN::drawContent() {
  if (picture)
    drawIndexBitmap(picture->buf, picture->cmap, picture->cmapn, picture->w, picture->h, 0, 0);
  for (void* p = dbTop(buttons); p; p = dbNxt(p)) {
    const auto* b = static_cast<const TOOLBTN*>(p);
    if (b->pressed) drawFrame(b->x, b->y, b->w, b->h, 1, 2);
  }
}

void cTOOLMN::onLButtonDown(int x, int y) {
  const int32_t cmd = commandAt(x, y);
  if (!cmd || !owner || !xwinAlive(owner)) return;
  if (cmd == 33033) {
    // Undo is not a tool: it happens at once.
    BM* bm = evthost->winImage(owner);
    if (bm) undoApply(bm);
    owner->invalidate();
    if (evthost->winKind(owner) == WIN_CMAP) evthost->cmapPush(owner);
    return;
  }
  cmdPost(owner, cmd, this);
  if (TOOLBTN* b = buttonOf(buttons, cmd)) b->pressed++;
  invalidate();
}

void cTOOLMN::onRButtonDown(int x, int y) {
  if (tips.handle) {
    tips.close();
    return;
  }
  const TOOLBTN* b = buttonOf(buttons, commandAt(x, y));
  if (!b) return;
  tips.text = b->name;
  tips.setOwner(this);
  POINT at{x, y};
  ClientToScreen(handle, &at);
  tips.setPos(at.x + 4, at.y + 4);
  tips.create(static_cast<int>(std::strlen(b->name)) * 8 + 4, 20);
}

void cTOOLMN::onRButtonUp() {
  if (tips.handle) tips.close();
}

// The menu object lives on; only its native window goes.
int cTOOLMN::onDestroy() { return 0; }

cTOOLMN& toolMenu(int32_t table) {
  static cTOOLMN mainMenu(cTOOLMN::MAIN);
  static cTOOLMN cmapMenu(cTOOLMN::CMAP);
  return table == cTOOLMN::MAIN ? mainMenu : cmapMenu;
}
