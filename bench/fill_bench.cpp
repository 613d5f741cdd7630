// Flood fill of one 4096 x 4096 region with its change log, and the undo
// replay of that log. Goal: at least 100 million pixels per second each.
#include <benchmark/benchmark.h>

#include <cstring>

#include "image/bm.h"
#include "tools/fill.h"
#include "tools/undo.h"

namespace {

constexpr int kSide = 4096;

BM* blank(int bpp) { return bmNew(nullptr, bpp, kSide, kSide, nullptr, 256); }

void setPixels(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * int64_t(kSide) * kSide);
}

// Alternating pens so that every fill repaints the whole image.
void BM_FloodFill(benchmark::State& state) {
  BM* bm = blank(int(state.range(0)));
  int pen = 1;
  for (auto _ : state) {
    undoBegin(bm);
    bm->pen = pen;
    floodFill(bm, kSide / 2, kSide / 2, nullptr);
    pen = 3 - pen;
  }
  benchmark::DoNotOptimize(bm->buf[0]);
  setPixels(state);
  bmFre(bm);
}

void BM_UndoApplyOfFill(benchmark::State& state) {
  BM* bm = blank(int(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    undoBegin(bm);
    bm->pen = 1;
    floodFill(bm, 0, 0, nullptr);
    state.ResumeTiming();
    undoApply(bm);
  }
  benchmark::DoNotOptimize(bm->buf[0]);
  setPixels(state);
  bmFre(bm);
}

}  // namespace

BENCHMARK(BM_FloodFill)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoApplyOfFill)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
