#include "std/db2.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "std/db2alloc.h"
#include "std/tdeassert.h"

using db2::chunksRelease;
using db2::linkBefore;
using db2::listInit;
using db2::unlink;

namespace {

static_assert(sizeof(MLST) % 16 == 0, "memory blocks stay aligned");
constexpr size_t kSymMax = 1024;

uint32_t align4(uint32_t n) { return (n + 3u) & ~3u; }

LNK* lnkOf(const void* lstp) {
  return reinterpret_cast<LNK*>(const_cast<char*>(static_cast<const char*>(lstp)) - sizeof(LNK));
}
char* lstOf(LNK* lnkp) { return reinterpret_cast<char*>(lnkp + 1); }
void** slpOf(LNK* lnkp) { return reinterpret_cast<void**>(lnkp) - 1; }
LNK* lnkOfSlp(void** slp) { return reinterpret_cast<LNK*>(slp + 1); }
bool isHashed(const DB* dbp) { return dbp->bucket != nullptr; }
bool isReal(const LNK* p) { return p->nxtp && p->bakp; }

}  // namespace

// ---- keys ----------------------------------------------------------------

uint32_t dbHash(const DB* dbp, const void* key, uint32_t len) {
  const auto* bytes = static_cast<const signed char*>(key);
  uint32_t h = 0;
  if (dbp->keytyp == DBT_ISTR) {
    for (uint32_t i = 0; i < len; i++) h = h * 63u + static_cast<uint32_t>(bytes[i] | 0x20);
  } else if (len == 4) {
    h = ((static_cast<uint32_t>(bytes[0]) * 63u + static_cast<uint32_t>(bytes[1])) * 63u +
         static_cast<uint32_t>(bytes[2])) *
            63u +
        static_cast<uint32_t>(bytes[3]);
  } else {
    for (uint32_t i = 0; i < len; i++) h = h * 63u + static_cast<uint32_t>(bytes[i]);
  }
  return h & dbp->mask;
}

namespace {

bool keyEqual(const DB* dbp, LNK* lnkp, const void* key, uint32_t keylen) {
  if (lnkp->keylen != keylen) return false;
  const char* k = lstOf(lnkp) + align4(lnkp->datlen);
  if (dbp->keytyp == DBT_ISTR) return jstrnicmp(k, static_cast<const char*>(key), keylen) == 0;
  if (keylen == 4) return std::memcmp(k, key, 4) == 0;  // the common case, inlined
  return std::memcmp(k, key, keylen) == 0;
}

// One argument group (key or data) read from a va_list by its type code.
struct Arg {
  const void* p;
  uint32_t len;
  int32_t val32;
  void* valp;
  char sym[kSymMax];
};

void readSpecialArg(int32_t typ, va_list& ap, Arg& a) {
  switch (typ) {
    case DBT_BIN:
      a.p = va_arg(ap, const void*);
      a.len = va_arg(ap, uint32_t);
      return;
    case DBT_STR:
    case DBT_ISTR: {
      const char* s = va_arg(ap, const char*);
      if (!s) s = "";
      a.p = s;
      a.len = static_cast<uint32_t>(std::strlen(s) + 1);
      return;
    }
    case DBT_SYM: {
      const char* s = va_arg(ap, const char*);
      size_t n = s ? dbSymLen(s, kSymMax - 1) : 0;
      if (n) std::memcpy(a.sym, s, n);
      a.sym[n] = 0;
      a.p = a.sym;
      a.len = static_cast<uint32_t>(n + 1);
      return;
    }
    case DBT_VAL:
      a.val32 = va_arg(ap, int32_t);
      a.p = &a.val32;
      a.len = sizeof(int32_t);
      return;
    case DBT_PTR:
      a.valp = va_arg(ap, void*);
      a.p = &a.valp;
      a.len = sizeof(void*);
      return;
    default:
      a.p = nullptr;
      a.len = 0;
      return;
  }
}

// Fixed sizes, "none" and 32-bit values are the common cases and stay inline.
inline void readArg(int32_t typ, va_list& ap, Arg& a) {
  if (typ > 0) {
    a.p = va_arg(ap, const void*);
    a.len = static_cast<uint32_t>(typ);
  } else if (typ == 0) {
    a.p = nullptr;
    a.len = 0;
  } else if (typ == DBT_VAL) {
    a.val32 = va_arg(ap, int32_t);
    a.p = &a.val32;
    a.len = sizeof(int32_t);
  } else {
    readSpecialArg(typ, ap, a);
  }
}

// Copies n bytes (zeros for a null source) and clears the padding up to
// `padded`, which is n rounded up to 4.
inline void storePadded(char* to, const void* from, uint32_t n, uint32_t padded) {
  if (padded != n) std::memset(to + padded - 4, 0, 4);
  if (!n) return;
  if (!from) {
    std::memset(to, 0, n);
    return;
  }
  switch (n) {  // small fixed sizes copy without a call
    case 4:
      std::memcpy(to, from, 4);
      break;
    case 8:
      std::memcpy(to, from, 8);
      break;
    case 16:
      std::memcpy(to, from, 16);
      break;
    default:
      std::memcpy(to, from, n);
  }
}

void* findFromChain(DB* dbp, void** slp, const void* key, uint32_t keylen) {
  for (; slp; slp = static_cast<void**>(*slp)) {
    LNK* lnkp = lnkOfSlp(slp);
    if (keyEqual(dbp, lnkp, key, keylen)) return lstOf(lnkp);
  }
  return nullptr;
}

// Whether two addresses differ, hidden from the optimiser: told that they
// are equal, it would follow the loaded one instead of the guessed one.
inline bool differ(const LNK* a, const LNK* b) {
  uintptr_t d = reinterpret_cast<uintptr_t>(a) ^ reinterpret_cast<uintptr_t>(b);
#if defined(__GNUC__)
  asm("" : "+r"(d));
#endif
  return d != 0;
}

// Walks back from lnkp for a 4-byte key other than DBT_ISTR.
void* findWordBack(const LNK* head, LNK* lnkp, uint32_t want) {
  // Records added one after another lie one record apart. The walk guesses
  // each link from the last step and goes on with the guess while the link,
  // checked after it loads, agrees; so the loop does not wait on every load.
  ptrdiff_t step = 0;
  while (lnkp != head) {
    // Fetching ahead hides the latency of memory; a wrong guess costs nothing.
    __builtin_prefetch(reinterpret_cast<const char*>(lnkp) - 384);
    if (lnkp->keylen == 4) {
      uint32_t k;
      std::memcpy(&k, lstOf(lnkp) + align4(lnkp->datlen), 4);
      if (k == want) return lstOf(lnkp);
    }
    LNK* bakp = lnkp->bakp;
    auto* guess = reinterpret_cast<LNK*>(reinterpret_cast<char*>(lnkp) - step);
    if (__builtin_expect(!differ(bakp, guess), 1)) {
      lnkp = guess;
    } else {
      step = reinterpret_cast<char*>(lnkp) - reinterpret_cast<char*>(bakp);
      lnkp = bakp;
    }
  }
  return nullptr;
}

void* findBackFrom(DB* dbp, LNK* lnkp, const void* key, uint32_t keylen) {
  if (keylen == 4 && dbp->keytyp != DBT_ISTR) {
    uint32_t want;
    std::memcpy(&want, key, 4);
    return findWordBack(&dbp->top, lnkp, want);
  }
  const LNK* head = &dbp->top;  // walking back ends at the head sentinel
  for (; lnkp != head; lnkp = lnkp->bakp) {
    if (keyEqual(dbp, lnkp, key, keylen)) return lstOf(lnkp);
  }
  return nullptr;
}

void* findKey(DB* dbp, const void* key, uint32_t keylen) {
  if (isHashed(dbp)) {
    uint32_t h = dbHash(dbp, static_cast<const unsigned char*>(key), keylen);
    return findFromChain(dbp, static_cast<void**>(dbp->bucket[h]), key, keylen);
  }
  return findBackFrom(dbp, dbp->end.bakp, key, keylen);
}

void resetLists(DB* dbp) {
  listInit(&dbp->top, &dbp->end);
  listInit(&dbp->mtop, &dbp->mend);
  listInit(&dbp->ftop, &dbp->fend);
  listInit(&dbp->utop, &dbp->uend);
  listInit(&dbp->ctop, &dbp->cend);
  if (dbp->bucket)
    std::memset(dbp->bucket, 0, (static_cast<size_t>(dbp->mask) + 1) * sizeof(void*));
  dbp->cnt = 0;
}

void freeNodesOneByOne(DB* dbp) {
  for (MLST* m = dbp->mtop.nxtp; m->nxtp;) {
    MLST* next = m->nxtp;
    std::free(m);
    m = next;
  }
  for (LNK* l = dbp->top.nxtp; l->nxtp;) {
    LNK* next = l->nxtp;
    std::free(isHashed(dbp) ? static_cast<void*>(slpOf(l)) : static_cast<void*>(l));
    l = next;
  }
}

}  // namespace

// ---- identifier classes ----------------------------------------------------

// Bytes a character takes when it starts an identifier: letters, '_', 0x80,
// half-width kana and 0xFD-0xFF take 1, Shift-JIS lead bytes 2.
const unsigned char dbIdFirst[256] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 00
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 10
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 20
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 30
    0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 40
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 1,  // 50
    0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 60
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0,  // 70
    1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,  // 80
    2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,  // 90
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // A0
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // B0
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // C0
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // D0
    2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,  // E0
    2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1,  // F0
};
// The same for the following bytes, which may also be digits.
const unsigned char dbIdNext[256] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 00
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 10
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 20
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0,  // 30
    0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 40
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 1,  // 50
    0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 60
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0,  // 70
    1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,  // 80
    2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,  // 90
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // A0
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // B0
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // C0
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // D0
    2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,  // E0
    2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1,  // F0
};

size_t dbSymLen(const char* s, size_t max) {
  const auto* u = reinterpret_cast<const unsigned char*>(s);
  size_t i = 0;
  unsigned cls = dbIdFirst[u[0]];
  while (cls != 0) {
    // A lead byte right before the terminator stops there: never read past it.
    if (cls == 2 && u[i + 1] == 0) break;
    if (i + cls > max) break;
    i += cls;
    cls = dbIdNext[u[i]];
  }
  return i;
}

// ---- comparison ------------------------------------------------------------

int jstrnicmp(const char* s1, const char* s2, size_t n) {
  const auto* a = reinterpret_cast<const unsigned char*>(s1);
  const auto* b = reinterpret_cast<const unsigned char*>(s2);
  for (size_t i = 0; i < n; i++) {
    int c1 = a[i], c2 = b[i];
    if (c1 == c2) {
      if (dbIdFirst[c1] == 2 && i + 1 < n) {
        i++;
        if (a[i] != b[i]) return a[i] - b[i];
      }
      continue;
    }
    if (c1 >= 'A' && c1 <= 'Z') c1 += 'a' - 'A';
    if (c2 >= 'A' && c2 <= 'Z') c2 += 'a' - 'A';
    if (c1 != c2) return c1 - c2;
  }
  return 0;
}

int jstricmp(const char* s1, const char* s2) {
  size_t l1 = std::strlen(s1), l2 = std::strlen(s2);
  if (l1 == l2) return jstrnicmp(s1, s2, l1);
  return jstrnicmp(s1, s2, (l1 < l2 ? l1 : l2) + 1);
}

// ---- handle ----------------------------------------------------------------

DB* dbNew(int32_t keytyp, int32_t dattyp, uint32_t hashn, uint32_t blksz) {
  DB_CHECK(hashn == (hashn & -hashn), "hashn==(hashn&-hashn)");
  size_t bytes = sizeof(DB) + static_cast<size_t>(hashn) * sizeof(void*);
  auto* dbp = static_cast<DB*>(std::calloc(1, bytes));
  DB_CHECK(dbp, "dbp");
  if (hashn) dbp->bucket = reinterpret_cast<void**>(dbp + 1);
  dbp->mask = hashn - 1;
  dbp->fitHintNeed = UINT32_MAX;
  dbp->keytyp = keytyp;
  dbp->dattyp = dattyp;
  resetLists(dbp);
  if (blksz) {
    dbp->blksz = blksz;
    dbp->ftop.dbp = dbp->fend.dbp = dbp->utop.dbp = dbp->uend.dbp = dbp;
  }
  return dbp;
}

void dbFre(DB* dbp) {
  if (!dbp) return;
  if (dbp->blksz) {
    chunksRelease(dbp);
  } else {
    freeNodesOneByOne(dbp);
  }
  std::free(dbp);
}

void dbClr(DB* dbp) {
  if (!dbp) return;
  // Records and memory blocks live in the chunks, so returning the chunks
  // removes them all at once; the handle's state becomes that of dbNew.
  if (dbp->blksz) {
    chunksRelease(dbp);
  } else {
    freeNodesOneByOne(dbp);
  }
  resetLists(dbp);
}

namespace {

// Fills a node taken for a record and links it in.
inline void* fillRecord(DB* dbp, LNK* lnkp, const void* key, uint32_t keylen, const void* dat,
                        uint32_t datlen) {
  uint32_t d = align4(datlen);
  lnkp->datlen = datlen;
  lnkp->keylen = keylen;
  char* p = lstOf(lnkp);
  storePadded(p, dat, datlen, d);
  storePadded(p + d, key, keylen, align4(keylen));
  linkBefore(lnkp, &dbp->end);
  dbp->cnt++;
  return p;
}

inline void* putRecord(DB* dbp, const void* key, uint32_t keylen, const void* dat,
                       uint32_t datlen) {
  size_t body = sizeof(LNK) + static_cast<size_t>(align4(datlen)) + align4(keylen);
  if (!isHashed(dbp)) {
    void* mem = mcbAlc(dbp, body);
    DB_CHECK(mem, "lnkp");
    return fillRecord(dbp, static_cast<LNK*>(mem), key, keylen, dat, datlen);
  }
  void* mem = mcbAlc(dbp, sizeof(void*) + body);
  DB_CHECK(mem, "slp");
  auto** slp = static_cast<void**>(mem);
  LNK* lnkp = lnkOfSlp(slp);
  char* p = static_cast<char*>(fillRecord(dbp, lnkp, key, keylen, dat, datlen));
  uint32_t h = dbHash(dbp, p + align4(datlen), keylen);
  *slp = dbp->bucket[h];
  dbp->bucket[h] = slp;
  return p;
}

}  // namespace

void* dbPut(DB* dbp, const void* key, uint32_t keylen, const void* dat, uint32_t datlen) {
  if (!dbp) return nullptr;
  return putRecord(dbp, key, keylen, dat, datlen);
}

void* dbAdd(DB* dbp, ...) {
  if (!dbp) return nullptr;
  va_list ap;
  va_start(ap, dbp);
  Arg key, dat;
  readArg(dbp->keytyp, ap, key);
  readArg(dbp->dattyp, ap, dat);
  va_end(ap);
  return putRecord(dbp, key.p, key.len, dat.p, dat.len);
}

void dbDel(DB* dbp, void* lstp) {
  DB_CHECK(dbp, "dbp");
  DB_CHECK(lstp, "lstp");
  LNK* lnkp = lnkOf(lstp);
  DB_CHECK(lnkp->nxtp->bakp == lnkp, "lnkp->nxtp->bakp==lnkp");
  DB_CHECK(lnkp->bakp->nxtp == lnkp, "lnkp->bakp->nxtp==lnkp");
  void* mem = lnkp;
  if (isHashed(dbp)) {
    void** slp = slpOf(lnkp);
    const char* k = lstOf(lnkp) + align4(lnkp->datlen);
    uint32_t h = dbHash(dbp, reinterpret_cast<const unsigned char*>(k), lnkp->keylen);
    void** pp = &dbp->bucket[h];
    while (*pp && *pp != slp) pp = static_cast<void**>(*pp);
    DB_CHECK(*pp, "slp");
    *pp = *slp;
    mem = slp;
  }
  unlink(lnkp);
  mcbFre(dbp, mem);
  dbp->cnt--;
}

int dbCnt(const DB* dbp) { return dbp ? static_cast<int>(dbp->cnt) : 0; }

void* dbTop(const DB* dbp) {
  if (!dbp || !isReal(dbp->top.nxtp)) return nullptr;
  return lstOf(dbp->top.nxtp);
}

void* dbEnd(const DB* dbp) {
  if (!dbp || !isReal(dbp->end.bakp)) return nullptr;
  return lstOf(dbp->end.bakp);
}

void* dbNxt(const void* lstp) {
  if (!lstp) return nullptr;
  LNK* n = lnkOf(lstp)->nxtp;
  return isReal(n) ? lstOf(n) : nullptr;
}

void* dbBak(const void* lstp) {
  if (!lstp) return nullptr;
  LNK* b = lnkOf(lstp)->bakp;
  return isReal(b) ? lstOf(b) : nullptr;
}

void* dbNth(const DB* dbp, uint32_t n) {
  if (!dbp || n >= dbp->cnt) return nullptr;
  LNK* l;
  if (n < dbp->cnt / 2) {
    l = dbp->top.nxtp;
    for (uint32_t i = 0; i < n; i++) l = l->nxtp;
  } else {
    l = dbp->end.bakp;
    for (uint32_t i = dbp->cnt - 1; i > n; i--) l = l->bakp;
  }
  return lstOf(l);
}

void* dbFind(DB* dbp, ...) {
  if (!dbp) return nullptr;
  va_list ap;
  va_start(ap, dbp);
  Arg key;
  readArg(dbp->keytyp, ap, key);
  va_end(ap);
  return findKey(dbp, key.p, key.len);
}

void* dbFindNxt(DB* dbp, const void* lstp) {
  if (!dbp || !lstp) return nullptr;
  LNK* lnkp = lnkOf(lstp);
  const char* k = lstOf(lnkp) + align4(lnkp->datlen);
  if (isHashed(dbp)) return findFromChain(dbp, static_cast<void**>(*slpOf(lnkp)), k, lnkp->keylen);
  return findBackFrom(dbp, lnkp->bakp, k, lnkp->keylen);
}

DB* dbDup(const DB* dbp) {
  if (!dbp) return nullptr;
  DB* copy = dbNew(dbp->keytyp, dbp->dattyp, dbp->mask + 1, dbp->blksz);
  for (LNK* l = dbp->top.nxtp; isReal(l); l = l->nxtp) {
    char* p = lstOf(l);
    dbPut(copy, p + align4(l->datlen), l->keylen, p, l->datlen);
  }
  return copy;
}

void** dbList(DB* dbp, void** array) {
  DB_CHECK(dbp, "dbp");
  if (!array)
    array = static_cast<void**>(dbMalc(dbp, (static_cast<size_t>(dbp->cnt) + 1) * sizeof(void*)));
  size_t i = 0;
  for (LNK* l = dbp->top.nxtp; isReal(l); l = l->nxtp) array[i++] = lstOf(l);
  array[i] = nullptr;
  return array;
}

void* dbMalc(DB* dbp, size_t size) {
  DB_CHECK(dbp, "dbp");
  void* mem = mcbAlc(dbp, sizeof(MLST) + size);
  DB_CHECK(mem, "mlstp");
  auto* m = static_cast<MLST*>(mem);
  m->dbp = dbp;
  m->size = static_cast<uint32_t>(size);
  linkBefore(m, &dbp->mend);
  return m + 1;
}

void dbMfre(void* p) {
  if (!p) return;
  MLST* mlstp = static_cast<MLST*>(p) - 1;
  DB_CHECK(mlstp->nxtp->bakp == mlstp, "mlstp->nxtp->bakp==mlstp");
  DB_CHECK(mlstp->bakp->nxtp == mlstp, "mlstp->bakp->nxtp==mlstp");
  unlink(mlstp);
  mcbFre(mlstp->dbp, mlstp);
}

char* dbStr(DB* dbp, const char* s) {
  DB_CHECK(dbp, "dbp");
  if (!s) return nullptr;
  size_t n = std::strlen(s) + 1;
  auto* p = static_cast<char*>(dbMalc(dbp, n));
  DB_CHECK(p, "p");
  std::memcpy(p, s, n);
  return p;
}

uint32_t dbDatLen(const void* lstp) { return lnkOf(lstp)->datlen; }
uint32_t dbKeyLen(const void* lstp) { return lnkOf(lstp)->keylen; }
void* dbKey(const void* lstp) {
  return const_cast<char*>(static_cast<const char*>(lstp)) + align4(lnkOf(lstp)->datlen);
}
