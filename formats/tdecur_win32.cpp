#include <cstdio>

#include "formats/tdecur.h"

HCURSOR* tdecurOpen() {
  HCURSOR* set = new HCURSOR[TDECUR_COUNT]();
  IMGF* pic = tdecurPicture();
  uint8_t andPlane[128], xorPlane[128];
  if (!pic || !tdecurPlanes(pic, 0, andPlane, xorPlane)) {
    std::printf("tdecurOpen:PXAオープンエラー\n");
    if (pic) imgfFre(pic);
    return set;
  }
  HINSTANCE inst = GetModuleHandleA(nullptr);
  for (int k = 0; k < TDECUR_COUNT; k++) {
    if (!tdecurPlanes(pic, k, andPlane, xorPlane)) continue;
    set[k] = CreateCursor(inst, TDECUR_HOTSPOT, TDECUR_HOTSPOT, TDECUR_SIZE, TDECUR_SIZE, andPlane,
                          xorPlane);
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
