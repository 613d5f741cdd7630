// Tool cursors: the eight 32 x 32 monochrome cursors built once at start-up
// from the stored cursor picture (formats/cursorpic.h). Win32 only.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "formats/cursorpic.h"

// Array of TDECUR_COUNT cursor handles (owned; entries stay null when the
// picture cannot be read). Release with tdecurClose.
HCURSOR* tdecurOpen();
// Destroys the cursors and frees the array; null is ignored.
void tdecurClose(HCURSOR* set);
