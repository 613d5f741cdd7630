#include "ui/savequery.h"

#include "ui/dialog.h"

namespace {

class cSAVEQDLG : public cDIALOG {
 public:
  void setup() override { bindText(1008, text, sizeof text); }

 private:
  char text[32] = "保存しますか？";
};

}  // namespace

int saveQuestion(HWND owner) {
  cSAVEQDLG dlg;
  const int r = dlgModal(&dlg, owner, 133);
  return r == 1 ? SAVEQ_YES : r == 2 ? SAVEQ_NO : SAVEQ_CANCEL;
}
