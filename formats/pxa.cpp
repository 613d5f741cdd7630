#include "formats/pxa.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "std/imgfnew.h"

namespace {

const uint32_t kTagType = nifTag("type");
const uint32_t kTagEbit = nifTag("ebit");
const uint32_t kTagXw = nifTag("xw");
const uint32_t kTagYw = nifTag("yw");
const uint32_t kTagCmap = nifTag("cmap");
const uint32_t kTagRgba = nifTag("rgba");
const uint32_t kTagCidx = nifTag("cidx");
const uint32_t kTagGray = nifTag("gray");

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
using Bytes = std::unique_ptr<uint8_t[], FreeDeleter>;

Bytes allocBytes(int64_t n) {
  return Bytes(static_cast<uint8_t*>(std::malloc(static_cast<size_t>(n > 0 ? n : 1))));
}

bool validEbit(int ebit) { return ebit == 0 || ebit == 1 || ebit == 2 || ebit == 4 || ebit == 8; }

uint32_t le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The uncompressed pixel stream: indices packed below 8 bits, else the buffer itself.
int64_t streamBytes(int w, int h, int ebit) {
  int64_t pixels = static_cast<int64_t>(w) * h;
  if (ebit > 0 && ebit < 8) return bitBytes(pixels, ebit);
  return pixels * (ebit == 0 ? 4 : 1);
}

int32_t readInt(NIF* nifp, int32_t old) {
  uint8_t word[4];
  for (int i = 0; i < 4; ++i) word[i] = static_cast<uint8_t>(static_cast<uint32_t>(old) >> 8 * i);
  nifRead(nifp, word, 4);
  return static_cast<int32_t>(le32(word));
}

struct PxaState {
  int32_t w = 0, h = 0, ebit = 0, cmapn = 0;
  uint32_t cmap[256] = {};
};

// Decodes one pixel chunk of `size` bytes; null after a message when it is unusable.
IMGF* readPixels(NIF* nifp, uint32_t tag, uint32_t size, const PxaState& st) {
  bool direct = tag == kTagRgba;
  if (!validEbit(st.ebit) || direct != (st.ebit == 0)) {
    std::printf("pxaGet:画素の形式が不正です ebit=%d\n", st.ebit);
    return nullptr;
  }
  if (st.w <= 0 || st.h <= 0) {
    std::printf("pxaGet:画像サイズが異常です %d x %d\n", st.w, st.h);
    return nullptr;
  }
  IMGF* img = imgfNewSay(st.w, st.h, st.ebit, "pxaGet");
  if (!img) return nullptr;
  img->ncolor = st.cmapn;
  std::memcpy(img->cmap, st.cmap, sizeof img->cmap);
  Bytes packed = allocBytes(size);
  int64_t raw = streamBytes(st.w, st.h, st.ebit);
  Bytes unpacked = st.ebit > 0 && st.ebit < 8 ? allocBytes(raw) : nullptr;
  bool ok = packed && (unpacked || !(st.ebit > 0 && st.ebit < 8));
  if (ok) {
    uint32_t got = nifRead(nifp, packed.get(), size);
    uint8_t* dst = unpacked ? unpacked.get() : img->buf;
    ok = lzDecode(dst, static_cast<int>(raw), packed.get(), static_cast<int>(got)) >= 0;
    if (ok && unpacked) bitUnpack(img->buf, unpacked.get(), st.w * st.h, st.ebit);
  }
  if (!ok) {
    std::printf("pxaGet:画素データが壊れています\n");
    imgfFre(img);
    return nullptr;
  }
  return img;
}

}  // namespace

int pxaPut(NIF* nifp, const void* pixels, int w, int h, const void* cmap, int cmapn, int ebit) {
  if (!validEbit(ebit) || imgfBytes(w, h, ebit ? 1 : 4) == 0 || cmapn < 0 || cmapn > 256) return 0;
  bool ok = nifPutStr(nifp, kTagType, "pxa") && nifPutInt(nifp, kTagEbit, ebit) &&
            nifPutInt(nifp, kTagXw, w) && nifPutInt(nifp, kTagYw, h);
  if (ok && cmap) ok = nifPutData(nifp, kTagCmap, cmap, static_cast<uint32_t>(cmapn) * 4);
  if (!ok) return 0;
  uint32_t tag = ebit == 0 ? kTagRgba : cmap ? kTagCidx : kTagGray;
  int64_t raw = streamBytes(w, h, ebit);
  const void* stream = pixels;
  Bytes packed;
  if (ebit > 0 && ebit < 8) {
    packed = allocBytes(raw);
    if (!packed) return 0;
    bitPack(packed.get(), pixels, w * h, ebit);
    stream = packed.get();
  }
  Bytes out = allocBytes(lzBound(raw));
  if (!out) return 0;
  int n = lzEncode(out.get(), stream, static_cast<int>(raw));
  return nifPutData(nifp, tag, out.get(), static_cast<uint32_t>(n));
}

int pxaSave(const char* fname, const void* pixels, int w, int h, const void* cmap, int cmapn,
            int ebit) {
  NIF* nifp = nifOpen(fname, NIF_WRITE);
  if (!nifp) return 0;
  int ok = pxaPut(nifp, pixels, w, h, cmap, cmapn, ebit);
  return nifClose(nifp) >= 0 && ok ? 1 : 0;
}

IMGF* pxaGet(NIF* nifp) {
  PxaState st;
  IMGF* img = nullptr;
  uint32_t size = 0;
  while (uint32_t tag = nifEnter(nifp, &size)) {
    if (tag == kTagEbit) {
      st.ebit = readInt(nifp, st.ebit);
    } else if (tag == kTagXw) {
      st.w = readInt(nifp, st.w);
    } else if (tag == kTagYw) {
      st.h = readInt(nifp, st.h);
    } else if (tag == kTagCmap) {
      uint8_t bytes[1024] = {};
      uint32_t got = nifRead(nifp, bytes, sizeof bytes);
      st.cmapn = static_cast<int32_t>(size / 4 < 256 ? size / 4 : 256);
      std::memset(st.cmap, 0, sizeof st.cmap);
      for (uint32_t i = 0; i < got / 4; ++i) st.cmap[i] = le32(bytes + 4 * i);
    } else if (tag == kTagCidx || tag == kTagGray || tag == kTagRgba) {
      imgfFre(img);
      img = readPixels(nifp, tag, size, st);
      if (!img) return nullptr;
    }
    nifLeave(nifp);
  }
  return img;
}

IMGF* pxaOpen(const char* fname) {
  NIF* nifp = nifOpen(fname, 0);
  if (!nifp) return nullptr;
  IMGF* img = pxaGet(nifp);
  nifClose(nifp);
  return img;
}

IMGF* pxaOpenMem(const void* mem, size_t len) {
  NIF* nifp = nifOpen(mem, NIF_MEM, len);
  if (!nifp) return nullptr;
  IMGF* img = pxaGet(nifp);
  nifClose(nifp);
  return img;
}
