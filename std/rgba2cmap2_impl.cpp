#include "std/rgba2cmap2_impl.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <new>

#include "std/tdeassert.h"

namespace rgba2cmap_detail {

// ---- BucketTally -------------------------------------------------------------

uint32_t BucketTally::newBucket(const uint8_t* p) {
  acc_.push_back(Acc{0, loadColour(p), {0, 0, 0, 0}});
  return uint32_t(acc_.size() - 1);
}

inline void BucketTally::tally(uint32_t id, const uint8_t* p) {
  Acc& a = acc_[id];
  for (int ch = 0; ch < 4; ch++) a.odd[ch] = uint16_t(a.odd[ch] + (p[ch] & 1));
  if ((++a.cnt & 0x7FFF) == 0) {
    const size_t at = 4 * size_t(id);
    if (spill_.size() < at + 4) spill_.resize(at + 4);
    for (int ch = 0; ch < 4; ch++) spill_[at + ch] += a.odd[ch];
    std::fill(a.odd, a.odd + 4, uint16_t(0));
  }
}

uint32_t* BucketTally::newBlock() {
  if (blocks_ % chunkBlocks_ == 0) {
    chunks_.emplace_back(static_cast<uint32_t*>(bigMalloc(chunkBlocks_ * 64 * sizeof(uint32_t))));
    if (!chunks_.back()) throw std::bad_alloc();
  }
  uint32_t* at = chunks_.back().get() + blocks_ % chunkBlocks_ * 64;
  std::fill(at, at + 64, 0u);
  blocks_++;
  return at;
}

uint32_t* BucketTally::blockAt(uint32_t block, size_t pending) {
  uint32_t** direct = nullptr;
  Block* b = nullptr;
  if (block >> 24 == alpha_) {
    direct = &direct_[(block >> 3 & 31) | (block >> 11 & 31) << 5 | (block >> 19 & 31) << 10];
    if (*direct) return *direct;
  } else {
    dir_.reserve(1);
    b = dir_.probe(block, dir_.home(block));
    if (b->key == block) return b->at;
  }
  // Too scattered for blocks (on average fewer than 1 in 6 slots in use,
  // past a first 256 KB): the hash table takes less memory.
  if (64 * blocks_ > 6 * (acc_.size() + pending) + 65536) return nullptr;
  uint32_t* at = newBlock();
  blockKey_.push_back(block);
  if (direct) {
    *direct = at;
  } else {
    dir_.claim(b, block);
    b->at = at;
  }
  return at;
}

size_t BucketTally::addBlocked(const uint8_t* px, size_t count, uint32_t* ids) {
  uint32_t lastBlock = KeyTable<Block>::kEmpty;
  uint32_t* at = nullptr;
  uint32_t found[kBatch];
  uint32_t* slots[kBatch];
  for (size_t i = 0; i < count; i += kBatch, px += 4 * kBatch) {
    // Find the slots of a batch first and prefetch them, then the records,
    // then count.
    size_t m = std::min(kBatch, count - i);
    bool scattered = false;
    for (size_t j = 0; j < m; j++) {
      const uint32_t key = loadColour(px + 4 * j) & RGBA2CMAP_KEYMASK;
      // Block key: alpha and the upper 5 bits of red, green, blue (even, so
      // never the empty key); slot: the lower 2 bits of each.
      const uint32_t block = key & 0xFEF8F8F8u;
      if (block != lastBlock) {
        at = blockAt(block, j);
        if (!at) {
          m = j;
          scattered = true;
          break;
        }
        lastBlock = block;
      }
      slots[j] = at + ((key >> 1 & 3) | (key >> 9 & 3) << 2 | (key >> 17 & 3) << 4);
      __builtin_prefetch(slots[j]);
    }
    for (size_t j = 0; j < m; j++) {
      if (!*slots[j]) *slots[j] = newBucket(px + 4 * j) + 1;
      found[j] = *slots[j] - 1;
      __builtin_prefetch(&acc_[found[j]]);
    }
    for (size_t j = 0; j < m; j++) tally(found[j], px + 4 * j);
    if (ids) std::copy(found, found + m, ids + i);
    if (scattered) return i + m;
  }
  return count;
}

void BucketTally::toHashed() {
  table_.reserve(acc_.size());
  forEachStored([&](uint32_t key, uint32_t id) {
    Slot* t = table_.probe(key, table_.home(key));
    table_.claim(t, key);
    t->id = id;
  });
  hashed_ = true;
  std::vector<std::unique_ptr<uint32_t, FreeDeleter>>().swap(chunks_);
  blocks_ = 0;
}

void BucketTally::addHashed(const uint8_t* px, size_t count, uint32_t* ids) {
  uint32_t keys[kBatch], found[kBatch];
  size_t homes[kBatch];
  for (size_t i = 0; i < count; i += kBatch, px += 4 * kBatch) {
    const size_t m = std::min(kBatch, count - i);
    table_.reserve(m);
    for (size_t j = 0; j < m; j++) {
      keys[j] = loadColour(px + 4 * j) & RGBA2CMAP_KEYMASK;
      homes[j] = table_.home(keys[j]);
      table_.prefetch(homes[j]);
    }
    for (size_t j = 0; j < m; j++) {
      Slot* s = table_.probe(keys[j], homes[j]);
      if (s->key != keys[j]) {
        table_.claim(s, keys[j]);
        s->id = newBucket(px + 4 * j);
      }
      found[j] = s->id;
      __builtin_prefetch(&acc_[found[j]]);
    }
    for (size_t j = 0; j < m; j++) tally(found[j], px + 4 * j);
    if (ids) std::copy(found, found + m, ids + i);
  }
}

void BucketTally::add(const uint8_t* px, size_t count, uint32_t* ids) {
  // Room for the buckets of most pictures at once (untouched room costs
  // nothing), so the arrays seldom move.
  const size_t guess = std::min<size_t>(count, size_t(1) << 20);
  acc_.reserve(guess);
  if (count >= size_t(1) << 20) chunkBlocks_ = 16 * 1024;
  if (count) alpha_ = loadColour(px) >> 24 & 0xFE;
  direct_.assign(size_t(1) << 15, nullptr);
  const size_t done = addBlocked(px, count, ids);
  if (done < count) {
    toHashed();
    addHashed(px + 4 * done, count - done, ids ? ids + done : nullptr);
  }
  // The lookup structures are done with: their memory can serve what follows.
  std::vector<std::unique_ptr<uint32_t, FreeDeleter>>().swap(chunks_);
  std::vector<uint32_t>().swap(blockKey_);
  std::vector<uint32_t*>().swap(direct_);
  dir_ = KeyTable<Block>();
  table_ = KeyTable<Slot>();
}

// ---- NearSearch --------------------------------------------------------------

NearSearch::NearSearch(const uint8_t* cmap, int n, int shift)
    : n_(std::max(0, std::min(n, 256))),
      shift_(std::clamp(shift, 1, kBigShift)),
      cellList_(
          static_cast<uint32_t*>(std::calloc(size_t(1) << (4 * (8 - shift_)), sizeof(uint32_t)))) {
  if (!cellList_) throw std::bad_alloc();
  bigList_.assign(size_t(1) << (4 * (8 - kBigShift)), 0);
  col_.resize(n_);
  for (int i = 0; i < n_; i++) col_[i] = loadColour(cmap + 4 * i);
}

NearSearch::~NearSearch() { std::free(cellList_); }

uint32_t NearSearch::makeList(const int lo[4], int side, const std::vector<uint16_t>& from) {
  std::vector<int>& nearSq = nearSq_;
  nearSq.resize(from.size());
  int bound = INT_MAX;
  for (size_t k = 0; k < from.size(); k++) {
    const uint32_t c = col_[from[k]];
    const int vs[4] = {int(c & 0xff), int(c >> 8 & 0xff), int(c >> 16 & 0xff), int(c >> 24)};
    int nd = 0, fd = 0;
    for (int ch = 0; ch < 4; ch++) {
      const int v = vs[ch], hi = lo[ch] + side - 1;
      const int a = v < lo[ch] ? lo[ch] - v : v > hi ? v - hi : 0;
      const int b = std::max(v - lo[ch], hi - v);
      nd += a * a;
      fd += b * b;
    }
    nearSq[k] = nd;
    bound = std::min(bound, fd);
  }
  // Nearest-to-the-cell first: a search stops at the first candidate that
  // cannot come closer than the best distance found.
  std::vector<Cand>& kept = kept_;
  kept.clear();
  for (size_t k = 0; k < from.size(); k++)
    if (nearSq[k] <= bound) kept.push_back(Cand{col_[from[k]], nearSq[k], from[k]});
  std::sort(kept.begin(), kept.end(), [](const Cand& a, const Cand& b) {
    return a.nearSq != b.nearSq ? a.nearSq < b.nearSq : a.idx < b.idx;
  });
  const uint32_t at = uint32_t(lists_.size());
  lists_.push_back(Cand{0, 0, int32_t(kept.size())});
  lists_.insert(lists_.end(), kept.begin(), kept.end());
  return at;
}

uint32_t NearSearch::buildCell(uint32_t colour, uint32_t cell) {
  // A cell's candidates are among those of any cell holding it (its bound
  // can only be lower, its nearest distances only higher), so small cells
  // are listed from the list of their big cell.
  int lo[4];
  uint32_t big = 0;
  for (int ch = 0; ch < 4; ch++) {
    big |= uint32_t(channel(colour, ch) >> kBigShift) << (ch * (8 - kBigShift));
    lo[ch] = channel(colour, ch) >> kBigShift << kBigShift;
  }
  if (!bigList_[big]) {
    std::vector<uint16_t> all(n_);
    for (int i = 0; i < n_; i++) all[i] = uint16_t(i);
    bigList_[big] = makeList(lo, 1 << kBigShift, all) + 1;
  }
  const Cand* parent = lists_.data() + bigList_[big] - 1;
  std::vector<uint16_t>& from = from_;
  from.resize(size_t(parent[0].idx));
  for (size_t k = 0; k < from.size(); k++) from[k] = uint16_t(parent[k + 1].idx);
  for (int ch = 0; ch < 4; ch++) lo[ch] = channel(colour, ch) >> shift_ << shift_;
  const uint32_t at = makeList(lo, 1 << shift_, from);
  cellList_[cell] = at + 1;
  return at;
}

int NearSearch::find(uint32_t colour) {
  if (n_ == 0) return -1;
  const int s = shift_, w = 8 - shift_;
  const uint32_t cell = (colour & 0xff) >> s | (colour >> 8 & 0xff) >> s << w |
                        (colour >> 16 & 0xff) >> s << 2 * w | (colour >> 24) >> s << 3 * w;
  // Runs of similar colours ask for the same cell again and again.
  if (cell != lastCell_) {
    lastAt_ = cellList_[cell] ? cellList_[cell] - 1 : buildCell(colour, cell);
    lastCell_ = cell;
  }
  const Cand* list = lists_.data() + lastAt_;
  const int len = list[0].idx;
  // Distance * 256 + index, so that the least also has the lowest index of
  // those equally near. The first few candidates are tried without a test
  // (most searches end among them); then a search stops at the first
  // candidate that cannot come closer than the best.
  int best = INT_MAX;
  int k = 1;
  for (const int head = std::min(len, 4); k <= head; k++)
    best = std::min(best, colourDist(colour, list[k].col) << 8 | list[k].idx);
  for (; k <= len && list[k].nearSq << 8 <= best; k++)
    best = std::min(best, colourDist(colour, list[k].col) << 8 | list[k].idx);
  return best & 255;
}

// ---- thinning ----------------------------------------------------------------

int thinProtected(const int32_t* counts, int n, int a) {
  if (a / 2 < 1) return 0;
  const int least = n / a;
  int p = 0;
  while (p < n && p < a / 2 && counts[p] >= least) p++;
  return p;
}

namespace {

int isqrtFloor(int v) {
  int r = int(std::sqrt(double(v)));
  while (r > 0 && r * r > v) r--;
  while ((r + 1) * (r + 1) <= v) r++;
  return r;
}

}  // namespace

Thinner::Thinner(const uint32_t* cols, int n, int protect)
    : cols_(cols), n_(n), protect_(protect), oneAlpha_(true) {
  for (int i = 1; i < n && oneAlpha_; i++) oneAlpha_ = cols[i] >> 24 == cols[0] >> 24;
  if (oneAlpha_) {
    covered_.resize(64 * 64);
    cells_.resize(n);
    for (int i = 0; i < n; i++)
      cells_[i] = (cols[i] >> 2 & 63) << 12 | (cols[i] >> 10 & 63) << 6 | (cols[i] >> 18 & 63);
  }
}

void Thinner::setThreshold(int t, int limit) {
  t_ = t;
  r_ = t > 0 ? isqrtFloor(t - 1) : -1;
  // Cells about a third of the reach: a survivor files itself under some
  // hundreds of cells, and most colours it removes sit in cells it covers
  // whole, where it is the first candidate tried. With few colours per
  // survivor the filing would cost more than it saves: coarser cells then.
  // With one alpha the covered bits settle most colours and the filings
  // serve only the rest: cells just wider than the reach then, so that a
  // survivor files itself under few.
  shift_ = 2;
  if (oneAlpha_)
    while (shift_ < 6 && (1 << shift_) <= r_) shift_++;
  else
    while (shift_ < 6 && (2 << shift_) * 3 <= r_) shift_++;
  const int64_t survivors = std::max<int64_t>(1, std::min<int64_t>(int64_t(limit) + 1, n_));
  const int64_t budget = std::max<int64_t>(8, n_ / survivors);
  auto filings = [&](int sh) {
    int64_t span = (2 * int64_t(std::max(r_, 0)) + 1 + (1 << sh) - 1) / (1 << sh) + 1;
    return span * span * span;
  };
  while (shift_ < 8 && filings(shift_) > budget) shift_++;
  g_ = 256 >> shift_;
  head_.assign(size_t(g_) * g_ * g_, -1);
  tail_.resize(head_.size());
  filings_.clear();
  std::fill(covered_.begin(), covered_.end(), 0);
}

void Thinner::cover(uint32_t c) {
  // A cell is covered when its farthest colour is closer than t: along each
  // channel the farthest value of cell [x0, x0 + 3] from v is the larger of
  // v - x0 and x0 + 3 - v.
  if (t_ <= 12) return;  // not even a cell around the survivor
  const int vr = channel(c, 0), vg = channel(c, 1), vb = channel(c, 2);
  const int lim = t_ - 1;
  auto cells = [](int v, int reach, int& lo, int& hi) {
    lo = (std::max(v - reach, 0) + 3) >> 2;
    hi = std::min(v + reach - 3, 255);
    hi = hi < 0 ? -1 : hi >> 2;
  };
  auto far = [](int v, int cell) { return std::max(v - 4 * cell, 4 * cell + 3 - v); };
  int x0, x1;
  cells(vr, r_, x0, x1);
  for (int x = x0; x <= x1; x++) {
    const int fx = far(vr, x);
    const int restX = lim - fx * fx;
    int y0, y1;
    cells(vg, isqrtFloor(restX), y0, y1);
    for (int y = y0; y <= y1; y++) {
      const int fy = far(vg, y);
      const int restY = restX - fy * fy;
      int z0, z1;
      cells(vb, isqrtFloor(restY), z0, z1);
      if (z0 > z1) continue;
      covered_[size_t(x) * 64 + size_t(y)] |= (~uint64_t(0) >> (63 - z1)) & (~uint64_t(0) << z0);
    }
  }
}

void Thinner::file(uint32_t c) {
  if (r_ < 0) return;
  int lo[3], hi[3], v[3];
  for (int ch = 0; ch < 3; ch++) {
    v[ch] = channel(c, ch);
    lo[ch] = std::max(v[ch] - r_, 0) >> shift_;
    hi[ch] = std::min(v[ch] + r_, 255) >> shift_;
  }
  const int s = 1 << shift_;
  auto span = [&](int ch, int cell, int& nearSq, int& farSq) {
    int x0 = cell << shift_, x1 = x0 + s - 1;
    int nearD = v[ch] < x0 ? x0 - v[ch] : v[ch] > x1 ? v[ch] - x1 : 0;
    int farD = std::max(v[ch] - x0, x1 - v[ch]);
    nearSq += nearD * nearD;
    farSq += farD * farD;
  };
  for (int x = lo[0]; x <= hi[0]; x++) {
    int nx = 0, fx = 0;
    span(0, x, nx, fx);
    for (int y = lo[1]; y <= hi[1]; y++) {
      int ny = nx, fy = fx;
      span(1, y, ny, fy);
      if (ny >= t_) continue;
      for (int z = lo[2]; z <= hi[2]; z++) {
        int nz = ny, fz = fy;
        span(2, z, nz, fz);
        if (nz >= t_) continue;
        const size_t k = (size_t(x) * g_ + y) * g_ + z;
        const int e = int(filings_.size());
        if (fz < t_ && oneAlpha_) continue;  // the covered bits settle this cell
        if (fz < t_ || head_[k] < 0) {       // covers the whole cell: try it first
          filings_.push_back(Filing{head_[k], c});
          if (head_[k] < 0) tail_[k] = e;
          head_[k] = e;
        } else {
          filings_.push_back(Filing{-1, c});
          filings_[tail_[k]].next = e;
          tail_[k] = e;
        }
      }
    }
  }
}

bool Thinner::removed(uint32_t c) const {
  if (r_ < 0) return false;
  const size_t k = (size_t(channel(c, 0) >> shift_) * g_ + (channel(c, 1) >> shift_)) * g_ +
                   (channel(c, 2) >> shift_);
  for (int e = head_[k]; e >= 0; e = filings_[e].next)
    if (colourDist(c, filings_[e].col) < t_) return true;
  return false;
}

int Thinner::mostSurvivors(int t, int limit) {
  // Colours closer than the threshold cannot both survive unless both are
  // protected, so beyond the protected ones at most one survives per cell
  // narrower than the threshold: count the cells (side a multiple of 4,
  // made of the small cells that hold colours). One alpha only.
  if (!oneAlpha_) return INT_MAX;
  int side = 4;
  while (3 * (side + 3) * (side + 3) < t) side += 4;  // 3 (side - 1)^2 < t for the next side
  if (side < 16) return INT_MAX;                      // too many cells to be of use
  if (occupied_.empty()) {
    occupied_.assign(64 * 64, 0);
    for (uint32_t c : cells_) occupied_[c >> 6] |= uint64_t(1) << (c & 63);
  }
  const int g = 256 / side + 1;
  std::vector<uint8_t> cell(size_t(g) * g * g, 0);
  int cells = 0;
  for (int row = 0; row < 64 * 64 && protect_ + cells <= limit; row++) {
    const size_t xy = (size_t(row >> 6) * 4 / side * g + size_t(row & 63) * 4 / side) * g;
    for (uint64_t w = occupied_[row]; w; w &= w - 1) {
      uint8_t& m = cell[xy + size_t(__builtin_ctzll(w)) * 4 / side];
      cells += !m;
      m = 1;
    }
  }
  return protect_ + cells;
}

uint64_t Thinner::coveredBits(int i, int m) const {
  uint64_t bits = 0;
  const uint32_t* cell = cells_.data() + i;
  for (int k = 0; k < m; k++) bits |= (covered_[cell[k] >> 6] >> (cell[k] & 63) & 1) << k;
  return bits;
}

int Thinner::run(int t, uint8_t* keep, int limit) {
  // A bucket's fate is settled by the survivors before it: it is removed
  // exactly when one of them is closer than t. Checking each bucket against
  // the survivors so far gives the same outcome as sweeping every survivor
  // over all later buckets. Each survivor files itself under every cell it
  // could reach (red, green, blue; alpha is left to the distance test).
  setThreshold(t, limit);
  int e = 0;
  // Answers false once more than limit survive.
  auto survive = [&](int i) {
    keep[i] = 1;
    if (++e > limit) {
      std::fill(keep + i + 1, keep + n_, uint8_t(0));
      return false;
    }
    file(cols_[i]);
    if (oneAlpha_) cover(cols_[i]);
    return true;
  };
  const int single = oneAlpha_ ? protect_ : n_;
  for (int i = 0; i < single; i++) {
    if (i >= protect_ && removed(cols_[i])) {
      keep[i] = 0;
      continue;
    }
    if (!survive(i)) return limit + 1;
  }
  // With one alpha, most colours fall in a cell a survivor covers whole:
  // runs of 64 colours take those bits at once, and only the others are
  // checked one by one.
  for (int i = single; i < n_; i += 64) {
    const int m = std::min(64, n_ - i);
    const uint64_t all = m == 64 ? ~uint64_t(0) : (uint64_t(1) << m) - 1;
    uint64_t open = all & ~coveredBits(i, m);
    std::fill(keep + i, keep + i + m, uint8_t(0));
    while (open) {
      const int k = __builtin_ctzll(open);
      open &= open - 1;
      if (removed(cols_[i + k])) continue;
      if (!survive(i + k)) return limit + 1;
      open &= ~coveredBits(i, m);  // the new survivor may cover later ones of the run
    }
  }
  return e;
}

int thinSorted(const uint32_t* cols, int n, int protect, int t, uint8_t* keep, int limit) {
  Thinner thinner(cols, n, protect);
  return thinner.run(t, keep, limit);
}

}  // namespace rgba2cmap_detail
