#include "std/fileio.h"

#include <cstdio>
#include <cstdlib>

uint8_t* fioLoad(size_t* len, const char* path) {
  if (len) *len = 0;
  FILE* fp = std::fopen(path, "rb");
  if (!fp) return nullptr;
  uint8_t* buf = nullptr;
  long n = -1;
  if (std::fseek(fp, 0, SEEK_END) == 0) n = std::ftell(fp);
  if (n >= 0 && std::fseek(fp, 0, SEEK_SET) == 0) {
    buf = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(n) + 16));
    if (buf && std::fread(buf, 1, static_cast<size_t>(n), fp) != static_cast<size_t>(n)) {
      std::free(buf);
      buf = nullptr;
    }
  }
  std::fclose(fp);
  if (!buf) return nullptr;
  buf[n] = 0;
  if (len) *len = static_cast<size_t>(n);
  return buf;
}

int fioSave(const char* path, const void* data, size_t n) {
  FILE* fp = std::fopen(path, "wb");
  if (!fp) return 0;
  bool ok = n == 0 || std::fwrite(data, 1, n, fp) == n;
  ok = std::fflush(fp) == 0 && ok;
  ok = std::fclose(fp) == 0 && ok;
  return ok ? 1 : 0;
}

int fioReplace(const char* from, const char* to) { return std::rename(from, to) == 0; }

int fioRemove(const char* path) { return std::remove(path) == 0; }
