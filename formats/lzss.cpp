#include "formats/lzss.h"

#include <cstring>
#include <vector>

namespace {

constexpr int kWindow = 4096;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 18;

int hash3(const uint8_t* p) { return (p[0] * 64 + p[1] * 8 + p[2]) & 0xfff; }

// Hash chains over the last kWindow positions, newest first. A position is
// stored in node (position mod kWindow); a link to a position that has left
// the window ends the chain, which is what removing the reused node does.
class MatchFinder {
 public:
  MatchFinder() : head_(4096, -1), next_(kWindow, -1) {}

  void insert(const uint8_t* in, int pos) {
    int h = hash3(in + pos);
    next_[pos % kWindow] = head_[h];
    head_[h] = pos;
  }

  // Longest match at pos of at most m bytes; ties keep the newer candidate.
  int find(const uint8_t* in, int pos, int m, int* where) const {
    int best = 0;
    int oldest = pos - kWindow;
    for (int c = head_[hash3(in + pos)]; c >= 0 && c >= oldest; c = next_[c % kWindow]) {
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

 private:
  std::vector<int> head_;
  std::vector<int> next_;
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
    for (int i = 0; i < len; ++i)
      if (n - (pos + i) >= kMinMatch) finder.insert(src, pos + i);
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
