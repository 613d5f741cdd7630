#include "formats/filedlg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(ExtKind, KnownExtensionsInAnyCase) {
  EXPECT_EQ(extKind("a.pxa"), 1);
  EXPECT_EQ(extKind("a.BMP"), 2);
  EXPECT_EQ(extKind("dir/a.Tif"), 3);
  EXPECT_EQ(extKind("a.ppm"), 4);
  EXPECT_EQ(extKind("c:\\x\\a.jpg"), 5);
  EXPECT_EQ(extKind("a.cur"), 6);
  EXPECT_EQ(extKind("a.ico"), 7);
  EXPECT_EQ(extKind("a.b.sbf"), 8);
}

TEST(ExtKind, UnknownOrMissingExtensionsGiveMinusOne) {
  EXPECT_EQ(extKind("a.tiff"), -1);
  EXPECT_EQ(extKind("a.jpeg"), -1);
  EXPECT_EQ(extKind("a.pgm"), -1);
  EXPECT_EQ(extKind(".bmp"), -1);  // leading dots are no extension
  EXPECT_EQ(extKind("..bmp"), -1);
  EXPECT_EQ(extKind("dir.bmp/name"), -1);
  EXPECT_EQ(extKind("a:b.bmp"), 2);
  EXPECT_EQ(extKind(""), -1);
  EXPECT_EQ(extKind(nullptr), -1);
}

TEST(ExtKind, ShiftJisTrailBytesAreNoSeparators) {
  // "表" is 95 5C in Shift-JIS: its trail byte looks like a backslash.
  EXPECT_STREQ(fileExtOf("\x95\x5C.bmp"), ".bmp");
  EXPECT_EQ(extKind("\x95\x5C.bmp"), 2);
  EXPECT_STREQ(fileExtOf("x.bmp\\\x95\x5C"), "");
}

TEST(FileDialogs, FilterExtensionsFollowTheFilterOrder) {
  EXPECT_STREQ(fileFilterExt(1), ".pxa");
  EXPECT_STREQ(fileFilterExt(4), ".jpg");
  EXPECT_STREQ(fileFilterExt(5), ".ppm");
  EXPECT_STREQ(fileFilterExt(8), ".sbf");
  EXPECT_EQ(fileFilterExt(0), nullptr);
  EXPECT_EQ(fileFilterExt(9), nullptr);
}

TEST(FileDialogs, ExtensionIsAppendedOnlyToANameWithoutOne) {
  char name[16] = "picture";
  EXPECT_EQ(fileAppendExt(name, sizeof name, 4), 1);
  EXPECT_STREQ(name, "picture.jpg");
  EXPECT_EQ(extKind(name), 5);
  EXPECT_EQ(fileAppendExt(name, sizeof name, 2), 0);
  EXPECT_STREQ(name, "picture.jpg");
  char other[16] = "a.txt";
  EXPECT_EQ(fileAppendExt(other, sizeof other, 1), 0);
  EXPECT_EQ(extKind(other), -1);
  char full[12] = "abcdefgh";  // 8 + 4 + NUL does not fit
  EXPECT_EQ(fileAppendExt(full, sizeof full, 1), 0);
  EXPECT_STREQ(full, "abcdefgh");
  EXPECT_EQ(fileAppendExt(full, sizeof full, 0), 0);
}

}  // namespace
