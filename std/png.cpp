#include "std/png.h"

#include <spng.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "std/fileio.h"
#include "std/imgfnew.h"
#include "std/pixrow.h"

namespace {

const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a};
const char* const kWho = "pngOpen";
// Ancillary chunks are kept by the library until the context goes: a damaged
// file must not make it hold more than this.
constexpr size_t kChunkLimit = size_t(1) << 24;
constexpr size_t kCacheLimit = size_t(1) << 26;

struct CtxFree {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using Ctx = std::unique_ptr<spng_ctx, CtxFree>;

struct ImgFree {
  void operator()(IMGF* img) const { imgfFre(img); }
};
using ImgPtr = std::unique_ptr<IMGF, ImgFree>;

uint32_t rgba(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  return r | g << 8 | b << 16 | a << 24;
}

// A 16-bit sample to 8 bits, rounded: v * 255 / 65535 to the nearest integer.
uint8_t round16(uint32_t v) { return static_cast<uint8_t>((v * 255 + 32767) / 65535); }

// Indices (palette or grey) of `bits` bits into one byte per pixel. Rows of
// fewer than 8 bits come packed, most significant bits first.
int decodeIndices(spng_ctx* ctx, IMGF* img, int bits) {
  size_t need = 0;
  if (int err = spng_decoded_image_size(ctx, SPNG_FMT_PNG, &need)) return err;
  size_t w = static_cast<size_t>(img->w), h = static_cast<size_t>(img->h);
  if (bits == 8) {
    if (need != w * h) return SPNG_EINTERNAL;
    return spng_decode_image(ctx, img->buf, need, SPNG_FMT_PNG, 0);
  }
  size_t rowbytes = (w * bits + 7) / 8;
  if (need != rowbytes * h) return SPNG_EINTERNAL;
  std::vector<uint8_t> packed(need);
  if (int err = spng_decode_image(ctx, packed.data(), need, SPNG_FMT_PNG, 0)) return err;
  int mask = (1 << bits) - 1, per = 8 / bits;
  for (size_t y = 0; y < h; ++y) {
    const uint8_t* s = packed.data() + y * rowbytes;
    uint8_t* d = img->buf + y * w;
    for (size_t x = 0; x < w; ++x)
      d[x] = static_cast<uint8_t>(s[x / per] >> (8 - bits - (x % per) * bits) & mask);
  }
  return 0;
}

// Colour map of a palette file: PLTE in order, alpha from tRNS.
int paletteMap(spng_ctx* ctx, IMGF* img) {
  spng_plte plte;
  if (int err = spng_get_plte(ctx, &plte)) return err;
  spng_trns trns{};
  if (spng_get_trns(ctx, &trns)) trns.n_type3_entries = 0;
  for (uint32_t i = 0; i < plte.n_entries && i < 256; ++i) {
    const spng_plte_entry& e = plte.entries[i];
    img->cmap[i] =
        rgba(e.red, e.green, e.blue, i < trns.n_type3_entries ? trns.type3_alpha[i] : 255);
  }
  img->ncolor = static_cast<int32_t>(std::min<uint32_t>(plte.n_entries, 256));
  return 0;
}

// Grey map of a grey file of `bits` bits; the tRNS grey level is transparent.
void greyMap(spng_ctx* ctx, IMGF* img, int bits) {
  int n = 1 << bits, step = 255 / (n - 1);
  for (int i = 0; i < n; ++i) img->cmap[i] = rgba(i * step, i * step, i * step, 255);
  spng_trns trns{};
  if (spng_get_trns(ctx, &trns) == 0 && trns.gray < n) img->cmap[trns.gray] &= 0x00ffffffu;
  img->ncolor = n;
}

// Everything else as RGBA, transparency applied; 16-bit samples rounded.
int decodeDirect(spng_ctx* ctx, IMGF* img, int bits) {
  size_t px = static_cast<size_t>(img->w) * static_cast<size_t>(img->h);
  int fmt = bits == 16 ? SPNG_FMT_RGBA16 : SPNG_FMT_RGBA8;
  size_t need = 0;
  if (int err = spng_decoded_image_size(ctx, fmt, &need)) return err;
  if (need != px * (bits == 16 ? 8 : 4)) return SPNG_EINTERNAL;
  if (bits != 16) return spng_decode_image(ctx, img->buf, need, fmt, SPNG_DECODE_TRNS);
  std::vector<uint16_t> wide(px * 4);
  if (int err = spng_decode_image(ctx, wide.data(), need, fmt, SPNG_DECODE_TRNS)) return err;
  for (size_t i = 0; i < px * 4; ++i) img->buf[i] = round16(wide[i]);
  return 0;
}

}  // namespace

bool pngSignature(const uint8_t* data, size_t len) {
  return data && len >= sizeof kSignature && !std::memcmp(data, kSignature, sizeof kSignature);
}

IMGF* pngDecode(const uint8_t* data, size_t len) {
  if (!pngSignature(data, len)) {
    std::printf("%s:PNG ファイルではありません\n", kWho);
    return nullptr;
  }
  Ctx ctx(spng_ctx_new(0));
  if (!ctx) {
    std::printf("%s:メモリ確保エラー\n", kWho);
    return nullptr;
  }
  spng_set_png_buffer(ctx.get(), data, len);
  auto side = static_cast<uint32_t>(std::min<int64_t>(IMGF_READ_MAXPIXELS, 0x7fffffff));
  spng_set_image_limits(ctx.get(), side, side);
  spng_set_chunk_limits(ctx.get(), kChunkLimit, kCacheLimit);
  spng_ihdr ihdr;
  int err = spng_get_ihdr(ctx.get(), &ihdr);
  if (err == SPNG_EWIDTH || err == SPNG_EHEIGHT || err == SPNG_EUSER_WIDTH ||
      err == SPNG_EUSER_HEIGHT) {
    std::printf("%s:画像サイズが異常です\n", kWho);
    return nullptr;
  }
  ImgPtr img;
  if (!err) {
    int bits = ihdr.bit_depth;
    bool palette = ihdr.color_type == SPNG_COLOR_TYPE_INDEXED;
    bool grey = ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE && bits <= 8;
    img.reset(imgfNewSay(ihdr.width, ihdr.height, palette || grey ? bits : 0, kWho));
    if (!img) return nullptr;
    if (palette || grey) {
      err = decodeIndices(ctx.get(), img.get(), bits);
      if (!err && palette) err = paletteMap(ctx.get(), img.get());
      if (!err && grey) greyMap(ctx.get(), img.get(), bits);
    } else {
      err = decodeDirect(ctx.get(), img.get(), bits);
    }
    // The chunks after the image data, to the end: checksums and order.
    if (!err) err = spng_decode_chunks(ctx.get());
  }
  if (err) {
    std::printf("%s:PNG ファイルが壊れています:%s\n", kWho, spng_strerror(err));
    return nullptr;
  }
  return img.release();
}

IMGF* pngOpen(const char* fname) {
  size_t len = 0;
  uint8_t* file = fioLoad(&len, fname);
  if (!file) return nullptr;
  IMGF* img = pngDecode(file, len);
  std::free(file);
  return img;
}

namespace {

struct Encoded {
  std::unique_ptr<uint8_t, decltype(&std::free)> data{nullptr, &std::free};
  size_t size = 0;
};

int paletteBits(int n) { return n <= 2 ? 1 : n <= 4 ? 2 : n <= 16 ? 4 : 8; }

// PLTE (n entries in colour-map order) and, when a used entry is not opaque,
// tRNS up to the last entry that is not.
int setPalette(spng_ctx* ctx, const uint8_t* cm, int n, const bool* used) {
  spng_plte plte{};
  plte.n_entries = static_cast<uint32_t>(n);
  spng_trns trns{};
  bool usedClear = false;
  for (int i = 0; i < n; ++i) {
    const uint8_t* e = cm + 4 * i;
    plte.entries[i] = {e[0], e[1], e[2], 255};
    trns.type3_alpha[i] = e[3];
    if (e[3] != 255) {
      trns.n_type3_entries = static_cast<uint32_t>(i + 1);
      usedClear = usedClear || used[i];
    }
  }
  if (int err = spng_set_plte(ctx, &plte)) return err;
  return usedClear ? spng_set_trns(ctx, &trns) : 0;
}

// True when the picture looks drawn rather than photographed: most sampled
// pixels repeat one of the four to their left or the one above. Filtered
// photo-like rows hold few long repeats, and run-length deflate (Z_RLE) packs
// them as tight as full match searching in a third of the time; drawn
// pictures need the search.
bool looksDrawn(const uint8_t* px, int w, int h, int bpp) {
  size_t row = static_cast<size_t>(w) * bpp, seen = 0, repeats = 0;
  int step = std::max(1, h / 64);
  for (int y = 1; y < h; y += step) {
    const uint8_t* p = px + y * row;
    for (int x = 4; x < w; x += 3, ++seen) {
      const uint8_t* q = p + static_cast<size_t>(x) * bpp;
      bool rep = !std::memcmp(q, q - row, bpp);
      for (int k = 1; k <= 4 && !rep; ++k) rep = !std::memcmp(q, q - k * bpp, bpp);
      repeats += rep;
    }
  }
  return repeats * 2 >= seen;
}

void packRow(uint8_t* d, const uint8_t* s, int w, int bits) {
  int per = 8 / bits;
  std::memset(d, 0, static_cast<size_t>((w * bits + 7) / 8));
  for (int x = 0; x < w; ++x)
    d[x / per] |= static_cast<uint8_t>(s[x] << (8 - bits - (x % per) * bits));
}

// What one encoding writes: header, palette and how to pack.
struct Plan {
  spng_ihdr ihdr{};
  int channels = 1;  // of the stored rows; the source has 1 (indices) or 4 (RGBA)
  const uint8_t* cmap = nullptr;
  int ncolor = 0;
  bool used[256] = {};
  int filters = SPNG_FILTER_CHOICE_ALL;
  int strategy = -1;  // the library's default
};

Encoded encodeWith(const uint8_t* px, const Plan& plan) {
  Encoded out;
  Ctx ctx(spng_ctx_new(SPNG_CTX_ENCODER));
  if (!ctx) return out;
  spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
  spng_set_option(ctx.get(), SPNG_FILTER_CHOICE, plan.filters);
  if (plan.strategy >= 0) spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_STRATEGY, plan.strategy);
  spng_ihdr ihdr = plan.ihdr;
  int err = spng_set_ihdr(ctx.get(), &ihdr);
  if (!err && plan.cmap) err = setPalette(ctx.get(), plan.cmap, plan.ncolor, plan.used);
  if (!err)
    err = spng_encode_image(ctx.get(), nullptr, 0, SPNG_FMT_PNG,
                            SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE);
  int w = static_cast<int>(ihdr.width), bits = ihdr.bit_depth;
  size_t rowlen = (static_cast<size_t>(w) * plan.channels * bits + 7) / 8;
  size_t srcrow = static_cast<size_t>(w) * (plan.cmap ? 1 : 4);
  std::vector<uint8_t> row(rowlen);
  for (uint32_t y = 0; y < ihdr.height && !err; ++y) {
    const uint8_t* s = px + y * srcrow;
    if (bits < 8) {
      packRow(row.data(), s, w, bits);
      s = row.data();
    } else if (plan.channels == 3) {
      rgbaToRgb(row.data(), s, static_cast<size_t>(w));
      s = row.data();
    }
    err = spng_encode_row(ctx.get(), s, rowlen);
    if (err == SPNG_EOI && y == ihdr.height - 1) err = 0;
  }
  if (err) return out;
  void* buf = spng_get_png_buffer(ctx.get(), &out.size, &err);
  if (err || !buf) return Encoded{};
  out.data.reset(static_cast<uint8_t*>(buf));
  return out;
}

// The whole file in a buffer of the library's, or none when refused.
Encoded encode(const uint8_t* px, int w, int h, int depth, const uint8_t* cm, int cmapn) {
  bool indexed = depth != 0;
  if (w <= 0 || h <= 0 || !px || imgfBytes(w, h, indexed ? 1 : 4) == 0 || cmapn < 0 ||
      cmapn > 256 || (indexed && !cm))
    return Encoded{};
  size_t npx = static_cast<size_t>(w) * h;
  Plan plan;
  plan.ihdr = {static_cast<uint32_t>(w), static_cast<uint32_t>(h), 8, 0, 0, 0, 0};
  if (!indexed) {
    bool alpha = false;
    for (size_t i = 0; i < npx && !alpha; ++i) alpha = px[4 * i + 3] != 255;
    plan.ihdr.color_type = alpha ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA : SPNG_COLOR_TYPE_TRUECOLOR;
    plan.channels = alpha ? 4 : 3;
    if (!looksDrawn(px, w, h, 4)) plan.strategy = 3;  // Z_RLE
    return encodeWith(px, plan);
  }
  for (size_t i = 0; i < npx; ++i) plan.used[px[i]] = true;
  int n = std::max(cmapn, 1);
  for (int i = n; i < 256; ++i)
    if (plan.used[i]) n = i + 1;  // a pixel beyond the map still needs its entry
  plan.ihdr.bit_depth = static_cast<uint8_t>(paletteBits(n));
  plan.ihdr.color_type = SPNG_COLOR_TYPE_INDEXED;
  plan.cmap = cm;
  plan.ncolor = n;
  // Index rows: unfiltered suits dithered pictures, filtered ones those that
  // repeat whole rows (the "up" filter makes them runs of zeros). Both are
  // quick at one byte per pixel; the smaller file is kept.
  plan.filters = SPNG_FILTER_CHOICE_NONE;
  Encoded plain = encodeWith(px, plan);
  plan.filters = SPNG_FILTER_CHOICE_ALL;
  Encoded filtered = encodeWith(px, plan);
  return !plain.data || (filtered.data && filtered.size < plain.size) ? std::move(filtered)
                                                                      : std::move(plain);
}

}  // namespace

std::vector<uint8_t> pngEncode(const void* pixels, int w, int h, int depth, const void* cmap,
                               int cmapn) {
  Encoded e = encode(static_cast<const uint8_t*>(pixels), w, h, depth,
                     static_cast<const uint8_t*>(cmap), cmapn);
  return std::vector<uint8_t>(e.data.get(), e.data.get() + e.size);
}

int pngSave(const char* fname, const void* pixels, int w, int h, int depth, const void* cmap,
            int cmapn) {
  Encoded e = encode(static_cast<const uint8_t*>(pixels), w, h, depth,
                     static_cast<const uint8_t*>(cmap), cmapn);
  if (!e.data) return 0;
  return fioSave(fname, e.data.get(), e.size) == 1 ? 1 : 0;
}
