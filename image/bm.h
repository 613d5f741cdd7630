// Image record: an indexed (1 byte per pixel) or direct-colour (RGBA, 4 bytes
// per pixel) bitmap with its colour map, file name, format and change log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "std/db2.h"

// File format codes (what an image is saved as).
enum : int32_t {
  BMF_NATIVE = 1,
  BMF_BMP = 2,
  BMF_TIFF = 3,
  BMF_PPM = 4,
  BMF_JPEG = 5,
  BMF_CUR = 6,
  BMF_ICO = 7,
  BMF_SBF = 8,
  BMF_PNG = 9,
};

// Largest image the editor accepts (pixels); bigger sizes fail cleanly.
constexpr int64_t BM_MAXPIXELS = int64_t(64) << 20;
constexpr int BM_FNAMESZ = 256;

struct BM {
  int32_t w;
  int32_t h;
  int32_t bpp;  // 1 indexed, 4 direct colour
  int32_t pen;  // colour-map index of the drawing colour
  int32_t ftype;
  int32_t cmapn;
  uint8_t* buf;        // w*h*bpp bytes, rows top to bottom; null when w*h is 0;
                       // std::malloc'ed, so whoever swaps it frees with std::free
  uint32_t cmap[256];  // R | G<<8 | B<<16 | A<<24
  char fname[BM_FNAMESZ];
  DB* undo;  // change log: key DBT_BIN payload, 24-byte header
  int32_t modified;
};

// Colour helpers: a colour is R | G<<8 | B<<16 | A<<24.
inline uint32_t rgbaR(uint32_t c) { return c & 0xff; }
inline uint32_t rgbaG(uint32_t c) { return (c >> 8) & 0xff; }
inline uint32_t rgbaB(uint32_t c) { return (c >> 16) & 0xff; }
inline uint32_t rgbaA(uint32_t c) { return c >> 24; }
inline uint32_t rgbaMake(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  return r | g << 8 | b << 16 | a << 24;
}
// `over` laid on `under` by the alpha of `over`: each colour channel
// (over * a + under * (255 - a)) / 255, alpha (under alpha * (255 - a) + a * a) / 255.
uint32_t rgbaBlend(uint32_t under, uint32_t over);

// Whether a w x h image of bpp (1 or 4) bytes per pixel may exist: sizes not
// negative, at most BM_MAXPIXELS pixels. Check before allocating anything
// that depends on a file's header; w * h * bpp then fits in size_t.
bool bmSizeOk(int64_t w, int64_t h, int64_t bpp);

// New record; pixels and cmap may be null. Answers null when the size is
// negative, too large, or the pixel buffer cannot be allocated.
BM* bmNew(const void* pixels, int bpp, int w, int h, const void* cmap, int cmapn);
BM* bmDup(const BM* bm);
void bmFre(BM* bm);
uint32_t bmPget(const BM* bm, int x, int y);
// x and y must lie inside the image.
uint32_t bmpset(BM* bm, int x, int y, uint32_t value, int raw);
// Logged write; 0 and nothing logged outside the image.
uint32_t bmPut(BM* bm, int x, int y, uint32_t value, int raw);
// Nearest colour-map entry (of all 256, lowest index on a tie) to a colour
// given as its 4 bytes red, green, blue, alpha, or as the 32-bit value.
int bmNear(const BM* bm, const void* rgba);
int bmNear(const BM* bm, uint32_t rgba);
// Other integer types (literals included) are taken as the 32-bit value.
template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
inline int bmNear(const BM* bm, T rgba) {
  return bmNear(bm, static_cast<uint32_t>(rgba));
}
uint32_t bmPenRgb(const BM* bm);
int rectGet(void* dst, const void* src, int sw, int sh, int x, int y, int w, int h, int bpp);
int rectPut(const void* src, void* dst, int dw, int dh, int x, int y, int w, int h, int bpp);
// All 256 colour-map entries of src into dst (cmapn stays): pixels may use
// entries at and above cmapn, and copies must keep their colours.
void bmCmapCopy(BM* dst, const BM* src);
// Copies carry the whole colour map and cmapn of their source (bmAdapt: of
// the target), so indices survive a crop, a change and a paste exactly.
BM* bmCrop(const BM* bm, int x, int y, int w, int h);
BM* bmAdapt(const BM* target, const BM* src);
void bmPaste(BM* target, const BM* src, int x, int y, int transparent);
