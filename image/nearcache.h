// Nearest colour-map entry of a colour, and a cache that answers repeated
// colours without searching again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Index of the entry (of all 256) with the smallest sum of squared channel
// differences, alpha included; the lowest index wins a tie.
int cmapNear(const uint32_t* cmap, uint32_t rgba);

// One search per distinct colour. The colour map must outlive the cache and
// must not change while it is used.
class NearCache {
 public:
  explicit NearCache(const uint32_t* cmap);
  uint8_t find(uint32_t rgba);
  // Distinct colours searched so far.
  size_t searches() const { return used_; }

 private:
  void grow();
  const uint32_t* cmap_;
  std::vector<uint64_t> slots_;  // 0 empty, else colour | index << 32 | 1 << 40
  size_t used_ = 0;
  uint32_t lastColour_ = 0;
  uint8_t lastIndex_;
};
