#include <cstdio>

#include "formats/pxa.h"
#include "formats/tdecur.h"

HCURSOR* tdecurOpen() {
  HCURSOR* set = new HCURSOR[TDECUR_COUNT]();
  IMGF* pic = pxaOpenMem(tdecurpic, tdecurpicSize);
  // The picture must hold eight indexed 32 x 32 blocks.
  if (!pic || pic->depth == 0 || pic->w != TDECUR_SIZE || pic->h < TDECUR_SIZE * TDECUR_COUNT) {
    std::printf("tdecurOpen:PXAオープンエラー\n");
    if (pic) imgfFre(pic);
    return set;
  }
  HINSTANCE inst = GetModuleHandleA(nullptr);
  uint8_t andPlane[128], xorPlane[128];
  for (int k = 0; k < TDECUR_COUNT; k++) {
    tdecurPlanes(pic->buf + size_t(k) * TDECUR_SIZE * pic->w, size_t(pic->w), andPlane, xorPlane);
    set[k] = CreateCursor(inst, 16, 16, TDECUR_SIZE, TDECUR_SIZE, andPlane, xorPlane);
  }
  imgfFre(pic);
  return set;
}

void tdecurClose(HCURSOR* set) {
  if (!set) return;
  for (int k = 0; k < TDECUR_COUNT; k++)
    if (set[k]) DestroyCursor(set[k]);
  delete[] set;
}
