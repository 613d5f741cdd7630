#include "std/futil.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "std/bigmem.h"
#include "std/hostfs.h"

namespace {

bool isLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Bytes the character at p takes; a lead byte right before the terminator
// stands alone so that no walk steps over the end.
size_t charLen(const char* p) { return isLead(static_cast<unsigned char>(p[0])) && p[1] ? 2 : 1; }

bool isSep(char c) { return c == '/' || c == '\\'; }

// Start of the last character of a non-empty path.
const char* lastChar(const char* path) {
  const char* last = path;
  for (const char* p = path; *p; p += charLen(p)) last = p;
  return last;
}

bool hasWildcard(const char* s) { return std::strpbrk(s, "*?") != nullptr; }

bool onlyDots(const char* s) {
  for (; *s; s++) {
    if (*s != '.') return false;
  }
  return true;
}

// Adds path when the list does not hold it yet and its kind is accepted.
void listAdd(DB* list, const char* path, uint32_t mask) {
  if (dbFind(list, path)) return;
  FINFO info{};
  if (finfo(&info, path, mask)) dbAdd(list, path, &info);
}

}  // namespace

char* fload(size_t* len, const char* path) {
  if (len) *len = 0;
  if (!path) return nullptr;
  HfsFile* f = hfsOpenRead(path);
  if (!f) return nullptr;
  int64_t size = hfsSeekEnd(f);
  if (size < 0 || !hfsRewind(f)) {
    std::printf("fload:シークエラー:%s\n", path);
    hfsClose(f);
    return nullptr;
  }
  char* buf =
      size <= FLOAD_MAX ? static_cast<char*>(bigMalloc(static_cast<size_t>(size) + 16)) : nullptr;
  if (!buf) {
    std::printf("fload:メモリ確保エラー:%s\n", path);
    hfsClose(f);
    return nullptr;
  }
  size_t n = static_cast<size_t>(size);
  if (hfsRead(f, buf, n) != n) {
    std::printf("fload:ファイルリードエラー:%s\n", path);
    std::free(buf);
    hfsClose(f);
    return nullptr;
  }
  buf[n] = 0;
  hfsClose(f);
  if (len) *len = n;
  return buf;
}

int finfo(FINFO* info, const char* path, uint32_t mask) {
  if (!path) return 0;
  std::string trimmed(path);
  fnameTrim(&trimmed[0], path);
  trimmed.resize(std::strlen(trimmed.c_str()));
  uint32_t flags;
  HfsStat st{};
  bool exists = hfsStat(trimmed.c_str(), &st);
  if (!exists) {
    bool drive = !trimmed.empty() && *lastChar(trimmed.c_str()) == ':';
    flags = drive ? FI_DIR : FI_NONE;
  } else {
    flags = 0;
    if (*fnameTop(nullptr, trimmed.c_str()) == '.') flags |= FI_DOT;
    if (st.kind == HFS_DIR) flags |= FI_DIR;
    if (st.kind == HFS_CHR) flags |= FI_CHR;
    if (st.kind == HFS_FIFO) flags |= FI_FIFO;
    if (st.kind == HFS_REG && !(flags & FI_DOT)) flags |= FI_REG;
    if (st.readable) flags |= FI_READ;
    if (st.writable) flags |= FI_WRITE;
    if (st.executable) flags |= FI_EXEC;
  }
  if (!(flags & mask)) return 0;
  if (info) {
    *info = FINFO{};
    info->flags = flags;
    if (exists) {
      info->size = st.size;
      info->mtime = st.mtime;
    }
  }
  return 1;
}

DB* flist(DB* list, const char* name, uint32_t mask) {
  if (!list) list = dbNew(DBT_ISTR, sizeof(FINFO), 256, 4096);
  if (!name) return list;
  if (!hasWildcard(name)) {
    listAdd(list, name, mask);
    return list;
  }
  const char* top = fnameTop(nullptr, name);
  std::string dir(name, static_cast<size_t>(top - name));
  HfsFind* fs = hfsFindOpen(name);
  if (!fs) return list;
  std::string path;
  while (const char* found = hfsFindNext(fs)) {
    if (onlyDots(found) && !(mask & FI_DOTS)) continue;
    path.assign(dir.size() + std::strlen(found) + 2, '\0');
    fnameJoin(&path[0], dir.c_str(), found);
    listAdd(list, path.c_str(), mask);
  }
  hfsFindClose(fs);
  return list;
}

DB* flistx(DB* names, uint32_t mask) {
  DB* list = nullptr;
  for (void* p = dbTop(names); p; p = dbNxt(p)) list = flist(list, static_cast<char*>(p), mask);
  return list;
}

const char* fnameTop(char* dir, const char* path) {
  const char* top = path;
  for (const char* p = path; *p; p += charLen(p)) {
    if (isSep(*p) || *p == ':') top = p + 1;
  }
  if (dir) {
    size_t n = static_cast<size_t>(top - path);
    std::memmove(dir, path, n);
    dir[n] = 0;
  }
  return top;
}

char* fnameJoin(char* out, const char* dir, const char* name) {
  // Built aside first: out may share its buffer with dir or name.
  std::string joined(dir);
  if (!joined.empty()) {
    char last = *lastChar(dir);
    if (!isSep(last) && last != ':') joined += '/';
  }
  joined += name;
  std::memcpy(out, joined.c_str(), joined.size() + 1);
  return out;
}

char* fnameTrim(char* out, const char* path) {
  size_t n = std::strlen(path);
  if (n > 1 && isSep(*lastChar(path))) n--;
  std::memmove(out, path, n);
  out[n] = 0;
  return out;
}
