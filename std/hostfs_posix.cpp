// Native host file system: POSIX calls on the path bytes as they are. The
// directory search matches names itself, ignoring ASCII case like the
// platform the program was written for.
#ifndef _WIN32

#include "std/hostfs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "std/futil.h"

struct HfsFile {
  int fd;
};

struct HfsFind {
  std::vector<std::string> names;
  size_t next = 0;
};

namespace {

bool isLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Bytes the character at p takes (a lead byte before the terminator counts alone).
size_t charLen(const char* p) { return isLead(static_cast<unsigned char>(p[0])) && p[1] ? 2 : 1; }

unsigned char fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

// '*' = any run of characters, '?' = one character (a two-byte character counts as
// one), letters ignore ASCII case. Iterative backtracking over the last '*'.
bool nameMatch(const char* name, const char* pat) {
  const char* starPat = nullptr;
  const char* starName = nullptr;
  while (*name) {
    if (*pat == '*') {
      starPat = ++pat;
      starName = name;
      continue;
    }
    size_t n = charLen(name);
    if (*pat == '?') {
      name += n;
      pat++;
      continue;
    }
    size_t m = charLen(pat);
    bool same = *pat && n == m &&
                (n == 1 ? fold(*name) == fold(*pat) : name[0] == pat[0] && name[1] == pat[1]);
    if (same) {
      name += n;
      pat += m;
      continue;
    }
    if (!starPat) return false;
    starName += charLen(starName);
    name = starName;
    pat = starPat;
  }
  while (*pat == '*') pat++;
  return *pat == 0;
}

bool patternMatch(const char* name, const char* pat) {
  // "*.*" stands for every name, with or without an extension.
  if (std::string(pat) == "*.*") return true;
  return nameMatch(name, pat);
}

thread_local int32_t lastError = HFS_ENONE;

// Records the cause in errno; answers false for the caller to pass on.
bool fail() {
  switch (errno) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      lastError = HFS_ENOSPACE;
      break;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      lastError = HFS_EDENIED;
      break;
    case ENOENT:
    case ENOTDIR:
      lastError = HFS_ENOPATH;
      break;
    default:
      lastError = HFS_EOTHER;
  }
  return false;
}

}  // namespace

int32_t hfsLastError() { return lastError; }
void hfsClearError() { lastError = HFS_ENONE; }

HfsFile* hfsOpenRead(const char* path) {
  // Non-blocking, so that opening a pipe without a writer does not hang.
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    return nullptr;
  }
  int fl = fcntl(fd, F_GETFL);
  if (fl >= 0) fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
  return new HfsFile{fd};
}

HfsFile* hfsOpenWrite(const char* path) {
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return fail(), nullptr;
  return new HfsFile{fd};
}

int64_t hfsSeekEnd(HfsFile* f) {
  off_t pos = lseek(f->fd, 0, SEEK_END);
  return pos < 0 ? -1 : static_cast<int64_t>(pos);
}

bool hfsRewind(HfsFile* f) { return lseek(f->fd, 0, SEEK_SET) == 0; }

size_t hfsRead(HfsFile* f, void* buf, size_t n) {
  size_t got = 0;
  while (got < n) {
    ssize_t r = read(f->fd, static_cast<char*>(buf) + got, n - got);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    got += static_cast<size_t>(r);
  }
  return got;
}

bool hfsWrite(HfsFile* f, const void* buf, size_t n) {
  size_t put = 0;
  while (put < n) {
    ssize_t r = write(f->fd, static_cast<const char*>(buf) + put, n - put);
    if (r < 0 && errno == EINTR) continue;
    if (r == 0) errno = ENOSPC;
    if (r <= 0) return fail();
    put += static_cast<size_t>(r);
  }
  return true;
}

bool hfsSync(HfsFile* f) { return fsync(f->fd) == 0 || fail(); }

bool hfsClose(HfsFile* f) {
  if (!f) return true;
  bool ok = close(f->fd) == 0 || fail();
  delete f;
  return ok;
}

bool hfsStat(const char* path, HfsStat* st) {
  struct stat s;
  if (stat(path, &s) != 0) return false;
  if (S_ISDIR(s.st_mode)) {
    st->kind = HFS_DIR;
  } else if (S_ISREG(s.st_mode)) {
    st->kind = HFS_REG;
  } else if (S_ISCHR(s.st_mode)) {
    st->kind = HFS_CHR;
  } else if (S_ISFIFO(s.st_mode)) {
    st->kind = HFS_FIFO;
  } else {
    st->kind = HFS_OTHER;
  }
  st->readable = (s.st_mode & S_IRUSR) != 0;
  st->writable = (s.st_mode & S_IWUSR) != 0;
  st->executable = (s.st_mode & S_IXUSR) != 0;
  st->size = static_cast<uint64_t>(s.st_size);
  st->mtime = static_cast<int64_t>(s.st_mtime);
  return true;
}

bool hfsRename(const char* from, const char* to) {
  // A saved file keeps the permissions of the one it replaces: a private
  // picture stays private, a shared one stays shared.
  struct stat s;
  if (stat(to, &s) == 0 && S_ISREG(s.st_mode)) chmod(from, s.st_mode & 07777);
  return std::rename(from, to) == 0 || fail();
}

bool hfsRemove(const char* path) { return unlink(path) == 0; }

bool hfsReplaceable(const char* path) {
  struct stat s;
  if (stat(path, &s) != 0 || !S_ISREG(s.st_mode) || (s.st_mode & S_IWUSR)) return true;
  lastError = HFS_EDENIED;
  return false;
}

std::string hfsLinkTarget(const char* path) {
  struct stat s;
  if (lstat(path, &s) != 0 || !S_ISLNK(s.st_mode)) return path;
  char* real = realpath(path, nullptr);
  std::string target = real ? real : path;
  std::free(real);
  return target;
}

HfsFind* hfsFindOpen(const char* pattern) {
  std::string dir(pattern);
  const char* namePat = fnameTop(nullptr, pattern);
  dir.resize(static_cast<size_t>(namePat - pattern));
  DIR* d = opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return nullptr;
  auto* fs = new HfsFind;
  while (const dirent* e = readdir(d)) {
    if (patternMatch(e->d_name, namePat)) fs->names.emplace_back(e->d_name);
  }
  closedir(d);
  // Directory order on POSIX is arbitrary; hand the names out sorted.
  std::sort(fs->names.begin(), fs->names.end());
  return fs;
}

const char* hfsFindNext(HfsFind* fs) {
  if (!fs || fs->next >= fs->names.size()) return nullptr;
  return fs->names[fs->next++].c_str();
}

void hfsFindClose(HfsFind* fs) { delete fs; }

#endif  // !_WIN32
