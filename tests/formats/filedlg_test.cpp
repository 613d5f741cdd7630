#include "formats/bmfile.h"
#include "formats/filedlg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(FileExt, ExtensionOfTheFileNamePart) {
  EXPECT_STREQ(fileExtOf("a.b.sbf"), ".sbf");
  EXPECT_STREQ(fileExtOf("c:\\x\\a.JPG"), ".JPG");
  EXPECT_STREQ(fileExtOf(".bmp"), "");  // leading dots are no extension
  EXPECT_STREQ(fileExtOf("dir.bmp/name"), "");
  EXPECT_STREQ(fileExtOf(""), "");
  EXPECT_STREQ(fileExtOf(nullptr), "");
}

TEST(FileExt, ShiftJisTrailBytesAreNoSeparators) {
  // "表" is 95 5C in Shift-JIS: its trail byte looks like a backslash.
  EXPECT_STREQ(fileExtOf("\x95\x5C.bmp"), ".bmp");
  EXPECT_STREQ(fileExtOf("x.bmp\\\x95\x5C"), "");
}

TEST(FileDialogs, FilterExtensionsFollowTheFilterOrder) {
  EXPECT_STREQ(fileFilterExt(1), ".pxa");
  EXPECT_STREQ(fileFilterExt(4), ".jpg");
  EXPECT_STREQ(fileFilterExt(5), ".ppm");
  EXPECT_STREQ(fileFilterExt(8), ".sbf");
  EXPECT_EQ(fileFilterExt(0), nullptr);
  EXPECT_STREQ(fileFilterExt(9), ".png");
  EXPECT_EQ(fileFilterExt(10), nullptr);
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
