// Pictures to and from the clipboard. Out: a screen bitmap (CF_BITMAP), and
// the registered format "PNG" with the picture's own alpha for programs that
// take PNG. In: CF_BITMAP as opaque direct colour, or else "PNG" with its
// alpha, which is what browsers and GTK programs offer. Win32 only.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>

#include "std/imgf.h"

// Puts a picture on the clipboard: indices (bpp 1, with a 256-entry colour
// map of which cmapn are in use) or RGBA (bpp 4). 1 when the clipboard
// holds the bitmap, 0 after a message.
int clipWrite(HWND win, const uint8_t* pixels, int bpp, int w, int h, const uint32_t* cmap,
              int cmapn);
// A new direct-colour picture (depth 0) from the clipboard, or null after a
// message. The caller frees it with imgfFre.
IMGF* clipRead(HWND win);
// Id of the registered clipboard format "PNG".
UINT clipPngFormat();
