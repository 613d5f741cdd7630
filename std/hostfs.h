// Host file-system seam. Every path is a byte string in the program's code
// page (Shift-JIS). The Win32 build hands the bytes to the ANSI API, which
// converts them; the native build hands them to POSIX unchanged. Nothing else
// in the core touches the host file system directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct HfsFile;  // an open file
struct HfsFind;  // a running directory search

// Kinds reported by hfsStat.
enum : int32_t {
  HFS_OTHER = 0,
  HFS_DIR = 1,
  HFS_REG = 2,
  HFS_CHR = 3,
  HFS_FIFO = 4,
};

struct HfsStat {
  int32_t kind;
  bool readable;
  bool writable;
  bool executable;
  uint64_t size;
  int64_t mtime;  // seconds since 1970
};

// Why the last failed create, write, sync, close or rename of this thread
// failed (reads, removals and searches leave it alone), so that a failed
// save can tell the user the cause.
enum : int32_t {
  HFS_ENONE = 0,
  HFS_ENOSPACE = 1,  // the disk is full
  HFS_EDENIED = 2,   // no permission, read-only, or in use
  HFS_ENOPATH = 3,   // the folder does not exist
  HFS_EOTHER = 4,
};
int32_t hfsLastError();
void hfsClearError();

// Opens an existing file for reading; null when it cannot be opened or is a
// directory. Never blocks on a pipe.
HfsFile* hfsOpenRead(const char* path);
// Creates or truncates a file for writing; null on failure.
HfsFile* hfsOpenWrite(const char* path);
// Seeks to the end and answers the position reached, or -1 when the file
// cannot seek. Leaves the file position at the end.
int64_t hfsSeekEnd(HfsFile* f);
// Seeks back to the start; false when the file cannot seek.
bool hfsRewind(HfsFile* f);
// Reads up to n bytes, retrying short reads; answers the bytes read (fewer
// only at the end of the file or on an error).
size_t hfsRead(HfsFile* f, void* buf, size_t n);
// Writes all n bytes; false on any error.
bool hfsWrite(HfsFile* f, const void* buf, size_t n);
// Pushes written data to the disk (before a rename makes it visible).
bool hfsSync(HfsFile* f);
// Closes the file (null is ignored); false when pending data could not be written.
bool hfsClose(HfsFile* f);

// Status of a path; false when it does not exist or cannot be queried.
bool hfsStat(const char* path, HfsStat* st);
// Renames from over to, replacing an existing file at to; where the host has
// permission bits, the file keeps those of the one it replaces.
bool hfsRename(const char* from, const char* to);
// Removes a file.
bool hfsRemove(const char* path);
// False, with the cause recorded, when path is an existing file marked
// read-only: a save must not replace it behind the owner's back.
bool hfsReplaceable(const char* path);
// The file a symbolic link at path finally names, so that a save replaces
// that file and keeps the link; path itself when it is no link or its target
// cannot be named.
std::string hfsLinkTarget(const char* path);

// Starts a search for the names matching a pattern such as "dir/*.bmp".
// '*' and '?' match as the platform does, ignoring letter case. Answers null
// when nothing can be searched. Names come back without the directory part.
HfsFind* hfsFindOpen(const char* pattern);
// Next matching name, valid until the next call; null at the end.
const char* hfsFindNext(HfsFind* fs);
void hfsFindClose(HfsFind* fs);
