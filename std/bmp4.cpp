#include "std/bmp4.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "std/fileio.h"
#include "std/futil.h"
#include "std/hostfs.h"
#include "std/imgfnew.h"
#include "std/pixrow.h"
#include "std/tdeassert.h"

namespace {

const char* const kModule = "std/bmp4";

uint32_t le16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint8_t expand5(uint32_t v) { return static_cast<uint8_t>((v * 510 + 31) / 62); }
uint8_t expand6(uint32_t v) { return static_cast<uint8_t>((v * 510 + 63) / 126); }

// Stored rows of the pixel data; a row cut off by the end of the file is
// completed with zero bytes in a scratch row.
class RowSource {
 public:
  RowSource(const uint8_t* img, size_t len, uint32_t off, int64_t rowsize)
      : img_(img), len_(len), off_(off), rowsize_(rowsize), tmp_(static_cast<size_t>(rowsize)) {}

  // Row r counted from the first stored row; null when none of it is in the file.
  const uint8_t* row(int64_t r) {
    uint64_t start = off_ + static_cast<uint64_t>(r) * static_cast<uint64_t>(rowsize_);
    if (start >= len_) return nullptr;
    if (start + static_cast<uint64_t>(rowsize_) <= len_) return img_ + start;
    std::fill(tmp_.begin(), tmp_.end(), 0);
    std::memcpy(tmp_.data(), img_ + start, static_cast<size_t>(len_ - start));
    return tmp_.data();
  }

 private:
  const uint8_t* img_;
  size_t len_;
  uint64_t off_;
  int64_t rowsize_;
  std::vector<uint8_t> tmp_;
};

// The same rows read from an open file as the decoding asks for them (in
// increasing order), a piece at a time, so that no copy of the whole file is
// needed. `head` holds the first bytes of the file, already read.
class FileRows {
 public:
  FileRows(HfsFile* f, uint64_t len, std::vector<uint8_t> head, uint32_t off, int64_t rowsize)
      : f_(f),
        len_(len),
        off_(off),
        rowsize_(rowsize),
        buf_(std::move(head)),
        tmp_(static_cast<size_t>(rowsize)) {}

  const uint8_t* row(int64_t r) {
    uint64_t start = off_ + static_cast<uint64_t>(r) * static_cast<uint64_t>(rowsize_);
    if (start >= len_ || start < base_) return nullptr;
    reach(start, std::min<uint64_t>(start + static_cast<uint64_t>(rowsize_), len_));
    // A file that shrank while it was read ends where the reading did.
    uint64_t end = std::min<uint64_t>(start + static_cast<uint64_t>(rowsize_), len_);
    if (start >= end) return nullptr;
    const uint8_t* p = buf_.data() + (start - base_);
    if (end - start == static_cast<uint64_t>(rowsize_)) return p;
    std::fill(tmp_.begin(), tmp_.end(), 0);
    std::memcpy(tmp_.data(), p, static_cast<size_t>(end - start));
    return tmp_.data();
  }

 private:
  static constexpr uint64_t kPiece = uint64_t(1) << 20;

  // Makes buf_ hold file bytes [start, end), forgetting those before start;
  // at an early end of the file len_ becomes the end reached.
  void reach(uint64_t start, uint64_t end) {
    uint64_t have = base_ + buf_.size();
    if (end <= have) return;
    if (start >= have) {
      // Nothing buffered is needed; bytes up to start are read and dropped.
      buf_.clear();
      base_ = have;
      while (base_ < start) {
        const bool atEnd = readMore(std::min(start - base_, kPiece));
        base_ += buf_.size();
        buf_.clear();
        if (atEnd) break;
      }
      if (base_ < start) return;
    } else {
      buf_.erase(buf_.begin(), buf_.begin() + static_cast<ptrdiff_t>(start - base_));
      base_ = start;
    }
    have = base_ + buf_.size();
    if (end > have) readMore(std::max(end - have, kPiece));
  }

  // Appends up to n more bytes (not past len_); true at the end of the file.
  bool readMore(uint64_t n) {
    uint64_t have = base_ + buf_.size();
    n = std::min(n, len_ - have);
    size_t old = buf_.size();
    buf_.resize(old + static_cast<size_t>(n));
    size_t got = hfsRead(f_, buf_.data() + old, static_cast<size_t>(n));
    buf_.resize(old + got);
    if (got < n) len_ = base_ + buf_.size();
    return got < n || base_ + buf_.size() >= len_;
  }

  HfsFile* f_;
  uint64_t len_;
  uint64_t off_;
  int64_t rowsize_;
  uint64_t base_ = 0;  // file offset of buf_[0]
  std::vector<uint8_t> buf_;
  std::vector<uint8_t> tmp_;
};

void unpackRow(uint8_t* dst, const uint8_t* src, int bits, int w) {
  if (bits == 8) {
    std::memcpy(dst, src, static_cast<size_t>(w));
    return;
  }
  int mask = (1 << bits) - 1;
  for (int x = 0; x < w; ++x) {
    int bit = x * bits;
    dst[x] = static_cast<uint8_t>((src[bit >> 3] >> (8 - bits - (bit & 7))) & mask);
  }
}

void packRow(uint8_t* dst, const uint8_t* src, int bits, int w) {
  if (bits == 8) {
    std::memcpy(dst, src, static_cast<size_t>(w));
    return;
  }
  int mask = (1 << bits) - 1;
  for (int x = 0; x < w; ++x) {
    int bit = x * bits;
    dst[bit >> 3] |= static_cast<uint8_t>((src[x] & mask) << (8 - bits - (bit & 7)));
  }
}

template <class Rows>
void decodeIndexed(IMGF* img, const BMPHD& hd, Rows& rows) {
  for (int r = 0; r < hd.h; ++r) {
    const uint8_t* src = rows.row(r);
    if (!src) break;
    unpackRow(img->buf + static_cast<size_t>(hd.h - 1 - r) * hd.w, src, hd.bitcount, hd.w);
  }
}

enum class Direct { k555, k565, k24, k32 };

template <class Rows>
void decodeDirect(IMGF* img, const BMPHD& hd, Rows& rows, Direct kind) {
  for (int r = 0; r < hd.h; ++r) {
    const uint8_t* s = rows.row(r);
    if (!s) break;
    uint8_t* d = img->buf + static_cast<size_t>(hd.h - 1 - r) * hd.w * 4;
    if (kind == Direct::k24) {
      bgrToRgba(d, s, static_cast<size_t>(hd.w));
      continue;
    }
    for (int x = 0; x < hd.w; ++x, d += 4) {
      switch (kind) {
        case Direct::k32:
          d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = s[3];
          s += 4;
          break;
        case Direct::k24:
          d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = 255;
          s += 3;
          break;
        case Direct::k555: {
          uint32_t v = le16(s);
          d[0] = expand5((v >> 10) & 31), d[1] = expand5((v >> 5) & 31), d[2] = expand5(v & 31);
          d[3] = 255;
          s += 2;
          break;
        }
        case Direct::k565: {
          uint32_t v = le16(s);
          d[0] = expand5(v >> 11), d[1] = expand6((v >> 5) & 63), d[2] = expand5(v & 31);
          d[3] = 255;
          s += 2;
          break;
        }
      }
    }
  }
}

// Run-length decoding of 8-bit (bits 8) or 4-bit (bits 4) indices. Runs and
// literals that pass the row or the image are clipped; every read is checked
// against the end of the file.
void decodeRle(IMGF* img, const BMPHD& hd, const uint8_t* file, size_t len, int bits) {
  int64_t x = 0, row = 0;  // row 0 is the bottom row
  auto put = [&](int v) {
    if (row < hd.h && x < hd.w)
      img->buf[static_cast<size_t>(hd.h - 1 - row) * hd.w + x] = static_cast<uint8_t>(v);
    ++x;
  };
  size_t p = hd.offbits;
  while (row < hd.h && p + 2 <= len) {
    int n = file[p], v = file[p + 1];
    p += 2;
    if (n > 0) {
      for (int i = 0; i < n; ++i) put(bits == 8 ? v : (i & 1) ? v & 15 : v >> 4);
    } else if (v == 0) {
      ++row;
      x = 0;
    } else if (v == 1) {
      break;
    } else if (v == 2) {
      if (p + 2 > len) break;
      x += file[p];
      row += file[p + 1];
      p += 2;
    } else {
      size_t bytes = bits == 8 ? static_cast<size_t>(v) : static_cast<size_t>(v + 1) / 2;
      if (bytes > len - p) break;
      for (int i = 0; i < v; ++i) {
        int b = bits == 8 ? file[p + i] : file[p + i / 2];
        put(bits == 8 ? b : (i & 1) ? b & 15 : b >> 4);
      }
      p += bytes;
    }
    p = (p + 1) & ~size_t(1);
  }
}

void readPalette(IMGF* img, const BMPHD& hd, const uint8_t* pal, const uint8_t* file, size_t len) {
  int full = 1 << hd.bitcount;
  int n =
      hd.clrused && hd.clrused < static_cast<uint32_t>(full) ? static_cast<int>(hd.clrused) : full;
  img->ncolor = n;
  size_t avail = len - static_cast<size_t>(pal - file);
  for (int i = 0; i < n && static_cast<size_t>(i + 1) * hd.palentry <= avail; ++i) {
    const uint8_t* e = pal + i * hd.palentry;
    img->cmap[i] = e[2] | e[1] << 8 | e[0] << 16 | 0xffu << 24;
  }
}

bool indexedDepth(int bits) { return bits == 1 || bits == 2 || bits == 4 || bits == 8; }

// Uncompressed rows (and 16-bit bit fields): read row by row.
bool byRows(const BMPHD& hd) {
  return hd.compression == 0 || (hd.bitcount == 16 && hd.compression == 3);
}

template <class Rows>
void decodeRows(IMGF* img, const BMPHD& hd, Rows& rows) {
  if (hd.compression == 0) {
    if (hd.bitcount <= 8)
      decodeIndexed(img, hd, rows);
    else
      decodeDirect(img, hd, rows,
                   hd.bitcount == 32   ? Direct::k32
                   : hd.bitcount == 24 ? Direct::k24
                                       : Direct::k555);
    return;
  }
  bool is555 = hd.rmask == 0x7c00 && hd.gmask == 0x03e0 && hd.bmask == 0x001f;
  decodeDirect(img, hd, rows, is555 ? Direct::k555 : Direct::k565);
}

// The header's checks and the image record with its palette; null (after
// the message) when the header is refused. The first `len` bytes of the
// file are at `file`: 1078 of them hold any header and palette.
IMGF* startImage(BMPHD* hd, const uint8_t* file, size_t len) {
  const uint8_t* pal = bmpHdGet(hd, file, len);
  if (!pal) return nullptr;
  bool indexed = hd->bitcount <= 8;
  if (indexed ? !indexedDepth(hd->bitcount)
              : hd->bitcount != 16 && hd->bitcount != 24 && hd->bitcount != 32)
    return nullptr;
  // Top-down files (negative height) are not supported.
  if (hd->w <= 0 || hd->h <= 0) {
    std::printf("bmpOpen:画像サイズが異常です %d x %d\n", hd->w, hd->h);
    return nullptr;
  }
  IMGF* img = imgfNewSay(hd->w, hd->h, indexed ? hd->bitcount : 0, "bmpOpen");
  if (!img) return nullptr;
  if (indexed)
    readPalette(img, *hd, pal, file, len);
  else
    img->ncolor = static_cast<int32_t>(hd->clrused > 256 ? 256 : hd->clrused);
  return img;
}

constexpr size_t kHeadBytes = 54 + 256 * 4;

// The pixels of a whole file image.
void decodePixels(IMGF* img, const BMPHD& hd, const uint8_t* file, size_t len) {
  if (byRows(hd)) {
    RowSource rows(file, len, hd.offbits, bmpRowSize(hd.w, hd.bitcount));
    decodeRows(img, hd, rows);
  } else if (hd.bitcount <= 8) {
    if (hd.bitcount == 8 || hd.bitcount == 4)
      decodeRle(img, hd, file, len, hd.bitcount);
    else
      std::printf("bmpOpen DECODE ERROR: ebit=%d\n", hd.bitcount);
  } else {
    std::printf("bmpOpen DECODE ERROR: rgbsiz=%d\n", hd.bitcount);
  }
}

// bmpOpen on an open file of len bytes: the same result as bmpDecode on the
// whole file, but uncompressed rows come in pieces of the file.
IMGF* openStreamed(HfsFile* f, uint64_t len) {
  std::vector<uint8_t> head(static_cast<size_t>(std::min<uint64_t>(len, kHeadBytes)));
  head.resize(hfsRead(f, head.data(), head.size()));
  if (head.size() < kHeadBytes) len = head.size();
  BMPHD hd;
  IMGF* img = startImage(&hd, head.data(), head.size());
  if (!img) return nullptr;
  if (byRows(hd)) {
    FileRows rows(f, len, std::move(head), hd.offbits, bmpRowSize(hd.w, hd.bitcount));
    decodeRows(img, hd, rows);
  } else {
    size_t have = head.size();
    head.resize(static_cast<size_t>(len));
    head.resize(have + hfsRead(f, head.data() + have, head.size() - have));
    decodePixels(img, hd, head.data(), head.size());
  }
  img->cmap[0] &= 0x00ffffffu;  // index 0 is transparent
  return img;
}

}  // namespace

const uint8_t* bmpHdGet(BMPHD* hd, const uint8_t* img, size_t len) {
  std::memset(hd, 0, sizeof *hd);
  if (len < 18 || img[0] != 'B' || img[1] != 'M') return nullptr;
  hd->offbits = le32(img + 10);
  hd->hdsize = le32(img + 14);
  const uint8_t* pal;
  if (hd->hdsize == 12 && len >= 26) {
    hd->w = static_cast<int32_t>(le16(img + 18));
    hd->h = static_cast<int32_t>(le16(img + 20));
    hd->planes = static_cast<int32_t>(le16(img + 22));
    hd->bitcount = static_cast<int32_t>(le16(img + 24));
    hd->palentry = 3;
    pal = img + 26;
  } else if (hd->hdsize == 40 && len >= 54) {
    hd->w = static_cast<int32_t>(le32(img + 18));
    hd->h = static_cast<int32_t>(le32(img + 22));
    hd->planes = static_cast<int32_t>(le16(img + 26));
    hd->bitcount = static_cast<int32_t>(le16(img + 28));
    hd->compression = le32(img + 30);
    hd->imagesize = le32(img + 34);
    hd->clrused = le32(img + 46);
    if (len >= 66) {
      hd->rmask = le32(img + 54);
      hd->gmask = le32(img + 58);
      hd->bmask = le32(img + 62);
    }
    hd->palentry = 4;
    pal = img + 54;
  } else {
    if (hd->hdsize != 12 && hd->hdsize != 40)
      std::printf("bmpHdGet:UnKnown Header Size:%d\n", static_cast<int>(hd->hdsize));
    return nullptr;
  }
  switch (hd->bitcount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      std::printf("bmpHdGet:UnKnown bitcount:%d\n", hd->bitcount);
  }
  return pal;
}

IMGF* bmpDecode(const uint8_t* file, size_t len) {
  BMPHD hd;
  IMGF* img = startImage(&hd, file, len);
  if (!img) return nullptr;
  decodePixels(img, hd, file, len);
  img->cmap[0] &= 0x00ffffffu;  // index 0 is transparent
  return img;
}

IMGF* bmpOpen(const char* fname) {
  HfsFile* f = fname ? hfsOpenRead(fname) : nullptr;
  if (!f) return nullptr;
  // What cannot be read in pieces goes the way of any whole file (with its
  // messages): a file that cannot seek, or one too large to load.
  const int64_t size = hfsSeekEnd(f);
  if (size >= 0 && size <= FLOAD_MAX && hfsRewind(f)) {
    IMGF* img = openStreamed(f, static_cast<uint64_t>(size));
    hfsClose(f);
    return img;
  }
  hfsClose(f);
  size_t len = 0;
  uint8_t* file = fioLoad(&len, fname);
  if (!file) return nullptr;
  IMGF* img = bmpDecode(file, len);
  std::free(file);
  return img;
}

uint8_t* bmpRows(int h, uint8_t* buf, const uint8_t* src, int bits, int w, int dir) {
  TDE_ASSERT(indexedDepth(bits) && w >= 0 && h >= 0, kModule);
  size_t rowsize = static_cast<size_t>(bmpRowSize(w, bits));
  if (!buf) {
    size_t n = dir == BMP_PACK ? rowsize * h : static_cast<size_t>(w) * h;
    buf = static_cast<uint8_t*>(std::calloc(n ? n : 1, 1));
    TDE_ASSERT_TEXT(buf, "dstadr", kModule);
  }
  for (int y = 0; y < h; ++y) {
    uint8_t* pixrow =
        (dir == BMP_PACK ? const_cast<uint8_t*>(src) : buf) + static_cast<size_t>(y) * w;
    uint8_t* filerow = (dir == BMP_PACK ? buf : const_cast<uint8_t*>(src)) + (h - 1 - y) * rowsize;
    if (dir == BMP_PACK) {
      std::memset(filerow, 0, rowsize);
      packRow(filerow, pixrow, bits, w);
    } else {
      unpackRow(pixrow, filerow, bits, w);
    }
  }
  return buf;
}

namespace {

// Layout of the file bmpSave writes.
struct BmpOut {
  int bits;        // stored bits per pixel
  size_t rowsize;  // stored row, padded
  size_t head;     // bytes before the pixels
  size_t total;
};

// False when the arguments are refused.
bool bmpLayout(BmpOut* o, int w, int h, int depth, const void* cmap, int cmapn) {
  bool indexed = depth != 0;
  if ((indexed && !indexedDepth(depth)) || w <= 0 || h <= 0 ||
      imgfBytes(w, h, indexed ? 1 : 4) == 0 || cmapn < 0 || cmapn > 256 ||
      (indexed && cmapn && !cmap))
    return false;
  o->bits = indexed ? depth : 24;
  o->rowsize = static_cast<size_t>(bmpRowSize(w, o->bits));
  o->head = 54 + 4 * static_cast<size_t>(indexed ? cmapn : 0);
  o->total = o->head + o->rowsize * h;
  return o->total <= 0x7fffffff;
}

// The o.head bytes of file and palette header.
void bmpHead(uint8_t* p, const BmpOut& o, int w, int h, const void* cmap, int cmapn) {
  std::memset(p, 0, o.head);
  int ncol = o.bits == 24 ? 0 : cmapn;
  auto w16 = [&](size_t at, uint32_t v) { p[at] = v & 0xff, p[at + 1] = (v >> 8) & 0xff; };
  auto w32 = [&](size_t at, uint32_t v) { w16(at, v & 0xffff), w16(at + 2, v >> 16); };
  p[0] = 'B', p[1] = 'M';
  w32(2, static_cast<uint32_t>(o.total));
  w32(10, static_cast<uint32_t>(o.head));
  w32(14, 40);
  w32(18, static_cast<uint32_t>(w));
  w32(22, static_cast<uint32_t>(h));
  w16(26, 1);
  w16(28, static_cast<uint32_t>(o.bits));
  w32(34, static_cast<uint32_t>(o.rowsize * h));
  w32(38, 11812);
  w32(42, 11812);
  w32(46, static_cast<uint32_t>(ncol));
  const auto* cm = static_cast<const uint8_t*>(cmap);
  for (int i = 0; i < ncol; ++i) {
    p[54 + 4 * i] = cm[4 * i + 2];
    p[55 + 4 * i] = cm[4 * i + 1];
    p[56 + 4 * i] = cm[4 * i];
    p[57 + 4 * i] = cm[4 * i + 3];
  }
}

// Stored row of image row y (counted from the top), padding included.
void bmpRow(uint8_t* d, const BmpOut& o, const uint8_t* px, int w, int y) {
  if (o.bits != 24) {
    std::memset(d, 0, o.rowsize);
    packRow(d, px + static_cast<size_t>(y) * w, o.bits, w);
    return;
  }
  rgbaToBgr(d, px + static_cast<size_t>(y) * w * 4, static_cast<size_t>(w));
  std::memset(d + size_t(w) * 3, 0, o.rowsize - size_t(w) * 3);
}

}  // namespace

std::vector<uint8_t> bmpEncode(const void* pixels, int w, int h, int depth, const void* cmap,
                               int cmapn) {
  std::vector<uint8_t> out;
  BmpOut o;
  if (!bmpLayout(&o, w, h, depth, cmap, cmapn)) return out;
  out.resize(o.total);
  uint8_t* p = out.data();
  bmpHead(p, o, w, h, cmap, cmapn);
  const auto* px = static_cast<const uint8_t*>(pixels);
  for (int y = 0; y < h; ++y) bmpRow(p + o.head + (h - 1 - y) * o.rowsize, o, px, w, y);
  return out;
}

int bmpSave(const char* fname, const void* pixels, int w, int h, int depth, const void* cmap,
            int cmapn) {
  BmpOut o;
  if (!bmpLayout(&o, w, h, depth, cmap, cmapn)) return 0;
  // Rows go out in pieces of about 256 KiB that stay in the cache, instead
  // of a file image as large as the picture.
  size_t rowsPerPiece = std::max<size_t>(1, (size_t(1) << 18) / o.rowsize);
  std::vector<uint8_t> piece(std::max(o.head, rowsPerPiece * o.rowsize));
  HfsFile* f = hfsOpenWrite(fname);
  if (!f) {
    std::printf("File Open(w) Error:%s\n", fname);
    return 0;
  }
  bmpHead(piece.data(), o, w, h, cmap, cmapn);
  bool ok = hfsWrite(f, piece.data(), o.head);
  const auto* px = static_cast<const uint8_t*>(pixels);
  // Stored rows run bottom-up: the last image row first.
  for (int y = h - 1; ok && y >= 0;) {
    size_t n = 0;
    for (; n < rowsPerPiece && y >= 0; ++n, --y) bmpRow(piece.data() + n * o.rowsize, o, px, w, y);
    ok = hfsWrite(f, piece.data(), n * o.rowsize);
  }
  // On the disk before a rename can make it visible under the target's name;
  // devices cannot be synced, which is no write failure.
  if (ok) hfsSync(f);
  ok = hfsClose(f) && ok;
  return ok ? 1 : 0;
}
