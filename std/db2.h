// List database: the one container of the system. A handle owns a doubly
// linked list of records (data part + key part), an optional power-of-two hash
// over the keys, loose memory blocks, and an optional block allocator that
// carves all of that storage out of large chunks.
//
// Callers hold a record by the address of its data part. The record length
// words sit right before it: data length at lstp - 8, key length at lstp - 4;
// the key starts at lstp + (data length rounded up to 4).
#pragma once

#include <cstddef>
#include <cstdint>

// Type codes of keys and data (n > 0 is a fixed size of n bytes).
enum : int32_t {
  DBT_BIN = -1,   // pointer, 32-bit length
  DBT_STR = -2,   // NUL-terminated text (null stores "")
  DBT_ISTR = -3,  // as DBT_STR; as a key compared ignoring ASCII case
  DBT_SYM = -4,   // leading identifier of a text, at most 1023 bytes
  DBT_VAL = -5,   // one 32-bit value stored by value (4 bytes)
  DBT_PTR = -6,   // one pointer-sized value stored by value (sizeof(void*) bytes)
};

struct DB;

// Block-allocator control block; the caller's bytes follow it.
struct MCB {
  MCB* nxtp;
  MCB* bakp;
  DB* dbp;
  uint32_t blk;  // size in 16-byte units, the MCB included
  uint32_t cid;  // chunk the block lives in (index into the handle's chunk table)
};

// Header at the start of every chunk taken from the system. Chunks also form
// a search tree by address (a treap) whose nodes know the largest free block
// below them, so first fit in address order does not walk the free list. The
// header is followed by a bit map with one bit per unit, set where a free
// block starts, so a released block finds its place in the free list at once.
struct DBCHUNK {
  DBCHUNK* nxtp;
  DBCHUNK* bakp;
  uint32_t zero;
  uint32_t size;   // bytes, header included
  MCB* firstfree;  // first and last free blocks of this chunk (null when none)
  MCB* lastfree;
  DBCHUNK* left;  // chunks at lower / higher addresses
  DBCHUNK* right;
  DBCHUNK* parent;
  uint32_t prio;
  uint32_t maxfree;   // at least the units of the largest free block of this chunk
  uint32_t treemax;   // at least the largest maxfree in this subtree
  uint32_t mapwords;  // 64-bit words of the free-start map that follows the header
};

// Record node. In a hashed handle the chain word sits right before it.
struct LNK {
  LNK* nxtp;
  LNK* bakp;
  uint32_t datlen;  // exactly as passed
  uint32_t keylen;
};

// Loose memory block node; the caller's bytes follow it.
struct MLST {
  MLST* nxtp;
  MLST* bakp;
  DB* dbp;
  uint32_t size;
  uint32_t pad;
};

struct DB {
  void** bucket;  // hashn chain heads, or null
  LNK top, end;   // record list sentinels
  MLST mtop, mend;
  uint32_t mask;  // hashn - 1
  int32_t keytyp;
  int32_t dattyp;
  uint32_t cnt;
  uint32_t blksz;  // chunk size; 0 = no block allocator
  MCB ftop, fend;  // free blocks, ascending addresses
  MCB utop, uend;  // used blocks, allocation order
  DBCHUNK ctop, cend;
  // Block allocator bookkeeping (owned by the handle).
  DBCHUNK** chunkById;  // by the id kept in every MCB
  uint32_t chunkCount;
  uint32_t chunkCap;
  void** slabs;  // system blocks the chunks are cut from
  uint32_t slabCount;
  uint32_t slabCap;
  char* slabNext;  // unused rest of the newest slab
  size_t slabLeft;
  uint32_t slabChunks;   // chunks the next slab holds (grows with the handle)
  DBCHUNK* croot;        // chunks by address
  DBCHUNK* fitHint;      // no chunk below it has fitHintNeed free units
  uint32_t fitHintNeed;  // UINT32_MAX: no hint
  uint32_t seed;         // treap priorities
};

DB* dbNew(int32_t keytyp, int32_t dattyp, uint32_t hashn, uint32_t blksz);
void dbFre(DB* dbp);
// Key arguments (unless the key type is 0), then data arguments (unless the
// data type is 0), each as its type code says. DBT_PTR takes a pointer.
void* dbAdd(DB* dbp, ...);
void* dbPut(DB* dbp, const void* key, uint32_t keylen, const void* dat, uint32_t datlen);
void dbDel(DB* dbp, void* lstp);
void dbClr(DB* dbp);
int dbCnt(const DB* dbp);
void* dbTop(const DB* dbp);
void* dbEnd(const DB* dbp);
void* dbNxt(const void* lstp);
void* dbBak(const void* lstp);
void* dbNth(const DB* dbp, uint32_t n);
// Newest record with an equal key; key arguments as dbAdd.
void* dbFind(DB* dbp, ...);
void* dbFindNxt(DB* dbp, const void* lstp);
DB* dbDup(const DB* dbp);
// Data addresses of all records and a terminating null, in `array` or in a new
// memory block of the handle when `array` is null.
void** dbList(DB* dbp, void** array);
void* dbMalc(DB* dbp, size_t size);
void dbMfre(void* p);
char* dbStr(DB* dbp, const char* s);

// The block allocator under records and memory blocks: `size` bytes from the
// handle's chunks, or from the system when the handle has none (blksz 0);
// null for 0 bytes. mcbFre gives a block of this handle back (null does nothing).
void* mcbAlc(DB* dbp, size_t size);
void mcbFre(DB* dbp, void* p);
// Bucket of a key: h = h * 63 + byte (signed; or-ed with 0x20 for DBT_ISTR
// keys), masked with the handle's hashn - 1.
uint32_t dbHash(const DB* dbp, const void* key, uint32_t len);

// Accessors of the record layout.
uint32_t dbDatLen(const void* lstp);
uint32_t dbKeyLen(const void* lstp);
void* dbKey(const void* lstp);

// Shift-JIS aware comparison ignoring ASCII case.
int jstrnicmp(const char* s1, const char* s2, size_t n);
int jstricmp(const char* s1, const char* s2);

// Identifier classes: bytes a character takes when it starts (dbIdFirst) or
// continues (dbIdNext) an identifier; 0 when it cannot.
extern const unsigned char dbIdFirst[256];
extern const unsigned char dbIdNext[256];
// Length of the leading identifier of s (stops at a NUL, even after a lead byte).
size_t dbSymLen(const char* s, size_t max);
