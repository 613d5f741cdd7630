#include "std/fout.h"

#include "std/bigmem.h"
#include "std/futil.h"
#include "std/hostfs.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <string>

// The file is written under a temporary name beside the target and renamed
// over it only when everything reached the disk, so a failed save leaves the
// old file as it was. A device or pipe cannot be replaced: it is written in
// place (temp empty).
struct FOUT {
  HfsFile* fp;  // null for a memory stream
  std::string path, temp;
  uint8_t* mem;  // memory stream contents
  size_t memcap;
  uint64_t pos;
  bool failed;
};

namespace {

// Longest file name (one path component) the hosts take, in bytes.
constexpr size_t kNameMax = 255;

// NAME.~tde beside the target; when that name would be too long, a short one
// made from the name's hash, in the same directory.
std::string tempBeside(const char* path) {
  const char* name = fnameTop(nullptr, path);
  std::string temp = std::string(path) + ".~tde";
  if (std::strlen(name) + 5 <= kNameMax) return temp;
  uint32_t h = 2166136261u;
  for (const char* p = name; *p; ++p) h = (h ^ static_cast<uint8_t>(*p)) * 16777619u;
  char tail[24];
  std::snprintf(tail, sizeof tail, "~tde%08x.~tde", static_cast<unsigned>(h));
  return std::string(path, static_cast<size_t>(name - path)) + tail;
}

}  // namespace

FOUT* foutOpen(const char* path) {
  if (!path) return nullptr;
  // Through a link to the file it names: the link stays a link.
  const std::string target = hfsLinkTarget(path);
  HfsStat st;
  const bool exists = hfsStat(target.c_str(), &st);
  const bool inPlace = exists && st.kind != HFS_REG;
  // A rename would replace a file marked read-only as if it were not.
  if (exists && !inPlace && !hfsReplaceable(target.c_str())) return nullptr;
  std::string temp = inPlace ? std::string() : tempBeside(target.c_str());
  HfsFile* fp = hfsOpenWrite(inPlace ? target.c_str() : temp.c_str());
  if (!fp) return nullptr;
  FOUT* fo = new (std::nothrow) FOUT{fp, target, temp, nullptr, 0, 0, false};
  if (!fo) {
    hfsClose(fp);
    if (!inPlace) hfsRemove(temp.c_str());
  }
  return fo;
}

FOUT* foutMem() { return new (std::nothrow) FOUT{nullptr, "", "", nullptr, 0, 0, false}; }

static bool memReserve(FOUT* fo, size_t need) {
  if (need <= fo->memcap) return true;
  size_t cap = fo->memcap ? fo->memcap : 4096;
  while (cap < need) {
    if (cap > SIZE_MAX / 2) return false;
    cap *= 2;
  }
  // A new block and one copy rather than realloc: moving a large block keeps
  // its small pages, and every later byte would fault one 4 KiB page at a time.
  void* p = bigMalloc(cap);
  if (!p) return false;
  if (fo->pos) std::memcpy(p, fo->mem, static_cast<size_t>(fo->pos));
  std::free(fo->mem);
  fo->mem = static_cast<uint8_t*>(p);
  fo->memcap = cap;
  return true;
}

int foutWrite(FOUT* fo, const void* data, size_t n) {
  if (!fo || fo->failed) return 0;
  if (n == 0) return 1;
  if (fo->fp) {
    if (!hfsWrite(fo->fp, data, n)) fo->failed = true;
  } else if (fo->pos > SIZE_MAX - n || !memReserve(fo, static_cast<size_t>(fo->pos) + n)) {
    fo->failed = true;
  } else {
    std::memcpy(fo->mem + fo->pos, data, n);
  }
  if (fo->failed) return 0;
  fo->pos += n;
  return 1;
}

int foutOk(const FOUT* fo) { return fo && !fo->failed ? 1 : 0; }

uint64_t foutTell(const FOUT* fo) { return fo ? fo->pos : 0; }

const uint8_t* foutData(const FOUT* fo, size_t* n) {
  if (n) *n = fo && !fo->fp ? static_cast<size_t>(fo->pos) : 0;
  return fo ? fo->mem : nullptr;
}

int foutClose(FOUT* fo) {
  if (!fo) return 0;
  bool ok = !fo->failed;
  if (fo->fp && fo->temp.empty()) {
    if (!hfsClose(fo->fp)) ok = false;  // a device: nothing to sync or rename
  } else if (fo->fp) {
    // On the disk before the rename makes it the file.
    if (ok && !hfsSync(fo->fp)) ok = false;
    if (!hfsClose(fo->fp)) ok = false;
    if (ok && !hfsRename(fo->temp.c_str(), fo->path.c_str())) ok = false;
    if (!ok) hfsRemove(fo->temp.c_str());
  }
  std::free(fo->mem);
  delete fo;
  return ok ? 1 : 0;
}

void foutAbort(FOUT* fo) {
  if (!fo) return;
  fo->failed = true;
  foutClose(fo);
}
