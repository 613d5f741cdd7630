// Internals of the quantiser shared by its source files (and its tests):
// a fast key index over a value-keyed list database, the exact pruned
// nearest-entry search and the grid-based thinning pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace rgba2cmap_detail {

inline uint32_t loadColour(const uint8_t* p) {
  // Colours are R | G<<8 | B<<16 | A<<24; the byte order decides, not the host.
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline int channel(uint32_t c, int ch) { return int((c >> (8 * ch)) & 0xff); }

inline int colourDist(uint32_t a, uint32_t b) {
  int d = 0;
  for (int ch = 0; ch < 4; ch++) {
    int x = channel(a, ch) - channel(b, ch);
    d += x * x;
  }
  return d;
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

// Lookups are batched this many pixels at a time.
constexpr size_t kBatch = 16;

// Pixels counted per bucket key, buckets numbered in order of first
// appearance. Sums are 64-bit in the end (32-bit while counting, moved
// aside every 2^24 pixels of a bucket).
//
// Neighbouring pixels of a picture mostly have neighbouring colours, so the
// count starts with blocks of 4 x 4 x 4 seven-bit colours (one alpha) kept
// together: the blocks in use stay in cache. Pictures whose colours are too
// scattered to fill the blocks go on in a plain hash table.
class BucketTally {
 public:
  // Called once. When ids is given, it receives each pixel's bucket number.
  void add(const uint8_t* px, size_t count, uint32_t* ids);
  size_t size() const { return slotOf_.size(); }
  uint32_t key(size_t id) const { return slot(id).key; }
  int32_t count(size_t id) const { return int32_t(slot(id).cnt); }
  uint64_t sum(size_t id, int ch) const {
    return slot(id).sum[ch] + (spill_.size() > 4 * id ? spill_[4 * id + ch] : 0);
  }
  // Exact colour of the bucket's first pixel.
  uint32_t first(size_t id) const { return slot(id).first; }
  void prefetch(size_t id) const { __builtin_prefetch(&base_[slotOf_[id]]); }
  // Calls f(bucket number, exact colour of its first pixel) for every bucket,
  // in storage order (neighbouring colours together), not by number.
  template <class F>
  void forEachFirst(F f) const {
    for (size_t k = 0; k < stored_; k++)
      if (base_[k].key != KeyTable<Slot>::kEmpty) f(base_[k].id, base_[k].first);
  }

 private:
  struct Slot {
    uint32_t key;
    uint32_t cnt;
    uint32_t id;
    uint32_t first;
    uint32_t sum[4];
  };
  struct Block {
    uint32_t key;
    uint32_t at;  // first slot in blocks_
  };
  const Slot& slot(size_t id) const { return base_[slotOf_[id]]; }
  size_t addBlocked(const uint8_t* px, size_t count, uint32_t* ids);
  void addHashed(const uint8_t* px, size_t count, uint32_t* ids);
  void toHashed();
  void tallyPixel(Slot& s, bool fresh, const uint8_t* p);
  KeyTable<Block> dir_;       // block key -> block
  std::vector<Slot> blocks_;  // 64 slots per block
  KeyTable<Slot> table_;
  const Slot* base_ = nullptr;
  size_t stored_ = 0;
  std::vector<uint32_t> slotOf_;  // by bucket number, into base_; filled once counting is done
  std::vector<uint64_t> spill_;
  uint32_t buckets_ = 0;
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
  uint32_t lastCell_ = UINT32_MAX, lastAt_ = 0;
};
// The colour map of rgba2cmap from counted pixels.
int cmapFromTally(uint8_t* cmap, const BucketTally& tally, int maxcmapn, int top);

// Number of leading buckets of a sorted count list that thinning never
// removes, for a target of a colours over n buckets.
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

 private:
  void setThreshold(int t, int limit);
  void file(uint32_t c);
  bool removed(uint32_t c) const;
  const uint32_t* cols_;
  int n_, protect_;
  int t_ = 0, r_ = -1, shift_ = 2, g_ = 64;
  std::vector<int32_t> head_, tail_;  // per cell: first and last filing (tail valid when head is)
  struct Filing {
    int32_t next;  // next filing of the cell, or -1
    uint32_t col;  // the survivor's colour
  };
  std::vector<Filing> filings_;
};

}  // namespace rgba2cmap_detail
