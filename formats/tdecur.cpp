#include "formats/tdecur.h"

#include <cstring>

void tdecurPlanes(const uint8_t* idx, size_t stride, uint8_t andPlane[128], uint8_t xorPlane[128]) {
  std::memset(andPlane, 0, 128);
  std::memset(xorPlane, 0, 128);
  for (int y = 0; y < TDECUR_SIZE; y++)
    for (int x = 0; x < TDECUR_SIZE; x++) {
      uint8_t v = idx[size_t(y) * stride + x];
      int byte = y * 4 + x / 8;
      uint8_t bit = uint8_t(0x80 >> (x % 8));
      if (v == 0 || v > 3) andPlane[byte] |= bit;  // transparent
      if (v == 2) xorPlane[byte] |= bit;           // white
    }
}
