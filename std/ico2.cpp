#include "std/ico2.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "std/bmp4.h"
#include "std/db2.h"
#include "std/fileio.h"
#include "std/imgfnew.h"
#include "std/png.h"

namespace {

uint32_t le16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint32_t be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

// Bounded view of the file: bytes outside it read as 0.
struct FileView {
  const uint8_t* p;
  size_t len;
  uint8_t at(uint64_t i) const { return i < len ? p[i] : 0; }
  bool has(uint64_t off, uint64_t n) const { return off <= len && n <= len - off; }
};

int bitAt(const FileView& f, uint64_t rowstart, int x, int bits) {
  int bit = x * bits;
  return (f.at(rowstart + bit / 8) >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
}

// The w samples of `bits` bits of a stored row; bytes past the end of the
// file read as 0. Whole rows inside the file are unpacked straight.
void unpackRow(const FileView& f, uint64_t start, int w, int bits, uint8_t* out) {
  uint64_t bytes = (static_cast<uint64_t>(w) * bits + 7) / 8;
  if (start >= f.len) {
    std::memset(out, 0, static_cast<size_t>(w));
  } else if (!f.has(start, bytes)) {
    for (int x = 0; x < w; ++x) out[x] = static_cast<uint8_t>(bitAt(f, start, x, bits));
  } else if (bits == 8) {
    std::memcpy(out, f.p + start, static_cast<size_t>(w));
  } else {
    const uint8_t* p = f.p + start;
    int per = 8 / bits, mask = (1 << bits) - 1;
    for (int x = 0; x < w; ++x)
      out[x] = static_cast<uint8_t>(p[x / per] >> (8 - bits - (x % per) * bits) & mask);
  }
}

// Palette, XOR indices and AND mask of an image of c bits (1, 4 or 8) at off.
// A two-colour cursor (cursor2) takes the editor's index meaning, which its
// writer uses too: 0 transparent (AND 1, XOR 0), 1 black and 2 white (the
// file's two colours, opaque), 3 inverted screen (AND 1, XOR 1, transparent).
void readPicture(IMGF* img, const FileView& f, uint64_t off, int c, bool cursor2) {
  int w = img->w, h = img->h;
  uint64_t pal = off + 40;
  for (int i = 0; i < (1 << c); ++i) {
    uint64_t e = pal + 4 * static_cast<uint64_t>(i);
    if (f.has(e, 4)) img->cmap[i] = f.at(e + 2) | f.at(e + 1) << 8 | f.at(e) << 16 | 0xffu << 24;
  }
  uint64_t xorrow = static_cast<uint64_t>(bmpRowSize(w, c));
  uint64_t androw = static_cast<uint64_t>(bmpRowSize(w, 1));
  uint64_t xors = pal + 4 * (uint64_t(1) << c);
  uint64_t ands = xors + xorrow * h;
  // Stored rows go bottom-up; rows that start past the end of the file stay 0.
  for (int r = 0; r < h && xors + r * xorrow < f.len; ++r)
    unpackRow(f, xors + r * xorrow, w, c, img->buf + static_cast<size_t>(h - 1 - r) * w);
  std::vector<uint8_t> mask(static_cast<size_t>(w));
  if (cursor2) {
    uint32_t black = img->cmap[0], white = img->cmap[1];
    img->cmap[0] = 0;
    img->cmap[1] = black | 0xff000000u;
    img->cmap[2] = white | 0xff000000u;
    img->cmap[3] = 0x00ffffffu;
    for (int r = 0; r < h; ++r) {
      uint8_t* row = img->buf + static_cast<size_t>(h - 1 - r) * w;
      unpackRow(f, ands + r * androw, w, 1, mask.data());
      // AND 1: XOR 0 -> 0, XOR 1 -> 3; AND 0: XOR + 1. Without branches the loop vectorises.
      for (int x = 0; x < w; ++x)
        row[x] = static_cast<uint8_t>(row[x] + 1 - mask[x] + 2 * (mask[x] & row[x]));
    }
    return;
  }
  for (int r = 0; r < h && ands + r * androw < f.len; ++r) {
    const uint8_t* row = img->buf + static_cast<size_t>(h - 1 - r) * w;
    unpackRow(f, ands + r * androw, w, 1, mask.data());
    for (int x = 0; x < w; ++x)
      if (mask[x]) img->cmap[row[x]] &= 0x00ffffffu;
  }
}

// An entry stored as a PNG file (current icons keep their large pictures so):
// its own width and height count toward the bound before it is decoded.
// Null when the bound is passed or the PNG cannot be decoded (with a message).
IMGF* pngEntry(const FileView& f, uint64_t off, uint64_t size, int64_t* total) {
  size_t n = static_cast<size_t>(std::min<uint64_t>(size, f.len - off));
  if (n >= 24) {
    uint64_t px = uint64_t(be32(f.p + off + 16)) * be32(f.p + off + 20);
    *total += static_cast<int64_t>(std::min<uint64_t>(px, IMGF_READ_MAXPIXELS + 1));
  }
  if (*total > IMGF_READ_MAXPIXELS) {
    std::printf("icoOpen:画像が多すぎます\n");
    return nullptr;
  }
  return pngDecode(f.p + off, n);
}

}  // namespace

DB* imgfListNew() { return dbNew(0, sizeof(IMGF), 0, 0); }

IMGF* imgfListAdd(DB* list, const IMGF* img) {
  return static_cast<IMGF*>(dbPut(list, nullptr, 0, img, sizeof(IMGF)));
}

void imgfListFre(DB* list) {
  if (!list) return;
  for (void* p = dbTop(list); p; p = dbNxt(p)) std::free(static_cast<IMGF*>(p)->buf);
  dbFre(list);
}

DB* icoDecode(const uint8_t* file, size_t len, int limit) {
  FileView f{file, len};
  if (len < 6 || le16(file) != 0) return nullptr;
  int type = static_cast<int>(le16(file + 2));
  if (type != ICO_ICON && type != ICO_CURSOR) return nullptr;
  int count = static_cast<int>(le16(file + 4));
  if (limit > 0 && count > limit) count = limit;
  DB* list = imgfListNew();
  // Many entries may point at one picture: the pixels of the whole list are bounded.
  int64_t total = 0;
  for (int i = 0; i < count; ++i) {
    uint64_t entry = 6 + 16 * static_cast<uint64_t>(i);
    if (!f.has(entry, 16)) break;  // the directory runs past the file
    uint64_t off = le32(file + entry + 12);
    if (!f.has(off, 40)) continue;  // no image header inside the file
    if (pngSignature(file + off, len - off)) {
      IMGF* img = pngEntry(f, off, le32(file + entry + 8), &total);
      if (total > IMGF_READ_MAXPIXELS) break;
      if (img) imgfListAdd(list, img);
      std::free(img);  // the list holds the record and its pixels now
      continue;
    }
    int w = file[entry] ? file[entry] : 256;
    int h = file[entry + 1] ? file[entry + 1] : 256;
    int c = static_cast<int>(le16(file + off + 14));
    total += static_cast<int64_t>(w) * h;
    if (total > IMGF_READ_MAXPIXELS) {
      std::printf("icoOpen:画像が多すぎます\n");
      break;
    }
    bool supported = c == 1 || c == 4 || c == 8;
    IMGF* img = imgfNewSay(w, h, type == ICO_CURSOR ? 2 : supported ? c : 8, "icoOpen");
    if (!img) break;
    img->ncolor = type == ICO_CURSOR ? 4 : c >= 8 ? 256 : 1 << c;
    if (supported) {
      readPicture(img, f, off, c, type == ICO_CURSOR && c == 1);
    } else {
      std::printf("フルカラーのアイコン、カーソルはサポートしていません\n");
      std::free(img->buf);  // no pixels rather than a blank picture
      img->buf = nullptr;
    }
    imgfListAdd(list, img);
    std::free(img);  // the list holds the record and its pixels now
  }
  return list;
}

DB* icoOpen(const char* fname, int limit) {
  size_t len = 0;
  uint8_t* file = fioLoad(&len, fname);
  if (!file) return nullptr;
  DB* list = icoDecode(file, len, limit);
  std::free(file);
  return list;
}

namespace {

// Whether every opaque colour the pixels use is pure black or pure white. A
// cursor of such colours is written by colour; any other keeps the editor's
// index meaning (1 black, 2 white), which the default grey map needs.
bool blackAndWhite(const uint8_t* px, size_t n, const uint8_t* cm) {
  bool used[256] = {};
  for (size_t i = 0; i < n; ++i) used[px[i]] = true;
  for (int i = 0; i < 256; ++i) {
    const uint8_t* e = cm + 4 * i;
    if (!used[i] || e[3] == 0) continue;
    bool black = e[0] == 0 && e[1] == 0 && e[2] == 0;
    bool white = e[0] == 255 && e[1] == 255 && e[2] == 255;
    if (!black && !white) return false;
  }
  return true;
}

}  // namespace

std::vector<uint8_t> icoEncode(const void* pixels, int w, int h, const void* cmap, int cmapn,
                               int type) {
  std::vector<uint8_t> out;
  if (w <= 0 || h <= 0 || w > 256 || h > 256 || !cmap || cmapn < 0 || cmapn > 256 ||
      (type != ICO_ICON && type != ICO_CURSOR))
    return out;
  bool cursor = type == ICO_CURSOR;
  int depth = cursor ? 1 : cmapn <= 16 ? 4 : 8;
  int ncol = 1 << depth;
  size_t xorrow = static_cast<size_t>(bmpRowSize(w, depth));
  size_t androw = static_cast<size_t>(bmpRowSize(w, 1));
  size_t imgsize = (xorrow + androw) * h + 4 * ncol + 40;
  out.assign(22 + imgsize, 0);
  uint8_t* p = out.data();
  auto w16 = [&](size_t at, uint32_t v) { p[at] = v & 0xff, p[at + 1] = (v >> 8) & 0xff; };
  auto w32 = [&](size_t at, uint32_t v) { w16(at, v & 0xffff), w16(at + 2, v >> 16); };
  w16(2, static_cast<uint32_t>(type));
  w16(4, 1);
  p[6] = static_cast<uint8_t>(w & 255);
  p[7] = static_cast<uint8_t>(h & 255);
  p[8] = cursor ? 0 : static_cast<uint8_t>(depth);
  w32(14, static_cast<uint32_t>(imgsize));
  w32(18, 22);
  w32(22, 40);
  w32(26, static_cast<uint32_t>(w));
  w32(30, static_cast<uint32_t>(2 * h));
  w16(34, 1);
  w16(36, static_cast<uint32_t>(depth));
  w32(42, static_cast<uint32_t>(w * h * 2 / 8));
  w32(54, cursor ? 0 : static_cast<uint32_t>(ncol));
  const auto* cm = static_cast<const uint8_t*>(cmap);
  uint8_t* pal = p + 62;
  for (int k = 0; k < ncol; ++k) {
    // Indices are stored decreased by one, so file entry k is map entry k + 1;
    // the last entry carries index 0 (wrapping within the file's palette).
    const uint8_t* e = cm + 4 * ((k + 1) % ncol);
    uint8_t white = cursor && k == 1 ? 255 : 0;
    pal[4 * k] = cursor ? white : e[2];
    pal[4 * k + 1] = cursor ? white : e[1];
    pal[4 * k + 2] = cursor ? white : e[0];
  }
  std::vector<uint8_t> dec(static_cast<size_t>(w) * h);
  const auto* px = static_cast<const uint8_t*>(pixels);
  for (size_t i = 0; i < dec.size(); ++i) dec[i] = static_cast<uint8_t>(px[i] - 1);
  // A transparent cursor pixel keeps XOR 0: with XOR 1 it would invert the screen.
  if (cursor) {
    bool byColour = blackAndWhite(px, dec.size(), cm);
    for (size_t i = 0; i < dec.size(); ++i) {
      const uint8_t* e = cm + 4 * px[i];
      if (e[3] == 0)
        dec[i] = 0;
      else if (byColour)
        dec[i] = e[0] == 255;
    }
  }
  uint8_t* xors = pal + 4 * ncol;
  bmpRows(h, xors, dec.data(), depth, w, BMP_PACK);
  uint8_t* ands = xors + xorrow * h;
  for (int y = 0; y < h; ++y) {
    uint8_t* row = ands + (h - 1 - y) * androw;
    for (int x = 0; x < w; ++x)
      if (cm[4 * px[static_cast<size_t>(y) * w + x] + 3] == 0) row[x / 8] |= 0x80 >> (x % 8);
  }
  return out;
}

int icoSave(const char* fname, const void* pixels, int w, int h, const void* cmap, int cmapn,
            int type) {
  std::vector<uint8_t> file = icoEncode(pixels, w, h, cmap, cmapn, type);
  if (file.empty()) return 0;
  return fioSave(fname, file.data(), file.size()) == 1 ? 1 : 0;
}
