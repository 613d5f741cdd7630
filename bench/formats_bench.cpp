// In-process throughput of the BMP and native file readers and writers at
// 2048 x 2048 and 4096 x 4096, indexed and direct colour. BMP runs on memory
// images (bmpEncode / bmpDecode); the native writer goes through a file on
// /dev/shm (tmpfs) and its reader through pxaOpenMem. Counters: pixels per
// second and the file size.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

// LZSS alone on the uncompressed pixel stream of the native file. With
// TDE_BENCH_DUMP=DIR the stream is also written to DIR/lz_<size>_<depth>.raw,
// so that bench/formats_compare.sh can time gzip -1 on the very same bytes.
void BM_LzEncode(benchmark::State& st) {
  int n = static_cast<int>(st.range(0)), depth = static_cast<int>(st.range(1));
  auto px = picture(n, depth ? 1 : 4);
  std::vector<uint8_t> out(static_cast<size_t>(lzBound(static_cast<int64_t>(px.size()))));
  int packed = 0;
  for (auto _ : st) packed = lzEncode(out.data(), px.data(), static_cast<int>(px.size()));
  st.counters["MB/s"] = benchmark::Counter(static_cast<double>(px.size()) * st.iterations() / 1e6,
                                           benchmark::Counter::kIsRate);
  st.counters["ratio"] = static_cast<double>(packed) / static_cast<double>(px.size());
  if (const char* dir = std::getenv("TDE_BENCH_DUMP")) {
    std::string f =
        std::string(dir) + "/lz_" + std::to_string(n) + "_" + std::to_string(depth) + ".raw";
    if (FILE* fp = std::fopen(f.c_str(), "wb")) {
      std::fwrite(px.data(), 1, px.size(), fp);
      std::fclose(fp);
    }
  }
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

}  // namespace

BENCHMARK_MAIN();
