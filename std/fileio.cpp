#include "std/fileio.h"

#include "std/fout.h"
#include "std/futil.h"
#include "std/hostfs.h"

uint8_t* fioLoad(size_t* len, const char* path) {
  return reinterpret_cast<uint8_t*>(fload(len, path));
}

int fioSave(const char* path, const void* data, size_t n) {
  FOUT* fo = foutOpen(path);
  if (!fo) return -1;
  if (!foutWrite(fo, data, n)) {
    foutAbort(fo);
    return 0;
  }
  return foutClose(fo);
}

int fioReplace(const char* from, const char* to) { return hfsRename(from, to) ? 1 : 0; }

int fioRemove(const char* path) { return hfsRemove(path) ? 1 : 0; }
