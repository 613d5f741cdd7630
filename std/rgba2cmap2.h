// Colour quantisation: choose a colour map of at most maxcmapn entries for a
// buffer of RGBA pixels and give every pixel the index of an entry, by plain
// nearest-colour matching or with error diffusion.
//
// Colours are 4 bytes R, G, B, A (as a little-endian 32-bit value
// R | G<<8 | B<<16 | A<<24). Pixel buffers hold `count` such colours; colour
// maps hold 256. Distances are unweighted sums of squared channel differences.
#pragma once

#include <cstddef>
#include <cstdint>

// Bucket key: the colour with the lowest bit of each channel cleared.
constexpr uint32_t RGBA2CMAP_KEYMASK = 0xFEFEFEFEu;

// One colour bucket (data part of a bucket-table record, keyed by the bucket
// key). The sums are 64-bit: 32-bit sums overflow past about 8 million pixels
// of one bright colour, well inside the largest image the editor takes.
struct CMAPBKT {
  int32_t cnt;     // pixels in the bucket
  int64_t sum[4];  // exact R, G, B, A summed over the pixels
  uint8_t avg[4];  // sum / cnt per channel, truncated
  int32_t rank;    // position after sorting by count
};

// Fills `cmap` from entry `top` on (entry 0 is cleared first when top is 0)
// and answers the number of colours written, never more than maxcmapn - top
// (and never more than 256 - top). maxcmapn above 256 counts as 256.
int rgba2cmap(void* cmap, const void* pixels, size_t count, int maxcmapn, int top);

// Greedy thinning of `array` (n buckets sorted by count, most frequent first)
// at squared-distance threshold t for a target of `target` colours: every
// surviving bucket removes the later buckets closer than t to it, except a
// protected prefix of frequent ones. Removed entries become null. Answers the
// number of buckets left. Null entries on entry count as already removed.
int cmapThin(int target, int n, CMAPBKT** array, int t);

// Nearest of the first n entries of `cmap` for every pixel (lowest index on
// equal distance). Pixels of one bucket share the index found for the first
// of them.
void rgba2idx(uint8_t* idx, const void* cmap, int n, const void* pixels, size_t count);

// Nearest-entry mapping with error diffusion (3/8 right, 3/8 down, 2/8
// down-right, rows top to bottom, left to right).
void rgba2idxEd(uint8_t* idx, const void* pixels, int w, int h, const void* cmap, int n);

// rgba2idxEd when `diffuse` is non-zero, else rgba2idx.
void rgba2idxSel(uint8_t* idx, const void* cmap, int n, const void* pixels, int w, int h,
                 int diffuse);

// Builds the colour map with rgba2cmap and maps the pixels onto its entries
// (the `top` caller entries and the new ones). Answers the number of new colours.
int rgba2cmapIdx(uint8_t* idx, void* cmap, const void* pixels, int w, int h, int maxcmapn, int top,
                 int diffuse);
