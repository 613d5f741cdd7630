// Quantiser speed on photo-like pictures: colour map only, colour map plus
// nearest-entry mapping, and colour map plus error diffusion, to 256 colours.
//
//   quant_bench [benchmark flags] IMAGE.ppm...
//
// Each binary PPM (P6, maxval 255) given becomes a set of benchmarks named
// after its size; scripts/bench_quant.sh makes the pictures and times
// ImageMagick on the same files.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "std/rgba2cmap2.h"

namespace {

struct Picture {
  int w = 0, h = 0;
  std::vector<uint8_t> rgba;
};

// Skips blanks and comments between header fields.
size_t skipBlank(const std::vector<uint8_t>& f, size_t i) {
  while (i < f.size()) {
    if (f[i] == '#') {
      while (i < f.size() && f[i] != '\n') i++;
    } else if (f[i] == ' ' || f[i] == '\t' || f[i] == '\r' || f[i] == '\n') {
      i++;
    } else {
      break;
    }
  }
  return i;
}

bool readNumber(const std::vector<uint8_t>& f, size_t& i, long& v) {
  i = skipBlank(f, i);
  v = 0;
  size_t start = i;
  while (i < f.size() && f[i] >= '0' && f[i] <= '9' && v < 1000000) v = v * 10 + (f[i++] - '0');
  return i > start;
}

// Binary PPM with maxval 255 only: enough for the pictures the script makes.
bool loadPpm(const std::string& path, Picture& pic) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> f((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (f.size() < 2 || f[0] != 'P' || f[1] != '6') return false;
  size_t i = 2;
  long w, h, maxval;
  if (!readNumber(f, i, w) || !readNumber(f, i, h) || !readNumber(f, i, maxval)) return false;
  if (w <= 0 || h <= 0 || w > 16384 || h > 16384 || maxval != 255) return false;
  i++;  // the single blank after maxval
  const size_t count = size_t(w) * size_t(h);
  if (i > f.size() || f.size() - i < count * 3) return false;
  pic.w = int(w);
  pic.h = int(h);
  pic.rgba.resize(count * 4);
  for (size_t p = 0; p < count; p++) {
    for (int ch = 0; ch < 3; ch++) pic.rgba[4 * p + ch] = f[i + 3 * p + ch];
    pic.rgba[4 * p + 3] = 255;
  }
  return true;
}

std::vector<Picture>& pictures() {
  static std::vector<Picture> all;
  return all;
}

void cmapOnly(benchmark::State& state, const Picture* pic) {
  uint8_t cmap[1024];
  int n = 0;
  for (auto _ : state) {
    n = rgba2cmap(cmap, pic->rgba.data(), pic->rgba.size() / 4, 256, 0);
    benchmark::DoNotOptimize(cmap);
  }
  state.counters["colours"] = n;
}

void toIndexed(benchmark::State& state, const Picture* pic, int diffuse) {
  uint8_t cmap[1024];
  std::vector<uint8_t> idx(pic->rgba.size() / 4);
  int n = 0;
  for (auto _ : state) {
    n = rgba2cmapIdx(idx.data(), cmap, pic->rgba.data(), pic->w, pic->h, 256, 0, diffuse);
    benchmark::DoNotOptimize(idx.data());
  }
  state.counters["colours"] = n;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  for (int a = 1; a < argc; a++) {
    Picture pic;
    if (!loadPpm(argv[a], pic)) {
      std::fprintf(stderr, "quant_bench: cannot read %s (binary PPM, maxval 255)\n", argv[a]);
      return 1;
    }
    pictures().push_back(std::move(pic));
  }
  if (pictures().empty()) {
    std::fprintf(stderr, "usage: quant_bench [benchmark flags] IMAGE.ppm...\n");
    return 1;
  }
  for (const Picture& pic : pictures()) {
    const std::string size = std::to_string(pic.w) + "x" + std::to_string(pic.h);
    const int reps = pic.w * pic.h > 4 << 20 ? 3 : 20;
    benchmark::RegisterBenchmark(("cmap/" + size).c_str(), cmapOnly, &pic)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(reps);
    benchmark::RegisterBenchmark(("index/" + size).c_str(), toIndexed, &pic, 0)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(reps);
    benchmark::RegisterBenchmark(("index_diffused/" + size).c_str(), toIndexed, &pic, 1)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(reps);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
