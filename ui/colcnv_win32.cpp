#include "ui/colcnv.h"

#include "app/cwin.h"
#include "tools/gesture/colcnv.h"
#include "ui/dialog.h"

namespace {

// Each setting shows as an edit box, a trackbar and an up-down; every change
// previews the conversion, "ｷｬﾝｾﾙ" puts the selection back.
class cCOLCNVDLG : public cDIALOG {
 public:
  explicit cCOLCNVDLG(COLCNV* c) : c_(c) {}
  void setup() override {
    bindTriple(1016, 1015, 1017, c_->hue, 200, 20);
    bindTriple(1010, 1007, 1335, c_->sat, 200, 20);
    bindTriple(1011, 1008, 1336, c_->val, 200, 20);
    bindTriple(1013, 1012, 1337, c_->alpha, 100, 10);
  }
  void changed(DLGBIND* b) override {
    if (b)
      colcnvApply(c_);
    else
      colcnvEnd(c_, cancelled);
  }

 private:
  void bindTriple(int edit, int trackbar, int updown, int32_t& v, int max, int page) {
    bindEdit(edit, v);
    bindTrackbar(trackbar, v, 0, max, page);
    bindUpDown(updown, v, 0, max);
  }
  COLCNV* c_;
};

}  // namespace

void colcnvDialog(cWIN* w) {
  if (!w->colcnv.saved) return;
  cCOLCNVDLG dlg(&w->colcnv);
  // A dialog that cannot open ends the conversion as it stands.
  if (dlgModal(&dlg, w->handle, 135) < 0) colcnvEnd(&w->colcnv, 0);
}
