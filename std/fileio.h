// File access of the image readers and writers. Writers build a whole file in
// memory and hand it over in one call, so a file on disk is either complete
// or reported as failed; only this module turns a path into a stream.
#pragma once

#include <cstddef>
#include <cstdint>

// Whole file plus a zero byte (caller frees with free), or null (fload).
uint8_t* fioLoad(size_t* len, const char* path);
// Creates (or truncates) path with n bytes: 1 when every write and the close
// succeeded, 0 when writing failed (the partial file is left to the caller:
// see bmfileSave), -1 when the file could not be created at all.
int fioSave(const char* path, const void* data, size_t n);
// Moves `from` over `to` in one replacing rename: 1 on success.
int fioReplace(const char* from, const char* to);
int fioRemove(const char* path);
