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
#include "tests/formats/testutil.h"

namespace fmtb {

using fmttest::captureStdout;
using fmttest::FileSizeLimit;
using fmttest::noise;
using fmttest::readFile;
using fmttest::TempDir;
using fmttest::writeFile;

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

}  // namespace fmtb
