#include "std/nif.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "std/fileio.h"
#include "std/fout.h"
#include "std/tdeassert.h"

namespace {

const char* const kModule = "std/nif";

uint32_t le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void put32(uint8_t* p, uint32_t v) {
  p[0] = v & 0xff;
  p[1] = (v >> 8) & 0xff;
  p[2] = (v >> 16) & 0xff;
  p[3] = v >> 24;
}

void freeHandle(NIF* nifp) {
  std::free(nifp->io.own);
  foutAbort(nifp->io.out);  // still open: the container was never finished
  std::free(nifp);
}

// Makes room for n more written bytes.
bool reserve(NIF* nifp, uint32_t n) {
  NIFIO& io = nifp->io;
  uint64_t need = static_cast<uint64_t>(nifp->pos) + n;
  if (need <= io.cap) return true;
  if (need > 0x7fffffff) return false;
  uint64_t cap = io.cap ? io.cap : 4096;
  while (cap < need) cap *= 2;
  if (cap > 0x7fffffff) cap = 0x7fffffff;
  auto* grown = static_cast<uint8_t*>(std::realloc(io.own, static_cast<size_t>(cap)));
  if (!grown) return false;
  io.own = grown;
  io.cap = static_cast<uint32_t>(cap);
  return true;
}

// Raw read from the stream, cut at its end.
uint32_t streamRead(NIF* nifp, void* buf, uint32_t n) {
  NIFIO& io = nifp->io;
  uint32_t left = io.memsize - io.mempos;
  n = std::min(n, left);
  if (n) std::memcpy(buf, io.mem + io.mempos, n);
  io.mempos += n;
  nifp->pos += static_cast<int32_t>(n);
  return n;
}

NIF* openRead(const void* src, int flags, size_t memlen) {
  auto* nifp = static_cast<NIF*>(std::calloc(1, sizeof(NIF)));
  if (!nifp) return nullptr;
  nifp->stackno = STACKN;
  NIFIO& io = nifp->io;
  size_t len = 0;
  if (flags & NIF_MEM) {
    io.mem = static_cast<const uint8_t*>(src);
    len = memlen ? memlen : 8 + static_cast<size_t>(le32(io.mem + 4));
  } else {
    io.own = fioLoad(&len, static_cast<const char*>(src));
    io.mem = io.own;
    if (!io.own) {
      freeHandle(nifp);
      return nullptr;
    }
  }
  if (len < 8 || len > 0x7fffffff) {
    freeHandle(nifp);
    return nullptr;
  }
  io.memsize = static_cast<uint32_t>(len);
  uint8_t head[8];
  streamRead(nifp, head, 8);
  uint32_t tag = le32(head), size = le32(head + 4);
  if (tag != NIF_TAG_NIF1 && tag != NIF_TAG_SIFF) {
    freeHandle(nifp);
    return nullptr;
  }
  nifp->toptag = tag;
  if (static_cast<uint64_t>(size) + 8 == len) {
    nifp->stackno = STACKN - 1;
    nifp->stack[STACKN - 1] = {size, 8};
  } else {
    std::printf("ファイルサイズが異常です %d, %d\n", static_cast<int>(len - 8),
                static_cast<int>(size));
    io.mempos = io.memsize;
    nifp->pos = static_cast<int32_t>(io.memsize);
  }
  return nifp;
}

}  // namespace

NIF* nifOpen(const void* src, int flags, size_t memlen) {
  if (!src) return nullptr;
  if (!(flags & NIF_WRITE)) return openRead(src, flags, memlen);
  auto* nifp = static_cast<NIF*>(std::calloc(1, sizeof(NIF)));
  if (!nifp) return nullptr;
  nifp->stackno = STACKN;
  nifp->write = 1;
  // The stream is opened now, so that a name that cannot be written fails
  // here; the file itself is replaced only when the container is complete.
  nifp->io.out = foutOpen(static_cast<const char*>(src));
  if (!nifp->io.out || !nifBegin(nifp, (flags & NIF_SIFF) ? NIF_TAG_SIFF : NIF_TAG_NIF1)) {
    freeHandle(nifp);
    return nullptr;
  }
  return nifp;
}

int32_t nifClose(NIF* nifp) {
  if (!nifp) return -1;
  int32_t pos = nifp->pos;
  if (nifp->write) {
    while (nifp->stackno < STACKN) nifEnd(nifp);
    // A container that could not be built completely is not written at all.
    FOUT* out = nifp->io.out;
    nifp->io.out = nullptr;
    if (nifp->err || !foutWrite(out, nifp->io.own, static_cast<uint32_t>(nifp->pos))) {
      foutAbort(out);
      pos = -1;
    } else {
      pos = foutClose(out) ? nifp->pos : -1;
    }
  }
  freeHandle(nifp);
  return pos;
}

uint32_t nifWrite(NIF* nifp, const void* data, uint32_t n) {
  if (!nifp->write || !reserve(nifp, n)) {
    nifp->err = 1;
    return 0;
  }
  if (n) std::memcpy(nifp->io.own + nifp->pos, data, n);
  nifp->pos += static_cast<int32_t>(n);
  return n;
}

namespace {

int writeHeader(NIF* nifp, uint32_t tag, uint32_t size) {
  uint8_t head[8];
  put32(head, tag);
  put32(head + 4, size);
  return nifWrite(nifp, head, 8) == 8;
}

int writeZeros(NIF* nifp, uint32_t n) {
  static const uint8_t zeros[4] = {0, 0, 0, 0};
  return nifWrite(nifp, zeros, n) == n;
}

}  // namespace

int nifBegin(NIF* nifp, uint32_t tag) {
  TDE_ASSERT(nifp->stackno > 0, kModule);
  if (!writeHeader(nifp, tag, 0)) return 0;
  nifp->stackno--;
  nifp->stack[nifp->stackno] = {0, static_cast<uint32_t>(nifp->pos)};
  return 1;
}

int nifEnd(NIF* nifp) {
  TDE_ASSERT(nifp->stackno < STACKN, kModule);
  NIFSTK& top = nifp->stack[nifp->stackno];
  uint32_t size = static_cast<uint32_t>(nifp->pos) - top.start;
  if (size % 4 && !writeZeros(nifp, 4 - size % 4)) {
    nifp->stackno++;
    return 0;
  }
  put32(nifp->io.own + top.start - 4, size);
  nifp->stackno++;
  return 1;
}

int nifPutData(NIF* nifp, uint32_t tag, const void* data, uint32_t n) {
  bool ok = writeHeader(nifp, tag, n);
  ok = ok && nifWrite(nifp, data, n) == n;
  ok = ok && writeZeros(nifp, (4 - n % 4) % 4);
  return ok ? 1 : 0;
}

int nifPutStr(NIF* nifp, uint32_t tag, const char* s) {
  uint32_t len = static_cast<uint32_t>(std::strlen(s));
  bool ok = writeHeader(nifp, tag, (len + 4) & ~3u);
  ok = ok && nifWrite(nifp, s, len + 1) == len + 1;
  ok = ok && writeZeros(nifp, (len & ~3u) - len + 3);
  return ok ? 1 : 0;
}

int nifPutInt(NIF* nifp, uint32_t tag, int32_t v) {
  uint8_t word[4];
  put32(word, static_cast<uint32_t>(v));
  bool ok = writeHeader(nifp, tag, 4) && nifWrite(nifp, word, 4) == 4;
  return ok ? 1 : 0;
}

uint32_t nifRead(NIF* nifp, void* buf, uint32_t n) {
  if (nifp->stackno < STACKN) {
    const NIFSTK& top = nifp->stack[nifp->stackno];
    uint32_t left = top.start + top.size - static_cast<uint32_t>(nifp->pos);
    n = std::min(n, left);
  }
  return streamRead(nifp, buf, n);
}

uint32_t nifEnter(NIF* nifp, uint32_t* size) {
  TDE_ASSERT(nifp->stackno > 0, kModule);
  uint8_t head[8];
  if (nifRead(nifp, head, 8) < 8) return 0;
  uint32_t pos = static_cast<uint32_t>(nifp->pos);
  // A size that passes the parent chunk or the stream is cut to what is there.
  uint32_t room = nifp->io.memsize - pos;
  if (nifp->stackno < STACKN) {
    const NIFSTK& parent = nifp->stack[nifp->stackno];
    room = std::min(room, parent.start + parent.size - pos);
  }
  uint32_t n = std::min(le32(head + 4), room);
  nifp->stackno--;
  nifp->stack[nifp->stackno] = {n, pos};
  if (size) *size = n;
  return le32(head);
}

int nifLeave(NIF* nifp) {
  TDE_ASSERT(nifp->stackno < STACKN - 1, kModule);
  const NIFSTK& top = nifp->stack[nifp->stackno];
  const NIFSTK& parent = nifp->stack[nifp->stackno + 1];
  uint64_t target = (static_cast<uint64_t>(top.start) + top.size + 3) & ~uint64_t(3);
  target = std::min<uint64_t>(target, static_cast<uint64_t>(parent.start) + parent.size);
  target = std::min<uint64_t>(target, nifp->io.memsize);
  nifp->io.mempos = static_cast<uint32_t>(target);
  nifp->pos = static_cast<int32_t>(target);
  nifp->stackno++;
  return 1;
}
