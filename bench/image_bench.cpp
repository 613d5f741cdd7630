// Pixel-model costs: pasting and adapting a large direct-colour picture into
// an indexed image (one nearest-colour search per distinct colour), the
// indexed blend, and replaying an undo step.
#include <benchmark/benchmark.h>

#include <vector>

#include "image/bm.h"
#include "image/palette.h"
#include "tools/linewalk.h"
#include "tools/undo.h"

namespace {

constexpr int kSide = 1024;

// A direct picture using about `distinct` colours in horizontal runs.
BM* picture(int distinct) {
  BM* bm = bmNew(nullptr, 4, kSide, kSide, nullptr, 256);
  for (int y = 0; y < kSide; y++)
    for (int x = 0; x < kSide; x++) {
      uint32_t k = static_cast<uint32_t>((y * kSide + x) / 8) % static_cast<uint32_t>(distinct);
      uint32_t c = k * 2654435761u;
      bmpset(bm, x, y, rgbaMake(c & 255, (c >> 8) & 255, (c >> 16) & 255, 255), 0);
    }
  return bm;
}

BM* systemIndexed() {
  BM* bm = bmNew(nullptr, 1, kSide, kSide, nullptr, 256);
  palSystem(bm->cmap);
  return bm;
}

void BM_PasteDirectIntoIndexed(benchmark::State& state) {
  BM* src = picture(static_cast<int>(state.range(0)));
  BM* target = systemIndexed();
  for (auto _ : state) {
    undoBegin(target);
    bmPaste(target, src, 0, 0, 0);
    benchmark::DoNotOptimize(target->buf);
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
  bmFre(target);
  bmFre(src);
}
BENCHMARK(BM_PasteDirectIntoIndexed)
    ->Arg(256)
    ->Arg(4096)
    ->Arg(65536)
    ->Unit(benchmark::kMillisecond);

void BM_AdaptDirectToIndexed(benchmark::State& state) {
  BM* src = picture(static_cast<int>(state.range(0)));
  BM* target = systemIndexed();
  for (auto _ : state) {
    BM* q = bmAdapt(target, src);
    benchmark::DoNotOptimize(q->buf);
    bmFre(q);
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
  bmFre(target);
  bmFre(src);
}
BENCHMARK(BM_AdaptDirectToIndexed)->Arg(256)->Arg(4096)->Arg(65536)->Unit(benchmark::kMillisecond);

void BM_AdaptIndexedRemap(benchmark::State& state) {
  BM* src = bmNew(nullptr, 1, kSide, kSide, nullptr, 256);
  for (int i = 0; i < kSide * kSide; i++) src->buf[i] = static_cast<uint8_t>(i * 31 >> 4);
  BM* target = systemIndexed();
  for (auto _ : state) {
    BM* q = bmAdapt(target, src);
    benchmark::DoNotOptimize(q->buf);
    bmFre(q);
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
  bmFre(target);
  bmFre(src);
}
BENCHMARK(BM_AdaptIndexedRemap)->Unit(benchmark::kMillisecond);

// Alpha-blended pen on an indexed image: one 256-entry search per pixel.
void BM_IndexedBlendWrite(benchmark::State& state) {
  BM* bm = systemIndexed();
  uint32_t colour = rgbaMake(200, 30, 90, 128);
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(bmpset(bm, i & 1023, (i >> 10) & 1023, colour, 0));
    i += 7;
  }
  state.SetItemsProcessed(state.iterations());
  bmFre(bm);
}
BENCHMARK(BM_IndexedBlendWrite);

// One undo step of `state.range(0)` full-width lines on a 1024 x 1024
// indexed image, replayed newest first.
void BM_UndoApplyLines(benchmark::State& state) {
  BM* bm = systemIndexed();
  int lines = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    undoBegin(bm);
    for (int i = 0; i < lines; i++)
      lineDraw(bm, 0, i % kSide, kSide - 1, (i * 37) % kSide, 1, 5, 1);
    state.ResumeTiming();
    undoApply(bm);
  }
  state.SetItemsProcessed(state.iterations() * lines);
  bmFre(bm);
}
BENCHMARK(BM_UndoApplyLines)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Undo of a full-image paste (one rectangle record of 4 MB).
void BM_UndoApplyPaste(benchmark::State& state) {
  BM* bm = bmNew(nullptr, 4, kSide, kSide, nullptr, 256);
  BM* src = picture(256);
  for (auto _ : state) {
    state.PauseTiming();
    undoBegin(bm);
    bmPaste(bm, src, 0, 0, 0);
    state.ResumeTiming();
    undoApply(bm);
  }
  bmFre(src);
  bmFre(bm);
}
BENCHMARK(BM_UndoApplyPaste)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
