// Entry points shared by the libFuzzer targets and the crash replay test:
// each feeds one input to one reader and must return without a fault.
#pragma once

#include <cstddef>
#include <cstdint>

int fuzzNif(const uint8_t* data, size_t size);
int fuzzLz(const uint8_t* data, size_t size);
int fuzzPxa(const uint8_t* data, size_t size);
int fuzzBmp(const uint8_t* data, size_t size);
int fuzzIco(const uint8_t* data, size_t size);
int fuzzBmfile(const uint8_t* data, size_t size);
int fuzzTiff(const uint8_t* data, size_t size);
int fuzzPpm(const uint8_t* data, size_t size);
int fuzzJpeg(const uint8_t* data, size_t size);
int fuzzSbf(const uint8_t* data, size_t size);
int fuzzPng(const uint8_t* data, size_t size);

struct FuzzTarget {
  const char* name;  // also the folder of its corpus and crash files
  int (*run)(const uint8_t*, size_t);
};
extern const FuzzTarget kFuzzTargets[11];
