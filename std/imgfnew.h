// Reader-side allocation of a decoded image, with the refusal reported.
#pragma once

#include <cstdio>

#include "std/imgf.h"

#ifdef TDE_FUZZ_MAXPIXELS
// Fuzzing builds keep every accepted picture small so that executions stay fast.
constexpr int64_t IMGF_READ_MAXPIXELS = TDE_FUZZ_MAXPIXELS;
#else
constexpr int64_t IMGF_READ_MAXPIXELS = IMGF_MAXPIXELS;
#endif

// imgfNew, or null after "<who>:画像サイズが異常です W x H" when the size is
// refused, or a memory message when the allocation fails.
inline IMGF* imgfNewSay(int64_t w, int64_t h, int depth, const char* who) {
  if (w < 0 || h < 0 || w > IMGF_READ_MAXPIXELS || h > IMGF_READ_MAXPIXELS ||
      w * h > IMGF_READ_MAXPIXELS) {
    std::printf("%s:画像サイズが異常です %lld x %lld\n", who, static_cast<long long>(w),
                static_cast<long long>(h));
    return nullptr;
  }
  IMGF* img = imgfNew(w, h, depth);
  if (!img) std::printf("%s:メモリ確保エラー\n", who);
  return img;
}
