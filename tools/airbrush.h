// Airbrush: the spray pattern and the effect of one pointer event.
#pragma once

#include <cstdint>
#include <functional>

#include "image/bm.h"

// A source of uniform pseudo-random integers 0..32767. The program never
// reseeds it, so a stroke depends on everything sprayed before it.
using AirRandom = std::function<int()>;

// The C library's classic generator (seed 1 at start): the sequence the
// airbrush offsets were tuned with.
class AirRng {
 public:
  int operator()() {
    seed_ = seed_ * 214013u + 2531011u;
    return static_cast<int>((seed_ >> 16) & 0x7fff);
  }

 private:
  uint32_t seed_ = 1;
};

// n x n direct-colour image in colour c whose alpha falls off as a Gaussian
// from the centre; n 0 gives an empty image.
BM* airPattern(int n, uint32_t c);

// The pattern kept between events with the colour and size it was made for.
struct AIRCACHE {
  BM* pattern = nullptr;
  uint32_t color = 0;
  int size = -1;
};
void airCacheFree(AIRCACHE* cache);

enum { AIR_PLAIN = 0, AIR_LIGHTEN = 1, AIR_DARKEN = 2 };

// One event of a stroke at the unrounded image position (px, py): 16 logged
// dots of the pen on an indexed image; on a direct image the pattern (plain)
// or the pattern's amounts added or subtracted (lighten, darken), pasted
// transparent unless opaque.
void airSprayStep(BM* bm, double px, double py, int variant, int airsize, int opaque,
                  AIRCACHE* cache, const AirRandom& rnd);
