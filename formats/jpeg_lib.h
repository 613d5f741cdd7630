// The only place that talks to libjpeg. Kept free of C++ objects with
// destructors because an error leaves it through longjmp; jpeglib.h is
// included only by its .cpp (it must never meet windows.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "std/imgf.h"

enum JpegFailure { JPEG_OK, JPEG_LIBRARY, JPEG_COMPONENTS, JPEG_TOO_BIG, JPEG_NO_MEMORY };

struct JPEGDEC {
  const uint8_t* data;
  size_t len;
  IMGF* img;          // result (RGBA, alpha 255)
  int failure;        // JpegFailure
  int components;     // of the stream, for the message
  int w, h;           // of the stream, for the message
  char message[200];  // libjpeg's text of a fatal error
};

struct FOUT;

struct JPEGENC {
  const uint8_t* rgba;
  int w, h;
  FOUT* fo;        // where the stream goes
  uint8_t* chunk;  // staging buffer of chunklen bytes
  size_t chunklen;
  long warnings;
  int failure;
  char message[200];
};

// Both answer 1 on success; on failure everything they made is released.
// The encoder answers 1 also when a write failed: the stream remembers that.
int jpegDecodeRun(JPEGDEC* d);
int jpegEncodeRun(JPEGENC* e);
