#include "std/futil.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "std/hostfs.h"

namespace {

// A fresh directory under the system temp dir, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "futilXXXXXX").string();
    path_ = mkdtemp(&tmpl[0]) ? tmpl : std::string();
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  std::string make(const std::string& name, const std::string& content = "x") const {
    std::ofstream(file(name), std::ios::binary) << content;
    return file(name);
  }

 private:
  std::string path_;
};

std::vector<std::string> keysOf(DB* list) {
  std::vector<std::string> keys;
  for (void* p = dbTop(list); p; p = dbNxt(p)) keys.emplace_back(static_cast<char*>(dbKey(p)));
  return keys;
}

uint32_t flagsOf(DB* list, const std::string& key) {
  void* p = dbFind(list, key.c_str());
  return p ? static_cast<FINFO*>(p)->flags : 0;
}

DB* nameList(const std::vector<std::string>& names) {
  DB* db = dbNew(0, DBT_STR, 0, 0);
  for (const auto& n : names) dbAdd(db, n.c_str());
  return db;
}

class Futil : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir.path().empty()); }
  TempDir dir;
};

TEST_F(Futil, FloadReadsWholeFileWithTrailingZero) {
  std::string data("ab\0cd\xff", 6);
  std::string path = dir.make("data.bin", data);
  size_t len = 99;
  char* buf = fload(&len, path.c_str());
  ASSERT_NE(buf, nullptr);
  EXPECT_EQ(len, 6u);
  EXPECT_EQ(std::string(buf, len), data);
  EXPECT_EQ(buf[len], 0);
  std::free(buf);
  // The length output may be left out.
  buf = fload(nullptr, path.c_str());
  ASSERT_NE(buf, nullptr);
  EXPECT_EQ(std::memcmp(buf, data.data(), 6), 0);
  std::free(buf);
}

TEST_F(Futil, FloadOfEmptyFileGivesOneZeroByte) {
  std::string path = dir.make("empty", "");
  size_t len = 99;
  char* buf = fload(&len, path.c_str());
  ASSERT_NE(buf, nullptr);
  EXPECT_EQ(len, 0u);
  EXPECT_EQ(buf[0], 0);
  std::free(buf);
}

TEST_F(Futil, FloadFailsQuietlyWhenFileCannotBeOpened) {
  for (const std::string& path : {dir.file("missing"), dir.path()}) {
    size_t len = 99;
    testing::internal::CaptureStdout();
    EXPECT_EQ(fload(&len, path.c_str()), nullptr) << path;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << path;
    EXPECT_EQ(len, 0u);
  }
  EXPECT_EQ(fload(nullptr, nullptr), nullptr);
}

TEST_F(Futil, FloadReportsSeekErrorOnAPipe) {
  std::string path = dir.file("pipe");
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  size_t len = 99;
  testing::internal::CaptureStdout();
  EXPECT_EQ(fload(&len, path.c_str()), nullptr);
  // "fload:シークエラー:" in Shift-JIS.
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "fload:\x83\x56\x81\x5b\x83\x4e\x83\x47\x83\x89\x81\x5b:" + path + "\n");
  EXPECT_EQ(len, 0u);
}

TEST_F(Futil, FloadRefusesHugeFilesWithAMemoryMessage) {
  // Sparse: costs no disk space.
  std::string path = dir.make("huge.bmp", "");
  ASSERT_EQ(truncate(path.c_str(), (off_t{1} << 30) + 1), 0);
  size_t len = 99;
  testing::internal::CaptureStdout();
  EXPECT_EQ(fload(&len, path.c_str()), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "fload:メモリ確保エラー:" + path + "\n");
  EXPECT_EQ(len, 0u);
}

TEST_F(Futil, FinfoClassifiesPaths) {
  std::string file = dir.make("a.bmp");
  FINFO info{};
  EXPECT_EQ(finfo(&info, file.c_str(), FI_REG), 1);
  EXPECT_EQ(info.flags & (FI_REG | FI_DIR | FI_NONE | FI_DOT), FI_REG);
  EXPECT_EQ(info.flags & FI_READ, FI_READ);
  EXPECT_EQ(info.size, 1u);

  // A directory is not a regular file; with or without its trailing separator.
  EXPECT_EQ(finfo(&info, dir.path().c_str(), FI_REG), 0);
  info = FINFO{};
  EXPECT_EQ(finfo(&info, (dir.path() + "/").c_str(), FI_DIR), 1);
  EXPECT_EQ(info.flags & (FI_REG | FI_DIR), FI_DIR);

  info = FINFO{};
  EXPECT_EQ(finfo(&info, dir.file("nothing").c_str(), FI_NONE), 1);
  EXPECT_EQ(info.flags, FI_NONE);
  EXPECT_EQ(finfo(nullptr, dir.file("nothing").c_str(), FI_REG | FI_DIR), 0);

  info = FINFO{};
  EXPECT_EQ(finfo(&info, "/dev/null", FI_CHR), 1);
  EXPECT_EQ(finfo(nullptr, "/dev/null", FI_REG), 0);
  EXPECT_EQ(finfo(nullptr, nullptr, ~0u), 0);
}

TEST_F(Futil, FinfoTakesADriveWithoutStatusForADirectory) {
  FINFO info{};
  EXPECT_EQ(finfo(&info, "C:", FI_DIR), 1);
  EXPECT_EQ(info.flags, FI_DIR);
  EXPECT_EQ(finfo(nullptr, "C:", FI_REG | FI_NONE), 0);
}

TEST_F(Futil, FinfoMarksDotNamesAndDropsTheirRegularBit) {
  std::string path = dir.make(".abc");
  EXPECT_EQ(finfo(nullptr, path.c_str(), FI_REG), 0);
  FINFO info{};
  EXPECT_EQ(finfo(&info, path.c_str(), FI_DOT), 1);
  EXPECT_EQ(info.flags & (FI_DOT | FI_REG), FI_DOT);
}

TEST_F(Futil, FlistAddsPlainNamesOnceWhenAccepted) {
  std::string a = dir.make("a.bmp");
  std::string missing = dir.file("new.bmp");
  DB* list = flist(nullptr, nullptr, FI_REG);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(dbCnt(list), 0);
  flist(list, a.c_str(), FI_REG | FI_NONE);
  flist(list, a.c_str(), FI_REG | FI_NONE);
  flist(list, missing.c_str(), FI_REG | FI_NONE);
  flist(list, dir.path().c_str(), FI_REG | FI_NONE);  // a directory is dropped
  EXPECT_EQ(keysOf(list), (std::vector<std::string>{a, missing}));
  EXPECT_EQ(flagsOf(list, a) & FI_REG, FI_REG);
  EXPECT_EQ(flagsOf(list, missing), FI_NONE);
  // A pattern that matches nothing leaves the list as it was.
  flist(list, dir.file("*.tif").c_str(), FI_REG);
  flist(list, (dir.path() + "/nodir/*.bmp").c_str(), FI_REG);
  EXPECT_EQ(dbCnt(list), 2);
  dbFre(list);
}

TEST_F(Futil, FlistxKeepsFirstFormOfEachName) {
  std::string a = dir.make("a.bmp");
  std::string b = dir.make("b.bmp");
  dir.make("c.tif");
  DB* names = nameList({a, dir.file("A.BMP"), dir.file("*.bmp")});
  DB* list = flistx(names, FI_REG | FI_NONE);
  EXPECT_EQ(keysOf(list), (std::vector<std::string>{a, b}));
  dbFre(list);
  dbFre(names);
  EXPECT_EQ(flistx(nullptr, FI_REG), nullptr);
  DB* none = nameList({});
  EXPECT_EQ(flistx(none, FI_REG), nullptr);
  dbFre(none);
}

// The native build takes names as they are on a case-sensitive disk: a name
// in other letter case is a different, missing file. Patterns ignore case.
TEST_F(Futil, NativeNamesAreExactWhilePatternsIgnoreCase) {
  std::string a = dir.make("a.bmp");
  DB* list = flist(nullptr, dir.file("A.BMP").c_str(), FI_REG);
  EXPECT_EQ(dbCnt(list), 0);
  flist(list, dir.file("A.BMP").c_str(), FI_REG | FI_NONE);
  EXPECT_EQ(flagsOf(list, dir.file("A.BMP")), FI_NONE);
  dbFre(list);
  list = flist(nullptr, dir.file("*.BMP").c_str(), FI_REG);
  EXPECT_EQ(keysOf(list), (std::vector<std::string>{a}));
  dbFre(list);
}

TEST_F(Futil, PatternsMatchCharactersAndSkipDotEntries) {
  dir.make("a.bmp");
  dir.make("ab.bmp");
  dir.make("\x83\x65.bmp");  // one two-byte character
  ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0700), 0);
  DB* list = flist(nullptr, dir.file("?.bmp").c_str(), FI_REG);
  EXPECT_EQ(keysOf(list), (std::vector<std::string>{dir.file("a.bmp"), dir.file("\x83\x65.bmp")}));
  dbFre(list);

  list = flist(nullptr, dir.file("*").c_str(), FI_DIR);
  EXPECT_EQ(keysOf(list), (std::vector<std::string>{dir.file("sub")}));
  dbFre(list);
  list = flist(nullptr, dir.file("*").c_str(), FI_DIR | FI_DOTS);
  EXPECT_EQ(keysOf(list),
            (std::vector<std::string>{dir.file("."), dir.file(".."), dir.file("sub")}));
  dbFre(list);
  // "*.*" stands for every name, as on the platform.
  list = flist(nullptr, dir.file("*.*").c_str(), FI_REG | FI_DIR);
  EXPECT_EQ(dbCnt(list), 4);
  dbFre(list);
}

TEST_F(Futil, PatternListingKeepsTrailBytesOfNames) {
  // 0x95 0x5C is one character whose trail byte is '\\'.
  std::string name = "\x95\x5c.bmp";
  std::string path = dir.make(name, "pic");
  DB* list = flist(nullptr, dir.file("*.bmp").c_str(), FI_REG);
  EXPECT_EQ(keysOf(list), (std::vector<std::string>{path}));
  dbFre(list);
  size_t len = 0;
  char* buf = fload(&len, path.c_str());
  ASSERT_NE(buf, nullptr);
  EXPECT_EQ(std::string(buf, len), "pic");
  std::free(buf);
}

TEST(Fname, TopSplitsAfterLastSeparatorOrDrive) {
  char dir[64];
  const char* path = "a/b\\c:d.bmp";
  EXPECT_EQ(fnameTop(dir, path), path + 6);
  EXPECT_STREQ(dir, "a/b\\c:");
  const char* plain = "x.bmp";
  EXPECT_EQ(fnameTop(dir, plain), plain);
  EXPECT_STREQ(dir, "");
  // The trail byte 0x5C of a two-byte character is no separator.
  const char* sjis = "d/\x95\x5c.bmp";
  EXPECT_EQ(fnameTop(nullptr, sjis), sjis + 2);
  const char* sjisDir = "\x95\x5c\\x";
  EXPECT_EQ(fnameTop(dir, sjisDir), sjisDir + 3);
  EXPECT_STREQ(dir, "\x95\x5c\\");
  // A lead byte right before the end does not step over the terminator.
  const char* cut = "a/\x95";
  EXPECT_EQ(fnameTop(nullptr, cut), cut + 2);
  char buf[] = "p/q";
  char* top = fnameTop(nullptr, buf);
  EXPECT_EQ(top, buf + 2);
}

TEST(Fname, JoinAddsSeparatorOnlyWhenNeeded) {
  char out[64];
  EXPECT_STREQ(fnameJoin(out, "dir", "x"), "dir/x");
  EXPECT_STREQ(fnameJoin(out, "C:", "x"), "C:x");
  EXPECT_STREQ(fnameJoin(out, "dir/", "x"), "dir/x");
  EXPECT_STREQ(fnameJoin(out, "dir\\", "x"), "dir\\x");
  EXPECT_STREQ(fnameJoin(out, "", "x"), "x");
  EXPECT_STREQ(fnameJoin(out, "\x95\x5c", "x"), "\x95\x5c/x");
  char same[64] = "dir";
  EXPECT_STREQ(fnameJoin(same, same, "y.bmp"), "dir/y.bmp");
}

TEST(Fname, TrimDropsOneTrailingSeparator) {
  char out[64];
  EXPECT_STREQ(fnameTrim(out, "dir/"), "dir");
  EXPECT_STREQ(fnameTrim(out, "dir\\"), "dir");
  EXPECT_STREQ(fnameTrim(out, "dir//"), "dir/");
  EXPECT_STREQ(fnameTrim(out, "dir"), "dir");
  EXPECT_STREQ(fnameTrim(out, "/"), "/");
  EXPECT_STREQ(fnameTrim(out, ""), "");
  EXPECT_STREQ(fnameTrim(out, "d/\x95\x5c"), "d/\x95\x5c");
  EXPECT_STREQ(fnameTrim(out, "\x95\x5c\\"), "\x95\x5c");
  char same[] = "a/b/";
  EXPECT_STREQ(fnameTrim(same, same), "a/b");
}

TEST_F(Futil, HostSaveByRenameReplacesTarget) {
  std::string target = dir.make("pic.bmp", "old");
  std::string tmp = dir.file("pic.bmp.tmp");
  HfsFile* f = hfsOpenWrite(tmp.c_str());
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(hfsWrite(f, "new data", 8));
  EXPECT_TRUE(hfsSync(f));
  EXPECT_TRUE(hfsClose(f));
  EXPECT_TRUE(hfsRename(tmp.c_str(), target.c_str()));
  size_t len = 0;
  char* buf = fload(&len, target.c_str());
  ASSERT_NE(buf, nullptr);
  EXPECT_EQ(std::string(buf, len), "new data");
  std::free(buf);
  EXPECT_EQ(finfo(nullptr, tmp.c_str(), FI_NONE), 1);
  EXPECT_TRUE(hfsRemove(target.c_str()));
  EXPECT_FALSE(hfsRemove(target.c_str()));
  EXPECT_EQ(hfsOpenWrite(dir.file("no/such/dir").c_str()), nullptr);
}

TEST_F(Futil, FailedWritesTellTheirCause) {
  hfsClearError();
  EXPECT_EQ(hfsOpenWrite(dir.file("gone/pic.bmp").c_str()), nullptr);
  EXPECT_EQ(hfsLastError(), HFS_ENOPATH);
  // Reads and removals leave the cause alone.
  EXPECT_FALSE(hfsRemove(dir.file("none").c_str()));
  EXPECT_EQ(hfsLastError(), HFS_ENOPATH);
  HfsFile* full = hfsOpenWrite("/dev/full");
  if (full) {
    char block[4096] = {};
    EXPECT_FALSE(hfsWrite(full, block, sizeof block) && hfsSync(full));
    hfsClose(full);
    EXPECT_EQ(hfsLastError(), HFS_ENOSPACE);
  }
  hfsClearError();
  EXPECT_EQ(hfsLastError(), HFS_ENONE);
}

TEST_F(Futil, SavedFileKeepsThePermissionsOfTheOneItReplaces) {
  for (mode_t mode : {mode_t{0600}, mode_t{0664}, mode_t{0640}}) {
    std::string target = dir.make("keep.bmp", "old");
    ASSERT_EQ(chmod(target.c_str(), mode), 0);
    std::string tmp = dir.make("keep.bmp.tmp", "new");
    ASSERT_EQ(chmod(tmp.c_str(), 0644), 0);
    EXPECT_TRUE(hfsRename(tmp.c_str(), target.c_str()));
    struct stat s;
    ASSERT_EQ(stat(target.c_str(), &s), 0);
    EXPECT_EQ(s.st_mode & 07777, mode);
  }
  // A new file keeps the mode it was made with.
  std::string fresh = dir.make("fresh.tmp", "x");
  ASSERT_EQ(chmod(fresh.c_str(), 0640), 0);
  std::string dest = dir.file("fresh.bmp");
  EXPECT_TRUE(hfsRename(fresh.c_str(), dest.c_str()));
  struct stat s;
  ASSERT_EQ(stat(dest.c_str(), &s), 0);
  EXPECT_EQ(s.st_mode & 07777, 0640u);
}

}  // namespace
