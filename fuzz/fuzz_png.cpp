// libFuzzer target: see fuzz/targets.cpp.
#include "fuzz/targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzzPng(data, size);
}
