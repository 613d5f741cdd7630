// Pixel-row conversions shared by the file readers and writers: three-byte
// samples to and from the four-byte RGBA of the image records.
#pragma once

#include <cstddef>
#include <cstdint>

// n pixels of red, green, blue bytes to red, green, blue, alpha 255.
void rgbToRgba(uint8_t* out, const uint8_t* in, size_t n);
// n pixels of blue, green, red bytes (BMP order) to red, green, blue, alpha 255.
void bgrToRgba(uint8_t* out, const uint8_t* in, size_t n);
// n RGBA pixels to red, green, blue bytes; alpha is dropped.
void rgbaToRgb(uint8_t* out, const uint8_t* in, size_t n);
// n RGBA pixels to blue, green, red bytes; alpha is dropped.
void rgbaToBgr(uint8_t* out, const uint8_t* in, size_t n);
