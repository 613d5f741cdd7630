// Clip-and-scale of the magnified image for a 1024 x 768 client: plan, block
// copy, device-order conversion and nearest-neighbour scaling, against a
// plain loop that divides for every output pixel. Counters report output
// pixels per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "std/blitscale.h"

namespace {

constexpr int kW = 1024, kH = 768;

struct Scene {
  int w, h;
  double scale;
  std::vector<uint8_t> px;
  VIEWXF t;
};

Scene makeScene(int w, int h, double scale) {
  Scene s{w, h, scale, std::vector<uint8_t>(size_t(w) * h * 4), {}};
  for (size_t i = 0; i < s.px.size(); i++) s.px[i] = uint8_t(i * 7);
  // Image centred in the client.
  s.t = VIEWXF{scale, kW / 2.0 - scale * w / 2, scale, kH / 2.0 - scale * h / 2};
  return s;
}

const Scene& scene(int64_t which) {
  static const Scene scenes[] = {makeScene(256, 256, 0.25), makeScene(256, 256, 1),
                                 makeScene(256, 256, 3.7), makeScene(256, 256, 8),
                                 makeScene(4096, 4096, 8)};
  return scenes[which];
}

const char* const kNames[] = {"256x256@0.25", "256x256@1", "256x256@3.7", "256x256@8",
                              "4096x4096@8"};

void BM_ClipScale(benchmark::State& state) {
  const Scene& s = scene(state.range(0));
  std::vector<uint8_t> scratch, out(size_t(kW) * kH * 4);
  int64_t pixels = 0;
  for (auto _ : state) {
    BLITPLAN p;
    if (!blitPlan(s.t, kW, kH, s.w, s.h, 0, 0, &p)) continue;
    size_t srcStride;
    const uint8_t* src = blitSource(s.px.data(), s.w, s.h, 4, p, &scratch, &srcStride);
    blitScale(src, srcStride, 4, p, out.data(), size_t(p.vw) * 4, true);
    benchmark::DoNotOptimize(out.data());
    pixels += int64_t(p.vw) * p.vh;
  }
  state.SetLabel(kNames[state.range(0)]);
  state.counters["Mpix/s"] = benchmark::Counter(double(pixels) / 1e6, benchmark::Counter::kIsRate);
}

// Same output, computed the obvious way: two divisions per output pixel,
// reading the image directly.
void BM_DivisionLoop(benchmark::State& state) {
  const Scene& s = scene(state.range(0));
  std::vector<uint8_t> out(size_t(kW) * kH * 4);
  int64_t pixels = 0;
  for (auto _ : state) {
    BLITPLAN p;
    if (!blitPlan(s.t, kW, kH, s.w, s.h, 0, 0, &p)) continue;
    for (int j = 0; j < p.vh; j++) {
      int row = p.r0 + int(int64_t(j + p.vy) * p.m / p.DH);
      for (int i = 0; i < p.vw; i++) {
        int col = p.c0 + int(int64_t(i + p.vx) * p.n / p.DW);
        const uint8_t* src = &s.px[(size_t(row) * s.w + col) * 4];
        uint8_t* dst = &out[(size_t(j) * p.vw + i) * 4];
        dst[0] = src[2], dst[1] = src[1], dst[2] = src[0], dst[3] = 0;
      }
    }
    benchmark::DoNotOptimize(out.data());
    pixels += int64_t(p.vw) * p.vh;
  }
  state.SetLabel(kNames[state.range(0)]);
  state.counters["Mpix/s"] = benchmark::Counter(double(pixels) / 1e6, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_ClipScale)->DenseRange(0, 4);
BENCHMARK(BM_DivisionLoop)->DenseRange(0, 4);

}  // namespace

BENCHMARK_MAIN();
