// Screen bitmaps (device-dependent) made from image buffers, for the
// clipboard and the text tool. Part of the BMP module's interface; Win32 only.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>

// Indexed pixels (rows top to bottom, w bytes each; null gives index 0
// everywhere) with `count` colour-map entries R | G<<8 | B<<16 | A<<24.
// Null when the size is refused or the platform fails.
HBITMAP dibIndexed(HDC dc, const uint8_t* indices, const uint32_t* cmap, int count, int w, int h);
// RGBA pixels (4 bytes each, rows top to bottom); alpha is not kept.
HBITMAP dibRgba(HDC dc, const uint8_t* rgba, int w, int h);
