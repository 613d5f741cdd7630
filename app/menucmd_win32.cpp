// The document menu: one small function per command id, found in one table.
#include <cstdio>

#include "app/cwin.h"
#include "app/filecmd.h"
#include "app/textfont.h"
#include "image/bmconv.h"
#include "image/bmgeom.h"
#include "std/xwinclip.h"
#include "tools/undo.h"
#include "ui/cmap.h"
#include "ui/colcnv.h"
#include "ui/settings.h"

namespace {

void cmdUndo(cWIN* w) {
  undoApply(w->image);
  w->invalidate();
}

void cmdDuplicate(cWIN* w) {
  BM* copy = bmDup(w->image);
  if (!copy) return;
  // The whole colour map: pixels may use entries at and above cmapn.
  bmCmapCopy(copy, w->image);
  std::snprintf(copy->fname, sizeof copy->fname, "%s", "複製.pxa");
  cwinOpenImage(copy);
}

void cmdPrint(cWIN* w) { w->print(); }

void cmdCopy(cWIN* w) {
  const BM* bm = w->image;
  clipWrite(w->handle, bm->buf, bm->bpp, bm->w, bm->h, bm->cmap, bm->cmapn);
}

// The picture on the clipboard in a new direct-colour window.
void cmdPaste(cWIN* w) {
  IMGF* img = clipRead(w->handle);
  if (!img) return;
  BM* bm = bmNew(img->buf, 4, img->w, img->h, nullptr, 0);
  imgfFre(img);
  if (!bm) return;
  bm->ftype = BMF_NATIVE;
  std::snprintf(bm->fname, sizeof bm->fname, "%s", "クリップボード.pxa");
  cwinOpenImage(bm);
}

void cmdGray(cWIN* w) {
  undoBegin(w->image);
  if (bmGray(w->image)) w->image->modified = 1;
  if (w->cmapwin && xwinAlive(w->cmapwin)) static_cast<cCMAP*>(w->cmapwin)->pull();
  w->invalidate();
}

void cmdBinarise(cWIN* w) { binariseOpen(w); }

// +90 and -90 degrees; the window keeps its size. A step of its own, so its
// undo reverts the rotation only.
void rotate(cWIN* w, void (*flip)(BM*)) {
  if (!undoBeginWholeImage(w->image) || !bmTrans(w->image)) return;
  flip(w->image);
  w->image->modified = 1;
  w->invalidate();
}
void cmdRotatePlus(cWIN* w) { rotate(w, bmFlipH); }
void cmdRotateMinus(cWIN* w) { rotate(w, bmFlipV); }

// CMD_COLCNV, posted by the colour-conversion tool to a document or
// colour-map window.
void cmdColourConvert(cWIN* w) { colcnvDialog(w); }

void cmdPixelGrid(cWIN* w) {
  w->pixgrid = !w->pixgrid;
  w->invalidate();
}

template <int N>
void cmdCharGrid(cWIN* w) {
  w->chargrid = N;
  w->invalidate();
}

// The font of the text tool; pending text takes it at once.
void cmdFont(cWIN* w) {
  if (!fontChoose(w)) return;
  if (w->ptext) textRender(w, w->ptext);
  w->invalidate();
}

template <int Quarters>
void cmdScale(cWIN* w) {
  w->setScale(Quarters / 4.0);
}

struct MENUCMD {
  int id;
  void (*run)(cWIN*);
};

const MENUCMD kCommands[] = {
    {33007, cmdNew},          {33008, cmdOpen},         {33029, cmdRevert},
    {33009, cmdSave},         {33010, cmdSaveAs},       {33054, cmdRename},
    {33000, cmdPrint},        {33049, cmdCopy},         {33050, cmdPaste},
    {33033, cmdUndo},         {33065, cmdDuplicate},    {33015, cmdGray},
    {33016, cmdRotatePlus},   {33017, cmdRotateMinus},  {33062, cmdBinarise},
    {33020, cmdPixelGrid},    {33025, cmdCharGrid<0>},  {33021, cmdCharGrid<8>},
    {33022, cmdCharGrid<16>}, {33023, cmdCharGrid<32>}, {33024, cmdCharGrid<64>},
    {33040, cmdFont},         {33042, cmdScale<1>},     {33043, cmdScale<2>},
    {33044, cmdScale<4>},     {33045, cmdScale<8>},     {33046, cmdScale<16>},
    {33047, cmdScale<32>},    {6809, cmdColourConvert},
};

}  // namespace

void cWIN::onCommand(int id) {
  for (const MENUCMD& c : kCommands) {
    if (c.id == id) {
      c.run(this);
      return;
    }
  }
  // Tools and "open a region as a window" need the mouse: they run from the
  // command queue.
  cmdtpl.cmd = id;
  cmdPost(cmdtpl.win, cmdtpl.cmd, cmdtpl.menu);
}
