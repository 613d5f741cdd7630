// Allocation of whole-picture buffers (file images, pixel planes). They are
// plain std::malloc memory, freed with std::free; on Linux, buffers of
// several megabytes are backed by huge pages where the kernel allows it,
// which spares one page fault per 4 KiB when they are first written.
#pragma once

#include <cstddef>

// std::malloc(n) with the advice above; null when memory runs out.
void* bigMalloc(size_t n);
// std::calloc(n, 1) with the advice above; null when memory runs out.
void* bigCalloc(size_t n);
// The same advice for a block that came from elsewhere and is still
// untouched (a bitmap's pixels, say).
void bigAdvise(void* p, size_t n);
