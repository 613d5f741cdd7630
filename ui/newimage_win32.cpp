#include "ui/newimage.h"

#include <cstdio>

#include "image/bm.h"
#include "image/palette.h"
#include "ui/dialog.h"

namespace {

struct NEWSETTINGS {
  int32_t width = 256;
  int32_t height = 256;
  int32_t indexed = 1;
  int32_t direct = 0;
};
NEWSETTINGS newsettings;

class cNEWDLG : public cDIALOG {
 public:
  void setup() override {
    bindEdit(1003, newsettings.width);
    bindEdit(1004, newsettings.height);
    bindButton(1005, newsettings.indexed);
    bindButton(1006, newsettings.direct);
  }
};

}  // namespace

BM* newImageDialog(HWND owner) {
  cNEWDLG dlg;
  if (dlgModal(&dlg, owner, 131) != 1) return nullptr;
  uint32_t cmap[256];
  palDirect(cmap);
  const int bpp = newsettings.indexed ? 1 : 4;
  const int w = newsettings.width, h = newsettings.height;
  BM* bm = w > 0 && h > 0 ? bmNew(nullptr, bpp, w, h, cmap, 256) : nullptr;
  if (!bm) {
    MessageBoxA(owner, "この大きさの画像は作れません。", "新規作成", MB_OK | MB_ICONWARNING);
    return nullptr;
  }
  bm->ftype = BMF_NATIVE;
  std::snprintf(bm->fname, sizeof bm->fname, "%s", "無題.pxa");
  return bm;
}
