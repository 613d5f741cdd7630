#include "image/nearcache.h"

namespace {

constexpr uint64_t kFull = uint64_t(1) << 40;

size_t slotOf(uint32_t rgba, size_t mask) {
  return static_cast<size_t>((rgba * 0x9E3779B1u) ^ (rgba >> 15)) & mask;
}

}  // namespace

int cmapNear(const uint32_t* cmap, uint32_t c) {
  int r = c & 0xff, g = (c >> 8) & 0xff, b = (c >> 16) & 0xff, a = c >> 24;
  // Distance and index in one key (4 * 255^2 * 256 < 2^31): the smallest key
  // is the nearest entry, the lowest index on a tie, and the loop vectorises.
  int best = 0x7fffffff;
  for (int i = 0; i < 256; i++) {
    uint32_t e = cmap[i];
    int dr = int(e & 0xff) - r, dg = int((e >> 8) & 0xff) - g, db = int((e >> 16) & 0xff) - b,
        da = int(e >> 24) - a;
    int key = (dr * dr + dg * dg + db * db + da * da) << 8 | i;
    best = key < best ? key : best;
  }
  return best & 0xff;
}

NearCache::NearCache(const uint32_t* cmap) : cmap_(cmap), slots_(1024, 0) {
  lastIndex_ = static_cast<uint8_t>(cmapNear(cmap, lastColour_));
}

uint8_t NearCache::find(uint32_t rgba) {
  // Pictures come in runs of one colour.
  if (rgba == lastColour_) return lastIndex_;
  size_t mask = slots_.size() - 1;
  size_t i = slotOf(rgba, mask);
  for (;; i = (i + 1) & mask) {
    uint64_t s = slots_[i];
    if (!s) break;
    if (static_cast<uint32_t>(s) == rgba) {
      lastColour_ = rgba;
      lastIndex_ = static_cast<uint8_t>(s >> 32);
      return lastIndex_;
    }
  }
  auto index = static_cast<uint8_t>(cmapNear(cmap_, rgba));
  slots_[i] = rgba | uint64_t(index) << 32 | kFull;
  lastColour_ = rgba;
  lastIndex_ = index;
  if (++used_ * 2 > slots_.size()) grow();
  return index;
}

void NearCache::grow() {
  std::vector<uint64_t> old(slots_.size() * 2, 0);
  old.swap(slots_);
  size_t mask = slots_.size() - 1;
  for (uint64_t s : old) {
    if (!s) continue;
    size_t i = slotOf(static_cast<uint32_t>(s), mask);
    while (slots_[i]) i = (i + 1) & mask;
    slots_[i] = s;
  }
}
