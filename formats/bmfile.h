// Format dispatch: the one door between image records and image files. The
// format of a file is decided by its first bytes, never by its name.
#pragma once

#include "image/bm.h"

// -1 when the file cannot be opened, 0 when its first 4 bytes match no
// format (or are fewer than 4), else a format code BMF_NATIVE..BMF_PNG.
int bmfileKind(const char* fname);
// New image record with `fname` and `ftype` set, or null after a message.
BM* bmfileLoad(const char* fname);
// Writes the image in format `type` (0: its own ftype) into a temporary file
// beside fname, which replaces fname only when the whole file was written; on
// failure fname is untouched. 1 on success (modified cleared), else 0.
int bmfileSave(BM* bm, const char* fname, int type);
// ".pxa", ".bmp", ... ".png" for codes 1..9; null otherwise.
const char* bmfileExt(int type);
// Format code of the extension of the file-name part, or -1.
int extKind(const char* fname);
// Portable-map variant for an image: 1 bitmap, 2 grey map, 3 pixmap.
int ppmKind(const BM* bm);
