#include "std/db2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<int> ints(DB* db) {
  std::vector<int> v;
  for (void* p = dbTop(db); p; p = dbNxt(p)) v.push_back(*static_cast<int*>(p));
  return v;
}

// Free blocks of a handle with a block allocator, in list order.
std::vector<MCB*> freeBlocks(DB* db) {
  std::vector<MCB*> v;
  for (MCB* m = db->ftop.nxtp; m->nxtp; m = m->nxtp) v.push_back(m);
  return v;
}

// Chunk tree: ordered by address, and each bound covers its subtree.
uint32_t checkChunkTree(const DBCHUNK* n, const DBCHUNK* lo, const DBCHUNK* hi, int* count) {
  if (!n) return 0;
  ++*count;
  EXPECT_TRUE(!lo || n > lo);
  EXPECT_TRUE(!hi || n < hi);
  if (n->left) {
    EXPECT_EQ(n->left->parent, n);
  }
  if (n->right) {
    EXPECT_EQ(n->right->parent, n);
  }
  uint32_t mx = n->maxfree;
  mx = std::max(mx, checkChunkTree(n->left, lo, n, count));
  mx = std::max(mx, checkChunkTree(n->right, n, hi, count));
  EXPECT_GE(n->treemax, mx);
  return mx;
}

// The free list must be ascending, never hold two touching blocks of one chunk,
// and agree with each chunk's first/last free block.
void checkFreeList(DB* db) {
  std::vector<MCB*> v = freeBlocks(db);
  for (size_t i = 1; i < v.size(); i++) {
    ASSERT_LT(v[i - 1], v[i]);
    char* end = reinterpret_cast<char*>(v[i - 1]) + v[i - 1]->blk * 16;
    ASSERT_NE(end, reinterpret_cast<char*>(v[i])) << "adjacent free blocks not merged";
    ASSERT_LE(end, reinterpret_cast<char*>(v[i])) << "free blocks overlap";
  }
  for (uint32_t c = 0; c < db->chunkCount; c++) {
    DBCHUNK* ch = db->chunkById[c];
    MCB* first = nullptr;
    MCB* last = nullptr;
    for (MCB* m : v) {
      if (m->cid != c) continue;
      if (!first) first = m;
      last = m;
    }
    ASSERT_EQ(ch->firstfree, first);
    ASSERT_EQ(ch->lastfree, last);
    uint32_t mx = 0;
    for (MCB* m : v)
      if (m->cid == c && m->blk > mx) mx = m->blk;
    ASSERT_GE(ch->maxfree, mx);
    // The map after the header has a bit exactly where a free block starts.
    const auto* map = reinterpret_cast<const uint64_t*>(ch + 1);
    const char* base = reinterpret_cast<const char*>(ch);
    size_t bits = 0;
    for (uint32_t w = 0; w < ch->mapwords; w++) bits += __builtin_popcountll(map[w]);
    size_t starts = 0;
    for (MCB* m : v) {
      if (m->cid != c) continue;
      size_t unit = static_cast<size_t>(reinterpret_cast<const char*>(m) - base) / 16;
      ASSERT_LT(unit / 64, ch->mapwords);
      ASSERT_TRUE(map[unit / 64] >> (unit % 64) & 1) << "free block missing from the map";
      ASSERT_LE(reinterpret_cast<const char*>(m) + m->blk * 16, base + ch->size)
          << "free block runs past its chunk";
      starts++;
    }
    ASSERT_EQ(bits, starts) << "map marks a block that is not free";
  }
  std::vector<const char*> starts;
  for (uint32_t c = 0; c < db->chunkCount; c++)
    starts.push_back(reinterpret_cast<char*>(db->chunkById[c]));
  std::sort(starts.begin(), starts.end());
  for (size_t i = 1; i < starts.size(); i++)
    ASSERT_LE(starts[i - 1] + reinterpret_cast<const DBCHUNK*>(starts[i - 1])->size, starts[i])
        << "chunks overlap";
  int count = 0;
  checkChunkTree(db->croot, nullptr, nullptr, &count);
  ASSERT_EQ(static_cast<uint32_t>(count), db->chunkCount);
}

TEST(Db2, QueueKeepsOrderBothWays) {
  DB* q = dbNew(0, 4, 0, 1024);
  for (int i = 0; i < 1000; i++) dbAdd(q, &i);
  EXPECT_EQ(dbCnt(q), 1000);
  std::vector<int> v = ints(q);
  ASSERT_EQ(v.size(), 1000u);
  for (int i = 0; i < 1000; i++) EXPECT_EQ(v[i], i);
  int expect = 999;
  for (void* p = dbEnd(q); p; p = dbBak(p)) EXPECT_EQ(*static_cast<int*>(p), expect--);
  EXPECT_EQ(expect, -1);
  dbFre(q);
}

TEST(Db2, HashSizeMustBePowerOfTwo) {
  DB* db = dbNew(DBT_STR, 0, 0, 0);
  EXPECT_EQ(db->bucket, nullptr);
  dbFre(db);
  EXPECT_DEATH(dbNew(DBT_STR, 0, 3, 0), "hashn==\\(hashn&-hashn\\).*std/db2");
}

TEST(Db2, NullHandleAndAddressAreHarmless) {
  EXPECT_EQ(dbCnt(nullptr), 0);
  EXPECT_EQ(dbTop(nullptr), nullptr);
  EXPECT_EQ(dbEnd(nullptr), nullptr);
  EXPECT_EQ(dbNth(nullptr, 0), nullptr);
  EXPECT_EQ(dbFind(nullptr, "x"), nullptr);
  EXPECT_EQ(dbAdd(nullptr, "x"), nullptr);
  EXPECT_EQ(dbDup(nullptr), nullptr);
  EXPECT_EQ(dbNxt(nullptr), nullptr);
  EXPECT_EQ(dbBak(nullptr), nullptr);
  dbClr(nullptr);
  dbFre(nullptr);
  dbMfre(nullptr);
  DB* db = dbNew(0, 4, 0, 0);
  EXPECT_EQ(dbFindNxt(db, nullptr), nullptr);
  EXPECT_DEATH(dbDel(db, nullptr), "lstp");
  EXPECT_DEATH(dbDel(nullptr, db), "dbp");
  dbFre(db);
}

// Hashed and unhashed handles, with and without a block allocator.
class Db2Shape : public ::testing::TestWithParam<std::pair<uint32_t, uint32_t>> {
 protected:
  DB* make(int32_t keytyp, int32_t dattyp) {
    return dbNew(keytyp, dattyp, GetParam().first, GetParam().second);
  }
};

TEST_P(Db2Shape, EqualKeysFoundNewestFirst) {
  DB* db = make(DBT_STR, 4);
  int one = 1, two = 2, other = 3;
  void* a = dbAdd(db, "key", &one);
  dbAdd(db, "other", &other);
  void* b = dbAdd(db, "key", &two);
  EXPECT_EQ(dbFind(db, "key"), b);
  EXPECT_EQ(dbFindNxt(db, b), a);
  EXPECT_EQ(dbFindNxt(db, a), nullptr);
  EXPECT_EQ(dbFind(db, "nothing"), nullptr);
  dbDel(db, b);
  EXPECT_EQ(dbFind(db, "key"), a);
  dbFre(db);
}

TEST_P(Db2Shape, CaseInsensitiveKeysOnlyForIstr) {
  DB* is = make(DBT_ISTR, 0);
  DB* cs = make(DBT_STR, 0);
  void* r = dbAdd(is, "abc.bmp");
  dbAdd(cs, "abc.bmp");
  EXPECT_EQ(dbFind(is, "ABC.BMP"), r);
  EXPECT_EQ(dbFind(cs, "ABC.BMP"), nullptr);
  EXPECT_NE(dbFind(cs, "abc.bmp"), nullptr);
  dbFre(is);
  dbFre(cs);
}

TEST_P(Db2Shape, RandomWorkMatchesReference) {
  DB* db = make(DBT_VAL, 8);
  std::multimap<int32_t, std::pair<int64_t, void*>> ref;
  std::mt19937 rng(7);
  int64_t serial = 0;
  for (int step = 0; step < 20000; step++) {
    int32_t key = static_cast<int32_t>(rng() % 300);
    if (rng() % 3 != 0 || ref.empty()) {
      int64_t v = serial++;
      void* p = dbAdd(db, key, &v);
      ref.emplace(key, std::make_pair(v, p));
    } else {
      auto it = ref.lower_bound(key);
      if (it == ref.end()) it = ref.begin();
      dbDel(db, it->second.second);
      ref.erase(it);
    }
    if (step % 2000 == 0 && db->blksz) checkFreeList(db);
  }
  ASSERT_EQ(dbCnt(db), static_cast<int>(ref.size()));
  for (int32_t key = 0; key < 300; key++) {
    std::vector<int64_t> found, expected;
    for (void* p = dbFind(db, key); p; p = dbFindNxt(db, p))
      found.push_back(*static_cast<int64_t*>(p));
    for (auto [it, end] = ref.equal_range(key); it != end; ++it)
      expected.push_back(it->second.first);
    std::sort(expected.rbegin(), expected.rend());  // newest (largest serial) first
    EXPECT_EQ(found, expected) << "key " << key;
  }
  if (db->blksz) checkFreeList(db);
  dbFre(db);
}

TEST(Db2, BlockAllocatorDirectly) {
  DB* db = dbNew(0, 0, 0, 4096);
  EXPECT_EQ(mcbAlc(db, 0), nullptr);
  // Three neighbours and a guard that keeps them apart from the rest of the chunk.
  char* a = static_cast<char*>(mcbAlc(db, 40));
  char* b = static_cast<char*>(mcbAlc(db, 40));
  char* c = static_cast<char*>(mcbAlc(db, 40));
  void* guard = mcbAlc(db, 40);
  MCB* ma = reinterpret_cast<MCB*>(a) - 1;
  const uint32_t one = ma->blk;
  ASSERT_EQ(b, a + one * 16);
  ASSERT_EQ(c, b + one * 16);
  EXPECT_EQ(ma->dbp, db);
  // Released first, third, second: one free block covering all three.
  mcbFre(db, a);
  mcbFre(db, c);
  mcbFre(db, b);
  std::vector<MCB*> f = freeBlocks(db);
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0], ma);
  EXPECT_EQ(f[0]->blk, 3 * one);
  checkFreeList(db);
  // A block one unit larger than needed is taken whole; two units larger is split.
  char* whole = static_cast<char*>(mcbAlc(db, (3 * one - 1) * 16 - sizeof(MCB)));
  EXPECT_EQ(whole, a);
  EXPECT_EQ(ma->blk, 3 * one);
  mcbFre(db, whole);
  char* split = static_cast<char*>(mcbAlc(db, (3 * one - 2) * 16 - sizeof(MCB)));
  EXPECT_EQ(split, a);
  EXPECT_EQ(ma->blk, 3 * one - 2);
  EXPECT_EQ(freeBlocks(db)[0]->blk, 2u);
  mcbFre(db, split);
  mcbFre(db, guard);
  mcbFre(db, nullptr);
  EXPECT_EQ(freeBlocks(db).size(), 1u);
  checkFreeList(db);
  dbFre(db);

  // Without a block allocator the blocks come from the system (the sanitizer
  // build sees them released).
  DB* plain = dbNew(0, 0, 0, 0);
  char* p = static_cast<char*>(mcbAlc(plain, 100));
  ASSERT_NE(p, nullptr);
  std::memset(p, 0x5a, 100);
  mcbFre(plain, p);
  dbFre(plain);
}

// h = h * 63 + byte over the key bytes taken as signed chars, masked.
uint32_t refHash(const void* key, uint32_t len, bool fold) {
  uint32_t h = 0;
  for (uint32_t i = 0; i < len; i++) {
    int32_t b = static_cast<const signed char*>(key)[i];
    if (fold) b |= 0x20;
    h = h * 63u + static_cast<uint32_t>(b);
  }
  return h;
}

TEST(Db2, HashPicksTheBucketOfTheKey) {
  DB* cs = dbNew(DBT_STR, 0, 256, 0);
  EXPECT_EQ(dbHash(cs, "ab", 2), (97u * 63 + 98) & 255);
  // Bytes above 0x7f count negative.
  const unsigned char sjis[2] = {0x83, 0x41};
  EXPECT_EQ(dbHash(cs, sjis, 2), (static_cast<uint32_t>(-125) * 63 + 0x41) & 255);
  EXPECT_EQ(dbHash(cs, "", 0), 0u);
  // A DBT_STR key is hashed with its NUL; the record heads that bucket's chain.
  void* r = dbAdd(cs, "ab");
  void* chainWord = static_cast<char*>(r) - sizeof(LNK) - sizeof(void*);
  EXPECT_EQ(cs->bucket[dbHash(cs, "ab", 3)], chainWord);

  DB* ci = dbNew(DBT_ISTR, 0, 4096, 0);
  EXPECT_EQ(dbHash(ci, "ABC.BMP", 8), dbHash(ci, "abc.bmp", 8));
  EXPECT_EQ(dbHash(ci, "ABC.BMP", 8), refHash("abc.bmp", 8, true) & 4095);
  EXPECT_EQ(dbHash(cs, "ABC.BMP", 8), refHash("ABC.BMP", 8, false) & 255);
  // Without a hash table the whole value is answered.
  DB* flat = dbNew(DBT_STR, 0, 0, 0);
  EXPECT_EQ(dbHash(flat, "abc.bmp", 8), refHash("abc.bmp", 8, false));
  dbFre(cs);
  dbFre(ci);
  dbFre(flat);
}

TEST_P(Db2Shape, BinaryKeysCompareByLengthAndBytes) {
  DB* db = make(DBT_BIN, 0);
  const char k[4] = {1, 0, 2, 0};
  void* whole = dbAdd(db, k, 4u);
  void* prefix = dbAdd(db, k, 3u);
  EXPECT_EQ(dbKeyLen(whole), 4u);
  EXPECT_EQ(dbKeyLen(prefix), 3u);
  EXPECT_EQ(dbFind(db, k, 4u), whole);
  EXPECT_EQ(dbFind(db, k, 3u), prefix);
  EXPECT_EQ(dbFindNxt(db, prefix), nullptr);
  const char other[4] = {1, 0, 2, 1};
  EXPECT_EQ(dbFind(db, other, 4u), nullptr);
  dbFre(db);
}

// Records of any lengths can be put in a handle with 4-byte keys: the search
// must follow the links, not guess from the record sizes, and skip keys of
// other lengths.
TEST_P(Db2Shape, PutRecordsOfMixedLengthsFoundByTheirLinks) {
  DB* db = make(4, 8);
  std::mt19937 rng(11);
  std::vector<void*> live;
  for (int step = 0; step < 3000; step++) {
    if (rng() % 4 == 0 && !live.empty()) {
      size_t i = rng() % live.size();
      dbDel(db, live[i]);
      live.erase(live.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    const uint32_t key[2] = {static_cast<uint32_t>(rng() % 40), 0};
    const uint32_t keylens[] = {4, 4, 4, 2, 8};
    uint32_t datlen = rng() % 3 == 0 ? rng() % 40 : 8;
    live.push_back(dbPut(db, key, keylens[rng() % 5], nullptr, datlen));
  }
  for (uint32_t key = 0; key < 40; key++) {
    std::vector<void*> expected, found;
    for (void* p = dbEnd(db); p; p = dbBak(p))
      if (dbKeyLen(p) == 4 && std::memcmp(dbKey(p), &key, 4) == 0) expected.push_back(p);
    for (void* p = dbFind(db, &key); p; p = dbFindNxt(db, p)) found.push_back(p);
    EXPECT_EQ(found, expected) << "key " << key;
  }
  dbFre(db);
}

INSTANTIATE_TEST_SUITE_P(Shapes, Db2Shape,
                         ::testing::Values(std::make_pair(0u, 0u), std::make_pair(0u, 256u),
                                           std::make_pair(64u, 0u), std::make_pair(64u, 4096u)));

TEST(Db2, RecordLayoutAndStoredLengths) {
  DB* db = dbNew(DBT_STR, DBT_BIN, 0, 4096);
  const char bin[5] = {1, 2, 3, 4, 5};
  char* p = static_cast<char*>(dbAdd(db, "abc", bin, 5));
  uint32_t datlen, keylen;
  std::memcpy(&datlen, p - 8, 4);
  std::memcpy(&keylen, p - 4, 4);
  EXPECT_EQ(datlen, 5u);
  EXPECT_EQ(keylen, 4u);  // three characters and the NUL
  EXPECT_EQ(std::memcmp(p, bin, 5), 0);
  EXPECT_EQ(p[5], 0);  // alignment bytes are cleared
  EXPECT_STREQ(p + 8, "abc");
  EXPECT_EQ(dbKey(p), p + 8);

  char* e = static_cast<char*>(dbAdd(db, nullptr, nullptr, 3));
  EXPECT_EQ(dbKeyLen(e), 1u);  // a null string stores the empty string
  EXPECT_EQ(dbDatLen(e), 3u);
  EXPECT_EQ(e[0] | e[1] | e[2], 0);  // a null data pointer stores zeros
  dbFre(db);
}

TEST(Db2, FixedSizeValueAndPointerArguments) {
  DB* fixed = dbNew(4, 12, 16, 0);
  uint32_t k = 0x11223344;
  char* p = static_cast<char*>(dbAdd(fixed, &k, nullptr));
  EXPECT_EQ(dbDatLen(p), 12u);
  for (int i = 0; i < 12; i++) EXPECT_EQ(p[i], 0);
  EXPECT_EQ(dbFind(fixed, &k), p);
  dbFre(fixed);

  DB* vals = dbNew(DBT_VAL, DBT_VAL, 0, 256);
  int32_t* v = static_cast<int32_t*>(dbAdd(vals, -7, 42));
  EXPECT_EQ(*v, 42);
  EXPECT_EQ(dbFind(vals, -7), v);
  EXPECT_EQ(dbFind(vals, 7), nullptr);
  dbFre(vals);

  DB* ptrs = dbNew(DBT_PTR, 0, 0, 0);
  int target = 0;
  void* r = dbAdd(ptrs, static_cast<void*>(&target));
  EXPECT_EQ(dbKeyLen(r), sizeof(void*));
  EXPECT_EQ(dbFind(ptrs, static_cast<void*>(&target)), r);
  dbFre(ptrs);
}

TEST(Db2, SymbolKeysTakeTheLeadingIdentifier) {
  DB* db = dbNew(DBT_SYM, DBT_SYM, 0, 0);
  char* p = static_cast<char*>(dbAdd(db, "name1=value", "_x9 rest"));
  EXPECT_STREQ(static_cast<char*>(dbKey(p)), "name1");
  EXPECT_STREQ(p, "_x9");
  EXPECT_EQ(dbFind(db, "name1+2"), p);
  // Digits cannot start an identifier.
  char* q = static_cast<char*>(dbAdd(db, "9abc", "x"));
  EXPECT_EQ(dbKeyLen(q), 1u);
  // Shift-JIS: a two-byte character is taken whole; a lead byte right before
  // the terminator ends the identifier there.
  char* j = static_cast<char*>(dbAdd(db, "\x83\x65\x83\x58 x", "ab\x83"));
  EXPECT_STREQ(static_cast<char*>(dbKey(j)), "\x83\x65\x83\x58");
  EXPECT_STREQ(j, "ab");
  // At most 1023 bytes are kept.
  std::string longname(3000, 'a');
  char* l = static_cast<char*>(dbAdd(db, longname.c_str(), "x"));
  EXPECT_EQ(dbKeyLen(l), 1024u);
  dbFre(db);
}

TEST(Db2, NthWalksFromTheNearerEnd) {
  DB* db = dbNew(0, 4, 0, 0);
  for (int i = 0; i < 7; i++) dbAdd(db, &i);
  for (uint32_t i = 0; i < 7; i++) EXPECT_EQ(*static_cast<int*>(dbNth(db, i)), static_cast<int>(i));
  EXPECT_EQ(dbNth(db, 6), dbEnd(db));
  EXPECT_EQ(dbNth(db, 7), nullptr);
  dbFre(db);
}

TEST(Db2, DeletingTheOnlyRecordEmptiesTheList) {
  DB* db = dbNew(DBT_STR, 4, 8, 256);
  void* p = dbAdd(db, "only", nullptr);
  dbDel(db, p);
  EXPECT_EQ(dbTop(db), nullptr);
  EXPECT_EQ(dbEnd(db), nullptr);
  EXPECT_EQ(dbCnt(db), 0);
  EXPECT_EQ(dbFind(db, "only"), nullptr);
  dbFre(db);
}

TEST(Db2, ReleasedNeighboursCoalesce) {
  DB* db = dbNew(0, 0, 0, 4096);
  void* a = dbMalc(db, 40);
  void* b = dbMalc(db, 40);
  void* c = dbMalc(db, 40);
  void* guard = dbMalc(db, 40);
  ASSERT_EQ(freeBlocks(db).size(), 1u);  // the rest of the chunk
  MCB* ma = static_cast<MCB*>(static_cast<void*>(static_cast<char*>(a) - sizeof(MLST))) - 1;
  uint32_t one = ma->blk;
  dbMfre(a);
  dbMfre(c);
  EXPECT_EQ(freeBlocks(db).size(), 3u);
  dbMfre(b);
  std::vector<MCB*> f = freeBlocks(db);
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0], ma);
  EXPECT_EQ(f[0]->blk, 3 * one);
  checkFreeList(db);
  // Allocations of the same size reuse the coalesced space first (first fit).
  void* again = dbMalc(db, 40);
  EXPECT_EQ(again, a);
  dbMfre(guard);
  dbMfre(again);
  ASSERT_EQ(freeBlocks(db).size(), 1u);
  EXPECT_DEATH(dbMfre(again), "std/db2");
  dbFre(db);
}

TEST(Db2, SmallSurplusStaysInsideTheTakenBlock) {
  DB* db = dbNew(0, 0, 0, 4096);
  // MLST + 64 bytes, and a guard so the freed block is not merged with the rest.
  void* a = dbMalc(db, 64);
  void* guard = dbMalc(db, 8);
  MCB* ma = static_cast<MCB*>(static_cast<void*>(static_cast<char*>(a) - sizeof(MLST))) - 1;
  uint32_t blk = ma->blk;
  dbMfre(a);
  // One unit less fits with a surplus of 1: the whole block is taken.
  void* b = dbMalc(db, 64 - 16);
  EXPECT_EQ(b, a);
  EXPECT_EQ(ma->blk, blk);
  dbMfre(b);
  // Two units less: the block is split and the surplus stays free.
  void* c = dbMalc(db, 64 - 32);
  EXPECT_EQ(c, a);
  EXPECT_EQ(ma->blk, blk - 2);
  std::vector<MCB*> f = freeBlocks(db);
  EXPECT_EQ(f[0]->blk, 2u);
  dbMfre(c);
  dbMfre(guard);
  checkFreeList(db);
  dbFre(db);
}

// Random sizes, random releases: every allocation takes exactly the block a
// plain walk of the address-ordered free list would take.
TEST(Db2, FirstFitMatchesAPlainWalk) {
  DB* db = dbNew(0, 0, 0, 1024);
  std::mt19937 rng(3);
  std::vector<void*> live;
  for (int step = 0; step < 20000; step++) {
    if (live.empty() || rng() % 5 < 3) {
      size_t size = rng() % 8 == 0 ? rng() % 3000 : rng() % 100;
      uint32_t need = static_cast<uint32_t>((size + sizeof(MLST) + sizeof(MCB) + 15) / 16);
      MCB* expect = nullptr;
      for (MCB* m = db->ftop.nxtp; m->nxtp; m = m->nxtp) {
        if (m->blk >= need) {
          expect = m;
          break;
        }
      }
      void* p = dbMalc(db, size);
      if (expect) {
        ASSERT_EQ(static_cast<void*>(expect + 1), static_cast<void*>(static_cast<MLST*>(p) - 1));
      }
      live.push_back(p);
    } else {
      size_t i = rng() % live.size();
      dbMfre(live[i]);
      live[i] = live.back();
      live.pop_back();
    }
    if (step % 1000 == 0) checkFreeList(db);
  }
  checkFreeList(db);
  dbFre(db);
}

TEST(Db2, BigRequestsGetTheirOwnChunk) {
  DB* db = dbNew(0, 0, 0, 256);
  void* big = dbMalc(db, 100000);
  std::memset(big, 0xab, 100000);
  void* small = dbMalc(db, 10);
  EXPECT_NE(small, nullptr);
  EXPECT_EQ(db->chunkCount, 2u);
  dbMfre(big);
  checkFreeList(db);
  dbFre(db);
}

TEST(Db2, ClearKeepsTheHandleUsable) {
  DB* db = dbNew(DBT_ISTR, 32, 256, 4096);
  for (int i = 0; i < 500; i++) dbAdd(db, std::to_string(i).c_str(), nullptr);
  void* m = dbMalc(db, 1000);
  EXPECT_NE(m, nullptr);
  dbClr(db);
  EXPECT_EQ(dbCnt(db), 0);
  EXPECT_EQ(dbTop(db), nullptr);
  EXPECT_EQ(dbFind(db, "7"), nullptr);
  void* r = dbAdd(db, "X", nullptr);
  EXPECT_EQ(dbFind(db, "x"), r);
  void* zero = dbMalc(db, 0);
  EXPECT_NE(zero, nullptr);
  dbMfre(zero);
  dbFre(db);
}

TEST(Db2, DupCopiesRecordsInOrder) {
  DB* db = dbNew(DBT_STR, DBT_STR, 16, 1024);
  dbAdd(db, "a", "1");
  dbAdd(db, "b", "2");
  dbAdd(db, "a", "3");
  DB* copy = dbDup(db);
  dbFre(db);
  ASSERT_EQ(dbCnt(copy), 3);
  EXPECT_EQ(copy->keytyp, DBT_STR);
  EXPECT_EQ(copy->blksz, 1024u);
  EXPECT_STREQ(static_cast<char*>(dbFind(copy, "a")), "3");
  EXPECT_STREQ(static_cast<char*>(dbNth(copy, 1)), "2");
  dbFre(copy);
}

TEST(Db2, ListAndStringsLiveInTheHandle) {
  DB* db = dbNew(0, 4, 0, 256);
  void** empty = dbList(db, nullptr);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty[0], nullptr);
  int v = 5;
  void* r1 = dbAdd(db, &v);
  void* r2 = dbAdd(db, &v);
  void* arr[3];
  EXPECT_EQ(dbList(db, arr), arr);
  EXPECT_EQ(arr[0], r1);
  EXPECT_EQ(arr[1], r2);
  EXPECT_EQ(arr[2], nullptr);
  char* s = dbStr(db, "文字列");
  EXPECT_STREQ(s, "文字列");
  EXPECT_EQ(dbStr(db, nullptr), nullptr);
  dbFre(db);  // frees the strings and lists too (checked by the sanitizer build)
}

TEST(Jstr, CaseFoldsOnlyAsciiLettersOutsideTwoByteCharacters) {
  EXPECT_EQ(jstrnicmp("abc.BMP", "ABC.bmp", 7), 0);
  EXPECT_LT(jstrnicmp("abc", "abd", 3), 0);
  EXPECT_EQ(jstrnicmp("abc", "abd", 2), 0);
  // The trail byte of a two-byte character is compared exactly.
  EXPECT_NE(jstrnicmp("\x83\x41", "\x83\x61", 2), 0);
  // A lead byte at the last position compared is not stepped over.
  EXPECT_EQ(jstrnicmp("\x83\x41", "\x83\x61", 1), 0);
  EXPECT_EQ(jstricmp(".Bmp", ".bMP"), 0);
  EXPECT_NE(jstricmp(".bm", ".bmp"), 0);
  EXPECT_NE(jstricmp(".bmp", ".bm"), 0);
  EXPECT_EQ(jstricmp("", ""), 0);
}

}  // namespace
