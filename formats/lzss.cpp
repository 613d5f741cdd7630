#include "formats/lzss.h"

#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr int kWindow = 4096;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 18;

constexpr int kHashBits = 15;

// Chains hold only positions whose three bytes hash alike; a good spread keeps
// the false candidates few.
int hash3(const uint8_t* p) {
  return static_cast<int>(((uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]) * 2654435761u) >>
                          (32 - kHashBits));
}

// Length of the common start of a and b, at most kMaxMatch; both must have
// kMaxMatch bytes readable. Without branches on the data, so that the
// candidates of a hash chain cost no mispredicted jumps.
int commonLength(const uint8_t* a, const uint8_t* b) {
#ifdef __SSE2__
  static_assert(kMaxMatch > 16 && kMaxMatch <= 32, "two overlapping 16-byte loads");
  auto eq = [](const uint8_t* x, const uint8_t* y) {
    __m128i vx = _mm_loadu_si128(reinterpret_cast<const __m128i*>(x));
    __m128i vy = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y));
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(vx, vy)));
  };
  constexpr int kTail = kMaxMatch - 16;
  uint32_t same = eq(a, b) | eq(a + kTail, b + kTail) << kTail;
  return __builtin_ctz(~same | 1u << kMaxMatch);
#else
  int len = 0;
  while (len < kMaxMatch && a[len] == b[len]) ++len;
  return len;
#endif
}

int hash4(const uint8_t* p) {
  uint32_t v = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
  return static_cast<int>((v * 2654435761u) >> (32 - kHashBits));
}

// Positions over the last kWindow whose first bytes hash alike, newest first.
// A position is stored in node (position mod kWindow); a link to a position
// that has left the window ends the chain, which is what removing the reused
// node does.
struct Chain {
  std::vector<int> head = std::vector<int>(size_t(1) << kHashBits, -1);
  std::vector<int> next = std::vector<int>(kWindow, -1);

  void add(int h, int pos) {
    next[pos & (kWindow - 1)] = head[h];
    head[h] = pos;
  }
};

// Longest match (ties keep the newer candidate) over two sets of chains: by
// the first three bytes, and by the first four. Every match of four bytes or
// more starts with the same four bytes as the position, so the four-byte
// chain alone decides those; when it has none, the newest three-byte match
// wins and its chain is walked only up to that.
class MatchFinder {
 public:
  void insert(const uint8_t* in, int pos, int n) {
    if (n - pos >= 3) three_.add(hash3(in + pos), pos);
    if (n - pos >= 4) four_.add(hash4(in + pos), pos);
  }

  // Longest match at pos of at most m bytes (0 or 1 or 2 when there is none).
  int find(const uint8_t* in, int pos, int m, int* where) const {
    // Chains end at -1 or at a position that has left the window.
    int oldest = pos > kWindow ? pos - kWindow : 0;
    if (m < kMaxMatch) return findNearEnd(in, pos, m, oldest, where);
    int best = 0;
    for (int c = four_.head[hash4(in + pos)]; c >= oldest; c = four_.next[c & (kWindow - 1)]) {
      // Every candidate is measured in full: cheaper than a test that skips some.
      int len = commonLength(in + c, in + pos);
      if (len > best) {
        best = len;
        *where = c;
        if (len == kMaxMatch) break;
      }
    }
    if (best >= 4) return best;
    for (int c = three_.head[hash3(in + pos)]; c >= oldest; c = three_.next[c & (kWindow - 1)]) {
      if (in[c] == in[pos] && in[c + 1] == in[pos + 1] && in[c + 2] == in[pos + 2]) {
        *where = c;
        return 3;
      }
    }
    return 0;
  }

 private:
  // The last bytes: the plain walk of the three-byte chain, within m.
  int findNearEnd(const uint8_t* in, int pos, int m, int oldest, int* where) const {
    int best = 0;
    for (int c = three_.head[hash3(in + pos)]; c >= oldest; c = three_.next[c & (kWindow - 1)]) {
      // Only a longer match can win, so a candidate that differs at the
      // current best length is passed over without counting.
      if (best > 0 && in[c + best] != in[pos + best]) continue;
      int len = 0;
      while (len < m && in[c + len] == in[pos + len]) ++len;
      if (len > best) {
        best = len;
        *where = c;
        if (len == m) break;
      }
    }
    return best;
  }

  Chain three_, four_;
};

}  // namespace

int lzEncode(void* out, const void* in, int n) {
  auto* dst = static_cast<uint8_t*>(out);
  const auto* src = static_cast<const uint8_t*>(in);
  MatchFinder finder;
  int op = 0, flagpos = 0, items = 0;
  for (int pos = 0; pos < n;) {
    int m = n - pos < kMaxMatch ? n - pos : kMaxMatch;
    int where = 0, len = 0;
    if (m >= kMinMatch) len = finder.find(src, pos, m, &where);
    if (len < kMinMatch) len = 1;
    for (int i = 0; i < len; ++i) finder.insert(src, pos + i, n);
    if (items % 8 == 0) {
      flagpos = op;
      dst[op++] = 0;
    }
    ++items;
    if (len == 1) {
      dst[op++] = src[pos];
    } else {
      int d = pos - where - 1;
      dst[flagpos] |= 0x80 >> ((items - 1) % 8);
      dst[op++] = static_cast<uint8_t>(((d >> 4) & 0xf0) | (len - kMinMatch));
      dst[op++] = static_cast<uint8_t>(d & 0xff);
    }
    pos += len;
  }
  return op;
}

int lzDecode(void* out, int n, const void* in, int inlen) {
  auto* dst = static_cast<uint8_t*>(out);
  const auto* src = static_cast<const uint8_t*>(in);
  int op = 0, ip = 0;
  while (op < n) {
    if (ip >= inlen) return -1;
    int flags = src[ip++];
    for (int bit = 0x80; bit && op < n; bit >>= 1) {
      if (!(flags & bit)) {
        if (ip >= inlen) return -1;
        dst[op++] = src[ip++];
        continue;
      }
      if (inlen - ip < 2) return -1;
      int b0 = src[ip], b1 = src[ip + 1];
      ip += 2;
      int len = (b0 & 0x0f) + kMinMatch;
      int dist = ((b0 & 0xf0) << 4) + b1 + 1;
      if (dist > op || len > n - op) return -1;
      for (int i = 0; i < len; ++i, ++op) dst[op] = dst[op - dist];
    }
  }
  return ip;
}

void bitPack(void* out, const void* values, int count, int b) {
  auto* dst = static_cast<uint8_t*>(out);
  const auto* src = static_cast<const uint8_t*>(values);
  std::memset(dst, 0, static_cast<size_t>(bitBytes(count, b)));
  int mask = (1 << b) - 1;
  int64_t bitpos = 0;
  for (int i = 0; i < count; ++i, bitpos += b) {
    int shift = 8 - b - static_cast<int>(bitpos % 8);
    dst[bitpos / 8] |= static_cast<uint8_t>((src[i] & mask) << shift);
  }
}

void bitUnpack(void* out, const void* packed, int count, int b) {
  auto* dst = static_cast<uint8_t*>(out);
  const auto* src = static_cast<const uint8_t*>(packed);
  int mask = (1 << b) - 1;
  int64_t bitpos = 0;
  for (int i = 0; i < count; ++i, bitpos += b) {
    int shift = 8 - b - static_cast<int>(bitpos % 8);
    dst[i] = static_cast<uint8_t>((src[bitpos / 8] >> shift) & mask);
  }
}
