#include "app/textfont.h"

#include <commdlg.h>

#include <cstdlib>

#include "image/bm.h"
#include "std/bmp4dib.h"
#include "tools/gesture/pendtext.h"

namespace {

struct GREYINFO {
  BITMAPINFOHEADER h;
  RGBQUAD table[256];
};

void greyRamp(uint32_t* cmap) {
  for (uint32_t i = 0; i < 256; i++) cmap[i] = rgbaMake(i, i, i, 255);
}

// White text on black in a w x h screen bitmap, read back as grey indices.
void drawGlyph(HDC wdc, HDC mdc, const PTEXT* t, BM* glyph) {
  HBITMAP bmp = dibIndexed(wdc, nullptr, glyph->cmap, 256, glyph->w, glyph->h);
  if (!bmp) return;
  HGDIOBJ old = SelectObject(mdc, bmp);
  SetBkColor(mdc, RGB(0, 0, 0));
  SetTextColor(mdc, RGB(255, 255, 255));
  TextOutA(mdc, 0, 0, t->text, t->len);
  SelectObject(mdc, old);
  GREYINFO info{};
  info.h.biSize = sizeof info.h;
  info.h.biWidth = glyph->w;
  info.h.biHeight = -glyph->h;  // rows top to bottom
  info.h.biPlanes = 1;
  info.h.biBitCount = 8;
  info.h.biCompression = BI_RGB;
  info.h.biSizeImage = DWORD(glyph->w) * glyph->h;
  info.h.biClrUsed = 256;
  for (int i = 0; i < 256; i++) info.table[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
  GetDIBits(mdc, bmp, 0, glyph->h, glyph->buf, reinterpret_cast<BITMAPINFO*>(&info),
            DIB_RGB_COLORS);
  DeleteObject(bmp);
}

}  // namespace

void textRender(cXWIN* w, PTEXT* t) {
  if (!w || !t) return;
  HWND hwnd = w->handle;
  HDC wdc = GetDC(hwnd);
  HDC mdc = wdc ? CreateCompatibleDC(wdc) : nullptr;
  if (!mdc) {
    if (wdc) ReleaseDC(hwnd, wdc);
    return;
  }
  HGDIOBJ oldFont = SelectObject(mdc, w->font);
  SIZE size{0, 0};
  GetTextExtentPoint32A(mdc, t->text, t->len, &size);
  uint32_t grey[256];
  greyRamp(grey);
  // Rows of an 8-bit bitmap are whole 32-bit words: no padding to skip.
  BM* glyph = bmNew(nullptr, 1, (size.cx + 3) / 4 * 4, size.cy, grey, 256);
  if (glyph && glyph->buf) drawGlyph(wdc, mdc, t, glyph);
  SelectObject(mdc, oldFont);
  DeleteDC(mdc);
  ReleaseDC(hwnd, wdc);
  if (!glyph) return;
  bmFre(t->glyph);
  t->glyph = glyph;
}

int fontChoose(cXWIN* w) {
  LOGFONTA lf{};
  if (w->font) GetObjectA(w->font, sizeof lf, &lf);
  CHOOSEFONTA cf{};
  cf.lStructSize = sizeof cf;
  cf.hwndOwner = w->handle;
  cf.lpLogFont = &lf;
  cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_SCALABLEONLY | CF_NOVERTFONTS;
  cf.nFontType = SCREEN_FONTTYPE;
  if (!ChooseFontA(&cf)) return 0;
  fontApply(w, lf.lfFaceName, std::abs(static_cast<int>(lf.lfHeight)));
  return 1;
}

void fontApply(cXWIN* w, const char* face, int h) {
  HFONT f = CreateFontA(-h, h / 2, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DRAFT_QUALITY, FIXED_PITCH, face);
  if (!f) return;
  if (w->font) DeleteObject(w->font);
  w->font = f;
  w->fonth = h;
  w->charw = h / 2;
  w->setFaceName(face);
}
