#include "image/palette.h"

#include "image/bm.h"

void palGray(uint32_t cmap[256]) {
  for (uint32_t i = 0; i < 256; i++) cmap[i] = rgbaMake(i, i, i, i ? 255 : 0);
}

void palDirect(uint32_t cmap[256]) {
  for (uint32_t i = 0; i < 256; i++) {
    uint32_t low = 17 * (i & 3);
    cmap[i] = rgbaMake(68 * ((i >> 6) & 3) + low, 68 * ((i >> 4) & 3) + low,
                       68 * ((i >> 2) & 3) + low, i ? 255 : 0);
  }
}

void palSystem(uint32_t cmap[256]) {
  static const uint8_t kWindows[16][3] = {
      {255, 255, 255}, {192, 192, 192}, {128, 128, 128}, {0, 0, 0},   {0, 255, 255}, {0, 255, 0},
      {255, 255, 0},   {255, 0, 0},     {128, 128, 0},   {128, 0, 0}, {255, 0, 255}, {0, 0, 255},
      {128, 0, 128},   {0, 0, 128},     {0, 128, 128},   {0, 128, 0},
  };
  for (int i = 0; i < 16; i++)
    cmap[i] = rgbaMake(kWindows[i][0], kWindows[i][1], kWindows[i][2], 255);
  for (uint32_t k = 0; k < 216; k++)
    cmap[16 + k] = rgbaMake(255 - 51 * (k / 36), 255 - 51 * ((k / 6) % 6), 255 - 51 * (k % 6), 255);
  for (int i = 232; i < 256; i++) cmap[i] = rgbaMake(0, 0, 0, 255);
}

BM* palImage(const uint32_t cmap[256]) { return bmNew(cmap, 4, 16, 16, nullptr, 256); }
