// File access of the image readers and writers. Writers build a whole file in
// memory and hand it over in one call, so a file on disk is either complete
// or reported as failed.
#pragma once

#include <cstddef>
#include <cstdint>

// Whole file plus a zero byte (caller frees with free), or null (fload).
uint8_t* fioLoad(size_t* len, const char* path);
// Replaces path with n bytes through a temporary file beside it (std/fout):
// 1 when every write, the sync and the rename succeeded, 0 when writing
// failed (path untouched), -1 when the temporary file could not be created.
int fioSave(const char* path, const void* data, size_t n);
// Moves `from` over `to` in one replacing rename: 1 on success.
int fioReplace(const char* from, const char* to);
int fioRemove(const char* path);
