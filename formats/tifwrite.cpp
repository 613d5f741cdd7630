// TIFF writer: one little-endian directory, one uncompressed strip, the
// out-of-line values after the directory and the pixels last.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/tif.h"
#include "std/fout.h"

namespace {

// Out-of-line value of one entry: not copied, it must live until written.
struct TIFEXTRA {
  int entry;
  const void* data;
  uint32_t size;
};

void put16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v), p[1] = uint8_t(v >> 8); }
void put32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v), p[1] = uint8_t(v >> 8), p[2] = uint8_t(v >> 16), p[3] = uint8_t(v >> 24);
}

bool tifwInit(TIFW* tw) {
  *tw = TIFW{nullptr, 0, 0, dbNew(0, sizeof(TIFEXTRA), 0, 0)};
  return tw->extra != nullptr;
}

void tifwFree(TIFW* tw) {
  std::free(tw->ifd);
  dbFre(tw->extra);
  *tw = TIFW{};
}

// Entry count, entries, next-directory offset, then every out-of-line value.
bool tifwFlush(TIFW* tw, FOUT* fo) {
  uint64_t pos = 8 + 2 + 12 * uint64_t(tw->count) + 4;
  for (void* p = dbTop(tw->extra); p; p = dbNxt(p)) {
    const TIFEXTRA* x = static_cast<const TIFEXTRA*>(p);
    put32(tw->ifd + 12 * x->entry + 8, static_cast<uint32_t>(pos));
    pos += x->size;
  }
  uint8_t count[2], next[4] = {0, 0, 0, 0};
  put16(count, static_cast<uint32_t>(tw->count));
  bool ok = foutWrite(fo, count, 2) && foutWrite(fo, tw->ifd, 12 * size_t(tw->count)) &&
            foutWrite(fo, next, 4);
  for (void* p = dbTop(tw->extra); ok && p; p = dbNxt(p)) {
    const TIFEXTRA* x = static_cast<const TIFEXTRA*>(p);
    ok = foutWrite(fo, x->data, x->size);
  }
  return ok;
}

// ColorMap: red, green and blue planes of 2^depth 16-bit values.
std::vector<uint8_t> colourMapData(const uint8_t* cmap, int ncolor, int depth) {
  int n = 1 << depth;
  std::vector<uint8_t> out(size_t(n) * 6);
  for (int plane = 0; plane < 3; plane++) {
    for (int j = 0; j < n; j++) {
      uint32_t v = 65535;
      if (j < ncolor) v = (cmap ? cmap[4 * j + plane] : j) * 257u;
      put16(&out[2 * (size_t(plane) * n + j)], v);
    }
  }
  return out;
}

// Indices packed most significant bits first, depth bits each, as one stream.
std::vector<uint8_t> packIndices(const uint8_t* idx, size_t n, int depth) {
  std::vector<uint8_t> out((n * depth + 7) / 8);
  uint32_t mask = (1u << depth) - 1;
  size_t i = 0, bit = 0;
  if (depth == 4) {  // the common case: two indices to a byte
    for (; i + 1 < n; i += 2) out[i / 2] = uint8_t((idx[i] & 15) << 4 | (idx[i + 1] & 15));
    bit = i * 4;
  }
  for (; i < n; i++, bit += depth) {
    out[bit >> 3] |= uint8_t((idx[i] & mask) << (8 - depth - (bit & 7)));
  }
  return out;
}

}  // namespace

void ifdPut(TIFW* tw, int tag, int type, uint32_t count, const void* data, uint32_t value) {
  if (tw->count == tw->cap) {
    int cap = tw->cap ? tw->cap * 2 : 16;
    void* p = std::realloc(tw->ifd, size_t(cap) * 12);
    if (!p) return;
    tw->ifd = static_cast<uint8_t*>(p);
    tw->cap = cap;
  }
  uint8_t* e = tw->ifd + 12 * tw->count;
  std::memset(e, 0, 12);
  put16(e, static_cast<uint32_t>(tag));
  put16(e + 2, static_cast<uint32_t>(type));
  put32(e + 4, count);
  if (data) {
    TIFEXTRA x{tw->count, data, value};
    dbAdd(tw->extra, &x);
  } else {
    switch (type) {
      case TIFT_BYTE:
      case TIFT_ASCII:
      case TIFT_SBYTE:
      case TIFT_UNDEFINED:
        e[8] = uint8_t(value);
        break;
      case TIFT_SHORT:
      case TIFT_SSHORT:
        put16(e + 8, value);
        break;
      case TIFT_LONG:
      case TIFT_SLONG:
        put32(e + 8, value);
        break;
      default:
        std::printf("ifdPut:SYSTEM ERROR\n");
    }
  }
  tw->count++;
}

static bool argsOk(const void* pixels, int w, int h, int depth) {
  if (depth != 0 && depth != 1 && depth != 2 && depth != 4 && depth != 8) return false;
  if (w < 0 || h < 0) return false;
  if (w == 0 || h == 0) return true;
  return imgfBytes(w, h, 1) != 0 && pixels != nullptr;
}

int tifdbWrite(FOUT* fo, const void* pixels, int w, int h, const void* cmap, int ncolor,
               int depth) {
  if (!argsOk(pixels, w, h, depth)) return 0;
  bool indexed = depth != 0;
  const uint8_t* px = static_cast<const uint8_t*>(pixels);
  size_t npix = size_t(w) * size_t(h);
  uint32_t strip = static_cast<uint32_t>(indexed ? (npix * depth + 7) / 8 : npix * 4);
  static const uint8_t bits8[8] = {8, 0, 8, 0, 8, 0, 8, 0};
  static const uint8_t res100[8] = {100, 0, 0, 0, 1, 0, 0, 0};
  std::vector<uint8_t> colourMap, packed;
  if (indexed) colourMap = colourMapData(static_cast<const uint8_t*>(cmap), ncolor, depth);
  if (indexed && depth < 8) packed = packIndices(px, npix, depth);
  const void* data = indexed && depth < 8 ? packed.data() : px;
  // Sizes above 65535 do not fit the usual SHORT fields.
  int sizeType = w > 65535 || h > 65535 ? TIFT_LONG : TIFT_SHORT;

  TIFW tw;
  if (!tifwInit(&tw)) return 0;
  ifdPut(&tw, 254, TIFT_LONG, 1, nullptr, 0);
  ifdPut(&tw, 256, sizeType, 1, nullptr, static_cast<uint32_t>(w));
  ifdPut(&tw, 257, sizeType, 1, nullptr, static_cast<uint32_t>(h));
  ifdPut(&tw, 278, sizeType, 1, nullptr, static_cast<uint32_t>(h));
  if (indexed) {
    ifdPut(&tw, 258, TIFT_SHORT, 1, nullptr, static_cast<uint32_t>(depth));
  } else {
    ifdPut(&tw, 258, TIFT_SHORT, 4, bits8, sizeof bits8);
  }
  ifdPut(&tw, 259, TIFT_SHORT, 1, nullptr, 1);
  ifdPut(&tw, 262, TIFT_SHORT, 1, nullptr, indexed ? 3 : 2);
  ifdPut(&tw, 277, TIFT_SHORT, 1, nullptr, indexed ? 1 : 4);
  ifdPut(&tw, 279, TIFT_LONG, 1, nullptr, strip);
  ifdPut(&tw, 296, TIFT_SHORT, 1, nullptr, 2);
  ifdPut(&tw, 282, TIFT_RATIONAL, 1, res100, sizeof res100);
  ifdPut(&tw, 283, TIFT_RATIONAL, 1, res100, sizeof res100);
  if (indexed) {
    ifdPut(&tw, 320, TIFT_SHORT, 3u << depth, colourMap.data(),
           static_cast<uint32_t>(colourMap.size()));
  } else {
    ifdPut(&tw, 338, TIFT_SHORT, 1, nullptr, 2);
    ifdPut(&tw, 284, TIFT_SHORT, 1, nullptr, 1);
  }
  ifdPut(&tw, 273, TIFT_LONG, 1, data, strip);
  static const uint8_t header[8] = {'I', 'I', 42, 0, 8, 0, 0, 0};
  bool ok = tw.count == (indexed ? 14 : 15) && foutWrite(fo, header, 8) && tifwFlush(&tw, fo);
  tifwFree(&tw);
  return ok ? 1 : 0;
}

int tifdbSave(const char* fname, const void* pixels, int w, int h, const void* cmap, int ncolor,
              int depth) {
  if (!argsOk(pixels, w, h, depth)) {
    std::printf("tifdbSave:画像の形式が異常です:%s\n", fname ? fname : "");
    return 0;
  }
  FOUT* fo = foutOpen(fname);
  if (!fo) {
    std::printf("tifdbSave:File Open(w) Error:%s\n", fname ? fname : "");
    return 0;
  }
  int ok = tifdbWrite(fo, pixels, w, h, cmap, ncolor, depth);
  if (!ok) {
    foutAbort(fo);
    return 0;
  }
  return foutClose(fo);
}
