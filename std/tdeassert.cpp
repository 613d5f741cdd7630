#include "std/tdeassert.h"

#include <cstdio>
#include <cstdlib>

void tdeAssertFail(const char* expr, const char* module, int line) {
  std::fflush(stdout);
  std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", expr, module, line);
  std::fflush(stderr);
  std::abort();
}
