// TIFF reader. The whole chain is validated directory by directory (each one
// can still refuse the file, as if it had been decoded), and only the last
// directory's pixels are decoded: each directory's image replaces the last.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "formats/tif.h"
#include "std/fout.h"
#include "std/futil.h"
#include "std/imgfnew.h"
#include "std/pixrow.h"

namespace {

constexpr int kMaxSamples = 4;
constexpr int kMaxDirectories = 4096;

struct Bytes {
  const uint8_t* p;
  size_t n;
  bool be;

  bool has(uint64_t off, uint64_t len) const { return off <= n && len <= n - off; }
  uint32_t u16(uint64_t off) const {
    const uint8_t* q = p + off;
    return be ? (q[0] << 8 | q[1]) : (q[1] << 8 | q[0]);
  }
  uint32_t u32(uint64_t off) const {
    const uint8_t* q = p + off;
    return be ? (uint32_t(q[0]) << 24 | q[1] << 16 | q[2] << 8 | q[3])
              : (uint32_t(q[3]) << 24 | q[2] << 16 | q[1] << 8 | q[0]);
  }
};

int typeSize(uint32_t type) {
  static const int size[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
  return type < sizeof(size) / sizeof(size[0]) ? size[type] : 0;
}

// One directory entry whose values lie inside the file.
struct Field {
  bool present = false;
  uint32_t type = 0;
  uint32_t count = 0;
  uint64_t at = 0;  // file offset of the first value

  // Integer value i (BYTE, SHORT, LONG and their signed forms); 0 otherwise.
  uint32_t get(const Bytes& b, uint32_t i) const {
    if (i >= count) return 0;
    switch (type) {
      case TIFT_BYTE:
      case TIFT_SBYTE:
      case TIFT_UNDEFINED:
        return b.p[at + i];
      case TIFT_SHORT:
      case TIFT_SSHORT:
        return b.u16(at + 2 * uint64_t(i));
      case TIFT_LONG:
      case TIFT_SLONG:
        return b.u32(at + 4 * uint64_t(i));
      default:
        return 0;
    }
  }
};

struct Dir {
  uint32_t w = 0, h = 0;
  int nsamp = 1;
  int bits[kMaxSamples] = {1, 0, 0, 0};
  bool tooManySamples = false;
  bool wideSample = false;
  int bpst = 1;
  uint32_t compression = 1;
  uint32_t photometric = 0;
  uint32_t extra = 0;
  uint32_t planar = 1;
  Field offsets, counts, cmap;
  uint32_t nstrips = 0;
  uint64_t computed = 0;  // bytes of one strip holding the whole image
  uint64_t next = 0;      // offset of the next directory, 0 at the end
  bool sorted = true;     // entries in ascending tag order, as the format asks
  bool stream = false;    // narrow samples run on over row ends (older files of ours)
};

void damaged() { std::printf("tifOpen:ファイルが壊れています\n"); }

// Reads the entries of the directory at `off`; false (after a message) when it
// does not lie inside the file or a value it needs points outside.
bool readEntries(const Bytes& b, uint64_t off, Dir* d) {
  if (!b.has(off, 2)) return damaged(), false;
  uint32_t n = b.u16(off);
  uint64_t end = off + 2 + 12 * uint64_t(n);
  if (!b.has(off + 2, 12 * uint64_t(n))) return damaged(), false;
  int lastStripTag = 0;
  uint32_t prevTag = 0;
  for (uint32_t i = 0; i < n; i++) {
    uint64_t e = off + 2 + 12 * uint64_t(i);
    uint32_t tag = b.u16(e);
    if (tag < prevTag) d->sorted = false;
    prevTag = tag;
    Field f;
    f.present = true;
    f.type = b.u16(e + 2);
    f.count = b.u32(e + 4);
    uint64_t len = uint64_t(f.count) * typeSize(f.type);
    f.at = len <= 4 ? e + 8 : b.u32(e + 8);
    bool inside = b.has(f.at, len);
    bool wanted = tag == 256 || tag == 257 || tag == 258 || tag == 259 || tag == 262 ||
                  tag == 273 || tag == 279 || tag == 284 || tag == 320 || tag == 338;
    if (!wanted) continue;
    // A type without a size would let a huge count pass as empty.
    if (!inside || typeSize(f.type) == 0) return damaged(), false;
    switch (tag) {
      case 256:
        d->w = f.get(b, 0);
        break;
      case 257:
        d->h = f.get(b, 0);
        break;
      case 258:
        d->nsamp = static_cast<int>(f.count < kMaxSamples ? f.count : kMaxSamples);
        d->tooManySamples = f.count > kMaxSamples;
        d->bpst = 0;
        d->wideSample = false;
        for (int k = 0; k < kMaxSamples; k++) {
          d->bits[k] = k < d->nsamp ? static_cast<int>(f.get(b, k)) : 0;
          if (k < d->nsamp && (d->bits[k] < 1 || d->bits[k] > 8)) d->wideSample = true;
          // Widths outside 1..8 are refused above; keep the sum from overflowing meanwhile.
          d->bpst += d->bits[k] > 8 ? 8 : (d->bits[k] < 0 ? 0 : d->bits[k]);
        }
        break;
      case 259:
        d->compression = f.get(b, 0);
        break;
      case 262:
        d->photometric = f.get(b, 0);
        break;
      case 273:
        d->offsets = f, lastStripTag = 273;
        break;
      case 279:
        d->counts = f, lastStripTag = 279;
        break;
      case 284:
        d->planar = f.get(b, 0);
        break;
      case 320:
        d->cmap = f;
        break;
      case 338:
        d->extra = f.get(b, 0);
        break;
    }
  }
  if (lastStripTag) d->nstrips = (lastStripTag == 273 ? d->offsets : d->counts).count;
  d->next = b.has(end, 4) ? b.u32(end) : 0;
  return true;
}

uint64_t stripBytes(const Bytes& b, const Dir& d, uint32_t i) {
  return d.counts.present ? d.counts.get(b, i) : d.computed;
}

uint64_t rowBytes(const Dir& d) { return (uint64_t(d.bpst) * d.w + 7) / 8; }

// The checks of one directory, in the order the format's messages are given.
bool validate(const Bytes& b, Dir* d) {
  // Rows start on byte boundaries. Files this system wrote before ran narrow
  // samples on as one stream: a single strip exactly that stream's length
  // (when both lengths agree, their unsorted directory tells them apart).
  d->computed = rowBytes(*d) * d->h;
  uint64_t streamBytes = (uint64_t(d->bpst) * d->h * d->w + 7) / 8;
  if (!d->counts.present) {
    d->nstrips = 1;
  } else if (d->nstrips == 1 && d->counts.get(b, 0) == streamBytes &&
             (streamBytes != d->computed || !d->sorted)) {
    d->stream = true;
  } else if (d->nstrips == 1 && d->counts.get(b, 0) != d->computed) {
    std::printf("StripByteCounts サイズ異常 修正しました %d -> %d( bpst=%d )\n",
                static_cast<int>(d->counts.get(b, 0)), static_cast<int>(d->computed), d->bpst);
    d->counts.present = false;
  }
  if (d->compression != 1) {
    std::printf("圧縮された TIFF ファイルはサポートできません\n");
    return false;
  }
  if (!d->offsets.present) {
    std::printf("StripOffsets が定義されていません\n");
    return false;
  }
  if (d->photometric != 2 && d->photometric != 3 && d->photometric != 5) {
    std::printf("ERROR:PhotometricInterpretation=%d\n", static_cast<int>(d->photometric));
    return false;
  }
  if (d->tooManySamples || d->wideSample || d->nsamp == 0) {
    std::printf("tifOpen:サンプルの形式はサポートできません\n");
    return false;
  }
  // Samples stored plane by plane would be taken for pixels.
  if (d->planar == 2 && d->nsamp > 1) {
    std::printf("tifOpen:プレーン別の TIFF はサポートできません\n");
    return false;
  }
  if (d->photometric == 3 && !d->cmap.present) {
    std::printf("tifOpen:カラーマップがありません\n");
    return false;
  }
  // Strips are read only where they lie wholly inside the file.
  if (d->nstrips > d->offsets.count) d->nstrips = d->offsets.count;
  if (d->counts.present && d->nstrips > d->counts.count) d->nstrips = d->counts.count;
  for (uint32_t i = 0; i < d->nstrips; i++) {
    if (!b.has(d->offsets.get(b, i), stripBytes(b, *d, i))) return damaged(), false;
  }
  return true;
}

// Most-significant-bit-first reader over one strip.
struct BitStream {
  const uint8_t* p;
  uint64_t bit = 0;
  uint32_t get(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; i++, bit++) v = v << 1 | ((p[bit >> 3] >> (7 - (bit & 7))) & 1);
    return v;
  }
};

// Decodes `n` pixels of one strip into `out` (1 or 4 bytes per pixel).
void decodeStrip(const Dir& d, const uint8_t* src, uint64_t n, uint8_t* out) {
  bool bytes = d.bpst == 8 * d.nsamp;
  if (d.photometric == 3 && bytes && d.nsamp == 1) {
    std::memcpy(out, src, n);
    return;
  }
  if (d.photometric == 3 && d.nsamp == 1 && 8 % d.bpst == 0) {
    // Narrow indices: whole bytes hold 8 / bits of them, rows run on.
    int bits = d.bpst;
    uint32_t mask = (1u << bits) - 1;
    uint64_t i = 0;
    if (bits == 4) {  // the common case: two indices to a byte
      for (; i + 1 < n; i += 2) out[i] = src[i / 2] >> 4, out[i + 1] = src[i / 2] & 15;
    }
    for (; i < n; i++) {
      uint64_t bit = i * bits;
      out[i] = uint8_t((src[bit >> 3] >> (8 - bits - (bit & 7))) & mask);
    }
    return;
  }
  if (d.photometric == 2 && bytes && d.nsamp == 4) {
    std::memcpy(out, src, n * 4);
    return;
  }
  if (d.photometric == 2 && bytes && d.nsamp == 3) {
    rgbToRgba(out, src, static_cast<size_t>(n));
    return;
  }
  BitStream bs{src};
  for (uint64_t i = 0; i < n; i++) {
    uint32_t s[kMaxSamples] = {0, 0, 0, 0};
    for (int k = 0; k < d.nsamp; k++) s[k] = bs.get(d.bits[k]);
    if (d.photometric == 3) {
      *out++ = static_cast<uint8_t>(s[0]);
    } else if (d.photometric == 2) {
      for (int k = 0; k < 4; k++)
        *out++ = k < d.nsamp ? static_cast<uint8_t>(s[k] << (8 - d.bits[k])) : 255;
    } else {
      int c = 255 - int(s[0]) - int(s[3]), m = 255 - int(s[1]) - int(s[3]),
          y = 255 - int(s[2]) - int(s[3]);
      *out++ = static_cast<uint8_t>(c > 0 ? c : 0);
      *out++ = static_cast<uint8_t>(m > 0 ? m : 0);
      *out++ = static_cast<uint8_t>(y > 0 ? y : 0);
      *out++ = 255;
    }
  }
}

void readColourMap(const Bytes& b, const Dir& d, IMGF* img) {
  uint32_t ncolor = d.cmap.count / (d.extra == 2 ? 4 : 3);
  uint32_t first = 1u << d.bits[0];
  uint32_t n = first < ncolor ? first : ncolor;
  if (n > 256) n = 256;
  for (uint32_t i = 0; i < n; i++) {
    uint32_t r = d.cmap.get(b, i) >> 8, g = d.cmap.get(b, ncolor + i) >> 8,
             bl = d.cmap.get(b, 2 * ncolor + i) >> 8;
    img->cmap[i] = (r & 255) | (g & 255) << 8 | (bl & 255) << 16 | 0xffu << 24;
  }
  img->ncolor = static_cast<int32_t>(ncolor > 256 ? 256 : ncolor);
}

IMGF* decodeImage(const Bytes& b, const Dir& d) {
  bool indexed = d.photometric == 3;
  IMGF* img = imgfNewSay(d.w, d.h, indexed ? d.bits[0] : 0, "tifOpen");
  if (!img) return nullptr;
  if (indexed) readColourMap(b, d, img);
  int bpp = indexed ? 1 : 4;
  uint64_t total = uint64_t(d.w) * d.h, done = 0;
  // One run per strip, or per row where rows start on byte boundaries (a row
  // cut by a strip's end goes on from the next strip's first byte).
  bool rows = !d.stream && uint64_t(d.bpst) * d.w % 8 != 0;
  for (uint32_t i = 0; i < d.nstrips && done < total; i++) {
    const uint8_t* src = b.p + d.offsets.get(b, i);
    uint64_t left = stripBytes(b, d, i);
    while (done < total) {
      uint64_t n = left * 8 / d.bpst;
      if (rows && n > d.w - done % d.w) n = d.w - done % d.w;
      if (n > total - done) n = total - done;
      if (n == 0) break;
      decodeStrip(d, src, n, img->buf + done * bpp);
      done += n;
      uint64_t used = (n * d.bpst + 7) / 8;
      if (!rows || used >= left) break;
      src += used;
      left -= used;
    }
  }
  return img;
}

}  // namespace

IMGF* tifDecode(const uint8_t* data, size_t len) {
  if (!data || len < 2) return nullptr;
  Bytes b{data, len, false};
  if (data[0] == 'M' && data[1] == 'M') {
    b.be = true;
  } else if (data[0] != 'I' || data[1] != 'I') {
    return nullptr;
  }
  if (!b.has(0, 8)) return damaged(), nullptr;
  if (b.u16(2) != 42) {
    std::printf("tifOpen:TIFF VERSION ERROR:%d\n", static_cast<int>(b.u16(2)));
    return nullptr;
  }
  std::set<uint64_t> seen;
  Dir last;
  bool any = false;
  for (uint64_t off = b.u32(4); off != 0;) {
    // A chain that comes back to a directory it passed ends there.
    if (seen.count(off) || seen.size() >= kMaxDirectories) break;
    seen.insert(off);
    Dir d;
    if (!readEntries(b, off, &d) || !validate(b, &d)) return nullptr;
    last = d;
    any = true;
    off = d.next < len ? d.next : 0;
  }
  return any ? decodeImage(b, last) : nullptr;
}

IMGF* tifOpen(const char* fname) {
  size_t len = 0;
  char* data = fload(&len, fname);
  if (!data) return nullptr;
  IMGF* img = tifDecode(reinterpret_cast<const uint8_t*>(data), len);
  std::free(data);
  return img;
}
