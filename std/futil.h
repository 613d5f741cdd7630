// File utilities: whole-file reading, path classification, name and pattern
// expansion into file lists, and Shift-JIS aware path splitting.
//
// Paths are Shift-JIS byte strings. '/' and '\\' both separate directories and
// ':' ends a drive name; a lead byte (0x81-0x9F, 0xE0-0xFC) always takes the
// byte after it, so a trail byte 0x5C is never a separator.
#pragma once

#include <cstddef>
#include <cstdint>

#include "std/db2.h"

// Kind flags of a path. A caller passes a mask of the kinds it accepts.
enum : uint32_t {
  FI_DIR = 0x1,    // directory, or a drive name "X:" without status
  FI_REG = 0x2,    // regular file whose name does not begin with '.'
  FI_NONE = 0x8,   // the path does not exist
  FI_DOT = 0x40,   // the file-name part begins with '.'
  FI_FIFO = 0x80,  // first-in-first-out special file
  FI_CHR = 0x100,  // character device
  FI_READ = 0x490000,
  FI_WRITE = 0x920000,
  FI_EXEC = 0x1240000,
  FI_DOTS = 0x2000000,  // mask only: pattern listings keep "." and ".."
};

// Data of a file-list record; the key is the path.
struct FINFO {
  uint32_t flags;  // FI_* kind flags
  uint32_t reserved;
  uint64_t size;  // bytes (0 for a missing path)
  int64_t mtime;  // seconds since 1970 (0 for a missing path)
  uint64_t spare;
};
static_assert(sizeof(FINFO) == 32, "file-list records keep their 32-byte data part");

// Reads a whole file into a new buffer (released with free) with a zero byte
// after the data; stores the length in *len (0 on failure) when len is given.
// Null when the file cannot be opened (silently) or read (with a message).
char* fload(size_t* len, const char* path);
// Largest file fload reads; a larger one is refused like a failed allocation.
constexpr int64_t FLOAD_MAX = int64_t{1} << 30;

// 1 when the kind of path shares a bit with mask; info (may be null) then
// receives its flags. Never prints anything.
int finfo(FINFO* info, const char* path, uint32_t mask);

// Adds to list (created as (-3, 32, 256, 4096) when null) the path name, or
// for a pattern with '*' or '?' every matching path, when its kind is accepted
// by mask and the list does not hold it yet. Answers the list.
DB* flist(DB* list, const char* name, uint32_t mask);
// flist over every entry (records whose data is a string) of names, in order,
// into a new list; null when names is null or empty.
DB* flistx(DB* names, uint32_t mask);

// Address of the file-name part inside path; dir (may be null) receives
// everything before it.
const char* fnameTop(char* dir, const char* path);
inline char* fnameTop(char* dir, char* path) {
  return const_cast<char*>(fnameTop(dir, static_cast<const char*>(path)));
}
// out = dir, a '/' unless dir is empty or ends in '/', '\\' or ':', then name.
// out may be the same buffer as dir. Answers out.
char* fnameJoin(char* out, const char* dir, const char* name);
// out = path without one trailing '/' or '\\' (a one-character path keeps it).
// out may be the same buffer as path. Answers out.
char* fnameTrim(char* out, const char* path);
