// Internals of the quantiser shared by its source files (and its tests):
// counting pixels per bucket, the exact pruned nearest-entry search and the
// thinning pass.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "std/bigmem.h"
#include "std/db2.h"
#include "std/rgba2cmap2.h"

namespace rgba2cmap_detail {

inline uint32_t loadColour(const uint8_t* p) {
  // Colours are R | G<<8 | B<<16 | A<<24; the byte order decides, not the host.
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline int channel(uint32_t c, int ch) { return int((c >> (8 * ch)) & 0xff); }

inline int colourDist(uint32_t a, uint32_t b) {
  // Written out: a loop over the channels stays a loop with variable shifts.
  const int dr = int(a & 0xff) - int(b & 0xff);
  const int dg = int(a >> 8 & 0xff) - int(b >> 8 & 0xff);
  const int db = int(a >> 16 & 0xff) - int(b >> 16 & 0xff);
  const int da = int(a >> 24) - int(b >> 24);
  return dr * dr + dg * dg + db * db + da * da;
}

// Open-addressing table keyed by bucket keys (bit 0 of every byte clear).
// Slot is a record whose first member is `uint32_t key`; a fresh slot holds
// the empty key and zeros elsewhere. Callers look keys up in batches: they
// take the home slots of a batch first and prefetch them, so the cache
// misses of a photo's scattered colours overlap instead of queueing.
template <class Slot>
class KeyTable {
 public:
  static constexpr uint32_t kEmpty = 1;  // never a bucket key
  KeyTable() { resize(12); }
  // Makes room for `more` new keys without moving slots while they arrive.
  void reserve(size_t more) {
    while ((used_ + more) * 10 > slots_.size() * 7) resize(bits_ + 1);
  }
  size_t home(uint32_t key) const {
    return size_t((uint64_t(key) * 0x9E3779B97F4A7C15ull) >> (64 - bits_));
  }
  void prefetch(size_t home) const { __builtin_prefetch(&slots_[home]); }
  // The slot holding key, or the empty slot where it belongs (then claim it).
  Slot* probe(uint32_t key, size_t home) {
    Slot* s = &slots_[home];
    while (s->key != key && s->key != kEmpty) {
      home = (home + 1) & mask_;
      s = &slots_[home];
    }
    return s;
  }
  void claim(Slot* s, uint32_t key) {
    s->key = key;
    used_++;
  }
  const std::vector<Slot>& slots() const { return slots_; }

 private:
  void resize(int bits) {
    Slot empty{};
    empty.key = kEmpty;
    std::vector<Slot> old(size_t(1) << bits, empty);
    old.swap(slots_);
    bits_ = bits;
    mask_ = slots_.size() - 1;
    for (const Slot& s : old)
      if (s.key != kEmpty) *probe(s.key, home(s.key)) = s;
  }
  std::vector<Slot> slots_;
  int bits_ = 0;
  size_t mask_ = 0;
  size_t used_ = 0;
};

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

// A growing array of plain records whose big buffers get huge pages (see
// std/bigmem.h): reserved room costs nothing until it is written.
template <class T>
class BigArray {
 public:
  size_t size() const { return n_; }
  T& operator[](size_t i) { return p_.get()[i]; }
  const T& operator[](size_t i) const { return p_.get()[i]; }
  void reserve(size_t cap) {
    if (cap <= cap_) return;
    if (cap > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    std::unique_ptr<T, FreeDeleter> q(static_cast<T*>(bigMalloc(cap * sizeof(T))));
    if (!q) throw std::bad_alloc();
    if (n_) std::memcpy(q.get(), p_.get(), n_ * sizeof(T));
    p_ = std::move(q);
    cap_ = cap;
  }
  void push_back(const T& v) {
    if (n_ == cap_) reserve(std::max<size_t>(256, 2 * cap_));
    p_.get()[n_++] = v;
  }

 private:
  std::unique_ptr<T, FreeDeleter> p_;
  size_t n_ = 0, cap_ = 0;
};

// Lookups are batched this many pixels at a time.
constexpr size_t kBatch = 16;

// Pixels counted per bucket key, buckets numbered in order of first
// appearance. All pixels of a bucket share the upper 7 bits of each channel,
// so a channel's sum is the count times that part plus the number of odd
// values: only those are counted (16-bit, moved aside every 2^15 pixels of
// a bucket). Sums are exact and 64-bit in the end.
//
// Neighbouring pixels of a picture mostly have neighbouring colours, so the
// buckets are found through blocks of 4 x 4 x 4 seven-bit colours (one
// alpha) kept together: the blocks in use stay in cache. Blocks of the first
// pixel's alpha are found by direct index, others by hash. Pictures whose
// colours are too scattered to fill the blocks go on in a plain hash table.
// The counts themselves sit in a dense array by bucket number.
class BucketTally {
 public:
  // Called once. When ids is given, it receives each pixel's bucket number.
  // Keeps the counts, not the means to look buckets up.
  void add(const uint8_t* px, size_t count, uint32_t* ids);
  size_t size() const { return acc_.size(); }
  uint32_t key(size_t id) const { return acc_[id].first & RGBA2CMAP_KEYMASK; }
  int32_t count(size_t id) const { return int32_t(acc_[id].cnt); }
  uint64_t sum(size_t id, int ch) const {
    const Acc& a = acc_[id];
    return uint64_t(a.cnt) * (a.first >> (8 * ch) & 0xFE) + odd(id, ch);
  }
  // Sums over count, truncated: with n pixels of which k are odd in a
  // channel, the sum is n times the upper part plus k (0 <= k <= n), so
  // the average is the upper part plus 1 exactly when all n are odd.
  uint32_t average(size_t id) const {
    const Acc& a = acc_[id];
    uint32_t avg = a.first & RGBA2CMAP_KEYMASK;
    for (int ch = 0; ch < 4; ch++)
      if (odd(id, ch) == a.cnt) avg += uint32_t(1) << (8 * ch);
    return avg;
  }
  // Exact colour of the bucket's first pixel.
  uint32_t first(size_t id) const { return acc_[id].first; }

 private:
  struct Acc {
    uint32_t cnt;
    uint32_t first;
    uint16_t odd[4];  // odd channel values since the last move aside
  };
  // Odd values of a channel over all the bucket's pixels.
  uint64_t odd(size_t id, int ch) const {
    return acc_[id].odd[ch] + (spill_.size() > 4 * id ? spill_[4 * id + ch] : 0);
  }
  struct Block {
    uint32_t key;
    uint32_t* at;  // the block's 64 slots: bucket number + 1, 0 when unused
  };
  struct Slot {
    uint32_t key;
    uint32_t id;
  };
  // Blocks per chunk: 1024 (256 KB), or 16 times as many for big pictures,
  // whose chunks then get huge pages.
  size_t chunkBlocks_ = 1024;
  uint32_t newBucket(const uint8_t* p);
  uint32_t* newBlock();
  uint32_t* blockAt(uint32_t block, size_t pending);
  size_t addBlocked(const uint8_t* px, size_t count, uint32_t* ids);
  void addHashed(const uint8_t* px, size_t count, uint32_t* ids);
  void toHashed();
  void tally(uint32_t id, const uint8_t* p);
  // f(bucket key, bucket number) in storage order.
  template <class F>
  void forEachStored(F f) const {
    if (hashed_) {
      for (const Slot& s : table_.slots())
        if (s.key != KeyTable<Slot>::kEmpty) f(s.key, s.id);
      return;
    }
    for (size_t b = 0; b < blocks_; b++) {
      const uint32_t* blk = chunks_[b / chunkBlocks_].get() + b % chunkBlocks_ * 64;
      for (uint32_t k = 0; k < 64; k++)
        if (blk[k]) f(blockKey_[b] | (k & 3) << 1 | (k >> 2 & 3) << 9 | (k >> 4) << 17, blk[k] - 1);
    }
  }
  BigArray<Acc> acc_;            // by bucket number
  std::vector<uint64_t> spill_;  // by bucket number and channel, when needed
  // Blocks of the first pixel's alpha by red, green, blue (5 bits each);
  // blocks of other alphas by key.
  uint32_t alpha_ = 0;
  std::vector<uint32_t*> direct_;
  KeyTable<Block> dir_;
  // Blocks live in chunks that never move (growing one array would copy
  // megabytes again and again).
  std::vector<std::unique_ptr<uint32_t, FreeDeleter>> chunks_;
  std::vector<uint32_t> blockKey_;  // by block: the key of its slot 0
  size_t blocks_ = 0;
  bool hashed_ = false;
  KeyTable<Slot> table_;
};

// Exact nearest entry among the first n colour-map entries: smallest squared
// distance over the four channels, lowest index on equal distance. The
// colour space is cut into cells (side 8 or 16 per channel); for each cell met,
// the entries that can be nearest to some colour in it are listed once: D is
// the least, over all entries, of the farthest distance from the cell to the
// entry, and an entry whose nearest distance to the cell exceeds D can
// neither be nearest nor tie there.
class NearSearch {
 public:
  // Small cells (shift 3, side 8) suit many searches per cell, as in error
  // diffusion; bigger ones (shift 4) cost less to list when colours are
  // searched once each.
  NearSearch(const uint8_t* cmap, int n, int shift = 3);
  ~NearSearch();
  NearSearch(const NearSearch&) = delete;
  NearSearch& operator=(const NearSearch&) = delete;
  int size() const { return n_; }
  // -1 when there are no entries.
  int find(uint32_t colour);

 private:
  static constexpr int kBigShift = 5;  // the cells listed first, side 32
  uint32_t buildCell(uint32_t colour, uint32_t cell);
  uint32_t makeList(const int lo[4], int side, const std::vector<uint16_t>& from);
  int n_;
  int shift_;  // cell side 1 << shift_
  std::vector<uint32_t> col_;
  uint32_t* cellList_;             // per cell: 0 not built yet, else 1 + list offset
  std::vector<uint32_t> bigList_;  // the same for the cells of side 32
  struct Cand {
    uint32_t col;
    int32_t nearSq;  // least distance from the cell
    int32_t idx;     // entry index (in a list's header: the list's length)
  };
  std::vector<Cand> lists_;  // per list: a header, then candidates by nearSq
  // Scratch space of list making.
  std::vector<uint16_t> from_;
  std::vector<int> nearSq_;
  std::vector<Cand> kept_;
  uint32_t lastCell_ = UINT32_MAX, lastAt_ = 0;
};
// The colour map of rgba2cmap from counted pixels.
int cmapFromTally(uint8_t* cmap, const BucketTally& tally, int maxcmapn, int top);

// Number of leading buckets of a sorted count list that thinning never
// removes, for a target of a colours over n buckets (reads at most the
// first a / 2 counts).
int thinProtected(const int32_t* counts, int n, int a);

// Thinning over colours in sorted order: colour i survives when i < protect
// or no earlier survivor lies closer than t. keep[i] tells the outcome.
// Stops once more than `limit` colours survive (the rest get keep 0) and
// then answers limit + 1; otherwise answers the number of survivors.
int thinSorted(const uint32_t* cols, int n, int protect, int t, uint8_t* keep, int limit);

// thinSorted for repeated runs over the same colours (keeps its buffers).
class Thinner {
 public:
  Thinner(const uint32_t* cols, int n, int protect);
  int run(int t, uint8_t* keep, int limit);
  // At least the number of survivors run(t) can have (INT_MAX when not
  // known), without thinning; past limit it may stop counting.
  int mostSurvivors(int t, int limit);

 private:
  void setThreshold(int t, int limit);
  void file(uint32_t c);
  void cover(uint32_t c);
  bool removed(uint32_t c) const;
  // Bit k: colour i + k lies in a covered cell (k < m <= 64).
  uint64_t coveredBits(int i, int m) const;
  const uint32_t* cols_;
  int n_, protect_;
  // When every colour has the same alpha: per cell of 4 x 4 x 4 colour
  // values, whether a survivor so far lies closer than the threshold to all
  // of it (one bit per cell, a word per row of 64 cells along blue).
  bool oneAlpha_;
  std::vector<uint64_t> covered_;
  std::vector<uint32_t> cells_;  // by colour: its cell, row (red, green) << 6 | blue
  std::vector<uint64_t>
      occupied_;  // bits as covered_: the cells holding colours (made when needed)
  int t_ = 0, r_ = -1, shift_ = 2, g_ = 64;
  std::vector<int32_t> head_, tail_;  // per cell: first and last filing (tail valid when head is)
  struct Filing {
    int32_t next;  // next filing of the cell, or -1
    uint32_t col;  // the survivor's colour
  };
  std::vector<Filing> filings_;
};

}  // namespace rgba2cmap_detail
