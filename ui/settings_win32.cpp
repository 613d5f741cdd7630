#include "ui/settings.h"

#include "app/cwin.h"
#include "image/bmconv.h"
#include "image/bmgeom.h"
#include "image/bmindex.h"
#include "tools/gesture/toolframe.h"
#include "tools/undo.h"
#include "ui/cmap.h"
#include "ui/dialog.h"

namespace {

// Drawing settings: the radio flags are the dialog's own; choosing one sets
// the setting it stands for. Bound once, so "ｷｬﾝｾﾙ" restores the start
// values of the bound variables (the settings themselves stay as chosen).
class cDRAWCNF : public cDIALOG {
 public:
  cDRAWCNF() {
    bindButton(1018, transparent);
    bindButton(1019, opaque);
    for (int i = 0; i < 5; i++) {
      bindButton(1020 + i, xflags[i]);
      bindButton(1030 + i, yflags[i]);
    }
    bindEdit(1026, airsize);
    bindTrackbar(1025, airsize, 0, 256, 16);
    bindUpDown(1027, airsize, 0, 256);
  }
  void changed(DLGBIND* b) override {
    if (!b) return;
    if (b->id == 1018) opaqueflag = 0;
    if (b->id == 1019) opaqueflag = 1;
    if (b->id >= 1020 && b->id <= 1024) xstep = 1 << (b->id - 1020);
    if (b->id >= 1030 && b->id <= 1034) ystep = 1 << (b->id - 1030);
  }

 private:
  int32_t transparent = 1, opaque = 0;
  int32_t xflags[5] = {1, 0, 0, 0, 0};
  int32_t yflags[5] = {1, 0, 0, 0, 0};
};

cDRAWCNF& drawSettings() {
  static cDRAWCNF dlg;
  return dlg;
}

class cPROPERTY : public cDIALOG {
 public:
  explicit cPROPERTY(BM* bm) : bm_(bm) {}
  int32_t width = 0, height = 0, indexed = 0, direct = 0;
  void setup() override {
    width = bm_->w;
    height = bm_->h;
    indexed = bm_->bpp == 1;
    direct = !indexed;
    bindEdit(1011, width);
    bindEdit(1012, height);
    bindEdit(1013, bm_->cmapn);
    bindButton(1005, indexed);
    bindButton(1006, direct);
    bindButton(1014, ditherflag);
  }
  void changed(DLGBIND* b) override {
    if (!b || b->id != 1013) return;
    // A colour count is corrected while it is typed.
    const int32_t n = bm_->cmapn;
    if (n > 256 || n < 0) {
      bm_->cmapn = n > 256 ? 256 : 0;
      refresh(&bm_->cmapn);
    }
  }

 private:
  BM* bm_;
};

class cTOBINDLG : public cDIALOG {
 public:
  cTOBINDLG() { cancelled = 0; }
  void openFor(cWIN* w) {
    dlgClose(this);
    bmFre(copy_);
    win_ = w;
    copy_ = bmDup(w->image);
    started_ = false;
    cancelled = 0;
    dlgModeless(this, w->handle, 134);
  }
  void setup() override {
    bindEdit(1009, threshold);
    bindTrackbar(1006, threshold, 0, 255, 16);
    bindUpDown(1334, threshold, 0, 255);
  }
  void changed(DLGBIND* b) override {
    const bool alive = xwinAlive(win_) && copy_;
    if (b && alive) {
      BM* two = bmBinar(copy_, 1, threshold);
      if (!two) return;
      // One undo step for the whole preview.
      if (!started_) undoBegin(win_->image);
      started_ = true;
      bmPaste(win_->image, two, 0, 0, 0);
      bmFre(two);
      win_->invalidate();
      return;
    }
    if (b) return;
    if (cancelled && alive && started_) {
      bmPaste(win_->image, copy_, 0, 0, 0);
      win_->invalidate();
    }
    bmFre(copy_);
    copy_ = nullptr;
  }
  int32_t threshold = 128;

 private:
  cWIN* win_ = nullptr;
  BM* copy_ = nullptr;
  bool started_ = false;
};

cTOBINDLG& binarise() {
  static cTOBINDLG dlg;
  return dlg;
}

// The changes the properties dialog asked for, as one undo step.
void applyProperties(cWIN* w, const cPROPERTY& p) {
  BM* bm = w->image;
  const bool sizeNew = p.width != bm->w || p.height != bm->h;
  const bool modelNew = (p.indexed != 0) != (bm->bpp == 1);
  if (!sizeNew && !modelNew) return;
  undoBegin(bm);
  if (sizeNew && (p.width < 1 || p.height < 1 || !bmResize(bm, p.width, p.height)))
    MessageBoxA(w->handle, "この大きさには変更できません。", "プロパティ", MB_OK | MB_ICONWARNING);
  if (modelNew && p.indexed) {
    bmIndex(bm, bm->cmapn > 0 ? bm->cmapn : 256, 0, ditherflag);
  } else if (modelNew) {
    undoWholeImage(bm);
    bmDirect(bm);
  }
  bm->modified = 1;
  if (w->cmapwin && xwinAlive(w->cmapwin)) static_cast<cCMAP*>(w->cmapwin)->pull();
  w->invalidate();
}

}  // namespace

void drawSettingsOpen(cXWIN* owner) {
  cDRAWCNF& dlg = drawSettings();
  dlgClose(&dlg);
  dlgModeless(&dlg, owner->handle, 137);
}

void propertiesDialog(cWIN* w) {
  cPROPERTY dlg(w->image);
  if (dlgModal(&dlg, w->handle, 136) == 1) applyProperties(w, dlg);
}

void binariseOpen(cWIN* w) { binarise().openFor(w); }
