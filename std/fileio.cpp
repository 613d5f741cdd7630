#include "std/fileio.h"

#include "std/futil.h"
#include "std/hostfs.h"

uint8_t* fioLoad(size_t* len, const char* path) {
  return reinterpret_cast<uint8_t*>(fload(len, path));
}

int fioSave(const char* path, const void* data, size_t n) {
  HfsFile* f = hfsOpenWrite(path);
  if (!f) return -1;
  bool ok = n == 0 || hfsWrite(f, data, n);
  // On the disk before a rename can make it visible under the target's name.
  // Devices cannot be synced, which is no write failure, so the answer is not used.
  if (ok) hfsSync(f);
  ok = hfsClose(f) && ok;
  return ok ? 1 : 0;
}

int fioReplace(const char* from, const char* to) { return hfsRename(from, to) ? 1 : 0; }

int fioRemove(const char* path) { return hfsRemove(path) ? 1 : 0; }
