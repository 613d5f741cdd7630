#include "std/bigmem.h"

#include <cstdint>
#include <cstdlib>

// Linux, natively or under winelib (which defines _WIN32 as well).
#if defined(__linux__) && (!defined(_WIN32) || defined(__WINE__))
#define TDE_BIGMEM_LINUX 1
#include <sys/mman.h>
#endif

namespace {

// Below this the page faults cost little and a huge page could be mostly unused.
constexpr size_t kAdviseMin = size_t(4) << 20;
constexpr size_t kHugeAlign = size_t(2) << 20;

// Asks for huge pages on the whole pages inside [p, p + n). A large block
// comes straight from mmap and is still untouched (calloc knows such memory
// is zero), so the advice takes effect on the first write. It is only
// advice: refused or not, the memory is the same.
void adviseHuge(void* p, size_t n) {
#if defined(TDE_BIGMEM_LINUX) && defined(MADV_HUGEPAGE)
  if (n < kAdviseMin) return;
  constexpr uintptr_t kPage = 4096;
  uintptr_t start = (reinterpret_cast<uintptr_t>(p) + kPage - 1) & ~(kPage - 1);
  uintptr_t end = (reinterpret_cast<uintptr_t>(p) + n) & ~(kPage - 1);
  if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
  (void)p;
  (void)n;
  (void)kAdviseMin;
  (void)kHugeAlign;
#endif
}

}  // namespace

void* bigMalloc(size_t n) {
#if defined(TDE_BIGMEM_LINUX)
  // Huge pages cover only whole aligned 2 MiB ranges, so a large block starts
  // on one; the space skipped before it is never touched.
  void* p = n >= kAdviseMin ? std::aligned_alloc(kHugeAlign, n) : std::malloc(n);
#else
  void* p = std::malloc(n);
#endif
  if (p) adviseHuge(p, n);
  return p;
}

void* bigCalloc(size_t n) {
  void* p = std::calloc(n, 1);
  if (p) adviseHuge(p, n);
  return p;
}

void bigAdvise(void* p, size_t n) { adviseHuge(p, n); }
