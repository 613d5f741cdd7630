// Dialog "新規作成": size and colour model of a new picture. The settings
// stay as last confirmed while the program runs.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

struct BM;

// The new picture (direct palette, native format, named "無題.pxa"), or
// null when the dialog was cancelled or the size cannot be made (after a
// message).
BM* newImageDialog(HWND owner);
