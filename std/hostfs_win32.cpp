// Host file system through the ANSI Win32 API: the system converts the
// code-page-932 path bytes itself, which the C runtime underneath a winelib
// program would not (it takes host UTF-8 paths).
#ifdef _WIN32

#include "std/hostfs.h"

// C++ headers first: <windows.h> defines min and max as macros.
#include <cstring>
#include <initializer_list>
#include <string>

#include <windows.h>

#if defined(__WINE__)
#include <sys/stat.h>

#include <cstdlib>
#endif

struct HfsFile {
  HANDLE h;
};

struct HfsFind {
  HANDLE h;
  WIN32_FIND_DATAA data;
  bool pending;  // data holds a name not handed out yet
};

namespace {

// Largest single ReadFile/WriteFile request.
constexpr size_t kIoChunk = size_t{1} << 30;

// The C runtime's stat calls these executable; nothing else has the bit.
bool executableName(const char* path) {
  const char* dot = std::strrchr(path, '.');
  if (!dot) return false;
  for (const char* ext : {".exe", ".com", ".bat", ".cmd"}) {
    if (lstrcmpiA(dot, ext) == 0) return true;
  }
  return false;
}

int64_t unixSeconds(const FILETIME& ft) {
  // FILETIME counts 100 ns steps since 1601.
  uint64_t t = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return static_cast<int64_t>(t / 10000000ull) - 11644473600ll;
}

thread_local int32_t lastError = HFS_ENONE;

// Records the cause from GetLastError; answers false for the caller.
bool fail() {
  switch (GetLastError()) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      lastError = HFS_ENOSPACE;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      lastError = HFS_EDENIED;
      break;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      lastError = HFS_ENOPATH;
      break;
    default:
      lastError = HFS_EOTHER;
  }
  return false;
}

HfsFile* wrap(HANDLE h) { return h == INVALID_HANDLE_VALUE ? nullptr : new HfsFile{h}; }

}  // namespace

int32_t hfsLastError() { return lastError; }
void hfsClearError() { lastError = HFS_ENONE; }

HfsFile* hfsOpenRead(const char* path) {
  // Without FILE_FLAG_BACKUP_SEMANTICS a directory does not open.
  return wrap(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

HfsFile* hfsOpenWrite(const char* path) {
  HfsFile* f = wrap(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) fail();
  return f;
}

int64_t hfsSeekEnd(HfsFile* f) {
  if (GetFileType(f->h) != FILE_TYPE_DISK) return -1;
  LARGE_INTEGER zero{}, pos{};
  if (!SetFilePointerEx(f->h, zero, &pos, FILE_END)) return -1;
  return pos.QuadPart;
}

bool hfsRewind(HfsFile* f) {
  LARGE_INTEGER zero{};
  return SetFilePointerEx(f->h, zero, nullptr, FILE_BEGIN) != 0;
}

size_t hfsRead(HfsFile* f, void* buf, size_t n) {
  size_t got = 0;
  while (got < n) {
    DWORD want = static_cast<DWORD>(n - got < kIoChunk ? n - got : kIoChunk);
    DWORD r = 0;
    if (!ReadFile(f->h, static_cast<char*>(buf) + got, want, &r, nullptr) || r == 0) break;
    got += r;
  }
  return got;
}

bool hfsWrite(HfsFile* f, const void* buf, size_t n) {
  size_t put = 0;
  while (put < n) {
    DWORD want = static_cast<DWORD>(n - put < kIoChunk ? n - put : kIoChunk);
    DWORD w = 0;
    if (!WriteFile(f->h, static_cast<const char*>(buf) + put, want, &w, nullptr)) return fail();
    if (w == 0) {
      SetLastError(ERROR_DISK_FULL);
      return fail();
    }
    put += w;
  }
  return true;
}

bool hfsSync(HfsFile* f) { return FlushFileBuffers(f->h) != 0 || fail(); }

bool hfsClose(HfsFile* f) {
  if (!f) return true;
  bool ok = CloseHandle(f->h) != 0 || fail();
  delete f;
  return ok;
}

bool hfsStat(const char* path, HfsStat* st) {
  WIN32_FILE_ATTRIBUTE_DATA a;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &a)) return false;
  bool dir = (a.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  st->kind = dir ? HFS_DIR : HFS_REG;
  st->readable = true;
  st->writable = (a.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0;
  st->executable = dir || executableName(path);
  st->size = dir ? 0 : (static_cast<uint64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
  st->mtime = unixSeconds(a.ftLastWriteTime);
  return true;
}

#if defined(__WINE__)
namespace {

// Host path of a code-page-932 path; empty when Wine cannot map it.
std::string hostPath(const char* path) {
  int n = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
  if (n <= 0) return {};
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path, -1, &w[0], n);
  char* u = wine_get_unix_file_name(reinterpret_cast<const WCHAR*>(w.c_str()));
  std::string s = u ? u : "";
  HeapFree(GetProcessHeap(), 0, u);
  return s;
}

// Under Wine the files are host files with permission bits that no Win32
// call shows; a saved picture keeps those of the file it replaces.
void keepHostMode(const char* from, const char* to) {
  std::string hostTo = hostPath(to);
  std::string hostFrom = hostPath(from);
  struct stat s;
  if (hostTo.empty() || hostFrom.empty() || stat(hostTo.c_str(), &s) != 0) return;
  if (S_ISREG(s.st_mode)) chmod(hostFrom.c_str(), s.st_mode & 07777);
}

}  // namespace
#endif

bool hfsRename(const char* from, const char* to) {
#if defined(__WINE__)
  keepHostMode(from, to);
#endif
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0 || fail();
}

bool hfsRemove(const char* path) { return DeleteFileA(path) != 0; }

bool hfsReplaceable(const char* path) {
  DWORD a = GetFileAttributesA(path);
  if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY) ||
      !(a & FILE_ATTRIBUTE_READONLY))
    return true;
  SetLastError(ERROR_ACCESS_DENIED);
  return fail();
}

std::string hfsLinkTarget(const char* path) {
#if defined(__WINE__)
  // Links live in the host file system: resolved there, named again in the
  // program's code page (a name that does not convert back is left alone).
  const std::string host = hostPath(path);
  struct stat s;
  if (host.empty() || lstat(host.c_str(), &s) != 0 || !S_ISLNK(s.st_mode)) return path;
  char* real = realpath(host.c_str(), nullptr);
  WCHAR* dos = real ? wine_get_dos_file_name(real) : nullptr;
  free(real);
  std::string target = path;
  if (dos) {
    BOOL lossy = FALSE;
    int n = WideCharToMultiByte(CP_ACP, 0, dos, -1, nullptr, 0, nullptr, &lossy);
    std::string name(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0 && !lossy &&
        WideCharToMultiByte(CP_ACP, 0, dos, -1, &name[0], n, nullptr, &lossy) == n && !lossy) {
      name.resize(static_cast<size_t>(n - 1));
      target = name;
    }
    HeapFree(GetProcessHeap(), 0, dos);
  }
  return target;
#else
  return path;
#endif
}

HfsFind* hfsFindOpen(const char* pattern) {
  auto* fs = new HfsFind{};
  fs->h = FindFirstFileA(pattern, &fs->data);
  if (fs->h == INVALID_HANDLE_VALUE) {
    delete fs;
    return nullptr;
  }
  fs->pending = true;
  return fs;
}

const char* hfsFindNext(HfsFind* fs) {
  if (!fs) return nullptr;
  if (!fs->pending && !FindNextFileA(fs->h, &fs->data)) return nullptr;
  fs->pending = false;
  return fs->data.cFileName;
}

void hfsFindClose(HfsFind* fs) {
  if (!fs) return;
  FindClose(fs->h);
  delete fs;
}

#endif  // _WIN32
