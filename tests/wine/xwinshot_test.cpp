#include "tests/wine/gtest_win.h"

#include "std/xwin.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kImage = 16, kScale = 8, kClient = 160;

// A small picture shown magnified with the pixel grid and an 8-pixel
// character grid, like a document window.
class cSHOWCASE : public cXWIN {
 public:
  uint8_t px[kImage * kImage];
  uint32_t cmap[256];
  cSHOWCASE() {
    // A class of its own: the first window of a class fixes its menu, and a
    // document window of an earlier test registers "cXWIN" with one.
    classname = "cSHOWCASE";
    for (int y = 0; y < kImage; y++)
      for (int x = 0; x < kImage; x++) px[y * kImage + x] = uint8_t((x / 2 + y / 2) % 4);
    px[0] = 4;  // a marker in the top-left corner
    cmap[0] = 0xFFFFFFFF;
    cmap[1] = 0xFF3060C0;
    cmap[2] = 0xFF40C040;
    cmap[3] = 0xFFC04040;
    cmap[4] = 0xFF00FFFF;
  }
  void drawContent() override {
    drawImage(px, cmap, 5, kImage, kImage, 0, 0, 1);
    drawGrid(0, 0, kImage, kImage, 1, 1, RGB(64, 64, 64));
    drawGrid(0, 0, kImage, kImage, 8, 8, RGB(128, 128, 128));
  }
};

COLORREF colourOf(uint32_t e) { return RGB(e & 255, e >> 8 & 255, e >> 16 & 255); }

// Client area as shown on the screen, rows top to bottom, 0x00RRGGBB.
std::vector<uint32_t> grabClient(HWND hwnd, int w, int h) {
  HDC wdc = GetDC(hwnd);
  HDC mdc = CreateCompatibleDC(wdc);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(mdc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mdc, bmp);
  BitBlt(mdc, 0, 0, w, h, wdc, 0, 0, SRCCOPY);
  GdiFlush();
  std::vector<uint32_t> out(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + w * h);
  SelectObject(mdc, old);
  DeleteObject(bmp);
  DeleteDC(mdc);
  ReleaseDC(hwnd, wdc);
  return out;
}

// 32-bit top-down BMP for the artefact folder (converted to PNG by the
// screenshot script).
void saveBmp(const std::string& path, const std::vector<uint32_t>& px, int w, int h) {
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  ih.biSize = sizeof ih;
  ih.biWidth = w;
  ih.biHeight = -h;
  ih.biPlanes = 1;
  ih.biBitCount = 32;
  ih.biSizeImage = DWORD(px.size() * 4);
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof ih;
  fh.bfSize = fh.bfOffBits + ih.biSizeImage;
  // The folder comes from the host environment: a host path, so glibc opens it.
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(&fh, sizeof fh, 1, f);
  std::fwrite(&ih, sizeof ih, 1, f);
  std::fwrite(px.data(), ih.biSizeImage, 1, f);
  std::fclose(f);
}

TEST(XwinScreen, MagnifiedImageWithGridsReachesTheScreen) {
  cSHOWCASE win;
  win.setPos(40, 40);
  win.setStyle(WS_POPUP | WS_VISIBLE);
  ASSERT_EQ(win.create(kClient, kClient), 0);
  win.setView(0, 0, kImage, kImage);
  win.setScale(kScale);  // 128 x 128 pixels, centred: origin at (16, 16)
  SetWindowPos(win.handle, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  RedrawWindow(win.handle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  for (int i = 0; i < 20; i++) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  }
  std::vector<uint32_t> shot = grabClient(win.handle, kClient, kClient);
  auto at = [&](int x, int y) {
    uint32_t v = shot[size_t(y) * kClient + x];
    return RGB(v >> 16 & 255, v >> 8 & 255, v & 255);
  };
  const int o = (kClient - kImage * kScale) / 2;
  // Inside every cell: the picture's colour; on every boundary: a grid line.
  for (int y = 0; y < kImage; y++)
    for (int x = 0; x < kImage; x++)
      ASSERT_EQ(at(o + x * kScale + 4, o + y * kScale + 4),
                colourOf(win.cmap[win.px[y * kImage + x]]))
          << "cell " << x << "," << y;
  EXPECT_EQ(at(o + 3 * kScale, o + 20), RGB(64, 64, 64));
  EXPECT_EQ(at(o + 8 * kScale, o + 20), RGB(128, 128, 128));  // character grid drawn last
  EXPECT_EQ(at(o + 20, o + 16 * kScale), RGB(128, 128, 128));
  EXPECT_EQ(at(4, 4), RGB(212, 208, 200));  // background outside the picture
  if (const char* dir = std::getenv("TDE_ARTIFACTS")) {
    mkdir(dir, 0755);  // host call: std::filesystem takes its Windows branch here
    saveBmp(std::string(dir) + "/xwin_magnified.bmp", shot, kClient, kClient);
  }
  win.close();
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    if (msg.message != WM_QUIT) DispatchMessageA(&msg);
}

}  // namespace
