// In-process throughput of the TIFF, PPM and JPEG readers and writers on
// 2048 x 2048 and 4096 x 4096 pictures (bytes = RGBA or index bytes of the
// picture, so the figures compare across formats). Writers go to memory.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "formats/jpeg.h"
#include "formats/tif.h"
#include "std/fout.h"
#include "std/ppm2.h"

namespace {

// A photo-like picture: smooth gradients plus a little noise.
std::vector<uint8_t> picture(int n, int bpp) {
  std::vector<uint8_t> px(size_t(n) * n * bpp);
  uint32_t seed = 1;
  for (int y = 0; y < n; y++)
    for (int x = 0; x < n; x++) {
      seed = seed * 1103515245u + 12345u;
      uint8_t* p = &px[(size_t(y) * n + x) * bpp];
      int noise = int(seed >> 28);
      p[0] = uint8_t((x * 255 / n + noise) & 255);
      if (bpp == 4) {
        p[1] = uint8_t((y * 255 / n + noise) & 255);
        p[2] = uint8_t(((x + y) * 127 / n) & 255);
        p[3] = 255;
      }
    }
  return px;
}

template <class Write>
std::vector<uint8_t> encoded(Write write) {
  FOUT* fo = foutMem();
  write(fo);
  size_t n = 0;
  const uint8_t* p = foutData(fo, &n);
  std::vector<uint8_t> out(p, p + n);
  foutClose(fo);
  return out;
}

template <class Write>
void writeBench(benchmark::State& st, int bpp, Write write) {
  int n = int(st.range(0));
  std::vector<uint8_t> px = picture(n, bpp);
  size_t fileBytes = 0;
  for (auto _ : st) {
    FOUT* fo = foutMem();
    if (!write(fo, px.data(), n)) st.SkipWithError("write failed");
    foutData(fo, &fileBytes);
    foutClose(fo);
  }
  st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(px.size()));
  st.counters["file_MB"] = double(fileBytes) / 1e6;
}

template <class Write, class Decode>
void readBench(benchmark::State& st, int bpp, Write write, Decode decode) {
  int n = int(st.range(0));
  std::vector<uint8_t> px = picture(n, bpp);
  std::vector<uint8_t> file = encoded([&](FOUT* fo) { return write(fo, px.data(), n); });
  for (auto _ : st) {
    IMGF* img = decode(file.data(), file.size());
    if (!img) st.SkipWithError("decode failed");
    benchmark::DoNotOptimize(img);
    imgfFre(img);
  }
  st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(px.size()));
  st.counters["file_MB"] = double(file.size()) / 1e6;
}

auto tiffRgba = [](FOUT* fo, const uint8_t* px, int n) {
  return tifdbWrite(fo, px, n, n, nullptr, 0, 0);
};
auto tiffIdx8 = [](FOUT* fo, const uint8_t* px, int n) {
  uint32_t cmap[256] = {};
  return tifdbWrite(fo, px, n, n, cmap, 256, 8);
};
auto tiffIdx4 = [](FOUT* fo, const uint8_t* px, int n) {
  uint32_t cmap[256] = {};
  return tifdbWrite(fo, px, n, n, cmap, 16, 4);
};
auto ppmP3 = [](FOUT* fo, const uint8_t* px, int n) { return ppmWrite(fo, px, n, n, 3); };
auto ppmP6 = [](FOUT* fo, const uint8_t* px, int n) { return ppmWrite(fo, px, n, n, 6); };
auto jpeg = [](FOUT* fo, const uint8_t* px, int n) { return jpgWrite(fo, px, n, n); };

void BM_TiffWriteRgba(benchmark::State& st) { writeBench(st, 4, tiffRgba); }
void BM_TiffReadRgba(benchmark::State& st) { readBench(st, 4, tiffRgba, tifDecode); }
void BM_TiffWriteIndex8(benchmark::State& st) { writeBench(st, 1, tiffIdx8); }
void BM_TiffReadIndex8(benchmark::State& st) { readBench(st, 1, tiffIdx8, tifDecode); }
void BM_TiffWriteIndex4(benchmark::State& st) { writeBench(st, 1, tiffIdx4); }
void BM_TiffReadIndex4(benchmark::State& st) { readBench(st, 1, tiffIdx4, tifDecode); }
void BM_PpmWritePlainP3(benchmark::State& st) { writeBench(st, 4, ppmP3); }
void BM_PpmReadPlainP3(benchmark::State& st) { readBench(st, 4, ppmP3, ppmDecode); }
void BM_PpmWriteRawP6(benchmark::State& st) { writeBench(st, 4, ppmP6); }
void BM_PpmReadRawP6(benchmark::State& st) { readBench(st, 4, ppmP6, ppmDecode); }
void BM_JpegWrite(benchmark::State& st) { writeBench(st, 4, jpeg); }
void BM_JpegRead(benchmark::State& st) { readBench(st, 4, jpeg, jpgDecode); }

}  // namespace

#define SIZES Arg(2048)->Arg(4096)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_TiffWriteRgba)->SIZES;
BENCHMARK(BM_TiffReadRgba)->SIZES;
BENCHMARK(BM_TiffWriteIndex8)->SIZES;
BENCHMARK(BM_TiffReadIndex8)->SIZES;
BENCHMARK(BM_TiffWriteIndex4)->SIZES;
BENCHMARK(BM_TiffReadIndex4)->SIZES;
BENCHMARK(BM_PpmWritePlainP3)->SIZES;
BENCHMARK(BM_PpmReadPlainP3)->SIZES;
BENCHMARK(BM_PpmWriteRawP6)->SIZES;
BENCHMARK(BM_PpmReadRawP6)->SIZES;
BENCHMARK(BM_JpegWrite)->SIZES;
BENCHMARK(BM_JpegRead)->SIZES;

BENCHMARK_MAIN();
