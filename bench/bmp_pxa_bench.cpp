// In-process throughput of the BMP and native file readers and writers at
// 2048 x 2048 and 4096 x 4096, indexed and direct colour. BMP runs on memory
// images (bmpEncode / bmpDecode); the native writer goes through a file on
// /dev/shm (tmpfs) and its reader through pxaOpenMem. Counters: pixels per
// second and the file size.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/lzss.h"
#include "formats/pxa.h"
#include "std/bmp4.h"

namespace {

// A picture with the structure of pixel art: flat areas, edges and a little
// noise, rather than pure noise (which no compressor would touch).
std::vector<uint8_t> picture(int n, int bpp) {
  std::vector<uint8_t> px(static_cast<size_t>(n) * n * bpp);
  uint32_t seed = 1;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      seed = seed * 1103515245u + 12345u;
      int v = ((x / 16 + y / 16) % 7) * 30 + ((seed >> 16) % 64 == 0 ? 3 : 0);
      for (int c = 0; c < bpp; ++c)
        px[(static_cast<size_t>(y) * n + x) * bpp + c] =
            static_cast<uint8_t>(c == 3 ? 255 : v + 40 * c);
    }
  return px;
}

std::vector<uint32_t> grey() {
  std::vector<uint32_t> cmap(256);
  for (int i = 0; i < 256; ++i) cmap[i] = 0xff000000u | i * 0x010101u;
  return cmap;
}

std::vector<uint8_t> readAll(const std::string& path) {
  std::vector<uint8_t> data;
  if (FILE* fp = std::fopen(path.c_str(), "rb")) {
    std::fseek(fp, 0, SEEK_END);
    data.resize(static_cast<size_t>(std::ftell(fp)));
    std::rewind(fp);
    if (std::fread(data.data(), 1, data.size(), fp) != data.size()) data.clear();
    std::fclose(fp);
  }
  return data;
}

void setCounters(benchmark::State& st, int n, size_t bytes) {
  st.counters["pixels/s"] =
      benchmark::Counter(static_cast<double>(n) * n * st.iterations(), benchmark::Counter::kIsRate);
  st.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_BmpWrite(benchmark::State& st) {
  int n = static_cast<int>(st.range(0)), depth = static_cast<int>(st.range(1));
  auto px = picture(n, depth ? 1 : 4);
  auto cmap = grey();
  size_t bytes = 0;
  for (auto _ : st) bytes = bmpEncode(px.data(), n, n, depth, cmap.data(), 256).size();
  setCounters(st, n, bytes);
}

void BM_BmpRead(benchmark::State& st) {
  int n = static_cast<int>(st.range(0)), depth = static_cast<int>(st.range(1));
  auto px = picture(n, depth ? 1 : 4);
  auto cmap = grey();
  auto file = bmpEncode(px.data(), n, n, depth, cmap.data(), 256);
  for (auto _ : st) imgfFre(bmpDecode(file.data(), file.size()));
  setCounters(st, n, file.size());
}

const std::string kShm = "/dev/shm/tdebench.pxa";

void BM_PxaWrite(benchmark::State& st) {
  int n = static_cast<int>(st.range(0)), depth = static_cast<int>(st.range(1));
  auto px = picture(n, depth ? 1 : 4);
  auto cmap = grey();
  for (auto _ : st) pxaSave(kShm.c_str(), px.data(), n, n, cmap.data(), 256, depth);
  setCounters(st, n, readAll(kShm).size());
  std::remove(kShm.c_str());
}

void BM_PxaRead(benchmark::State& st) {
  int n = static_cast<int>(st.range(0)), depth = static_cast<int>(st.range(1));
  auto px = picture(n, depth ? 1 : 4);
  auto cmap = grey();
  pxaSave(kShm.c_str(), px.data(), n, n, cmap.data(), 256, depth);
  auto file = readAll(kShm);
  std::remove(kShm.c_str());
  for (auto _ : st) imgfFre(pxaOpenMem(file.data(), file.size()));
  setCounters(st, n, file.size());
}

// Times lzEncode on px. With TDE_BENCH_DUMP=DIR the stream is also written
// to DIR/lz_<name>.raw, so that bench/formats_compare.sh can time gzip -1 on
// the very same bytes.
void timeLzEncode(benchmark::State& st, const std::vector<uint8_t>& px, const std::string& name) {
  std::vector<uint8_t> out(static_cast<size_t>(lzBound(static_cast<int64_t>(px.size()))));
  int packed = 0;
  for (auto _ : st) packed = lzEncode(out.data(), px.data(), static_cast<int>(px.size()));
  st.counters["MB/s"] = benchmark::Counter(static_cast<double>(px.size()) * st.iterations() / 1e6,
                                           benchmark::Counter::kIsRate);
  st.counters["ratio"] = static_cast<double>(packed) / static_cast<double>(px.size());
  if (const char* dir = std::getenv("TDE_BENCH_DUMP")) {
    std::string f = std::string(dir) + "/lz_" + name + ".raw";
    if (FILE* fp = std::fopen(f.c_str(), "wb")) {
      std::fwrite(px.data(), 1, px.size(), fp);
      std::fclose(fp);
    }
  }
}

// LZSS alone on the uncompressed pixel stream of the native file
// (lz_<size>_<depth>.raw).
void BM_LzEncode(benchmark::State& st) {
  int n = static_cast<int>(st.range(0)), depth = static_cast<int>(st.range(1));
  timeLzEncode(st, picture(n, depth ? 1 : 4), std::to_string(n) + "_" + std::to_string(depth));
}

// A noisy photograph: soft light, a few round shapes and sensor noise on
// every sample, as RGBA.
std::vector<uint8_t> photo(int n) {
  std::vector<uint8_t> px(static_cast<size_t>(n) * n * 4);
  uint32_t seed = 7;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      double u = double(x) / n, v = double(y) / n;
      double light = 0.5 + 0.25 * std::sin(6.0 * u + 2.0 * v) + 0.2 * std::cos(9.0 * v - 4.0 * u);
      double ring = std::sin(40.0 * std::hypot(u - 0.4, v - 0.6));
      uint8_t* d = &px[(static_cast<size_t>(y) * n + x) * 4];
      for (int c = 0; c < 3; ++c) {
        seed = seed * 1103515245u + 12345u;
        int noise = int((seed >> 16) % 25) - 12;
        double base = 255.0 * light * (0.8 + 0.1 * c) + 20.0 * ring * (c - 1);
        d[c] = static_cast<uint8_t>(std::clamp(int(base) + noise, 0, 255));
      }
      d[3] = 255;
    }
  return px;
}

// The photograph reduced to 16 grey levels with ordered dithering, packed
// four bits to a pixel as the native file stores a 16-colour picture.
std::vector<uint8_t> sixteenColours(int n) {
  static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  std::vector<uint8_t> rgba = photo(n), idx(static_cast<size_t>(n) * n);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const uint8_t* s = &rgba[(static_cast<size_t>(y) * n + x) * 4];
      int grey = (s[0] * 3 + s[1] * 6 + s[2]) / 10;
      idx[static_cast<size_t>(y) * n + x] =
          static_cast<uint8_t>(std::min(15, (grey * 15 + bayer[y & 3][x & 3] * 16) / 255));
    }
  std::vector<uint8_t> packed(static_cast<size_t>(bitBytes(int64_t(n) * n, 4)));
  bitPack(packed.data(), idx.data(), n * n, 4);
  return packed;
}

// lzEncode on the stream the native file compresses for a noisy photograph
// (kind 0, RGBA) and a 16-colour picture (kind 1, packed indices). With
// TDE_BENCH_DUMP=DIR the stream is written to DIR/lz_<photo|16c>_<size>.raw
// for bench/formats_compare.sh to time gzip -1 on the same bytes.
void BM_LzEncodeKind(benchmark::State& st) {
  int n = static_cast<int>(st.range(0)), kind = static_cast<int>(st.range(1));
  timeLzEncode(st, kind == 0 ? photo(n) : sixteenColours(n),
               (kind == 0 ? "photo_" : "16c_") + std::to_string(n));
}

// Arguments: size, index depth (8) or direct colour (0).
void sizes(benchmark::internal::Benchmark* b) {
  for (int n : {2048, 4096})
    for (int depth : {8, 0}) b->Args({n, depth});
  b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_BmpWrite)->Apply(sizes);
BENCHMARK(BM_BmpRead)->Apply(sizes);
BENCHMARK(BM_PxaWrite)->Apply(sizes);
BENCHMARK(BM_PxaRead)->Apply(sizes);
BENCHMARK(BM_LzEncode)->Apply(sizes);
BENCHMARK(BM_LzEncodeKind)
    ->Args({2048, 0})
    ->Args({2048, 1})
    ->Args({4096, 0})
    ->Args({4096, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
