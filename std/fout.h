// Output stream for the format writers: a file or a growing memory block.
// Every failed write is remembered, so a writer checks once, at close, whether
// the whole file reached the disk.
#pragma once

#include <cstddef>
#include <cstdint>

struct FOUT;

// Starts a binary file under a temporary name beside path (NAME.~tde, or a
// short name when that would be too long); null when it cannot be created
// or the target is a file marked read-only. The target is replaced only by a
// successful foutClose, after one sync. A symbolic link is followed (the
// file it names is replaced, the link kept). An existing device or pipe is
// written in place.
FOUT* foutOpen(const char* path);
// Collects the output in memory (for in-process conversion and tests).
FOUT* foutMem();
// 1 when all n bytes were accepted; a failure sticks to the stream.
int foutWrite(FOUT* fo, const void* data, size_t n);
// 1 while no write has failed.
int foutOk(const FOUT* fo);
// Bytes written so far.
uint64_t foutTell(const FOUT* fo);
// Memory stream: its bytes so far (valid until the next write or close).
const uint8_t* foutData(const FOUT* fo, size_t* n);
// Flushes, closes and frees; 1 only when every write and the close succeeded.
int foutClose(FOUT* fo);
// Closes and frees without touching the target (the partial file is removed).
void foutAbort(FOUT* fo);
