// TIFF writer: one little-endian directory, one uncompressed strip, the
// out-of-line values after the directory and the pixels last.
#include <algorithm>
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

// Entry count, entries in ascending tag order (as the format requires),
// next-directory offset, then every out-of-line value in the order put.
bool tifwFlush(TIFW* tw, FOUT* fo) {
  uint64_t pos = 8 + 2 + 12 * uint64_t(tw->count) + 4;
  for (void* p = dbTop(tw->extra); p; p = dbNxt(p)) {
    const TIFEXTRA* x = static_cast<const TIFEXTRA*>(p);
    put32(tw->ifd + 12 * x->entry + 8, static_cast<uint32_t>(pos));
    pos += x->size;
  }
  std::vector<int> order(static_cast<size_t>(tw->count));
  for (int i = 0; i < tw->count; i++) order[size_t(i)] = i;
  auto tag = [tw](int i) { return tw->ifd[12 * i] | tw->ifd[12 * i + 1] << 8; };
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return tag(a) < tag(b); });
  std::vector<uint8_t> sorted(12 * size_t(tw->count));
  for (size_t i = 0; i < order.size(); i++)
    std::memcpy(&sorted[12 * i], tw->ifd + 12 * order[i], 12);
  uint8_t count[2], next[4] = {0, 0, 0, 0};
  put16(count, static_cast<uint32_t>(tw->count));
  bool ok = foutWrite(fo, count, 2) && foutWrite(fo, sorted.data(), sorted.size()) &&
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

// Bytes of one stored row of narrow indices: rows start on byte boundaries.
size_t packedRow(int w, int depth) { return (size_t(w) * depth + 7) / 8; }

// Indices packed most significant bits first, depth bits each, row by row.
std::vector<uint8_t> packIndices(const uint8_t* idx, int w, int h, int depth) {
  size_t row = packedRow(w, depth);
  std::vector<uint8_t> out(row * size_t(h));
  if (out.empty()) return out;  // no pixels
  uint32_t mask = (1u << depth) - 1;
  for (int y = 0; y < h; y++, idx += w) {
    uint8_t* dst = &out[row * size_t(y)];
    int x = 0;
    if (depth == 4) {  // the common case: two indices to a byte
      for (; x + 1 < w; x += 2) dst[x / 2] = uint8_t((idx[x] & 15) << 4 | (idx[x + 1] & 15));
    }
    for (size_t bit = size_t(x) * depth; x < w; x++, bit += depth)
      dst[bit >> 3] |= uint8_t((idx[x] & mask) << (8 - depth - (bit & 7)));
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
  uint32_t strip = static_cast<uint32_t>(indexed ? packedRow(w, depth) * h : npix * 4);
  static const uint8_t bits8[8] = {8, 0, 8, 0, 8, 0, 8, 0};
  static const uint8_t res100[8] = {100, 0, 0, 0, 1, 0, 0, 0};
  std::vector<uint8_t> colourMap, packed;
  if (indexed) colourMap = colourMapData(static_cast<const uint8_t*>(cmap), ncolor, depth);
  if (indexed && depth < 8) packed = packIndices(px, w, h, depth);
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
