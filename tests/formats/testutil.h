// Helpers shared by the format tests: scratch files, memory streams, captured
// messages and a write limit that makes the disk "fill up".
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "std/fout.h"
#include "std/imgf.h"

namespace fmttest {

// A scratch directory removed with everything in it when the test ends.
class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/tdefmtXXXXXX";
    char* p = mkdtemp(tmpl);
    path_ = p ? p : "/tmp";
  }
  ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline std::vector<uint8_t> readFile(const std::string& path) {
  std::vector<uint8_t> data;
  FILE* fp = std::fopen(path.c_str(), "rb");
  if (!fp) return data;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, fp)) > 0) data.insert(data.end(), buf, buf + n);
  std::fclose(fp);
  return data;
}

inline void writeFile(const std::string& path, const std::vector<uint8_t>& data) {
  FILE* fp = std::fopen(path.c_str(), "wb");
  ASSERT_NE(fp, nullptr) << path;
  if (!data.empty()) {
    ASSERT_EQ(std::fwrite(data.data(), 1, data.size(), fp), data.size());
  }
  std::fclose(fp);
}

inline bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// Standard output of a call (the library's diagnostics go there).
template <class F>
std::string captureStdout(F&& f) {
  testing::internal::CaptureStdout();
  f();
  return testing::internal::GetCapturedStdout();
}

inline void put16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  if (v.size() < at + 2) v.resize(at + 2);
  v[at] = x & 0xff;
  v[at + 1] = (x >> 8) & 0xff;
}

inline void put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  put16(v, at, x & 0xffff);
  put16(v, at + 2, x >> 16);
}

inline uint32_t get32(const std::vector<uint8_t>& v, size_t at) {
  return v[at] | v[at + 1] << 8 | v[at + 2] << 16 | static_cast<uint32_t>(v[at + 3]) << 24;
}

// A PNG file whose header asks for w x h (8-bit RGB), with a right checksum
// and nothing after the header.
inline std::vector<uint8_t> pngHeaderOnly(uint32_t w, uint32_t h) {
  std::vector<uint8_t> d = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  for (uint32_t v : {w, h})
    d.insert(d.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
  d.insert(d.end(), {8, 2, 0, 0, 0});
  uint32_t c = 0xffffffffu;
  for (size_t i = 12; i < d.size(); ++i) {
    c ^= d[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1)));
  }
  c = ~c;
  d.insert(d.end(), {uint8_t(c >> 24), uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
  return d;
}

// Makes every write past `limit` bytes fail, while it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    old_handler_ = signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit lim = old_;
    lim.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &lim);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit old_;
  void (*old_handler_)(int);
};

// Deterministic pseudo-random bytes.
inline std::vector<uint8_t> noise(size_t n, uint32_t seed, int modulo = 256) {
  std::vector<uint8_t> v(n);
  for (auto& b : v) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<uint8_t>((seed >> 16) % modulo);
  }
  return v;
}

// Output of a writer that takes a stream, collected in memory.
template <class F>
std::vector<uint8_t> written(F&& write) {
  FOUT* fo = foutMem();
  EXPECT_TRUE(write(fo));
  size_t n = 0;
  const uint8_t* p = foutData(fo, &n);
  std::vector<uint8_t> out(p, p + n);
  foutClose(fo);
  return out;
}

struct ImgfDeleter {
  void operator()(IMGF* p) const { imgfFre(p); }
};
using ImgfPtr = std::unique_ptr<IMGF, ImgfDeleter>;

}  // namespace fmttest
