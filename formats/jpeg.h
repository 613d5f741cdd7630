// JPEG through libjpeg: always direct colour; alpha is dropped on writing and
// 255 on reading. A damaged stream fails the load with a message; the
// program goes on.
#pragma once

#include <cstddef>
#include <cstdint>

#include "std/imgf.h"

struct FOUT;

// Reads the file; null (after a message) when it cannot be decoded.
IMGF* jpgOpen(const char* fname);
// Same on a memory image of a file; never reads outside [data, data + len).
IMGF* jpgDecode(const uint8_t* data, size_t len);

// Writes RGBA pixels at the library's default quality. 1 when the file was
// written and closed and the library warned about nothing, else 0.
int jpgSave(const char* fname, const void* rgba, int w, int h);
// Same into an open stream, which stays open.
int jpgWrite(FOUT* fo, const void* rgba, int w, int h);
