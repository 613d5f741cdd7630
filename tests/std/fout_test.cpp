#include "std/fout.h"
#include "std/hostfs.h"

#include <gtest/gtest.h>
#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string slurp(const std::string& path) {
  std::string s;
  if (FILE* fp = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(fp)) != EOF) s += char(c);
    std::fclose(fp);
  }
  return s;
}

int entries(const std::string& dir) {
  int n = 0;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
    closedir(d);
  }
  return n;
}

class FoutFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tdefoutXXXXXX";
    dir_ = mkdtemp(tmpl);
    path_ = dir_ + "/a.bin";
    FILE* fp = std::fopen(path_.c_str(), "wb");
    std::fputs("old", fp);
    std::fclose(fp);
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  std::string dir_, path_;
};

TEST(FoutMem, CollectsEveryWrite) {
  FOUT* fo = foutMem();
  ASSERT_NE(fo, nullptr);
  std::vector<char> big(100000, 'x');
  EXPECT_EQ(foutWrite(fo, "ab", 2), 1);
  EXPECT_EQ(foutWrite(fo, big.data(), big.size()), 1);
  EXPECT_EQ(foutWrite(fo, nullptr, 0), 1);
  EXPECT_EQ(foutTell(fo), 100002u);
  size_t n = 0;
  const uint8_t* p = foutData(fo, &n);
  ASSERT_EQ(n, 100002u);
  EXPECT_EQ(p[0], 'a');
  EXPECT_EQ(p[100001], 'x');
  EXPECT_EQ(foutOk(fo), 1);
  EXPECT_EQ(foutClose(fo), 1);
}

TEST_F(FoutFiles, TargetReplacedOnlyByASuccessfulClose) {
  FOUT* fo = foutOpen(path_.c_str());
  ASSERT_NE(fo, nullptr);
  EXPECT_EQ(foutWrite(fo, "new", 3), 1);
  EXPECT_EQ(slurp(path_), "old") << "nothing visible before the close";
  EXPECT_EQ(foutClose(fo), 1);
  EXPECT_EQ(slurp(path_), "new");
  EXPECT_EQ(entries(dir_), 1) << "no temporary left behind";

  fo = foutOpen(path_.c_str());
  ASSERT_NE(fo, nullptr);
  foutWrite(fo, "partial", 7);
  foutAbort(fo);
  EXPECT_EQ(slurp(path_), "new");
  EXPECT_EQ(entries(dir_), 1);
  EXPECT_EQ(foutOpen((dir_ + "/missing/x").c_str()), nullptr);
  EXPECT_EQ(foutClose(nullptr), 0);
}

TEST_F(FoutFiles, AFailedWriteSticksAndKeepsTheOldFile) {
  void (*old)(int) = signal(SIGXFSZ, SIG_IGN);
  rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit lim = saved;
  lim.rlim_cur = 100;
  setrlimit(RLIMIT_FSIZE, &lim);
  FOUT* fo = foutOpen(path_.c_str());
  ASSERT_NE(fo, nullptr);
  std::vector<char> big(1000, 'y');
  EXPECT_EQ(foutWrite(fo, big.data(), big.size()), 0);
  EXPECT_EQ(foutOk(fo), 0);
  EXPECT_EQ(foutWrite(fo, "z", 1), 0) << "the failure sticks";
  EXPECT_EQ(foutClose(fo), 0);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, old);
  EXPECT_EQ(slurp(path_), "old");
  EXPECT_EQ(entries(dir_), 1);
}

TEST_F(FoutFiles, ALinkStaysALinkAndAReadOnlyFileStaysAsItIs) {
  const std::string link = dir_ + "/link.bin";
  ASSERT_EQ(symlink("a.bin", link.c_str()), 0);
  FOUT* fo = foutOpen(link.c_str());
  ASSERT_NE(fo, nullptr);
  foutWrite(fo, "new", 3);
  EXPECT_EQ(foutClose(fo), 1);
  struct stat s;
  ASSERT_EQ(lstat(link.c_str(), &s), 0);
  EXPECT_TRUE(S_ISLNK(s.st_mode)) << "the save replaced the link";
  EXPECT_EQ(slurp(path_), "new");
  EXPECT_EQ(entries(dir_), 2);

  chmod(path_.c_str(), 0444);
  hfsClearError();
  for (const std::string& name : {path_, link}) {
    EXPECT_EQ(foutOpen(name.c_str()), nullptr) << name;
    EXPECT_EQ(hfsLastError(), HFS_EDENIED);
  }
  EXPECT_EQ(slurp(path_), "new");
  EXPECT_EQ(entries(dir_), 2);
}

}  // namespace
