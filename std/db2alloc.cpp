// Block allocator of the list database: chunks from the system carved into
// blocks with a 32-byte control block; first fit in address order, split
// only when a whole control block remains, coalescing on release.
//
// The free list is one list in ascending address order, as the rules want.
// To keep its searches short, every chunk remembers its first and last free
// block, a bound of its largest one and a map of where free blocks start, and
// the chunks form a treap by address whose nodes hold an upper bound of the
// largest free block below them.
#include "std/db2alloc.h"

#include <cstdlib>
#include <cstring>

#include "std/bigmem.h"
#include "std/tdeassert.h"

namespace db2 {
namespace {

constexpr uint32_t kUnit = 16;
constexpr uint32_t kMcbUnits = sizeof(MCB) / kUnit;
// Larger requests fail: a chunk's size must fit its 32-bit field with its map.
constexpr size_t kMaxBlockBytes = size_t{1} << 31;
static_assert(sizeof(MCB) % kUnit == 0, "MCB is a whole number of units");
static_assert(sizeof(DBCHUNK) % kUnit == 0, "chunk header keeps blocks aligned");

uint32_t maxOf(uint32_t a, uint32_t b) { return a > b ? a : b; }
uint32_t boundOf(const DBCHUNK* n) { return n ? n->treemax : 0; }
void recompute(DBCHUNK* n) {
  n->treemax = maxOf(n->maxfree, maxOf(boundOf(n->left), boundOf(n->right)));
}
DBCHUNK* chunkOf(const DB* dbp, const MCB* m) { return dbp->chunkById[m->cid]; }
char* mcbEnd(MCB* m) { return reinterpret_cast<char*>(m) + static_cast<size_t>(m->blk) * kUnit; }

// ---- chunks by address -------------------------------------------------

// Lifts n above its parent, keeping the address order.
void rotateUp(DB* dbp, DBCHUNK* n) {
  DBCHUNK* p = n->parent;
  DBCHUNK* g = p->parent;
  if (p->left == n) {
    p->left = n->right;
    if (n->right) n->right->parent = p;
    n->right = p;
  } else {
    p->right = n->left;
    if (n->left) n->left->parent = p;
    n->left = p;
  }
  p->parent = n;
  n->parent = g;
  if (!g) {
    dbp->croot = n;
  } else if (g->left == p) {
    g->left = n;
  } else {
    g->right = n;
  }
  recompute(p);
  recompute(n);
}

void treeInsert(DB* dbp, DBCHUNK* ch) {
  dbp->seed = dbp->seed * 1664525u + 1013904223u;
  ch->prio = dbp->seed;
  DBCHUNK** link = &dbp->croot;
  DBCHUNK* parent = nullptr;
  while (*link) {
    parent = *link;
    link = ch < parent ? &parent->left : &parent->right;
  }
  *link = ch;
  ch->parent = parent;
  while (ch->parent && ch->parent->prio < ch->prio) rotateUp(dbp, ch);
}

void forgetHint(DB* dbp) { dbp->fitHintNeed = UINT32_MAX; }

// Records a chunk's new largest free block. Bounds in the tree may stay above
// the truth (a search tightens them) but never below it.
void setMaxFree(DB* dbp, DBCHUNK* ch, uint32_t mx) {
  bool grew = mx > ch->maxfree;
  ch->maxfree = mx;
  if (!grew) return;
  if (ch < dbp->fitHint) forgetHint(dbp);
  for (DBCHUNK* n = ch; n && n->treemax < mx; n = n->parent) n->treemax = mx;
}

// Lowest-addressed chunk with a free block of at least `need` units. The last
// answer is remembered: no chunk below it had fitHintNeed units.
DBCHUNK* fitFirst(DB* dbp, uint32_t need) {
  if (need >= dbp->fitHintNeed && dbp->fitHint->maxfree >= need) return dbp->fitHint;
  for (;;) {
    DBCHUNK* n = dbp->croot;
    if (!n || n->treemax < need) return nullptr;
    for (;;) {
      if (n->left && n->left->treemax >= need) {
        n = n->left;
      } else if (n->maxfree >= need) {
        dbp->fitHint = n;
        dbp->fitHintNeed = need;
        return n;
      } else if (n->right && n->right->treemax >= need) {
        n = n->right;
      } else {
        break;
      }
    }
    // A bound was too high: tighten the path and search again.
    for (DBCHUNK* p = n; p; p = p->parent) recompute(p);
  }
}

// Lowest chunk of a subtree that has a free block.
DBCHUNK* firstWithFree(DBCHUNK* t) {
  if (!t || t->treemax == 0) return nullptr;
  if (DBCHUNK* r = firstWithFree(t->left)) return r;
  if (t->firstfree) return t;
  return firstWithFree(t->right);
}

// First free block in a chunk above ch, or the tail sentinel.
MCB* freeAfterChunk(DB* dbp, DBCHUNK* ch) {
  for (DBCHUNK* n = ch;;) {
    if (DBCHUNK* r = firstWithFree(n->right)) return r->firstfree;
    while (n->parent && n->parent->right == n) n = n->parent;
    n = n->parent;
    if (!n) return &dbp->fend;
    if (n->firstfree) return n->firstfree;
  }
}

// ---- the free-start map -----------------------------------------------------

// Bits count units from the chunk's own start, so header and map take a few
// bits that are never set.
size_t mapBytes(uint32_t words) { return static_cast<size_t>(words) * 8; }
uint64_t* freeMap(DBCHUNK* ch) { return reinterpret_cast<uint64_t*>(ch + 1); }
char* chunkBase(DBCHUNK* ch) { return reinterpret_cast<char*>(ch + 1) + mapBytes(ch->mapwords); }
size_t unitOf(const DBCHUNK* ch, const MCB* m) {
  return static_cast<size_t>(reinterpret_cast<const char*>(m) - reinterpret_cast<const char*>(ch)) /
         kUnit;
}
void markFree(DBCHUNK* ch, const MCB* m) {
  size_t i = unitOf(ch, m);
  freeMap(ch)[i >> 6] |= uint64_t{1} << (i & 63);
}
void markTaken(DBCHUNK* ch, const MCB* m) {
  size_t i = unitOf(ch, m);
  freeMap(ch)[i >> 6] &= ~(uint64_t{1} << (i & 63));
}
// First free block of ch above m; the caller knows there is one.
MCB* nextFreeIn(DBCHUNK* ch, const MCB* m) {
  size_t i = unitOf(ch, m) + 1;
  const uint64_t* map = freeMap(ch);
  size_t w = i >> 6;
  uint64_t bits = map[w] & (~uint64_t{0} << (i & 63));
  while (!bits) bits = map[++w];
  size_t unit = w * 64 + static_cast<size_t>(__builtin_ctzll(bits));
  return reinterpret_cast<MCB*>(reinterpret_cast<char*>(ch) + unit * kUnit);
}

// ---- the free list --------------------------------------------------------

void growTo(DB* dbp, DBCHUNK* ch, uint32_t blk) {
  if (blk > ch->maxfree) setMaxFree(dbp, ch, blk);
}

void freeInsertBefore(DB* dbp, DBCHUNK* ch, MCB* m, MCB* next) {
  linkBefore(m, next);
  if (!ch->firstfree || m < ch->firstfree) ch->firstfree = m;
  if (!ch->lastfree || m > ch->lastfree) ch->lastfree = m;
  markFree(ch, m);
  growTo(dbp, ch, m->blk);
}

// The chunk's largest-block bound stays as it was: allocation tightens it
// when it finds the bound too high.
void freeRemove(DBCHUNK* ch, MCB* m) {
  if (ch->firstfree == m && ch->lastfree == m) {
    ch->firstfree = ch->lastfree = nullptr;
  } else if (ch->firstfree == m) {
    ch->firstfree = m->nxtp;
  } else if (ch->lastfree == m) {
    ch->lastfree = m->bakp;
  }
  unlink(m);
  markTaken(ch, m);
}

// Puts `to` in the free list where `from` was (same chunk).
void freeReplace(DBCHUNK* ch, MCB* from, MCB* to) {
  to->nxtp = from->nxtp;
  to->bakp = from->bakp;
  to->nxtp->bakp = to;
  to->bakp->nxtp = to;
  if (ch->firstfree == from) ch->firstfree = to;
  if (ch->lastfree == from) ch->lastfree = to;
  markTaken(ch, from);
  markFree(ch, to);
}

// First free block above m (which lies in ch), or the tail sentinel.
MCB* freeSuccessor(DB* dbp, DBCHUNK* ch, MCB* m) {
  if (!ch->firstfree) return freeAfterChunk(dbp, ch);
  if (ch->lastfree < m) return ch->lastfree->nxtp;
  if (ch->firstfree > m) return ch->firstfree;
  // Here firstfree < m < lastfree, so the block after firstfree is in this chunk.
  if (ch->firstfree->nxtp > m) return ch->firstfree->nxtp;
  return nextFreeIn(ch, m);
}

// ---- taking and releasing blocks -----------------------------------------

// The free list ends as if mcbp were inserted between its neighbours, then
// merged with the block after it and then with the block before it; the
// merges are made directly instead.
void mcbRelease(DB* dbp, MCB* mcbp) {
  DB_CHECK(mcbp->dbp == dbp, "mcbp->dbp==dbp");
  DB_CHECK(mcbp->nxtp->dbp == dbp, "mcbp->nxtp->dbp==dbp");
  DB_CHECK(mcbp->nxtp->bakp == mcbp, "mcbp->nxtp->bakp==mcbp");
  DB_CHECK(mcbp->bakp->dbp == dbp, "mcbp->bakp->dbp==dbp");
  DB_CHECK(mcbp->bakp->nxtp == mcbp, "mcbp->bakp->nxtp==mcbp");
  unlink(mcbp);
  DBCHUNK* ch = chunkOf(dbp, mcbp);
  MCB* succ = freeSuccessor(dbp, ch, mcbp);
  MCB* bakp = succ->bakp;
  // A real free block before mcbp must end at or before it (released twice otherwise).
  DB_CHECK(!bakp->bakp || mcbEnd(bakp) <= reinterpret_cast<char*>(mcbp),
           "!bakp->bakp || bakp+bakp->blk<=mcbp");
  // Blocks that touch lie in one chunk: every chunk starts with its header.
  bool joinsNext = succ->nxtp && mcbEnd(mcbp) == reinterpret_cast<char*>(succ);
  bool joinsPrev = bakp->bakp && mcbEnd(bakp) == reinterpret_cast<char*>(mcbp);
  if (joinsPrev) {
    bakp->blk += mcbp->blk;
    if (joinsNext) {
      bakp->blk += succ->blk;
      freeRemove(ch, succ);
    }
    growTo(dbp, ch, bakp->blk);
  } else if (joinsNext) {
    mcbp->blk += succ->blk;
    freeReplace(ch, succ, mcbp);
    growTo(dbp, ch, mcbp->blk);
  } else {
    freeInsertBefore(dbp, ch, mcbp, succ);
  }
}

// Takes `need` units from the free block m of ch that first fit chose.
MCB* mcbTake(DB* dbp, DBCHUNK* ch, MCB* m, uint32_t need) {
  if (m->blk - need >= kMcbUnits) {
    MCB* rest = reinterpret_cast<MCB*>(reinterpret_cast<char*>(m) + need * kUnit);
    rest->blk = m->blk - need;
    rest->dbp = dbp;
    rest->cid = m->cid;
    freeReplace(ch, m, rest);
    m->blk = need;
  } else {
    freeRemove(ch, m);
  }
  linkBefore(m, &dbp->uend);
  m->dbp = dbp;
  return m;
}

// First block of ch with `need` units. When there is none the chunk's bound
// was too high: it is made exact and null returned.
MCB* fitInChunk(DBCHUNK* ch, uint32_t need) {
  uint32_t mx = 0;
  if (MCB* m = ch->firstfree) {
    for (;; m = m->nxtp) {
      if (m->blk >= need) return m;
      mx = maxOf(mx, m->blk);
      if (m == ch->lastfree) break;
    }
  }
  ch->maxfree = mx;
  for (DBCHUNK* p = ch; p; p = p->parent) recompute(p);
  return nullptr;
}

// Appends to one of the handle's growable pointer tables; false when memory runs out.
template <class T>
bool tableAppend(T*& table, uint32_t& count, uint32_t& cap, T item) {
  if (count == cap) {
    uint32_t ncap = cap ? cap * 2 : 16;
    auto* grown = static_cast<T*>(std::realloc(table, ncap * sizeof(T)));
    if (!grown) return false;
    table = grown;
    cap = ncap;
  }
  table[count++] = item;
  return true;
}

bool chunkIdAdd(DB* dbp, DBCHUNK* ch) {
  return tableAppend(dbp->chunkById, dbp->chunkCount, dbp->chunkCap, ch);
}

// Largest slab: beyond it a growing handle takes more slabs of this size.
constexpr size_t kSlabMax = size_t(8) << 20;
constexpr size_t kStagger = 64;

bool slabAdd(DB* dbp, void* slab) {
  return tableAppend(dbp->slabs, dbp->slabCount, dbp->slabCap, slab);
}

// Memory for a chunk of `chsize` bytes. Chunks of the handle's own size are
// cut from slabs that double in size as the handle grows (1, 2, 4, ... chunks
// up to 8 MB), so a big table costs few system allocations and, with huge
// pages, few page faults; a small handle still takes one chunk at a time.
// Larger chunks get a slab of their own.
char* chunkMemory(DB* dbp, size_t chsize) {
  // Chunks a page size apart would put their headers and blocks on the same
  // cache sets; a line of space between them staggers them.
  size_t step = chsize + kStagger;
  if (step <= dbp->slabLeft) {
    char* p = dbp->slabNext;
    dbp->slabNext += step;
    dbp->slabLeft -= step;
    return p;
  }
  bool regular = chsize == dbp->blksz / kUnit * kUnit;
  size_t chunks = regular && dbp->slabChunks ? dbp->slabChunks : 1;
  size_t bytes = step * chunks;
  auto* slab = static_cast<char*>(bigMalloc(bytes));
  if (!slab) return nullptr;
  if (!slabAdd(dbp, slab)) {
    std::free(slab);
    return nullptr;
  }
  if (regular) {
    dbp->slabNext = slab + step;
    dbp->slabLeft = bytes - step;
    if (bytes * 2 <= kSlabMax) dbp->slabChunks = static_cast<uint32_t>(chunks * 2);
  }
  return slab;
}

// Units of blocks a chunk of `chsize` bytes holds after its header and map
// (an even number of words, so blocks stay on 16-byte units).
uint32_t chunkUnits(size_t chsize, uint32_t* words) {
  *words = static_cast<uint32_t>((chsize / kUnit + 127) / 128 * 2);
  return static_cast<uint32_t>((chsize - sizeof(DBCHUNK) - mapBytes(*words)) / kUnit);
}

bool mcbNewChunk(DB* dbp, uint32_t need) {
  size_t chsize = static_cast<size_t>(need) * kUnit + sizeof(DBCHUNK);
  chsize += mapBytes(static_cast<uint32_t>((chsize / kUnit + 127) / 128 * 2 + 2));
  if (chsize < dbp->blksz) chsize = dbp->blksz;
  chsize = chsize / kUnit * kUnit;
  uint32_t words = 0;
  while (chunkUnits(chsize, &words) < need) chsize += kUnit;
  auto* ch = reinterpret_cast<DBCHUNK*>(chunkMemory(dbp, chsize));
  if (!ch) return false;
  std::memset(ch, 0, sizeof(DBCHUNK) + mapBytes(words));
  ch->size = static_cast<uint32_t>(chsize);
  ch->mapwords = words;
  if (!chunkIdAdd(dbp, ch)) return false;  // its memory goes back with the slabs
  linkBefore(ch, &dbp->cend);
  treeInsert(dbp, ch);
  auto* m = reinterpret_cast<MCB*>(chunkBase(ch));
  m->blk = chunkUnits(chsize, &words);
  m->dbp = dbp;
  m->cid = dbp->chunkCount - 1;
  linkBefore(m, &dbp->uend);
  mcbRelease(dbp, m);
  return true;
}

}  // namespace

void chunksRelease(DB* dbp) {
  for (uint32_t i = 0; i < dbp->slabCount; i++) std::free(dbp->slabs[i]);
  std::free(dbp->slabs);
  dbp->slabs = nullptr;
  dbp->slabCount = dbp->slabCap = 0;
  dbp->slabNext = nullptr;
  dbp->slabLeft = 0;
  dbp->slabChunks = 1;
  std::free(dbp->chunkById);
  dbp->chunkById = nullptr;
  dbp->chunkCount = dbp->chunkCap = 0;
  dbp->croot = nullptr;
  dbp->fitHint = nullptr;
  forgetHint(dbp);
}

}  // namespace db2

void* mcbAlc(DB* dbp, size_t size) {
  if (size == 0) return nullptr;
  if (dbp->blksz == 0) return std::malloc(size);
  if (size > db2::kMaxBlockBytes) return nullptr;
  uint32_t need = static_cast<uint32_t>((size + sizeof(MCB) + db2::kUnit - 1) / db2::kUnit);
  for (;;) {
    // First fit in address order: the lowest chunk with room, then its first block that fits.
    if (DBCHUNK* ch = db2::fitFirst(dbp, need)) {
      if (MCB* m = db2::fitInChunk(ch, need)) return db2::mcbTake(dbp, ch, m, need) + 1;
      continue;
    }
    if (!db2::mcbNewChunk(dbp, need)) return nullptr;
  }
}

void mcbFre(DB* dbp, void* p) {
  if (!p) return;
  if (dbp->blksz == 0) {
    std::free(p);
    return;
  }
  db2::mcbRelease(dbp, static_cast<MCB*>(p) - 1);
}
