#include "formats/sbf.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/lzss.h"
#include "std/imgfnew.h"
#include "std/nif.h"

namespace {

const uint32_t kTagType = nifTag("type");
const uint32_t kTagCrtl = nifTag("crtl");
const uint32_t kTagDver = nifTag("dver");
const uint32_t kTagEbit = nifTag("ebit");
const uint32_t kTagXw = nifTag("xw");
const uint32_t kTagYw = nifTag("yw");
const uint32_t kTagCmap = nifTag("cmap");
const uint32_t kTagData = nifTag("data");

bool validEbit(int ebit) { return ebit == 0 || ebit == 1 || ebit == 2 || ebit == 4 || ebit == 8; }

uint32_t le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

int32_t readInt(NIF* nifp) {
  uint8_t word[4] = {0, 0, 0, 0};
  nifRead(nifp, word, 4);
  return static_cast<int32_t>(le32(word));
}

struct SbfState {
  int32_t w = 0, h = 0, ebit = 0, ncolor = 0;
  uint32_t cmap[256] = {};
};

// The image of one data chunk. Pixels the chunk is too short for stay 0.
IMGF* readData(NIF* nifp, const SbfState& st) {
  if (!validEbit(st.ebit)) {
    std::printf("sbfOpen:画素の形式が不正です ebit=%d\n", st.ebit);
    return nullptr;
  }
  if (st.w <= 0 || st.h <= 0) {
    std::printf("sbfOpen:画像サイズが異常です %d x %d\n", st.w, st.h);
    return nullptr;
  }
  IMGF* img = imgfNewSay(st.w, st.h, st.ebit, "sbfOpen");
  if (!img) return nullptr;
  size_t pixels = size_t(st.w) * size_t(st.h);
  if (st.ebit == 0 || st.ebit == 8) {
    nifRead(nifp, img->buf, static_cast<uint32_t>(pixels * (st.ebit ? 1 : 4)));
  } else {
    std::vector<uint8_t> packed(static_cast<size_t>(bitBytes(int64_t(pixels), st.ebit)));
    nifRead(nifp, packed.data(), static_cast<uint32_t>(packed.size()));
    bitUnpack(img->buf, packed.data(), static_cast<int>(pixels), st.ebit);
  }
  if (st.ebit) {
    std::memcpy(img->cmap, st.cmap, sizeof img->cmap);
    img->ncolor = st.ncolor;
  }
  return img;
}

IMGF* sbfGet(NIF* nifp) {
  SbfState st;
  IMGF* img = nullptr;
  uint32_t size = 0;
  while (uint32_t tag = nifEnter(nifp, &size)) {
    if (tag == kTagEbit) {
      st.ebit = readInt(nifp);
    } else if (tag == kTagXw) {
      st.w = readInt(nifp);
    } else if (tag == kTagYw) {
      st.h = readInt(nifp);
    } else if (tag == kTagCmap) {
      uint8_t bytes[1024] = {};
      uint32_t got = nifRead(nifp, bytes, sizeof bytes);
      st.ncolor = static_cast<int32_t>(size / 4 < 256 ? size / 4 : 256);
      std::memset(st.cmap, 0, sizeof st.cmap);
      for (uint32_t i = 0; i < got / 4; ++i) st.cmap[i] = le32(bytes + 4 * i);
    } else if (tag == kTagData) {
      // A later data chunk replaces the image of an earlier one.
      if (IMGF* next = readData(nifp, st)) {
        imgfFre(img);
        img = next;
      }
    }
    nifLeave(nifp);
  }
  return img;
}

}  // namespace

int sbfSave(const char* fname, const char* ctrl, const void* pixels, int w, int h, const void* cmap,
            int ncolor, int ebit) {
  if (!validEbit(ebit) || imgfBytes(w, h, ebit ? 1 : 4) == 0 || !pixels || ncolor < 0 ||
      ncolor > 256 || (ebit && !cmap)) {
    return 0;
  }
  NIF* nifp = nifOpen(fname, NIF_WRITE | NIF_SIFF);
  if (!nifp) return 0;
  size_t npix = size_t(w) * size_t(h);
  bool ok = nifPutStr(nifp, kTagType, "sbf") && nifPutStr(nifp, kTagCrtl, ctrl ? ctrl : "") &&
            nifPutInt(nifp, kTagDver, 1) && nifPutInt(nifp, kTagEbit, ebit) &&
            nifPutInt(nifp, kTagXw, w) && nifPutInt(nifp, kTagYw, h);
  if (ok && ebit) ok = nifPutData(nifp, kTagCmap, cmap, static_cast<uint32_t>(ncolor) * 4);
  if (ok && (ebit == 0 || ebit == 8)) {
    ok = nifPutData(nifp, kTagData, pixels, static_cast<uint32_t>(npix * (ebit ? 1 : 4)));
  } else if (ok) {
    std::vector<uint8_t> packed(static_cast<size_t>(bitBytes(int64_t(npix), ebit)));
    bitPack(packed.data(), pixels, static_cast<int>(npix), ebit);
    ok = nifPutData(nifp, kTagData, packed.data(), static_cast<uint32_t>(packed.size()));
  }
  return nifClose(nifp) >= 0 && ok ? 1 : 0;
}

IMGF* sbfOpen(const char* fname) {
  NIF* nifp = nifOpen(fname, 0);
  if (!nifp) return nullptr;
  IMGF* img = sbfGet(nifp);
  nifClose(nifp);
  return img;
}

IMGF* sbfDecode(const uint8_t* data, size_t len) {
  if (!data || len == 0) return nullptr;
  NIF* nifp = nifOpen(data, NIF_MEM, len);
  if (!nifp) return nullptr;
  IMGF* img = sbfGet(nifp);
  nifClose(nifp);
  return img;
}
