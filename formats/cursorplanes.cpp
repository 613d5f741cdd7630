#include <cstring>

#include "formats/cursorpic.h"
#include "formats/pxa.h"

IMGF* tdecurPicture() { return pxaOpenMem(tdecurPic, sizeof tdecurPic); }

int tdecurPlanes(const IMGF* pic, int k, uint8_t* andplane, uint8_t* xorplane) {
  if (!pic || pic->depth == 0 || pic->w != TDECUR_SIZE || pic->h != TDECUR_SIZE * TDECUR_COUNT ||
      k < 0 || k >= TDECUR_COUNT)
    return 0;
  std::memset(andplane, 0, TDECUR_SIZE * TDECUR_SIZE / 8);
  std::memset(xorplane, 0, TDECUR_SIZE * TDECUR_SIZE / 8);
  const uint8_t* block = pic->buf + k * TDECUR_SIZE * TDECUR_SIZE;
  for (int i = 0; i < TDECUR_SIZE * TDECUR_SIZE; ++i) {
    uint8_t bit = static_cast<uint8_t>(0x80 >> (i % 8));
    if (block[i] == 0) andplane[i / 8] |= bit;
    if (block[i] == 2) xorplane[i / 8] |= bit;
  }
  return 1;
}
