#include "formats/bmfile.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "formats/pxa.h"
#include "tests/formats/keepcolours.h"
#include "testutil.h"

namespace {

using fmttest::captureStdout;
using fmttest::exists;
using fmttest::FileSizeLimit;
using fmttest::noise;
using fmttest::readFile;
using fmttest::TempDir;
using fmttest::writeFile;

struct BmDeleter {
  void operator()(BM* bm) const { bmFre(bm); }
};
using BmPtr = std::unique_ptr<BM, BmDeleter>;

BmPtr indexedImage(int w, int h, int cmapn, uint32_t seed) {
  auto px = noise(static_cast<size_t>(w) * h, seed, cmapn);
  BmPtr bm(bmNew(px.data(), 1, w, h, nullptr, cmapn));
  return bm;
}

std::vector<std::string> listDir(const std::string& path) {
  std::vector<std::string> names;
  DIR* d = opendir(path.c_str());
  while (dirent* e = d ? readdir(d) : nullptr)
    if (e->d_name[0] != '.') names.push_back(e->d_name);
  if (d) closedir(d);
  return names;
}

TEST(BmfileKind, RecognisesFirstBytes) {
  TempDir dir;
  struct {
    std::vector<uint8_t> head;
    int kind;
  } cases[] = {
      {{'B', 'M', 0, 0}, BMF_BMP},
      {{'I', 'I', 42, 0}, BMF_TIFF},
      {{'M', 'M', 0, 42}, BMF_TIFF},
      {{'1', 'F', 'I', 'N'}, BMF_NATIVE},
      {{'1', 'F', 'I', 'O'}, BMF_NATIVE},
      {{'f', 'f', 'i', 'S'}, BMF_SBF},
      {{0, 0, 1, 0}, BMF_ICO},
      {{0, 0, 2, 0}, BMF_CUR},
      {{0xff, 0xd8, 0xff, 0xe0}, BMF_JPEG},
      {{'P', '1', ' ', '1'}, BMF_PPM},
      {{'P', '6', '\n', '1'}, BMF_PPM},
      {{0x89, 'P', 'N', 'G'}, BMF_PNG},
      {{0x89, 'P', 'N', 'g'}, 0},
      {{'P', '7', ' ', '1'}, 0},
      {{'P', '0', ' ', '1'}, 0},
      {{0, 0, 3, 0}, 0},
      {{'B', 'M', 0}, 0},
  };
  for (const auto& c : cases) {
    std::string f = dir.file("k");
    writeFile(f, c.head);
    EXPECT_EQ(bmfileKind(f.c_str()), c.kind) << c.head.size() << " " << int(c.head[0]);
  }
  EXPECT_EQ(bmfileKind(dir.file("missing").c_str()), -1);
}

TEST(BmfileLoad, MessagesForMissingAndUnknownFiles) {
  TempDir dir;
  std::string missing = dir.file("none.bmp");
  std::string out = captureStdout([&] { EXPECT_EQ(bmfileLoad(missing.c_str()), nullptr); });
  EXPECT_EQ(out, "bmfileLoad:ファイルオープン(r)エラー:" + missing + "\n");
  std::string small = dir.file("three.bmp");
  writeFile(small, {'B', 'M', 0});
  out = captureStdout([&] { EXPECT_EQ(bmfileLoad(small.c_str()), nullptr); });
  EXPECT_EQ(out, "bmfileLoad:対応していません:" + small + "\n");
  // "1FIO" is native by its bytes; the native reader refuses it silently.
  std::string fio = dir.file("x.pxa");
  writeFile(fio, {'1', 'F', 'I', 'O', 0, 0, 0, 0});
  out = captureStdout([&] { EXPECT_EQ(bmfileLoad(fio.c_str()), nullptr); });
  EXPECT_EQ(out, "");
}

TEST(BmfileLoad, ContentDecidesTheFormatNotTheName) {
  TempDir dir;
  std::string f = dir.file("native.bmp");
  uint8_t px[6] = {0, 1, 2, 3, 4, 5};
  ASSERT_EQ(pxaSave(f.c_str(), px, 3, 2, nullptr, 0, 8), 1);
  BmPtr bm(bmfileLoad(f.c_str()));
  ASSERT_TRUE(bm);
  EXPECT_EQ(bm->ftype, BMF_NATIVE);
  EXPECT_STREQ(bm->fname, f.c_str());
  EXPECT_EQ(bm->cmapn, 0);  // the native colour count is kept as it is
  EXPECT_EQ(bm->bpp, 1);
  EXPECT_EQ(bm->buf[5], 5);
  bm->modified = 1;
  ASSERT_EQ(bmfileSave(bm.get(), f.c_str(), 0), 1);
  EXPECT_EQ(bm->modified, 0);
  auto d = readFile(f);
  ASSERT_GE(d.size(), 4u);
  EXPECT_EQ(std::memcmp(d.data(), "1FIN", 4), 0);
}

TEST(BmfileSave, IndexDepthFollowsTheColourCount) {
  TempDir dir;
  for (auto [cmapn, bits] : {std::pair{2, 1}, {3, 2}, {4, 2}, {16, 4}, {17, 8}, {256, 8}}) {
    BmPtr bm = indexedImage(5, 4, cmapn, cmapn);
    std::string f = dir.file("d.bmp");
    ASSERT_EQ(bmfileSave(bm.get(), f.c_str(), BMF_BMP), 1);
    auto d = readFile(f);
    EXPECT_EQ(d[28], bits) << cmapn;
    BmPtr back;
    captureStdout([&] { back.reset(bmfileLoad(f.c_str())); });
    ASSERT_TRUE(back);
    EXPECT_EQ(back->ftype, BMF_BMP);
    EXPECT_EQ(back->cmapn, cmapn);
    EXPECT_EQ(std::memcmp(back->buf, bm->buf, 20), 0) << cmapn;
  }
}

TEST(BmfileSave, EveryOwnFormatRoundTrips) {
  TempDir dir;
  BmPtr bm = indexedImage(17, 9, 16, 3);
  bm->cmap[0] = 0;  // transparent, as icons expect
  for (int type : {BMF_NATIVE, BMF_BMP, BMF_ICO, BMF_PNG}) {
    std::string f = dir.file(std::string("r") + bmfileExt(type));
    ASSERT_EQ(bmfileSave(bm.get(), f.c_str(), type), 1) << type;
    BmPtr back(bmfileLoad(f.c_str()));
    ASSERT_TRUE(back) << type;
    EXPECT_EQ(back->ftype, type);
    ASSERT_EQ(back->bpp, 1);
    for (int i = 0; i < 17 * 9; ++i) {
      uint32_t want = bm->cmap[bm->buf[i]], got = back->cmap[back->buf[i]];
      ASSERT_EQ(got, want) << type << " at " << i;
    }
  }
}

TEST(BmfileSave, RefusedCodesAndNamesLeaveEverythingAlone) {
  TempDir dir;
  BmPtr bm = indexedImage(2, 2, 4, 1);
  bm->modified = 1;
  std::string f = dir.file("a.bmp");
  std::string out = captureStdout([&] { EXPECT_EQ(bmfileSave(bm.get(), f.c_str(), 10), 0); });
  EXPECT_EQ(out, "bmfileSave:対応していません:" + f + "\n");
  bm->ftype = 0;
  out = captureStdout([&] { EXPECT_EQ(bmfileSave(bm.get(), f.c_str(), 0), 0); });
  EXPECT_EQ(out, "bmfileSave:対応していません:" + f + "\n");
  EXPECT_FALSE(exists(f));
  EXPECT_EQ(bm->modified, 1);
  std::string longname = dir.path() + "/" + std::string(256, 'n') + ".bmp";
  longname = longname.substr(0, 256);
  out = captureStdout([&] { EXPECT_EQ(bmfileSave(bm.get(), longname.c_str(), BMF_BMP), 0); });
  EXPECT_EQ(out, "bmfileSave:ファイル名が長すぎます:" + longname + "\n");
  out = captureStdout([&] { EXPECT_EQ(bmfileLoad(longname.c_str()), nullptr); });
  EXPECT_EQ(out, "bmfileLoad:ファイル名が長すぎます:" + longname + "\n");
  // Icons and cursors take indexed images only.
  BmPtr direct(bmNew(nullptr, 4, 2, 2, nullptr, 256));
  std::string ico = dir.file("d.ico");
  out = captureStdout([&] { EXPECT_EQ(bmfileSave(direct.get(), ico.c_str(), BMF_ICO), 0); });
  EXPECT_EQ(out, "bmfileSave:アイコン、カーソルはインデックスカラーのみです:" + ico + "\n");
  EXPECT_FALSE(exists(ico));
  // 255 bytes still fit the record's name field.
  std::string fits = longname.substr(0, 255);
  EXPECT_EQ(bmfileSave(bm.get(), fits.c_str(), BMF_BMP), 1);
  BmPtr back;
  out = captureStdout([&] { back.reset(bmfileLoad(fits.c_str())); });
  EXPECT_EQ(out, "bmpHdGet:UnKnown bitcount:2\n");  // 4 colours: 2 bits per pixel
  ASSERT_TRUE(back);
  EXPECT_STREQ(back->fname, fits.c_str());
}

TEST(BmfileSave, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  TempDir dir;
  BmPtr bm = indexedImage(300, 300, 256, 9);
  std::string f = dir.file("keep.bmp");
  std::vector<uint8_t> old = {'o', 'l', 'd'};
  writeFile(f, old);
  bm->modified = 1;
  // Icons of this size are refused before anything is written.
  captureStdout([&] { EXPECT_EQ(bmfileSave(bm.get(), f.c_str(), BMF_ICO), 0); });
  for (int type : {BMF_BMP, BMF_NATIVE, BMF_TIFF, BMF_PPM, BMF_JPEG, BMF_SBF}) {
    FileSizeLimit limit(1000);
    std::string out = captureStdout([&] { EXPECT_EQ(bmfileSave(bm.get(), f.c_str(), type), 0); });
    EXPECT_EQ(out, "bmfileSave:書き込みエラー:" + f + "\n");
  }
  EXPECT_EQ(readFile(f), old);
  EXPECT_EQ(bm->modified, 1);
  EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"keep.bmp"});
  // Without the limit the same save replaces the file and leaves nothing beside it.
  ASSERT_EQ(bmfileSave(bm.get(), f.c_str(), BMF_BMP), 1);
  EXPECT_GT(readFile(f).size(), 90000u);
  EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"keep.bmp"});
  // A directory that does not exist: nothing is created anywhere.
  std::string out = captureStdout(
      [&] { EXPECT_EQ(bmfileSave(bm.get(), dir.file("no/such.bmp").c_str(), BMF_BMP), 0); });
  EXPECT_NE(out.find("bmfileSave:書き込みエラー:"), std::string::npos);
}

// One temporary file per save, beside the target: names up to the longest
// the record holds (255 bytes) save in every format and leave nothing else.
TEST(BmfileSave, LongNamesSaveInEveryFormat) {
  TempDir dir;
  char old[4096];
  ASSERT_TRUE(getcwd(old, sizeof old));
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  keep::Picture bm = keep::make(2);
  for (size_t len : {size_t(250), size_t(255)}) {
    for (int type = BMF_NATIVE; type <= BMF_SBF; ++type) {
      std::string name = std::string(len - 4, 'n') + bmfileExt(type);
      EXPECT_EQ(bmfileSave(bm.get(), name.c_str(), type), 1) << len << " " << type;
      EXPECT_EQ(listDir("."), std::vector<std::string>{name}) << len << " " << type;
      std::remove(name.c_str());
    }
  }
  ASSERT_EQ(chdir(old), 0);
}

TEST(BmfileExt, TablesOfExtensions) {
  const char* want[] = {".pxa", ".bmp", ".tif", ".ppm", ".jpg", ".cur", ".ico", ".sbf", ".png"};
  for (int i = 1; i <= 9; ++i) {
    EXPECT_STREQ(bmfileExt(i), want[i - 1]);
    EXPECT_EQ(extKind((std::string("dir/name") + want[i - 1]).c_str()), i);
  }
  EXPECT_EQ(bmfileExt(0), nullptr);
  EXPECT_EQ(bmfileExt(10), nullptr);
  EXPECT_EQ(extKind("A.PNG"), BMF_PNG);
  EXPECT_EQ(extKind("A.BMP"), BMF_BMP);
  EXPECT_EQ(extKind("x.Jpg"), BMF_JPEG);
  EXPECT_EQ(extKind(".bmp"), -1);
  EXPECT_EQ(extKind("..bmp"), -1);
  EXPECT_EQ(extKind("dir.bmp/name"), -1);
  EXPECT_EQ(extKind("c:\\dir.ico\\name"), -1);
  EXPECT_EQ(extKind("a.tiff"), -1);
  EXPECT_EQ(extKind("a.jpeg"), -1);
  EXPECT_EQ(extKind("a.pgm"), -1);
  EXPECT_EQ(extKind("a.bmp.txt"), -1);
  EXPECT_EQ(extKind("a.txt.bmp"), BMF_BMP);
  // A Shift-JIS character whose trail byte is '\\' does not split the name.
  EXPECT_EQ(extKind("\x95\x5c.cur"), BMF_CUR);
  EXPECT_EQ(extKind("d.ico\\\x95\x5c"), -1);
}

TEST(PpmKind, ByTheColoursInUse) {
  BmPtr bm(bmNew(nullptr, 1, 3, 1, nullptr, 256));
  bm->buf[0] = 0, bm->buf[1] = 255, bm->buf[2] = 0;
  EXPECT_EQ(ppmKind(bm.get()), 1) << "black and white only";
  bm->buf[1] = 1;
  EXPECT_EQ(ppmKind(bm.get()), 2) << "index 1 is a grey of 1, not white";
  bm->cmap[1] = rgbaMake(1, 2, 3, 255);
  EXPECT_EQ(ppmKind(bm.get()), 3);
  bm->cmap[9] = rgbaMake(9, 0, 0, 255);      // unused entries do not count
  bm->cmap[1] = rgbaMake(255, 255, 255, 0);  // alpha is ignored
  EXPECT_EQ(ppmKind(bm.get()), 1);
  BmPtr direct(bmNew(nullptr, 4, 1, 1, nullptr, 0));
  EXPECT_EQ(ppmKind(direct.get()), 3);
}

TEST(BmfileSave, EveryLosslessFormatKeepsTheColours) {
  TempDir dir;
  for (size_t k = 0; k < keep::kinds().size(); ++k) {
    keep::Picture bm = keep::make(k);
    const char* name = keep::kinds()[k].name;
    for (int type : keep::formatsFor(k)) {
      std::string f = dir.file(std::string("k") + bmfileExt(type));
      ASSERT_EQ(bmfileSave(bm.get(), f.c_str(), type), 1) << name << " " << type;
      if (type == BMF_PPM) {
        EXPECT_EQ(readFile(f)[1], '0' + keep::kinds()[k].ppmVersion) << name;
      }
      BmPtr back;
      captureStdout([&] { back.reset(bmfileLoad(f.c_str())); });
      ASSERT_TRUE(back) << name << " " << type;
      EXPECT_EQ(keep::rgbOf(back.get()), keep::rgbOf(bm.get())) << name << " " << bmfileExt(type);
    }
  }
}

}  // namespace

namespace {

// The slots of the formats that live in their own modules.
TEST(BmfileDispatch, OtherFormatsGoThroughTheirSlots) {
  fmttest::TempDir dir;
  BmPtr grey(bmNew(nullptr, 1, 4, 3, nullptr, 256));
  for (int i = 0; i < 12; ++i) grey->buf[i] = static_cast<uint8_t>(i * 20);
  {
    std::string f = dir.file("t.tif");
    ASSERT_EQ(bmfileSave(grey.get(), f.c_str(), BMF_TIFF), 1);
    BmPtr back(bmfileLoad(f.c_str()));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->ftype, BMF_TIFF);
    EXPECT_EQ(back->bpp, 1);
    EXPECT_EQ(std::memcmp(back->buf, grey->buf, 12), 0);
  }
  {
    // Grey colours with indices above 2: a plain grey map (P2).
    std::string f = dir.file("g.ppm");
    ASSERT_EQ(bmfileSave(grey.get(), f.c_str(), BMF_PPM), 1);
    auto d = readFile(f);
    ASSERT_GE(d.size(), 2u);
    EXPECT_EQ(d[1], '2');
    BmPtr back(bmfileLoad(f.c_str()));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->ftype, BMF_PPM);
    EXPECT_EQ(back->cmapn, 256);
    // A coloured entry in use: written as a pixmap through a direct copy.
    BmPtr colour(bmDup(grey.get()));
    colour->cmap[20] = rgbaMake(200, 10, 10, 255);
    ASSERT_EQ(bmfileSave(colour.get(), f.c_str(), BMF_PPM), 1);
    EXPECT_EQ(readFile(f)[1], '3');
    BmPtr back3(bmfileLoad(f.c_str()));
    ASSERT_TRUE(back3);
    EXPECT_EQ(back3->bpp, 4);
    EXPECT_EQ(bmPget(back3.get(), 1, 0), rgbaMake(200, 10, 10, 255));
  }
  {
    std::string f = dir.file("s.sbf");
    BmPtr four(bmNew(grey->buf, 1, 4, 3, nullptr, 4));
    for (int i = 0; i < 12; ++i) four->buf[i] = static_cast<uint8_t>(i % 4);
    ASSERT_EQ(bmfileSave(four.get(), f.c_str(), BMF_SBF), 1);
    auto d = readFile(f);
    ASSERT_GE(d.size(), 4u);
    EXPECT_EQ(std::memcmp(d.data(), "ffiS", 4), 0);
    BmPtr back(bmfileLoad(f.c_str()));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->ftype, BMF_SBF);
    EXPECT_EQ(back->cmapn, 4);
    EXPECT_EQ(std::memcmp(back->buf, four->buf, 12), 0);
  }
  {
    // Indexed images are saved through a direct copy; loading gives direct
    // colour with the default colour map and 256 colours.
    std::string f = dir.file("j.jpg");
    ASSERT_EQ(bmfileSave(grey.get(), f.c_str(), BMF_JPEG), 1);
    BmPtr back(bmfileLoad(f.c_str()));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->ftype, BMF_JPEG);
    EXPECT_EQ(back->bpp, 4);
    EXPECT_EQ(back->cmapn, 256);
    EXPECT_EQ(back->cmap[255], rgbaMake(255, 255, 255, 255));
  }
}

}  // namespace
