#include "std/rgba2cmap2_impl.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>

namespace rgba2cmap_detail {

// ---- ValIndex ----------------------------------------------------------------

ValIndex::ValIndex() : keys_(size_t(1) << 12), recs_(size_t(1) << 12, nullptr), bits_(12) {}

size_t ValIndex::slot(uint32_t key) const {
  return size_t((uint64_t(key) * 0x9E3779B97F4A7C15ull) >> (64 - bits_));
}

void* ValIndex::find(uint32_t key) const {
  size_t mask = recs_.size() - 1;
  for (size_t i = slot(key);; i = (i + 1) & mask) {
    if (!recs_[i]) return nullptr;
    if (keys_[i] == key) return recs_[i];
  }
}

void ValIndex::add(uint32_t key, void* rec) {
  if ((used_ + 1) * 2 > recs_.size()) grow();
  size_t mask = recs_.size() - 1;
  size_t i = slot(key);
  while (recs_[i]) i = (i + 1) & mask;
  keys_[i] = key;
  recs_[i] = rec;
  used_++;
}

void ValIndex::grow() {
  std::vector<uint32_t> oldKeys(size_t(1) << (bits_ + 1));
  std::vector<void*> oldRecs(size_t(1) << (bits_ + 1), nullptr);
  oldKeys.swap(keys_);
  oldRecs.swap(recs_);
  bits_++;
  used_ = 0;
  for (size_t i = 0; i < oldRecs.size(); i++)
    if (oldRecs[i]) add(oldKeys[i], oldRecs[i]);
}

// ---- NearSearch --------------------------------------------------------------

NearSearch::NearSearch(const uint8_t* cmap, int n) : n_(std::max(0, std::min(n, 256))), key_(0) {
  std::vector<uint32_t> all(n_);
  for (int i = 0; i < n_; i++) all[i] = loadColour(cmap + 4 * i);
  int widest = -1;
  for (int ch = 0; ch < 4; ch++) {
    int lo = 255, hi = 0;
    for (uint32_t c : all) {
      lo = std::min(lo, channel(c, ch));
      hi = std::max(hi, channel(c, ch));
    }
    if (hi - lo > widest) {
      widest = hi - lo;
      key_ = ch;
    }
  }
  std::vector<int> order(n_);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return channel(all[a], key_) < channel(all[b], key_); });
  col_.resize(n_);
  kv_.resize(n_);
  idx_.resize(n_);
  for (int j = 0; j < n_; j++) {
    col_[j] = all[order[j]];
    kv_[j] = int16_t(channel(col_[j], key_));
    idx_[j] = uint8_t(order[j]);
  }
  int j = 0;
  for (int v = 0; v <= 256; v++) {
    while (j < n_ && kv_[j] < v) j++;
    start_[v] = int16_t(j);
  }
}

int NearSearch::find(uint32_t colour) const {
  if (n_ == 0) return -1;
  const int v = channel(colour, key_);
  const int pos = start_[v];
  int best = INT_MAX, bi = 256;
  auto consider = [&](int j) {
    int d = colourDist(colour, col_[j]);
    if (d < best || (d == best && idx_[j] < bi)) {
      best = d;
      bi = idx_[j];
    }
  };
  // A tie can only come from an entry whose key channel alone is not farther
  // than the best distance, so the scan stops on strictly farther.
  for (int j = pos; j < n_; j++) {
    int dk = kv_[j] - v;
    if (dk * dk > best) break;
    consider(j);
  }
  for (int j = pos - 1; j >= 0; j--) {
    int dk = v - kv_[j];
    if (dk * dk > best) break;
    consider(j);
  }
  return bi;
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
    : cols_(cols), n_(n), protect_(protect) {}

void Thinner::setThreshold(int t, int limit) {
  t_ = t;
  r_ = t > 0 ? isqrtFloor(t - 1) : -1;
  // Cells about a third of the reach: a survivor files itself under some
  // hundreds of cells, and most colours it removes sit in cells it covers
  // whole, where it is the first candidate tried. With few colours per
  // survivor the filing would cost more than it saves: coarser cells then.
  shift_ = 2;
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
  next_.clear();
  who_.clear();
  surv_.clear();
}

void Thinner::file(uint32_t c) {
  const int id = int(surv_.size());
  surv_.push_back(c);
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
        const int e = int(who_.size());
        who_.push_back(id);
        if (fz < t_ || head_[k] < 0) {  // covers the whole cell: try it first
          next_.push_back(head_[k]);
          if (head_[k] < 0) tail_[k] = e;
          head_[k] = e;
        } else {
          next_.push_back(-1);
          next_[tail_[k]] = e;
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
  for (int e = head_[k]; e >= 0; e = next_[e])
    if (colourDist(c, surv_[who_[e]]) < t_) return true;
  return false;
}

int Thinner::run(int t, uint8_t* keep, int limit) {
  // A bucket's fate is settled by the survivors before it: it is removed
  // exactly when one of them is closer than t. Checking each bucket against
  // the survivors so far gives the same outcome as sweeping every survivor
  // over all later buckets. Each survivor files itself under every cell it
  // could reach (red, green, blue; alpha is left to the distance test).
  setThreshold(t, limit);
  int e = 0;
  for (int i = 0; i < n_; i++) {
    if (i >= protect_ && removed(cols_[i])) {
      keep[i] = 0;
      continue;
    }
    keep[i] = 1;
    if (++e > limit) {
      std::fill(keep + i + 1, keep + n_, uint8_t(0));
      return limit + 1;
    }
    file(cols_[i]);
  }
  return e;
}

int thinSorted(const uint32_t* cols, int n, int protect, int t, uint8_t* keep, int limit) {
  Thinner thinner(cols, n, protect);
  return thinner.run(t, keep, limit);
}

}  // namespace rgba2cmap_detail
