// Helpers of the TIFF, PPM, JPEG and SBF tests: memory streams, scratch
// files, captured messages and a write limit that makes the disk "fill up".
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

namespace fmtb {

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

template <class F>
std::string captureStdout(F&& f) {
  testing::internal::CaptureStdout();
  f();
  return testing::internal::GetCapturedStdout();
}

struct ImgfDeleter {
  void operator()(IMGF* p) const { imgfFre(p); }
};
using ImgfPtr = std::unique_ptr<IMGF, ImgfDeleter>;

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/tdefmtbXXXXXX";
    char* p = mkdtemp(tmpl);
    path_ = p ? p : "/tmp";
  }
  ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

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

// While alive, files of this process cannot grow past `bytes`: writes beyond
// fail as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    old_handler_ = signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit lim = old_;
    lim.rlim_cur = bytes;
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

// Reproducible pseudo-random bytes.
inline std::vector<uint8_t> noise(size_t n, uint32_t seed) {
  std::vector<uint8_t> v(n);
  for (auto& b : v) {
    seed = seed * 1103515245u + 12345u;
    b = uint8_t(seed >> 16);
  }
  return v;
}

}  // namespace fmtb
