#include "std/bmp4dib.h"

#include <cstring>
#include <vector>

#include "std/blitscale.h"

namespace {

// Same bound as the image record: anything larger is a damaged caller.
constexpr int64_t kMaxPixels = int64_t(64) << 20;

bool sizeOk(int w, int h) { return w > 0 && h > 0 && int64_t(w) * h <= kMaxPixels; }

struct DIBHEAD {
  BITMAPINFOHEADER h;
  RGBQUAD table[256];
};

void fillHeader(BITMAPINFOHEADER* h, int w, int rows, int bits, DWORD image, DWORD used) {
  h->biSize = sizeof(BITMAPINFOHEADER);
  h->biWidth = w;
  h->biHeight = -rows;  // top-down
  h->biPlanes = 1;
  h->biBitCount = WORD(bits);
  h->biCompression = BI_RGB;
  h->biSizeImage = image;
  h->biClrUsed = used;
}

HBITMAP makeBitmap(HDC dc, const DIBHEAD& head, const void* bits) {
  return CreateDIBitmap(dc, &head.h, CBM_INIT, bits, reinterpret_cast<const BITMAPINFO*>(&head),
                        DIB_RGB_COLORS);
}

}  // namespace

HBITMAP dibIndexed(HDC dc, const uint8_t* indices, const uint32_t* cmap, int count, int w, int h) {
  if (!sizeOk(w, h)) return nullptr;
  if (count < 0 || !cmap) count = 0;
  if (count > 256) count = 256;
  DIBHEAD head{};
  fillHeader(&head.h, w, h, 8, DWORD(w) * h, DWORD(count));
  for (int i = 0; i < count; i++) {
    head.table[i].rgbRed = BYTE(cmap[i]);
    head.table[i].rgbGreen = BYTE(cmap[i] >> 8);
    head.table[i].rgbBlue = BYTE(cmap[i] >> 16);
  }
  size_t stride = dibStride(w, 1);
  std::vector<uint8_t> bits;
  const uint8_t* src = indices;
  if (!indices || stride != size_t(w)) {
    bits.assign(stride * h, 0);
    if (indices)
      for (int y = 0; y < h; y++) std::memcpy(&bits[stride * y], indices + size_t(w) * y, w);
    src = bits.data();
  }
  return makeBitmap(dc, head, src);
}

HBITMAP dibRgba(HDC dc, const uint8_t* rgba, int w, int h) {
  if (!rgba || !sizeOk(w, h)) return nullptr;
  size_t n = size_t(w) * h;
  std::vector<uint8_t> bits(rgba, rgba + n * 4);
  rgbaToBgrx(bits.data(), n);
  DIBHEAD head{};
  fillHeader(&head.h, w, h, 32, DWORD(n * 4), 0);
  return makeBitmap(dc, head, bits.data());
}
