// List database against the standard containers doing the same work:
// a FIFO of small records, a hashed table, and backward searches in a plain list.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <list>
#include <unordered_map>
#include <vector>

#include "std/bigmem.h"
#include "std/db2.h"

namespace {

constexpr int kRecords = 1000000;

// Adds 10^6 16-byte records, then takes them from the front.
int64_t fillAndDrain(DB* q) {
  int32_t rec[4] = {0, 0, 0, 0};
  for (int i = 0; i < kRecords; i++) {
    rec[0] = i;
    dbAdd(q, rec);
  }
  int64_t sum = 0;
  while (void* p = dbTop(q)) {
    sum += *static_cast<int32_t*>(p);
    dbDel(q, p);
  }
  return sum;
}

// The containers live across iterations, as the program's queues and tables
// do: a handle keeps its chunks until it is cleared or freed.
void BM_DbQueue(benchmark::State& state) {
  DB* q = dbNew(0, 16, 0, 4096);
  for (auto _ : state) benchmark::DoNotOptimize(fillAndDrain(q));
  dbFre(q);
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_DbQueue)->Unit(benchmark::kMillisecond);

// A new handle every time: its chunks go back to the C library at dbFre, which
// returns them to the system, so every round faults its pages in again.
void BM_DbQueueNewHandle(benchmark::State& state) {
  for (auto _ : state) {
    DB* q = dbNew(0, 16, 0, 4096);
    benchmark::DoNotOptimize(fillAndDrain(q));
    dbFre(q);
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_DbQueueNewHandle)->Unit(benchmark::kMillisecond);

void BM_StdListQueue(benchmark::State& state) {
  struct Rec {
    int32_t v[4];
  };
  std::list<Rec> q;
  for (auto _ : state) {
    for (int i = 0; i < kRecords; i++) q.push_back(Rec{{i, 0, 0, 0}});
    int64_t sum = 0;
    while (!q.empty()) {
      sum += q.front().v[0];
      q.pop_front();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_StdListQueue)->Unit(benchmark::kMillisecond);

std::vector<int32_t> shuffledKeys() {
  std::vector<int32_t> keys(kRecords);
  uint32_t x = 12345;
  for (int i = 0; i < kRecords; i++) {
    x = x * 1103515245u + 12345u;
    keys[i] = static_cast<int32_t>(x);
  }
  return keys;
}

// Add every key, find every key, delete every record found.
void BM_DbHashed(benchmark::State& state) {
  std::vector<int32_t> keys = shuffledKeys();
  std::vector<void*> found(kRecords);
  DB* db = dbNew(DBT_VAL, 4, 1u << 20, 65536);
  for (auto _ : state) {
    for (int i = 0; i < kRecords; i++) dbAdd(db, keys[i], &i);
    for (int i = 0; i < kRecords; i++) found[i] = dbFind(db, keys[i]);
    for (int i = 0; i < kRecords; i++) dbDel(db, found[i]);
    benchmark::DoNotOptimize(dbCnt(db));
  }
  dbFre(db);
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_DbHashed)->Unit(benchmark::kMillisecond);

void BM_StdUnorderedMap(benchmark::State& state) {
  std::vector<int32_t> keys = shuffledKeys();
  std::unordered_multimap<int32_t, int32_t> m;
  m.reserve(1u << 20);
  std::vector<std::unordered_multimap<int32_t, int32_t>::iterator> found(kRecords);
  for (auto _ : state) {
    for (int i = 0; i < kRecords; i++) m.emplace(keys[i], i);
    for (int i = 0; i < kRecords; i++) found[i] = m.find(keys[i]);
    for (int i = 0; i < kRecords; i++) m.erase(found[i]);
    benchmark::DoNotOptimize(m.size());
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_StdUnorderedMap)->Unit(benchmark::kMillisecond);

// Unhashed: keys are found by walking back from the newest record.
constexpr int kSearches = 200;

void BM_DbUnhashedFind(benchmark::State& state) {
  DB* db = dbNew(DBT_VAL, 4, 0, 65536);
  for (int i = 0; i < kRecords; i++) dbAdd(db, i, &i);
  for (auto _ : state) {
    int64_t sum = 0;
    for (int s = 0; s < kSearches; s++) {
      int key = static_cast<int>(static_cast<int64_t>(s) * kRecords / kSearches);
      sum += *static_cast<int*>(dbFind(db, key));
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kSearches);
  dbFre(db);
}
BENCHMARK(BM_DbUnhashedFind)->Unit(benchmark::kMillisecond);

void BM_StdListFind(benchmark::State& state) {
  std::list<std::pair<int32_t, int32_t>> l;
  for (int i = 0; i < kRecords; i++) l.emplace_back(i, i);
  for (auto _ : state) {
    int64_t sum = 0;
    for (int s = 0; s < kSearches; s++) {
      int key = static_cast<int>(static_cast<int64_t>(s) * kRecords / kSearches);
      auto it = std::find_if(l.rbegin(), l.rend(), [key](const auto& p) { return p.first == key; });
      sum += it->second;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kSearches);
}
BENCHMARK(BM_StdListFind)->Unit(benchmark::kMillisecond);

// The floor under both searches: the same walks over a plain array with one
// 4-byte key every `stride` bytes (64 is a record here, 32 a list node), read
// in address order with nothing to follow.
void BM_ArrayScanFloor(benchmark::State& state) {
  const size_t stride = static_cast<size_t>(state.range(0));
  auto* mem = static_cast<char*>(bigMalloc(stride * kRecords));
  for (int i = 0; i < kRecords; i++) std::memcpy(mem + stride * i, &i, 4);
  for (auto _ : state) {
    int64_t sum = 0;
    for (int s = 0; s < kSearches; s++) {
      int key = static_cast<int>(static_cast<int64_t>(s) * kRecords / kSearches);
      for (int i = kRecords - 1; i >= 0; i--) {
        int32_t k;
        std::memcpy(&k, mem + stride * i, 4);
        if (k == key) {
          sum += k;
          break;
        }
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kSearches);
  std::free(mem);
}
BENCHMARK(BM_ArrayScanFloor)->Arg(64)->Arg(32)->Unit(benchmark::kMillisecond);

// Deleting in random order exercises the address-ordered free list.
void BM_DbRandomDelete(benchmark::State& state) {
  std::vector<int32_t> keys = shuffledKeys();
  std::vector<void*> recs(kRecords);
  DB* db = dbNew(0, 16, 0, 4096);
  for (auto _ : state) {
    for (int i = 0; i < kRecords; i++) recs[i] = dbAdd(db, nullptr);
    for (int i = 0; i < kRecords; i++)
      std::swap(recs[i], recs[static_cast<uint32_t>(keys[i]) % kRecords]);
    for (int i = 0; i < kRecords; i++) dbDel(db, recs[i]);
  }
  dbFre(db);
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_DbRandomDelete)->Unit(benchmark::kMillisecond);

void BM_StdListRandomDelete(benchmark::State& state) {
  std::vector<int32_t> keys = shuffledKeys();
  struct Rec {
    int32_t v[4];
  };
  std::list<Rec> l;
  std::vector<std::list<Rec>::iterator> recs(kRecords);
  for (auto _ : state) {
    for (int i = 0; i < kRecords; i++) recs[i] = l.insert(l.end(), Rec{});
    for (int i = 0; i < kRecords; i++)
      std::swap(recs[i], recs[static_cast<uint32_t>(keys[i]) % kRecords]);
    for (int i = 0; i < kRecords; i++) l.erase(recs[i]);
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_StdListRandomDelete)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
