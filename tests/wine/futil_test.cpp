#include "tests/wine/gtest_win.h"

#include <dirent.h>
#include <sys/stat.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "std/futil.h"
#include "std/hostfs.h"

namespace {

// テスト.bmp as the program sees it (code page 932) and as the host stores it (UTF-8).
const char kTestName[] = "テスト.bmp";
const char kTestNameCp932[] = "\x83\x65\x83\x58\x83\x67.bmp";
const char kTestNameUtf8[] = "\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88.bmp";
// 表 is 0x95 0x5C: its trail byte is '\\'.
const char kTrailName[] = "\x95\x5c.bmp";

// A fresh directory under the Windows temp dir; files are created through the
// ANSI API and removed with the directory.
class WinTempDir {
 public:
  WinTempDir() {
    char tmp[MAX_PATH];
    GetTempPathA(sizeof tmp, tmp);
    for (unsigned i = 0; i < 100 && path_.empty(); i++) {
      std::string p = std::string(tmp) + "tdefutil" + std::to_string(GetCurrentProcessId()) + "_" +
                      std::to_string(i);
      if (CreateDirectoryA(p.c_str(), nullptr)) path_ = p;
    }
  }
  ~WinTempDir() {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
      if (!DeleteFileA(it->c_str())) RemoveDirectoryA(it->c_str());
    }
    RemoveDirectoryA(path_.c_str());
  }
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "\\" + name; }
  std::string make(const std::string& name, const std::string& content) {
    std::string p = file(name);
    HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      DWORD w = 0;
      WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &w, nullptr);
      CloseHandle(h);
      made_.push_back(p);
    }
    return p;
  }
  std::string makeDir(const std::string& name) {
    std::string p = file(name);
    if (CreateDirectoryA(p.c_str(), nullptr)) made_.push_back(p);
    return p;
  }
  void forget(const std::string& p) { made_.push_back(p); }

 private:
  std::string path_;
  std::vector<std::string> made_;
};

std::vector<std::string> keysOf(DB* list) {
  std::vector<std::string> keys;
  for (void* p = dbTop(list); p; p = dbNxt(p)) keys.emplace_back(static_cast<char*>(dbKey(p)));
  return keys;
}

std::string loadAll(const std::string& path) {
  size_t len = 0;
  char* buf = fload(&len, path.c_str());
  if (!buf) return "<null>";
  std::string s(buf, len);
  std::free(buf);
  return s;
}

// Host (UTF-8) path of a Windows path.
std::string unixPath(const std::string& winPath) {
  int n = MultiByteToWideChar(CP_ACP, 0, winPath.c_str(), -1, nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, winPath.c_str(), -1, &w[0], n);
  char* u = wine_get_unix_file_name(reinterpret_cast<const WCHAR*>(w.c_str()));
  std::string s = u ? u : "";
  HeapFree(GetProcessHeap(), 0, u);
  return s;
}

class WineFutil : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 932u);
    ASSERT_FALSE(dir.path().empty());
  }
  WinTempDir dir;
};

TEST_F(WineFutil, LoadsAndListsAShiftJisName) {
  ASSERT_EQ(std::string(kTestName), kTestNameCp932);
  std::string path = dir.make(kTestName, "BM pixels");
  EXPECT_EQ(loadAll(path), "BM pixels");
  FINFO info{};
  EXPECT_EQ(finfo(&info, path.c_str(), FI_REG), 1);
  EXPECT_EQ(info.size, 9u);

  // The pattern matches by the code-page-932 name, in any letter case.
  std::string pattern = dir.path() + "\\\x83\x65*.BMP";
  DB* list = flist(nullptr, pattern.c_str(), FI_REG);
  EXPECT_EQ(keysOf(list), (std::vector<std::string>{path}));
  dbFre(list);

  // On the host disk the name is stored in UTF-8.
  std::string host = unixPath(dir.path());
  ASSERT_FALSE(host.empty());
  bool found = false;
  if (DIR* d = opendir(host.c_str())) {
    while (const dirent* e = readdir(d)) found |= std::string(e->d_name) == kTestNameUtf8;
    closedir(d);
  }
  EXPECT_TRUE(found);
}

TEST_F(WineFutil, TrailByteBackslashIsPartOfTheName) {
  std::string path = dir.make(kTrailName, "x");
  std::string sub = dir.makeDir("\x95\x5c");
  EXPECT_EQ(loadAll(path), "x");
  EXPECT_EQ(finfo(nullptr, path.c_str(), FI_REG), 1);
  // Only the real trailing separator goes; the directory is found.
  EXPECT_EQ(finfo(nullptr, (sub + "\\").c_str(), FI_DIR), 1);
  DB* list = flist(nullptr, (dir.path() + "\\*.bmp").c_str(), FI_REG);
  EXPECT_EQ(keysOf(list), (std::vector<std::string>{path}));
  dbFre(list);
}

// Under Wine the disk ignores letter case: A.BMP names the existing a.bmp.
TEST_F(WineFutil, ExpansionKeepsFirstFormAndIgnoresCase) {
  std::string a = dir.make("a.bmp", "a");
  std::string b = dir.make("b.bmp", "b");
  DB* names = dbNew(0, DBT_STR, 0, 0);
  for (const std::string& n : {a, dir.file("A.BMP"), dir.file("*.bmp")}) dbAdd(names, n.c_str());
  DB* list = flistx(names, FI_REG | FI_NONE);
  std::vector<std::string> keys = keysOf(list);
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0], a);
  EXPECT_EQ(keys[1], b);
  dbFre(list);
  dbFre(names);
  EXPECT_EQ(finfo(nullptr, dir.file("A.BMP").c_str(), FI_REG), 1);
  EXPECT_EQ(loadAll(dir.file("B.BMP")), "b");
}

TEST_F(WineFutil, ClassifiesDirectoriesDrivesAndMissingNames) {
  EXPECT_EQ(finfo(nullptr, dir.path().c_str(), FI_REG), 0);
  EXPECT_EQ(finfo(nullptr, dir.path().c_str(), FI_DIR), 1);
  EXPECT_EQ(finfo(nullptr, "C:", FI_DIR), 1);
  FINFO info{};
  EXPECT_EQ(finfo(&info, dir.file("none.bmp").c_str(), FI_NONE), 1);
  EXPECT_EQ(info.flags, FI_NONE);
  // A directory does not load, and says nothing.
  EXPECT_EQ(fload(nullptr, dir.path().c_str()), nullptr);
}

TEST_F(WineFutil, SaveByRenameReplacesTheTarget) {
  std::string target = dir.make(kTestName, "old");
  std::string tmp = dir.file(std::string(kTestName) + ".tmp");
  HfsFile* f = hfsOpenWrite(tmp.c_str());
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(hfsWrite(f, "new", 3));
  EXPECT_TRUE(hfsSync(f));
  EXPECT_TRUE(hfsClose(f));
  EXPECT_TRUE(hfsRename(tmp.c_str(), target.c_str()));
  EXPECT_EQ(loadAll(target), "new");
  EXPECT_EQ(finfo(nullptr, tmp.c_str(), FI_NONE), 1);
  EXPECT_TRUE(hfsRemove(target.c_str()));
  EXPECT_EQ(finfo(nullptr, target.c_str(), FI_NONE), 1);
}

TEST_F(WineFutil, SavedFileKeepsTheHostPermissions) {
  std::string target = dir.make(kTestName, "old");
  std::string tmp = dir.make(std::string(kTestName) + ".tmp", "new");
  ASSERT_EQ(chmod(unixPath(target).c_str(), 0600), 0);
  ASSERT_EQ(chmod(unixPath(tmp).c_str(), 0644), 0);
  EXPECT_TRUE(hfsRename(tmp.c_str(), target.c_str()));
  struct stat s;
  ASSERT_EQ(stat(unixPath(target).c_str(), &s), 0);
  EXPECT_EQ(s.st_mode & 07777, 0600u);
  EXPECT_EQ(loadAll(target), "new");
}

}  // namespace
