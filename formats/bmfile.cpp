#include "formats/bmfile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "formats/pxa.h"
#include "image/bmconv.h"
#include "std/bmp4.h"
#include "std/db2.h"
#include "std/hostfs.h"
#include "std/ico2.h"
#include "std/imgf.h"
#include "std/png.h"

#include "formats/jpeg.h"
#include "formats/sbf.h"
#include "formats/tif.h"
#include "std/ppm2.h"

static_assert(IMGF_MAXPIXELS == BM_MAXPIXELS, "readers and image records share one bound");

namespace {

const char* const kExt[] = {".pxa", ".bmp", ".tif", ".ppm", ".jpg", ".cur", ".ico", ".sbf", ".png"};

struct BmDeleter {
  void operator()(BM* bm) const { bmFre(bm); }
};
using BmPtr = std::unique_ptr<BM, BmDeleter>;

bool nameTooLong(const char* fname, const char* who) {
  if (std::strlen(fname) < BM_FNAMESZ) return false;
  std::printf("%s:ファイル名が長すぎます:%s\n", who, fname);
  return true;
}

// The first picture of an icon or cursor file, as a record of its own.
IMGF* firstIcon(const char* fname) {
  DB* list = icoOpen(fname, 1);
  if (!list) return nullptr;
  IMGF* img = nullptr;
  auto* first = static_cast<IMGF*>(dbTop(list));
  // A picture the reader could not decode has no pixels: no blank stand-in.
  if (first && !first->buf && int64_t(first->w) * first->h > 0) first = nullptr;
  if (first) {
    img = static_cast<IMGF*>(std::malloc(sizeof(IMGF)));
    if (img) {
      *img = *first;
      first->buf = nullptr;  // now owned by img
    }
  }
  imgfListFre(list);
  return img;
}

IMGF* readFormat(int kind, const char* fname) {
  switch (kind) {
    case BMF_NATIVE:
      return pxaOpen(fname);
    case BMF_BMP:
      return bmpOpen(fname);
    case BMF_CUR:
    case BMF_ICO:
      return firstIcon(fname);
    case BMF_TIFF:
      return tifOpen(fname);
    case BMF_PPM:
      return ppmOpen(fname);
    case BMF_JPEG:
      return jpgOpen(fname);
    case BMF_SBF:
      return sbfOpen(fname);
    case BMF_PNG:
      return pngOpen(fname);
    default:
      return nullptr;
  }
}

// The image record for a decoded picture. When the reader's pixels have the
// record's layout, the record takes over the reader's buffer (both are
// std::malloc'ed) instead of copying it.
BM* imageOf(IMGF* img, int kind) {
  int bpp, cmapn;
  const uint32_t* cmap = img->cmap;
  if (kind == BMF_JPEG) {
    bpp = 4, cmapn = 256, cmap = nullptr;
  } else {
    // Icon pictures are indexed, except those stored as PNG in direct colour.
    bpp = img->depth != 0 ? 1 : 4;
    cmapn = img->ncolor;
    bool keepCount = kind == BMF_NATIVE || (bpp == 1 && (kind == BMF_CUR || kind == BMF_ICO));
    if (cmapn == 0 && !keepCount) cmapn = 256;
    if (cmapn > 256) cmapn = 256;
  }
  int imgBpp = img->depth ? 1 : 4;
  if (bpp != imgBpp || !img->buf || !bmSizeOk(img->w, img->h, bpp))
    return bmNew(img->buf, bpp, img->w, img->h, cmap, cmapn);
  BM* bm = bmNew(nullptr, bpp, 0, 0, cmap, cmapn);
  if (!bm) return nullptr;
  bm->w = img->w;
  bm->h = img->h;
  bm->buf = img->buf;
  img->buf = nullptr;
  return bm;
}

// A direct-colour copy of an indexed image, for formats that hold only
// colours; every entry goes along, pixels may use those at and above cmapn.
BmPtr directCopy(const BM* bm) {
  BmPtr copy(bmNew(bm->buf, bm->bpp, bm->w, bm->h, bm->cmap, bm->cmapn));
  bmCmapCopy(copy.get(), bm);
  if (copy && !bmDirect(copy.get())) copy.reset();
  return copy;
}

// Colour-map entries a file must hold: cmapn, or up to the highest index in
// use when pixels use entries above it (their colours would be lost).
int savedColours(const BM* bm) {
  if (bm->bpp != 1) return bm->cmapn;
  size_t n = static_cast<size_t>(bm->w) * bm->h;
  int top = bm->cmapn - 1;
  for (size_t i = 0; i < n && top < 255; ++i)
    if (bm->buf[i] > top) top = bm->buf[i];
  return top + 1;
}

int indexBits(const BM* bm, int n) {
  if (bm->bpp != 1) return 0;
  return n <= 2 ? 1 : n <= 4 ? 2 : n <= 16 ? 4 : 8;
}

// Plain bitmap or grey-map samples of an indexed image: the colours of its
// entries (bitmap: 1 for black), not the indices.
std::vector<uint8_t> ppmSamples(const BM* bm, int ver) {
  uint8_t sample[256];
  for (int i = 0; i < 256; ++i) {
    uint32_t red = rgbaR(bm->cmap[i]);
    sample[i] = static_cast<uint8_t>(ver == 1 ? red == 0 : red);
  }
  std::vector<uint8_t> out(static_cast<size_t>(bm->w) * bm->h);
  for (size_t i = 0; i < out.size(); ++i) out[i] = sample[bm->buf[i]];
  return out;
}

int writeFormat(BM* bm, const char* fname, int type) {
  int ncolor = savedColours(bm);
  int bits = indexBits(bm, ncolor);
  switch (type) {
    case BMF_NATIVE:
      return pxaSave(fname, bm->buf, bm->w, bm->h, bm->cmap, ncolor, bits);
    case BMF_BMP:
      return bits ? bmpSave(fname, bm->buf, bm->w, bm->h, bits, bm->cmap, ncolor)
                  : bmpSave(fname, bm->buf, bm->w, bm->h, 0, nullptr, 0);
    case BMF_CUR:
    case BMF_ICO:
      return icoSave(fname, bm->buf, bm->w, bm->h, bm->cmap, ncolor,
                     type == BMF_CUR ? ICO_CURSOR : ICO_ICON);
    case BMF_TIFF:
      return tifdbSave(fname, bm->buf, bm->w, bm->h, bm->cmap, ncolor, bits);
    case BMF_PPM: {
      int ver = ppmKind(bm);
      if (ver == 3 && bm->bpp == 1) {
        BmPtr copy = directCopy(bm);
        return copy ? ppmSave(fname, copy->buf, copy->w, copy->h, ver) : 0;
      }
      if (ver == 3) return ppmSave(fname, bm->buf, bm->w, bm->h, ver);
      std::vector<uint8_t> samples = ppmSamples(bm, ver);
      return ppmSave(fname, samples.data(), bm->w, bm->h, ver);
    }
    case BMF_JPEG: {
      if (bm->bpp == 4) return jpgSave(fname, bm->buf, bm->w, bm->h);
      BmPtr copy = directCopy(bm);
      return copy ? jpgSave(fname, copy->buf, copy->w, copy->h) : 0;
    }
    case BMF_SBF:
      return sbfSave(fname, "bm", bm->buf, bm->w, bm->h, bm->cmap, ncolor, bits);
    case BMF_PNG:
      return pngSave(fname, bm->buf, bm->w, bm->h, bits, bm->cmap, ncolor);
    default:
      return 0;
  }
}

}  // namespace

int bmfileKind(const char* fname) {
  HfsFile* f = hfsOpenRead(fname);
  if (!f) return -1;
  uint8_t b[4] = {};
  size_t n = hfsRead(f, b, 4);
  hfsClose(f);
  if (n < 4) return 0;
  if (b[0] == 'B' && b[1] == 'M') return BMF_BMP;
  if ((b[0] == 'I' && b[1] == 'I') || (b[0] == 'M' && b[1] == 'M')) return BMF_TIFF;
  if (!std::memcmp(b, "1FIO", 4) || !std::memcmp(b, "1FIN", 4)) return BMF_NATIVE;
  if (!std::memcmp(b, "ffiS", 4)) return BMF_SBF;
  if (!std::memcmp(b, "\0\0\1\0", 4)) return BMF_ICO;
  if (!std::memcmp(b, "\0\0\2\0", 4)) return BMF_CUR;
  if (b[0] == 0xff && b[1] == 0xd8) return BMF_JPEG;
  if (b[0] == 'P' && b[1] >= '1' && b[1] <= '6') return BMF_PPM;
  if (!std::memcmp(b, "\x89PNG", 4)) return BMF_PNG;
  return 0;
}

BM* bmfileLoad(const char* fname) {
  if (nameTooLong(fname, "bmfileLoad")) return nullptr;
  int kind = bmfileKind(fname);
  if (kind < 0) {
    std::printf("bmfileLoad:ファイルオープン(r)エラー:%s\n", fname);
    return nullptr;
  }
  if (kind == 0) {
    std::printf("bmfileLoad:対応していません:%s\n", fname);
    return nullptr;
  }
  IMGF* img = readFormat(kind, fname);
  if (!img) return nullptr;
  BM* bm = imageOf(img, kind);
  imgfFre(img);
  if (!bm) {
    std::printf("bmfileLoad:メモリ確保エラー:%s\n", fname);
    return nullptr;
  }
  std::strcpy(bm->fname, fname);
  bm->ftype = kind;
  return bm;
}

int bmfileSave(BM* bm, const char* fname, int type) {
  if (type == 0) type = bm->ftype;
  if (type < 1 || type > BMF_PNG) {
    std::printf("bmfileSave:対応していません:%s\n", fname);
    return 0;
  }
  if (nameTooLong(fname, "bmfileSave")) return 0;
  // Icons and cursors hold indices; "save as" hands over an indexed copy.
  if ((type == BMF_ICO || type == BMF_CUR) && bm->bpp != 1) {
    std::printf("bmfileSave:アイコン、カーソルはインデックスカラーのみです:%s\n", fname);
    return 0;
  }
  // Every writer keeps the old file until the new one is complete: it writes
  // one temporary file beside the target and renames it over the target
  // (std/fout), so its messages name the file asked for.
  if (!writeFormat(bm, fname, type)) {
    std::printf("bmfileSave:書き込みエラー:%s\n", fname);
    return 0;
  }
  bm->modified = 0;
  return 1;
}

const char* bmfileExt(int type) { return type >= 1 && type <= BMF_PNG ? kExt[type - 1] : nullptr; }

int extKind(const char* fname) {
  // File-name part: after the last '/', ':' or '\\'; Shift-JIS pairs step whole.
  const char* name = fname;
  for (const char* p = fname; *p; ++p) {
    auto c = static_cast<unsigned char>(*p);
    if ((c >= 0x81 && c <= 0x9f) || (c >= 0xe0 && c <= 0xfc)) {
      if (!p[1]) break;
      ++p;
    } else if (c == '/' || c == ':' || c == '\\') {
      name = p + 1;
    }
  }
  while (*name == '.') ++name;
  const char* ext = nullptr;
  for (const char* p = name; *p; ++p) {
    auto c = static_cast<unsigned char>(*p);
    if ((c >= 0x81 && c <= 0x9f) || (c >= 0xe0 && c <= 0xfc)) {
      if (!p[1]) break;
      ++p;
    } else if (c == '.') {
      ext = p;
    }
  }
  if (!ext) return -1;
  static const struct {
    const char* ext;
    int kind;
  } table[] = {{".bmp", BMF_BMP},    {".tif", BMF_TIFF}, {".ppm", BMF_PPM},
               {".jpg", BMF_JPEG},   {".cur", BMF_CUR},  {".ico", BMF_ICO},
               {".pxa", BMF_NATIVE}, {".sbf", BMF_SBF},  {".png", BMF_PNG}};
  for (const auto& e : table)
    if (jstricmp(ext, e.ext) == 0) return e.kind;
  return -1;
}

int ppmKind(const BM* bm) {
  if (bm->bpp != 1) return 3;
  bool used[256] = {};
  size_t n = static_cast<size_t>(bm->w) * bm->h;
  for (size_t i = 0; i < n; ++i) used[bm->buf[i]] = true;
  // By the colours in use, not the indices: a bitmap holds black and white
  // only, a grey map greys only.
  bool blackWhite = true;
  for (int i = 0; i < 256; ++i) {
    uint32_t c = bm->cmap[i];
    if (!used[i]) continue;
    if (rgbaR(c) != rgbaG(c) || rgbaG(c) != rgbaB(c)) return 3;
    if (rgbaR(c) != 0 && rgbaR(c) != 255) blackWhite = false;
  }
  return blackWhite ? 1 : 2;
}
