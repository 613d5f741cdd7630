// Internals of the list database shared by its two source files: the
// sentinel-framed lists and the block allocator.
#pragma once

#include <cstddef>

#include "std/db2.h"

// Checks carry fixed texts so that reformatting never changes what is reported.
#define DB_CHECK(e, text) TDE_ASSERT_TEXT(e, text, "std/db2")

namespace db2 {

template <class T>
void listInit(T* head, T* tail) {
  head->nxtp = tail;
  head->bakp = nullptr;
  tail->nxtp = nullptr;
  tail->bakp = head;
}

template <class T>
void linkBefore(T* node, T* next) {
  node->nxtp = next;
  node->bakp = next->bakp;
  next->bakp->nxtp = node;
  next->bakp = node;
}

template <class T>
void unlink(T* node) {
  node->bakp->nxtp = node->nxtp;
  node->nxtp->bakp = node->bakp;
}

// Gives every chunk back to the system; the lists must be reset afterwards.
void chunksRelease(DB* dbp);

}  // namespace db2
