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

// Open-addressing index from a 32-bit key to the data address of the record
// holding it. The hashed list database keeps the records (and their order);
// its 4096 chains grow long with photo-sized colour counts, so lookups go
// through this table instead.
class ValIndex {
 public:
  ValIndex();
  void* find(uint32_t key) const;
  // The key must not be present yet.
  void add(uint32_t key, void* rec);

 private:
  void grow();
  size_t slot(uint32_t key) const;
  std::vector<uint32_t> keys_;
  std::vector<void*> recs_;
  int bits_;
  size_t used_ = 0;
};

// Exact nearest entry among the first n colour-map entries: smallest squared
// distance over the four channels, lowest index on equal distance. Entries
// are sorted by the channel that spreads most; the search walks outwards
// from the query's value on that channel and stops in each direction once
// that channel alone is farther than the best distance found.
class NearSearch {
 public:
  NearSearch(const uint8_t* cmap, int n);
  int size() const { return n_; }
  // -1 when there are no entries.
  int find(uint32_t colour) const;

 private:
  int n_;
  int key_;  // channel the entries are sorted by
  std::vector<uint32_t> col_;
  std::vector<int16_t> kv_;  // key channel of col_, for the scan bounds
  std::vector<uint8_t> idx_;
  int16_t start_[257];  // first sorted position whose key channel is >= v
};

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
  std::vector<int32_t> next_, who_;   // filings: next in the cell, survivor
  std::vector<uint32_t> surv_;
};

}  // namespace rgba2cmap_detail
