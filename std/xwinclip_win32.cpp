#include "std/xwinclip.h"

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "std/bmp4dib.h"
#include "std/png.h"

namespace {

// The clipboard, opened for a window, and a screen context of that window,
// both given back on every path.
class ClipSession {
 public:
  explicit ClipSession(HWND win) : win_(win) {
    if (!OpenClipboard(win)) {
      std::printf("クリップボードオープンエラー\n");
      return;
    }
    open_ = true;
    dc_ = GetDC(win);
    if (!dc_) std::printf("GetDCエラー\n");
  }
  ~ClipSession() {
    if (dc_) ReleaseDC(win_, dc_);
    if (open_) CloseClipboard();
  }
  ClipSession(const ClipSession&) = delete;
  ClipSession& operator=(const ClipSession&) = delete;
  // Open with a context.
  bool ready() const { return dc_ != nullptr; }
  HDC dc() const { return dc_; }

 private:
  HWND win_;
  bool open_ = false;
  HDC dc_ = nullptr;
};

// Offers the picture as PNG too: unlike the bitmap it keeps the alpha.
// Missing PNG data leave the bitmap alone, so nothing is reported.
void offerPng(const uint8_t* pixels, int bpp, int w, int h, const uint32_t* cmap, int cmapn) {
  std::vector<uint8_t> png = pngEncode(pixels, w, h, bpp == 1 ? 8 : 0, cmap, cmapn);
  if (png.empty()) return;
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, png.size());
  if (!mem) return;
  void* p = GlobalLock(mem);
  if (p) {
    std::memcpy(p, png.data(), png.size());
    GlobalUnlock(mem);
  }
  if (!p || !SetClipboardData(clipPngFormat(), mem)) GlobalFree(mem);
}

// Opaque RGBA of a screen bitmap, read as 32-bit rows top to bottom.
IMGF* readBitmap(HDC dc, HBITMAP bmp) {
  BITMAP info{};
  if (!GetObjectA(bmp, sizeof info, &info)) {
    std::printf("GetObjectエラー\n");
    return nullptr;
  }
  IMGF* img =
      info.bmWidth > 0 && info.bmHeight > 0 ? imgfNew(info.bmWidth, info.bmHeight, 0) : nullptr;
  if (!img) {
    std::printf("clipRead:扱えない大きさです:%ld x %ld\n", long(info.bmWidth), long(info.bmHeight));
    return nullptr;
  }
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = img->w;
  bi.bmiHeader.biHeight = -img->h;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  if (GetDIBits(dc, bmp, 0, UINT(img->h), img->buf, &bi, DIB_RGB_COLORS) != img->h) {
    std::printf("GetDIBitsエラー\n");
    imgfFre(img);
    return nullptr;
  }
  uint8_t* p = img->buf;
  for (size_t i = 0, n = size_t(img->w) * img->h; i < n; i++, p += 4) {
    std::swap(p[0], p[2]);
    p[3] = 255;
  }
  return img;
}

// Indexed pictures become their colour-map entries.
IMGF* toDirect(IMGF* img) {
  if (!img || img->depth == 0) return img;
  IMGF* out = imgfNew(img->w, img->h, 0);
  if (out) {
    size_t n = size_t(img->w) * img->h;
    for (size_t i = 0; i < n; i++) std::memcpy(out->buf + 4 * i, &img->cmap[img->buf[i]], 4);
  } else {
    std::printf("clipRead:メモリが足りません\n");
  }
  imgfFre(img);
  return out;
}

IMGF* readPng(HANDLE data) {
  SIZE_T size = GlobalSize(data);
  const void* p = GlobalLock(data);
  if (!p) {
    std::printf("GetClipboardDataエラー\n");
    return nullptr;
  }
  IMGF* img = pngDecode(static_cast<const uint8_t*>(p), size);
  GlobalUnlock(data);
  return toDirect(img);
}

}  // namespace

UINT clipPngFormat() { return RegisterClipboardFormatA("PNG"); }

int clipWrite(HWND win, const uint8_t* pixels, int bpp, int w, int h, const uint32_t* cmap,
              int cmapn) {
  ClipSession clip(win);
  if (!clip.ready()) return 0;
  EmptyClipboard();
  // Every one of the 256 entries, whatever the count in use: pixels may
  // hold any index.
  HBITMAP bmp =
      bpp == 1 ? dibIndexed(clip.dc(), pixels, cmap, 256, w, h) : dibRgba(clip.dc(), pixels, w, h);
  if (!bmp) {
    std::printf("CreateDIBitmapエラー\n");
    return 0;
  }
  if (!SetClipboardData(CF_BITMAP, bmp)) {
    std::printf("SetClipboardDataエラー\n");
    DeleteObject(bmp);
    return 0;
  }
  offerPng(pixels, bpp, w, h, cmap, cmapn);
  return 1;
}

IMGF* clipRead(HWND win) {
  ClipSession clip(win);
  if (!clip.ready()) return nullptr;
  if (auto bmp = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)))
    return readBitmap(clip.dc(), bmp);
  // Programs that offer only PNG (browsers, GTK programs) still paste.
  if (HANDLE png = GetClipboardData(clipPngFormat())) return readPng(png);
  std::printf("GetClipboardDataエラー\n");
  return nullptr;
}
