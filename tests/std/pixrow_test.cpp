#include "std/pixrow.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint8_t> bytes(size_t n, uint32_t seed) {
  std::vector<uint8_t> v(n);
  for (auto& b : v) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<uint8_t>(seed >> 16);
  }
  return v;
}

// Every length around the four-pixel steps, from unaligned addresses, and
// never a byte written outside the n pixels.
TEST(PixRow, ConversionsMatchTheByteWiseMeaning) {
  for (size_t n = 0; n < 70; n++) {
    for (size_t shift : {0, 1, 3}) {
      auto src3 = bytes(3 * n + shift, uint32_t(n));
      auto src4 = bytes(4 * n + shift, uint32_t(n) + 7);
      std::vector<uint8_t> rgba(4 * n + shift + 8, 0xAB), bgra(rgba), bgr(3 * n + shift + 8, 0xAB),
          rgb(bgr);
      rgbToRgba(rgba.data() + shift, src3.data() + shift, n);
      bgrToRgba(bgra.data() + shift, src3.data() + shift, n);
      rgbaToBgr(bgr.data() + shift, src4.data() + shift, n);
      rgbaToRgb(rgb.data() + shift, src4.data() + shift, n);
      for (size_t i = 0; i < n; i++) {
        const uint8_t* s = &src3[shift + 3 * i];
        const uint8_t* a = &rgba[shift + 4 * i];
        const uint8_t* b = &bgra[shift + 4 * i];
        ASSERT_TRUE(a[0] == s[0] && a[1] == s[1] && a[2] == s[2] && a[3] == 255) << n << " " << i;
        ASSERT_TRUE(b[0] == s[2] && b[1] == s[1] && b[2] == s[0] && b[3] == 255) << n << " " << i;
        const uint8_t* q = &src4[shift + 4 * i];
        const uint8_t* c = &bgr[shift + 3 * i];
        ASSERT_TRUE(c[0] == q[2] && c[1] == q[1] && c[2] == q[0]) << n << " " << i;
        const uint8_t* r = &rgb[shift + 3 * i];
        ASSERT_TRUE(r[0] == q[0] && r[1] == q[1] && r[2] == q[2]) << n << " " << i;
      }
      for (size_t i = 0; i < shift; i++)
        ASSERT_TRUE(rgba[i] == 0xAB && bgra[i] == 0xAB && bgr[i] == 0xAB);
      for (size_t i = shift + 4 * n; i < rgba.size(); i++)
        ASSERT_TRUE(rgba[i] == 0xAB && bgra[i] == 0xAB) << n;
      for (size_t i = shift + 3 * n; i < bgr.size(); i++)
        ASSERT_TRUE(bgr[i] == 0xAB && rgb[i] == 0xAB) << n;
      for (size_t i = 0; i < shift; i++) ASSERT_EQ(rgb[i], 0xAB);
    }
  }
}

}  // namespace
