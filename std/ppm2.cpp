#include "std/ppm2.h"

#include <algorithm>
#include <cstdarg>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "std/fout.h"
#include "std/futil.h"
#include "std/hostfs.h"
#include "std/imgfnew.h"
#include "std/pixrow.h"
#include "std/tdeassert.h"

namespace {

// Text bounded by `end` (null: only a NUL ends it).
struct Text {
  const char* p;
  const char* end;
  bool more() const { return (!end || p < end) && *p != '\0'; }
  char peek() const { return more() ? *p : '\0'; }
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isSpace(char c) { return isBlank(c) || c == '\v' || c == '\f'; }

// Comment lines at the current position, each through its line feed.
bool skipComments(Text* t) {
  while (t->peek() == '#') {
    while (t->more() && *t->p != '\n') t->p++;
    if (!t->more()) return false;
    t->p++;
  }
  return true;
}

bool readInt(Text* t, int* out) {
  while (isSpace(t->peek())) t->p++;
  bool neg = false;
  if (t->peek() == '+' || t->peek() == '-') neg = *t->p++ == '-';
  if (t->peek() < '0' || t->peek() > '9') return false;
  int64_t v = 0;
  while (t->peek() >= '0' && t->peek() <= '9') {
    if (v <= INT_MAX) v = v * 10 + (*t->p - '0');
    t->p++;
  }
  if (v > INT_MAX) v = INT_MAX;
  if (out) *out = static_cast<int>(neg ? -v : v);
  return true;
}

const char* scan(Text t, const char* pat, va_list ap) {
  if (!t.p || !t.more() || !pat) return nullptr;
  for (; *pat; pat++) {
    if (!skipComments(&t)) return nullptr;
    if (*pat == ' ') {
      while (isBlank(t.peek())) t.p++;
    } else if (*pat == '%') {
      if (!readInt(&t, va_arg(ap, int*))) return nullptr;
    } else {
      if (t.peek() != *pat || !t.more()) return nullptr;
      t.p++;
    }
  }
  return t.p;
}

// " %": the scan of one plain-text sample. Blanks and plain digits take a
// short path; anything else (comments, signs, other spaces, the end) the
// general scanner, from the same position.
bool nextSample(Text* t, int* v) {
  const char* p = t->p;
  const char* end = t->end;
  if (end && end - p > 24) {
    while (p < end && isBlank(*p)) p++;
    if (end - p > 12 && *p >= '0' && *p <= '9') {
      int64_t x = 0;
      int digits = 0;
      for (; *p >= '0' && *p <= '9' && digits < 9; digits++) x = x * 10 + (*p++ - '0');
      if (digits < 9) {
        *v = static_cast<int>(x);
        t->p = p;
        return true;
      }
    }
  }
  if (!skipComments(t)) return false;
  while (isBlank(t->peek())) t->p++;
  return skipComments(t) && readInt(t, v);
}

uint8_t scale(int64_t v, int factor) { return static_cast<uint8_t>((v * factor) >> 8); }

void setMap(IMGF* img, int ver) {
  if (ver == 1 || ver == 4) {
    img->cmap[0] = 0xffffffffu;
    img->cmap[1] = 0;
    img->ncolor = 2;
  } else if (ver == 2 || ver == 5) {
    for (uint32_t i = 0; i < 256; i++) img->cmap[i] = i | i << 8 | i << 16 | 0xffu << 24;
    img->cmap[0] = 0;
    img->ncolor = 256;
  }
}

// One plain bitmap sample: a single digit 0 or 1, so "010" is three pixels.
bool nextBit(Text* t, uint8_t* v) {
  for (;;) {
    if (!skipComments(t)) return false;
    if (!isSpace(t->peek())) break;
    while (isSpace(t->peek())) t->p++;
  }
  char c = t->peek();
  if (c != '0' && c != '1') return false;
  *v = static_cast<uint8_t>(c - '0');
  t->p++;
  return true;
}

bool readPlain(Text* t, IMGF* img, int ver, int factor) {
  size_t n = size_t(img->w) * size_t(img->h);
  uint8_t* out = img->buf;
  if (ver == 1) {
    for (size_t i = 0; i < n; i++)
      if (!nextBit(t, out + i)) return false;
    return true;
  }
  int v;
  for (size_t i = 0; i < n; i++) {
    if (ver == 3) {
      for (int k = 0; k < 3; k++) {
        if (!nextSample(t, &v)) return false;
        *out++ = scale(v, factor);
      }
      *out++ = 255;
    } else {
      if (!nextSample(t, &v)) return false;
      *out++ = scale(v, factor);
    }
  }
  return true;
}

// n raw samples (P5) or pixels (P6) at p to indices or RGBA at out.
void convertRaw(const uint8_t* p, size_t n, uint8_t* out, int ver, int factor) {
  uint8_t lut[256];
  for (int v = 0; v < 256; v++) lut[v] = scale(v, factor);
  if (ver == 5) {
    for (size_t i = 0; i < n; i++) out[i] = lut[p[i]];
    return;
  }
  if (factor == 256) {  // maximum 255: the samples are the bytes
    rgbToRgba(out, p, n);
    return;
  }
  for (size_t i = 0; i < n; i++, p += 3, out += 4) {
    out[0] = lut[p[0]], out[1] = lut[p[1]], out[2] = lut[p[2]], out[3] = 255;
  }
}

bool readRaw(const uint8_t* p, size_t avail, IMGF* img, int ver, int factor) {
  size_t n = size_t(img->w) * size_t(img->h);
  uint8_t* out = img->buf;
  if (ver == 4) {
    // Every row starts on a byte boundary.
    size_t w = size_t(img->w), h = size_t(img->h), row = (w + 7) / 8;
    if (row && avail / row < h) return false;
    for (size_t y = 0; y < h; y++, p += row, out += w)
      for (size_t x = 0; x < w; x++) out[x] = (p[x >> 3] >> (7 - (x & 7))) & 1;
    return true;
  }
  if (ver == 5 ? avail < n : avail / 3 < n) return false;
  convertRaw(p, n, out, ver, factor);
  return true;
}

// Header of a portable map: variant, size, maximum and where the samples start.
struct Head {
  int ver, w, h, maxval;
  size_t off;
};

bool parseHead(const char* s, const char* end, Head* hd) {
  int ver = 0, w = 0, h = 0, maxval = 1;
  const char* p = hdScanN(s, end, "P% % %", &ver, &w, &h);
  if (p && ver != 1 && ver != 4) p = hdScanN(p, end, " %", &maxval);
  if (!p) return false;
  if (p < end && *p == '\r') p++;
  if (p < end && *p == '\n') p++;
  // A maximum of 0 (or below) scales nothing: refused like a bad header.
  if (ver < 1 || ver > 6 || maxval <= 0) return false;
  if (w < 0 || h < 0 || w > IMGF_READ_MAXPIXELS || h > IMGF_READ_MAXPIXELS ||
      int64_t(w) * h > IMGF_READ_MAXPIXELS) {
    return false;
  }
  *hd = Head{ver, w, h, maxval, size_t(p - s)};
  return true;
}

IMGF* newImage(const Head& hd) {
  int ver = hd.ver;
  return imgfNew(hd.w, hd.h, ver == 3 || ver == 6 ? 0 : ver == 1 || ver == 4 ? 1 : 8);
}

// Largest file read whole, as fload allows.
constexpr int64_t kLoadMax = int64_t{1} << 30;
// Piece of a raw map read at a time: small enough to stay in the cache.
constexpr size_t kPiece = size_t(1) << 18;

enum class Stream { kDone, kFailed, kWholeFile };

// Raw grey and colour maps (P5, P6) converted piece by piece as they are read,
// instead of from a file image as large as the picture. kWholeFile: the file
// needs the whole-file way (another variant, a header that does not end
// inside the first piece, or a file fload would refuse).
Stream streamRaw(HfsFile* f, IMGF** out) {
  *out = nullptr;
  int64_t size = hfsSeekEnd(f);
  if (size <= 0 || size > kLoadMax || !hfsRewind(f)) return Stream::kWholeFile;
  std::vector<uint8_t> piece(kPiece);
  size_t first = std::min(piece.size(), size_t(size));
  if (hfsRead(f, piece.data(), first) != first) return Stream::kWholeFile;
  const char* s = reinterpret_cast<const char*>(piece.data());
  Head hd;
  // Every header field ended before the piece did, so the whole file reads
  // the same header.
  if (!parseHead(s, s + first, &hd) || hd.off >= first || (hd.ver != 5 && hd.ver != 6))
    return Stream::kWholeFile;
  size_t n = size_t(hd.w) * size_t(hd.h);
  size_t step = hd.ver == 6 ? 3 : 1;
  size_t need = n * step;
  if (size_t(size) - hd.off < need) return Stream::kFailed;  // short raw data
  IMGF* img = newImage(hd);
  if (!img) return Stream::kFailed;
  int factor = 65280 / hd.maxval;
  uint8_t* dst = img->buf;
  size_t have = std::min(first - hd.off, need), done = 0;
  std::memmove(piece.data(), piece.data() + hd.off, have);
  for (;;) {
    size_t whole = have / step;
    convertRaw(piece.data(), whole, dst, hd.ver, factor);
    dst += whole * (hd.ver == 6 ? 4 : 1);
    done += whole * step;
    size_t rest = have - whole * step;
    std::memmove(piece.data(), piece.data() + whole * step, rest);
    if (done == need) break;
    size_t want = std::min(piece.size() - rest, need - done - rest);
    if (hfsRead(f, piece.data() + rest, want) != want) {
      imgfFre(img);
      return Stream::kWholeFile;  // the file changed: the whole-file way says so
    }
    have = rest + want;
  }
  setMap(img, hd.ver);
  *out = img;
  return Stream::kDone;
}

}  // namespace

const char* hdScan(const char* s, const char* pat, ...) {
  va_list ap;
  va_start(ap, pat);
  const char* r = scan(Text{s, nullptr}, pat, ap);
  va_end(ap);
  return r;
}

const char* hdScanN(const char* s, const char* end, const char* pat, ...) {
  va_list ap;
  va_start(ap, pat);
  const char* r = s && end && s < end ? scan(Text{s, end}, pat, ap) : nullptr;
  va_end(ap);
  return r;
}

IMGF* ppmDecode(const uint8_t* data, size_t len) {
  if (!data || len == 0) return nullptr;
  const char* s = reinterpret_cast<const char*>(data);
  const char* end = s + len;
  Head hd;
  if (!parseHead(s, end, &hd)) return nullptr;
  IMGF* img = newImage(hd);
  if (!img) return nullptr;
  int ver = hd.ver, factor = 65280 / hd.maxval;
  const char* p = s + hd.off;
  Text t{p, end};
  bool ok = ver <= 3
                ? readPlain(&t, img, ver, factor)
                : readRaw(reinterpret_cast<const uint8_t*>(p), size_t(end - p), img, ver, factor);
  if (!ok) {
    imgfFre(img);
    return nullptr;
  }
  setMap(img, ver);
  return img;
}

namespace {

// Buffered output of " %d" samples, 16 to a CR LF line.
class SampleWriter {
 public:
  explicit SampleWriter(FOUT* fo) : fo_(fo) {
    for (int v = 0; v < 256; v++) {
      char* t = text_[v];
      t[0] = ' ';
      int n = 1;
      if (v >= 100) t[n++] = char('0' + v / 100);
      if (v >= 10) t[n++] = char('0' + v / 10 % 10);
      t[n++] = char('0' + v % 10);
      len_[v] = static_cast<uint8_t>(n);
    }
  }
  void put(uint8_t v) {
    if (used_ > sizeof buf_ - 8) flush();
    std::memcpy(buf_ + used_, text_[v], 4);
    used_ += len_[v];
    if (++column_ == 16) endLine();
  }
  void endLine() {
    buf_[used_++] = '\r';
    buf_[used_++] = '\n';
    column_ = 0;
  }
  bool finish() {
    if (column_) endLine();
    flush();
    return ok_;
  }

 private:
  void flush() {
    if (used_ && !foutWrite(fo_, buf_, used_)) ok_ = false;
    used_ = 0;
  }
  FOUT* fo_;
  char text_[256][4];
  uint8_t len_[256];
  char buf_[1 << 16];
  size_t used_ = 0;
  int column_ = 0;
  bool ok_ = true;
};

bool writeRaw(FOUT* fo, const uint8_t* px, int w, int h, int ver) {
  size_t n = size_t(w) * size_t(h);
  if (ver == 5) return foutWrite(fo, px, n);
  if (ver == 4) {
    size_t row = (size_t(w) + 7) / 8;
    std::vector<uint8_t> out(row * size_t(h));
    for (size_t y = 0; y < size_t(h); y++, px += w)
      for (size_t x = 0; x < size_t(w); x++)
        out[y * row + (x >> 3)] |= uint8_t((px[x] & 1) << (7 - (x & 7)));
    return foutWrite(fo, out.data(), out.size());
  }
  // Colour samples go out a piece at a time, converted in the cache.
  constexpr size_t kPixels = kPiece / 3;
  std::vector<uint8_t> out(kPixels * 3);
  for (size_t i = 0; i < n; i += kPixels) {
    size_t k = std::min(kPixels, n - i);
    rgbaToRgb(out.data(), px + 4 * i, k);
    if (!foutWrite(fo, out.data(), k * 3)) return false;
  }
  return true;
}

bool argsOk(const void* pixels, int w, int h) {
  if (w < 0 || h < 0) return false;
  return w == 0 || h == 0 || (imgfBytes(w, h, 1) && pixels);
}

}  // namespace

int ppmWrite(FOUT* fo, const void* pixels, int w, int h, int ver) {
  TDE_ASSERT_TEXT(ver >= 1 && ver <= 6, "ver>=1 && ver<=6", "std/ppm2");
  if (!argsOk(pixels, w, h)) return 0;
  char head[64];
  int n = ver == 1 || ver == 4 ? std::snprintf(head, sizeof head, "P%d %d %d", ver, w, h)
                               : std::snprintf(head, sizeof head, "P%d %d %d 255", ver, w, h);
  // The plain variants are text files with CR LF line ends.
  const char* eol = ver <= 3 ? "\r\n" : "\n";
  if (n < 0 || !foutWrite(fo, head, size_t(n)) || !foutWrite(fo, eol, std::strlen(eol))) return 0;
  const uint8_t* px = static_cast<const uint8_t*>(pixels);
  size_t npix = size_t(w) * size_t(h);
  if (ver >= 4) return writeRaw(fo, px, w, h, ver) ? 1 : 0;
  // The writer's 64 KiB buffer is too big for the stack of every caller.
  std::unique_ptr<SampleWriter> sw(new SampleWriter(fo));
  if (ver == 3) {
    for (size_t i = 0; i < npix; i++, px += 4) sw->put(px[0]), sw->put(px[1]), sw->put(px[2]);
  } else {
    for (size_t i = 0; i < npix; i++) sw->put(px[i]);
  }
  return sw->finish() ? 1 : 0;
}

int ppmSave(const char* fname, const void* pixels, int w, int h, int ver) {
  TDE_ASSERT_TEXT(ver >= 1 && ver <= 6, "ver>=1 && ver<=6", "std/ppm2");
  if (!argsOk(pixels, w, h)) return 0;
  FOUT* fo = foutOpen(fname);
  if (!fo) return 0;
  int ok = ppmWrite(fo, pixels, w, h, ver);
  if (!ok) {
    foutAbort(fo);
    return 0;
  }
  return foutClose(fo);
}

IMGF* ppmOpen(const char* fname) {
  if (HfsFile* f = fname ? hfsOpenRead(fname) : nullptr) {
    IMGF* img;
    Stream r = streamRaw(f, &img);
    hfsClose(f);
    if (r != Stream::kWholeFile) return img;
  }
  size_t len = 0;
  char* data = fload(&len, fname);
  if (!data) return nullptr;
  IMGF* img = ppmDecode(reinterpret_cast<const uint8_t*>(data), len);
  std::free(data);
  return img;
}
