// The clipboard both ways through the document menu and the clipboard
// module, and the page a window prints: its mapping and what lands on it.
#include "tests/wine/gtest_win.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/cwin.h"
#include "app/evt.h"
#include "app/winhost.h"
#include "image/bm.h"
#include "std/png.h"
#include "std/xwinclip.h"

namespace {

const char kPasteTitle[] = "クリップボード.pxa";

class ClipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    drain();
    evtInit();
    winhostInstall();
  }
  void TearDown() override {
    for (cXWIN* w : windows())
      if (IsWindow(w->handle)) DestroyWindow(w->handle);
    drain();
    evtFree();
  }

  cWIN* open(BM* bm) {
    std::snprintf(bm->fname, sizeof bm->fname, "%s", "clip.pxa");
    auto* win = new cWIN;
    EXPECT_TRUE(win->winShowImage(bm, 64, 64));
    return win;
  }

  static std::vector<cXWIN*> windows() {
    std::vector<cXWIN*> out;
    for (void* e = dbTop(winlist); e; e = dbNxt(e)) out.push_back(*static_cast<cXWIN**>(e));
    return out;
  }

  static cWIN* pasted() {
    for (cXWIN* w : windows())
      if (!std::strcmp(w->title, kPasteTitle)) return static_cast<cWIN*>(w);
    return nullptr;
  }

  static void command(cXWIN* w, int id) { SendMessageA(w->handle, WM_COMMAND, id, 0); }

  // Replaces the clipboard with one format holding a copy of the bytes.
  static void offer(HWND owner, UINT format, const void* data, size_t n) {
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, n);
    std::memcpy(GlobalLock(mem), data, n);
    GlobalUnlock(mem);
    EXPECT_TRUE(SetClipboardData(format, mem));
    CloseClipboard();
  }

  static std::vector<uint8_t> clipboardBytes(HWND owner, UINT format) {
    std::vector<uint8_t> out;
    if (!OpenClipboard(owner)) return out;
    if (HANDLE h = GetClipboardData(format)) {
      auto* p = static_cast<const uint8_t*>(GlobalLock(h));
      if (p) out.assign(p, p + GlobalSize(h));
      GlobalUnlock(h);
    }
    CloseClipboard();
    return out;
  }

  static void drain() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  }
};

uint32_t px4(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

TEST_F(ClipTest, CopyOfIndexedThenPasteIsDirectWithTheMapsColoursOpaque) {
  // Only two entries counted in use, yet the pixels reach far into the map.
  const uint8_t idx[6] = {0, 1, 7, 200, 255, 3};
  BM* bm = bmNew(idx, 1, 3, 2, nullptr, 2);
  uint32_t* cmap = bm->cmap;
  for (int i = 0; i < 256; i++) cmap[i] = rgbaMake(i, 255 - i, (i * 7) & 255, i & 1 ? 0 : 128);
  cWIN* src = open(bm);
  command(src, 33049);
  command(src, 33050);
  cWIN* w = pasted();
  ASSERT_NE(w, nullptr) << "no window titled クリップボード.pxa";
  ASSERT_NE(w, src);
  const BM* got = w->image;
  ASSERT_EQ(got->bpp, 4);
  ASSERT_EQ(got->w, 3);
  ASSERT_EQ(got->h, 2);
  EXPECT_EQ(got->ftype, BMF_NATIVE);
  for (int i = 0; i < 6; i++)
    EXPECT_EQ(px4(got->buf + 4 * i), (cmap[idx[i]] & 0xFFFFFF) | 0xFF000000u) << i;
}

TEST_F(ClipTest, TransparencyIsLostThroughTheBitmapAndKeptThroughPng) {
  const uint8_t rgba[16] = {10, 20, 30, 0, 40, 50, 60, 128, 70, 80, 90, 255, 200, 0, 100, 7};
  cWIN* win = open(bmNew(rgba, 4, 2, 2, nullptr, 0));
  ASSERT_EQ(clipWrite(win->handle, rgba, 4, 2, 2, nullptr, 0), 1);

  IMGF* back = clipRead(win->handle);
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->depth, 0);
  for (int i = 0; i < 4; i++)
    EXPECT_EQ(px4(back->buf + 4 * i), (px4(rgba + 4 * i) & 0xFFFFFF) | 0xFF000000u) << i;
  imgfFre(back);

  // The PNG offered beside the bitmap holds the real alpha...
  std::vector<uint8_t> png = clipboardBytes(win->handle, clipPngFormat());
  ASSERT_FALSE(png.empty());
  IMGF* dec = pngDecode(png.data(), png.size());
  ASSERT_NE(dec, nullptr);
  EXPECT_EQ(std::memcmp(dec->buf, rgba, 16), 0);
  imgfFre(dec);

  // ...and a clipboard holding only PNG pastes with it.
  offer(win->handle, clipPngFormat(), png.data(), png.size());
  command(win, 33050);
  cWIN* w = pasted();
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(w->image->bpp, 4);
  EXPECT_EQ(std::memcmp(w->image->buf, rgba, 16), 0);
}

TEST_F(ClipTest, IndexedPngOnTheClipboardPastesAsItsColours) {
  uint32_t cmap[256] = {};
  cmap[0] = rgbaMake(1, 2, 3, 0);
  cmap[1] = rgbaMake(250, 100, 50, 255);
  const uint8_t idx[4] = {0, 1, 1, 0};
  std::vector<uint8_t> png = pngEncode(idx, 2, 2, 8, cmap, 2);
  ASSERT_FALSE(png.empty());
  cWIN* win = open(bmNew(idx, 1, 2, 2, cmap, 2));
  offer(win->handle, clipPngFormat(), png.data(), png.size());
  IMGF* img = clipRead(win->handle);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(img->depth, 0);
  for (int i = 0; i < 4; i++) EXPECT_EQ(px4(img->buf + 4 * i), cmap[idx[i]]) << i;
  imgfFre(img);
}

TEST_F(ClipTest, PasteOfTextOnlySaysSoAndOpensNothing) {
  cWIN* win = open(bmNew(nullptr, 1, 2, 2, nullptr, 0));
  const char text[] = "hello";
  offer(win->handle, CF_TEXT, text, sizeof text);
  const size_t before = windows().size();
  testing::internal::CaptureStdout();
  command(win, 33050);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "GetClipboardDataエラー\n");
  EXPECT_EQ(windows().size(), before);
  EXPECT_EQ(pasted(), nullptr);
}

// A document window that notes the mapping its content is drawn with.
class PageProbe : public cWIN {
 public:
  void drawContent() override {
    seen = xf;
    seenPrinting = printing;
    cWIN::drawContent();
  }
  VIEWXF seen{};
  int seenPrinting = -1;
};

TEST(PrintPage, ViewIsScaledByTheShorterSidesAndCentred) {
  PageProbe w;
  w.width = w.height = 256;
  w.setView(0, 0, 32, 32);  // 8 pixels per image pixel
  ASSERT_DOUBLE_EQ(w.scale(), 8.0);
  HDC dc = CreateCompatibleDC(nullptr);
  w.drawPage(dc, 4800, 6000);
  DeleteDC(dc);
  EXPECT_EQ(w.seenPrinting, 1);
  EXPECT_DOUBLE_EQ(w.seen.sx, 150.0);  // 8 x 4800 / 256
  EXPECT_DOUBLE_EQ(xformWinX(w.seen, 16), 2400.0);
  EXPECT_DOUBLE_EQ(xformWinY(w.seen, 16), 3000.0);
  EXPECT_EQ(w.printing, 0);
  EXPECT_DOUBLE_EQ(w.scale(), 8.0);
  EXPECT_EQ(w.dc, nullptr);
}

TEST(PrintPage, PictureAndThickGridLandCentredOnThePage) {
  const int pw = 120, ph = 160;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = pw;
  bi.bmiHeader.biHeight = -ph;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  uint32_t* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp =
      CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bmp);
  for (int i = 0; i < pw * ph; i++) bits[i] = 0xFFFFFF;

  uint32_t cmap[256] = {};
  for (int i = 0; i < 16; i++) cmap[i] = rgbaMake(i * 16, 255 - i * 16, 200, 255);
  uint8_t idx[16];
  for (int i = 0; i < 16; i++) idx[i] = uint8_t(i);
  cWIN w;
  w.image = bmNew(idx, 1, 4, 4, cmap, 16);
  w.pixgrid = 1;
  w.width = w.height = 32;
  w.setView(0, 0, 4, 4);
  w.drawPage(dc, pw, ph);  // 30 device pixels per image pixel, 20 rows above and below
  GdiFlush();
  auto at = [&](int x, int y) { return bits[y * pw + x] & 0xFFFFFF; };
  auto bgr = [](uint32_t c) { return rgbaB(c) | rgbaG(c) << 8 | rgbaR(c) << 16; };
  EXPECT_EQ(at(60, 5), 0xFFFFFFu);
  EXPECT_EQ(at(60, 155), 0xFFFFFFu);
  for (int i = 0; i < 16; i++)
    EXPECT_EQ(at(i % 4 * 30 + 15, 20 + i / 4 * 30 + 15), bgr(cmap[i])) << i;
  // Grid lines 4 units wide at every pixel boundary.
  for (int d = -1; d <= 1; d++) {
    EXPECT_EQ(at(30 + d, 65), 0x404040u) << d;
    EXPECT_EQ(at(75, 80 + d), 0x404040u) << d;
  }
  EXPECT_NE(at(34, 65), 0x404040u);
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
}

}  // namespace
