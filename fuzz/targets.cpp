#include "fuzz/targets.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "formats/bmfile.h"
#include "formats/jpeg.h"
#include "formats/sbf.h"
#include "formats/tif.h"
#include "formats/lzss.h"
#include "formats/pxa.h"
#include "std/bmp4.h"
#include "std/ico2.h"
#include "std/fout.h"
#include "std/nif.h"
#include "std/png.h"
#include "std/ppm2.h"

namespace {

// Walks every chunk, entering nested ones as deep as the container allows.
void walk(NIF* nifp, int depth) {
  uint32_t size = 0;
  while (nifEnter(nifp, &size)) {
    uint8_t buf[64];
    nifRead(nifp, buf, sizeof buf);
    if (depth < STACKN - 2 && nifp->stackno > 1) walk(nifp, depth + 1);
    nifLeave(nifp);
  }
}

}  // namespace

int fuzzNif(const uint8_t* data, size_t size) {
  if (size == 0) return 0;  // a length of 0 means "trust the image's own size"
  if (NIF* nifp = nifOpen(data, NIF_MEM, size)) {
    if (nifp->stackno < STACKN) walk(nifp, 0);
    nifClose(nifp);
  }
  return 0;
}

int fuzzLz(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  int n = data[0] | (data[1] & 0x1f) << 8;  // expected length, up to 8 KiB (twice the window)
  std::vector<uint8_t> out(static_cast<size_t>(n) + 1);
  int used = lzDecode(out.data(), n, data + 2, static_cast<int>(size - 2));
  if (used < -1 || used > static_cast<int>(size - 2)) std::abort();
  // Whatever decodes must survive an encode/decode round trip unchanged.
  if (used >= 0) {
    std::vector<uint8_t> packed(static_cast<size_t>(lzBound(n)) + 1);
    int m = lzEncode(packed.data(), out.data(), n);
    std::vector<uint8_t> back(static_cast<size_t>(n) + 1);
    if (m > lzBound(n) || lzDecode(back.data(), n, packed.data(), m) != m ||
        std::memcmp(back.data(), out.data(), static_cast<size_t>(n)) != 0)
      std::abort();
  }
  return 0;
}

int fuzzPxa(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  imgfFre(pxaOpenMem(data, size));
  return 0;
}

int fuzzBmp(const uint8_t* data, size_t size) {
  imgfFre(bmpDecode(data, size));
  return 0;
}

int fuzzIco(const uint8_t* data, size_t size) {
  imgfListFre(icoDecode(data, size));
  return 0;
}

int fuzzBmfile(const uint8_t* data, size_t size) {
  static std::string path = [] {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(dir) + "/tdefuzz." + std::to_string(getpid());
  }();
  FILE* fp = std::fopen(path.c_str(), "wb");
  if (!fp) return 0;
  std::fwrite(data, 1, size, fp);
  std::fclose(fp);
  bmFre(bmfileLoad(path.c_str()));
  std::remove(path.c_str());
  return 0;
}

namespace {

// What a writer produced for a decoded image must decode to the same pixels.
template <class Write, class Decode>
void roundTrip(const IMGF* img, Write write, Decode decode) {
  FOUT* fo = foutMem();
  if (!write(fo)) std::abort();
  size_t n = 0;
  const uint8_t* bytes = foutData(fo, &n);
  IMGF* back = decode(bytes, n);
  size_t px = size_t(img->w) * size_t(img->h) * (img->depth ? 1 : 4);
  if (!back || back->w != img->w || back->h != img->h ||
      (px && std::memcmp(back->buf, img->buf, px) != 0))
    std::abort();
  imgfFre(back);
  foutClose(fo);
}

}  // namespace

int fuzzTiff(const uint8_t* data, size_t size) {
  IMGF* img = tifDecode(data, size);
  int d = img ? img->depth : -1;
  if (d == 0 || d == 1 || d == 2 || d == 4 || d == 8) {
    // Indices above the depth are not stored; the reader never makes them.
    roundTrip(
        img, [&](FOUT* fo) { return tifdbWrite(fo, img->buf, img->w, img->h, img->cmap, 256, d); },
        tifDecode);
  }
  imgfFre(img);
  return 0;
}

int fuzzPpm(const uint8_t* data, size_t size) {
  IMGF* img = ppmDecode(data, size);
  if (img) {
    int ver = img->depth == 0 ? 3 : img->depth == 1 ? 1 : 2;
    roundTrip(
        img, [&](FOUT* fo) { return ppmWrite(fo, img->buf, img->w, img->h, ver); }, ppmDecode);
  }
  imgfFre(img);
  return 0;
}

// The largest frame any frame-header marker in the input asks for. Every
// occurrence counts, also inside other segments, so the frame the library
// finds is never larger. libjpeg itself is not instrumented; a full decode of
// a big frame (progressive ones are zeroed whole) only slows the search down,
// so the fuzz target skips frames above 64 x 64.
static uint64_t jpegFramePixels(const uint8_t* d, size_t n) {
  uint64_t most = 0;
  for (size_t i = 0; i + 9 <= n; i++) {
    if (d[i] != 0xFF) continue;
    uint8_t m = d[i + 1];
    if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
      uint64_t px = uint64_t(d[i + 5] << 8 | d[i + 6]) * uint64_t(d[i + 7] << 8 | d[i + 8]);
      if (px > most) most = px;
    }
  }
  return most;
}

int fuzzJpeg(const uint8_t* data, size_t size) {
  if (jpegFramePixels(data, size) > 4096) return 0;
  imgfFre(jpgDecode(data, size));
  return 0;
}

int fuzzSbf(const uint8_t* data, size_t size) {
  imgfFre(sbfDecode(data, size));
  return 0;
}

namespace {

uint32_t crc32Of(const uint8_t* p, size_t n) {
  uint32_t c = 0xffffffffu;
  for (size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1)));
  }
  return ~c;
}

// Gives every whole chunk its right checksum, so that mutations reach the
// decoder instead of dying at the checksum test.
void fixChecksums(std::vector<uint8_t>& png) {
  size_t at = 8;
  while (at + 12 <= png.size()) {
    uint64_t n = uint64_t(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
    if (n > png.size() - at - 12) break;
    uint32_t c = crc32Of(&png[at + 4], static_cast<size_t>(n) + 4);
    uint8_t* q = &png[at + 8 + n];
    q[0] = uint8_t(c >> 24), q[1] = uint8_t(c >> 16), q[2] = uint8_t(c >> 8), q[3] = uint8_t(c);
    at += 12 + static_cast<size_t>(n);
  }
}

// The same bytes as the one entry of an icon file.
void asIconEntry(const std::vector<uint8_t>& png) {
  std::vector<uint8_t> ico(22, 0);
  ico[2] = 1, ico[4] = 1;
  uint32_t n = static_cast<uint32_t>(png.size());
  for (int i = 0; i < 4; ++i) ico[14 + i] = uint8_t(n >> 8 * i);
  ico[18] = 22;
  ico.insert(ico.end(), png.begin(), png.end());
  imgfListFre(icoDecode(ico.data(), ico.size()));
}

}  // namespace

int fuzzPng(const uint8_t* data, size_t size) {
  std::vector<uint8_t> png(data, data + size);
  fixChecksums(png);
  IMGF* img = pngDecode(png.data(), png.size());
  // Small pictures go out and back in: indices, palette order and colours survive.
  if (img && size_t(img->w) * size_t(img->h) <= 4096) {
    roundTrip(
        img,
        [&](FOUT* fo) {
          auto out = pngEncode(img->buf, img->w, img->h, img->depth, img->cmap,
                               img->depth ? img->ncolor : 0);
          return !out.empty() && foutWrite(fo, out.data(), out.size());
        },
        pngDecode);
  }
  imgfFre(img);
  asIconEntry(png);
  return 0;
}

const FuzzTarget kFuzzTargets[11] = {
    {"nif", fuzzNif},   {"lz", fuzzLz},         {"pxa", fuzzPxa},   {"bmp", fuzzBmp},
    {"ico", fuzzIco},   {"bmfile", fuzzBmfile}, {"tiff", fuzzTiff}, {"ppm", fuzzPpm},
    {"jpeg", fuzzJpeg}, {"sbf", fuzzSbf},       {"png", fuzzPng},
};
