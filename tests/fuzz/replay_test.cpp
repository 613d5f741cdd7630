// Replays every committed crash file and every seed through the fuzz entry
// points: each must come back cleanly (the sanitized twin of this test sees
// any memory fault). Seeds must also still decode.
#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "formats/pxa.h"
#include "fuzz/targets.cpp"  // the entry points themselves, built with this test
#include "std/bmp4.h"
#include "std/ico2.h"

namespace {

std::vector<std::string> filesIn(const std::string& dir) {
  std::vector<std::string> out;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') out.push_back(dir + "/" + e->d_name);
    closedir(d);
  }
  return out;
}

std::vector<uint8_t> readAll(const std::string& path) {
  std::vector<uint8_t> data;
  if (FILE* fp = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(fp)) != EOF) data.push_back(static_cast<uint8_t>(c));
    std::fclose(fp);
  }
  // Exactly as long as the file, so the sanitizer sees a read past the end.
  return std::vector<uint8_t>(data.begin(), data.end());
}

const std::string kFuzzDir = std::string(TDE_SOURCE_DIR) + "/fuzz";

TEST(FuzzReplay, CrashFilesFailCleanly) {
  int replayed = 0;
  for (const FuzzTarget& t : kFuzzTargets) {
    for (const std::string& f : filesIn(kFuzzDir + "/crashers/" + t.name)) {
      auto data = readAll(f);
      testing::internal::CaptureStdout();
      EXPECT_EQ(t.run(data.data(), data.size()), 0) << f;
      testing::internal::GetCapturedStdout();
      ++replayed;
    }
  }
  std::printf("replayed %d crash files\n", replayed);
}

// Pictures the readers cannot decode: the load fails with a message instead
// of handing over a blank picture that a save would write over the original.
TEST(FuzzReplay, UndecodableFilesFailWithAMessage) {
  auto files = filesIn(kFuzzDir + "/refused");
  EXPECT_GE(files.size(), 4u);
  for (const std::string& f : files) {
    BM* bm = nullptr;
    testing::internal::CaptureStdout();
    bm = bmfileLoad(f.c_str());
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(bm, nullptr) << f;
    EXPECT_FALSE(out.empty()) << f;
    bmFre(bm);
  }
}

TEST(FuzzReplay, SeedsRunAndStillDecode) {
  int seeds = 0;
  for (const FuzzTarget& t : kFuzzTargets) {
    auto files = filesIn(kFuzzDir + "/corpus/" + t.name);
    EXPECT_FALSE(files.empty()) << t.name;
    for (const std::string& f : files) {
      auto data = readAll(f);
      EXPECT_EQ(t.run(data.data(), data.size()), 0) << f;
      ++seeds;
    }
  }
  EXPECT_GT(seeds, 20);
  // Every seed is a sound file of its format.
  for (const std::string& f : filesIn(kFuzzDir + "/corpus/pxa")) {
    auto d = readAll(f);
    IMGF* img = pxaOpenMem(d.data(), d.size());
    EXPECT_NE(img, nullptr) << f;
    imgfFre(img);
  }
  for (const std::string& f : filesIn(kFuzzDir + "/corpus/bmp")) {
    auto d = readAll(f);
    IMGF* img = bmpDecode(d.data(), d.size());
    EXPECT_NE(img, nullptr) << f;
    imgfFre(img);
  }
  for (const std::string& f : filesIn(kFuzzDir + "/corpus/png")) {
    auto d = readAll(f);
    IMGF* img = pngDecode(d.data(), d.size());
    EXPECT_NE(img, nullptr) << f;
    imgfFre(img);
  }
  for (const std::string& f : filesIn(kFuzzDir + "/corpus/ico")) {
    auto d = readAll(f);
    DB* list = icoDecode(d.data(), d.size());
    ASSERT_NE(list, nullptr) << f;
    EXPECT_EQ(dbCnt(list), 1) << f;
    imgfListFre(list);
  }
  for (const std::string& f : filesIn(kFuzzDir + "/corpus/lz")) {
    auto d = readAll(f);
    ASSERT_GE(d.size(), 2u);
    int n = d[0] | d[1] << 8;
    std::vector<uint8_t> out(static_cast<size_t>(n));
    EXPECT_GE(lzDecode(out.data(), n, d.data() + 2, static_cast<int>(d.size() - 2)), 0) << f;
  }
}

}  // namespace
