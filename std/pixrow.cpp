#include "std/pixrow.h"

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define TDE_PIXROW_SSSE3 1
#endif

namespace {

#ifdef TDE_PIXROW_SSSE3
// One byte shuffle moves four pixels at a time where the processor has it
// (checked once at run time; every x86-64 made since about 2008 does).
bool haveSsse3() {
  static const bool have = __builtin_cpu_supports("ssse3");
  return have;
}

// Four 3-byte pixels per step through the shuffle `order`; a 16-byte load
// reads past the four pixels, so the loop stops while six remain. Answers
// the pixels done.
__attribute__((target("ssse3"))) size_t expandSsse3(uint8_t* out, const uint8_t* in, size_t n,
                                                    __m128i order) {
  const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xff000000u));
  size_t i = 0;
  for (; i + 6 <= n; i += 4, in += 12, out += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     _mm_or_si128(_mm_shuffle_epi8(v, order), alpha));
  }
  return i;
}

// Four RGBA pixels to 12 BGR bytes per step; a 16-byte store writes past
// them, so the loop stops while six remain.
__attribute__((target("ssse3"))) size_t packSsse3(uint8_t* out, const uint8_t* in, size_t n,
                                                  __m128i order) {
  size_t i = 0;
  for (; i + 6 <= n; i += 4, in += 16, out += 12) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(v, order));
  }
  return i;
}
#endif

}  // namespace

namespace {

// 3-byte pixels to RGBA; `swap` exchanges the first and third byte (BGR).
void expandRow(uint8_t* out, const uint8_t* in, size_t n, bool swap) {
  size_t i = 0;
#ifdef TDE_PIXROW_SSSE3
  if (haveSsse3()) {
    i = expandSsse3(out, in, n,
                    swap ? _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1)
                         : _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1));
  }
#endif
  const int r = swap ? 2 : 0, b = 2 - r;
  for (in += 3 * i, out += 4 * i; i < n; i++, in += 3, out += 4)
    out[0] = in[r], out[1] = in[1], out[2] = in[b], out[3] = 255;
}

// RGBA pixels to 3 bytes each; `swap` writes them as BGR.
void packRow(uint8_t* out, const uint8_t* in, size_t n, bool swap) {
  size_t i = 0;
#ifdef TDE_PIXROW_SSSE3
  if (haveSsse3()) {
    i = packSsse3(out, in, n,
                  swap ? _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1)
                       : _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
  }
#endif
  const int r = swap ? 2 : 0, b = 2 - r;
  for (in += 4 * i, out += 3 * i; i < n; i++, in += 4, out += 3)
    out[0] = in[r], out[1] = in[1], out[2] = in[b];
}

}  // namespace

void rgbToRgba(uint8_t* out, const uint8_t* in, size_t n) { expandRow(out, in, n, false); }
void bgrToRgba(uint8_t* out, const uint8_t* in, size_t n) { expandRow(out, in, n, true); }
void rgbaToRgb(uint8_t* out, const uint8_t* in, size_t n) { packRow(out, in, n, false); }
void rgbaToBgr(uint8_t* out, const uint8_t* in, size_t n) { packRow(out, in, n, true); }
