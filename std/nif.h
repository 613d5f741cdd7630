// Nested tagged container: chunks of (tag, size, content, zero padding to 4),
// one outermost chunk "NIF1" or "Siff" per file. Written strictly in order
// (sizes patched when a chunk ends); read by entering and leaving chunks with
// every read clamped to the innermost entered chunk.
#pragma once

#include <cstddef>
#include <cstdint>

struct FOUT;

constexpr int STACKN = 16;

enum : int {
  NIF_WRITE = 1,  // write instead of read
  NIF_MEM = 2,    // read from a memory image of a whole file
  NIF_SIFF = 4,   // writing: outermost tag "Siff" instead of "NIF1"
};

// Tag of up to four ASCII characters, first character most significant,
// short names filled with spaces: nifTag("xw") == 0x78772020.
constexpr uint32_t nifTag(const char* s) {
  uint32_t t = 0;
  int i = 0;
  for (; i < 4 && s[i]; ++i) t = t << 8 | static_cast<uint8_t>(s[i]);
  for (; i < 4; ++i) t = t << 8 | 0x20;
  return t;
}

constexpr uint32_t NIF_TAG_NIF1 = nifTag("NIF1");
constexpr uint32_t NIF_TAG_SIFF = nifTag("Siff");

// Reading: the whole container in memory. Writing: the container grows in
// memory and goes to the file in one piece when the handle is closed.
struct NIFIO {
  const uint8_t* mem;  // reading: the container
  uint32_t memsize;    // reading: bytes in mem
  uint32_t mempos;     // reading: position in mem
  uint8_t* own;        // buffer owned by the handle (loaded file or written bytes)
  uint32_t cap;        // writing: bytes allocated in own
  FOUT* out;           // writing: the file's stream, open from nifOpen on
};

struct NIFSTK {
  uint32_t size;   // content bytes (clamped to the parent when reading)
  uint32_t start;  // logical position of the first content byte
};

struct NIF {
  NIFIO io;
  int32_t pos;      // logical position: bytes read or written so far
  int32_t write;    // 1 when writing
  int32_t stackno;  // innermost open chunk; STACKN when none
  uint32_t toptag;  // outermost tag as read
  NIFSTK stack[STACKN];
  int32_t err;  // a write, seek or close failed
};

// src is a file name, or with NIF_MEM a memory image. memlen bounds a memory
// image; 0 trusts the image's own outer size (only for data the program holds).
NIF* nifOpen(const void* src, int flags, size_t memlen = 0);
// Final logical position; -1 when writing and any write or the close failed.
int32_t nifClose(NIF* nifp);
int nifBegin(NIF* nifp, uint32_t tag);
int nifEnd(NIF* nifp);
int nifPutData(NIF* nifp, uint32_t tag, const void* data, uint32_t n);
int nifPutStr(NIF* nifp, uint32_t tag, const char* s);
int nifPutInt(NIF* nifp, uint32_t tag, int32_t v);
uint32_t nifWrite(NIF* nifp, const void* data, uint32_t n);
// Tag of the next chunk inside the innermost entered one (0 when none); enters it.
uint32_t nifEnter(NIF* nifp, uint32_t* size);
uint32_t nifRead(NIF* nifp, void* buf, uint32_t n);
int nifLeave(NIF* nifp);
