#include "app/convargs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/bmfile.h"

namespace {

using Words = std::vector<std::string>;

struct ParseCase {
  Words args;
  ConvMode mode;
  Words files;  // kConvert, kInfo, kBatch
  int kind;     // kBatch
  const char* dir;
  const char* word;  // kUsage: the word the error shows
};

const ParseCase kParseCases[] = {
    // The forms of old: two files, -i FILE.
    {{"a.bmp", "b.png"}, ConvMode::kConvert, {"a.bmp", "b.png"}, 0, "", ""},
    {{"-i", "a.bmp"}, ConvMode::kInfo, {"a.bmp"}, 0, "", ""},
    {{"--", "-a.bmp", "b.png"}, ConvMode::kConvert, {"-a.bmp", "b.png"}, 0, "", ""},
    {{"-i", "-x.bmp"}, ConvMode::kInfo, {"-x.bmp"}, 0, "", ""},
    {{"-", "b.png"}, ConvMode::kConvert, {"-", "b.png"}, 0, "", ""},
    // Batch: -t by extension name, any case, with or without the dot.
    {{"-t", "png", "-d", "out/", "a.bmp", "b.bmp"},
     ConvMode::kBatch,
     {"a.bmp", "b.bmp"},
     BMF_PNG,
     "out/",
     ""},
    {{"a.bmp", "-t", "PNG", "b.bmp"}, ConvMode::kBatch, {"a.bmp", "b.bmp"}, BMF_PNG, "", ""},
    {{"-d", "o", "-t", ".tif", "a"}, ConvMode::kBatch, {"a"}, BMF_TIFF, "o", ""},
    {{"-t", "ico", "--", "-t"}, ConvMode::kBatch, {"-t"}, BMF_ICO, "", ""},
    {{"-t", "pxa", "x"}, ConvMode::kBatch, {"x"}, BMF_NATIVE, "", ""},
    {{"-t", "cur", "x"}, ConvMode::kBatch, {"x"}, BMF_CUR, "", ""},
    // Help and version win over everything else but a broken word.
    {{"--help"}, ConvMode::kHelp, {}, 0, "", ""},
    {{"-h"}, ConvMode::kHelp, {}, 0, "", ""},
    {{"a", "--version"}, ConvMode::kVersion, {}, 0, "", ""},
    // Usage errors.
    {{}, ConvMode::kUsage, {}, 0, "", ""},
    {{"a.bmp"}, ConvMode::kUsage, {}, 0, "", ""},
    {{"a", "b", "c"}, ConvMode::kUsage, {}, 0, "", ""},
    {{"-x", "a", "b"}, ConvMode::kUsage, {}, 0, "", "-x"},
    {{"--help", "-q"}, ConvMode::kUsage, {}, 0, "", "-q"},
    {{"-i"}, ConvMode::kUsage, {}, 0, "", "-i"},
    {{"-i", "a", "b"}, ConvMode::kUsage, {}, 0, "", "b"},
    {{"-t", "xyz", "a"}, ConvMode::kUsage, {}, 0, "", "xyz"},
    {{"-t", "png"}, ConvMode::kUsage, {}, 0, "", ""},
    {{"-t", "png", "-t", "bmp", "a"}, ConvMode::kUsage, {}, 0, "", "-t"},
    {{"-t", "png", "-i", "a", "b"}, ConvMode::kUsage, {}, 0, "", "-i"},
    {{"-t", "png", "-d", "", "a"}, ConvMode::kUsage, {}, 0, "", "-d"},
    {{"-d", "out", "a", "b"}, ConvMode::kUsage, {}, 0, "", "-d"},
    {{"-t", "a/png", "x"}, ConvMode::kUsage, {}, 0, "", "a/png"},
};

TEST(ConvParse, EveryForm) {
  for (const auto& c : kParseCases) {
    std::string label;
    for (const auto& w : c.args) label += "[" + w + "]";
    ConvArgs a = convParse(c.args);
    ASSERT_EQ(a.mode, c.mode) << label;
    if (c.mode == ConvMode::kUsage) {
      EXPECT_EQ(a.word, c.word) << label;
      // Only an empty command line goes without a reason.
      EXPECT_EQ(a.error.empty(), c.args.empty()) << label;
      continue;
    }
    EXPECT_EQ(a.files, c.files) << label;
    EXPECT_EQ(a.kind, c.kind) << label;
    EXPECT_EQ(a.dir, c.dir) << label;
  }
}

TEST(ConvOutName, BaseNameWithTheNewExtension) {
  const struct {
    const char* dir;
    const char* in;
    int kind;
    const char* out;
  } cases[] = {
      {"out", "pics/a.bmp", BMF_PNG, "out/a.png"},
      {"out/", "a.tar.bmp", BMF_PNG, "out/a.tar.png"},
      {"", "pics/a.bmp", BMF_TIFF, "pics/a.tif"},
      {"", "a.bmp", BMF_JPEG, "a.jpg"},
      {"o", "pics.d/noext", BMF_NATIVE, "o/noext.pxa"},
      {"o", "/abs/.hidden", BMF_BMP, "o/.hidden.bmp"},
      {"/", "x/y.ppm", BMF_ICO, "/y.ico"},
      {"o", "画像/絵.bmp", BMF_SBF, "o/絵.sbf"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(convOutName(c.dir, c.in, c.kind), c.out) << c.dir << " " << c.in;
}

TEST(ConvFormatNames, ListsEveryFormatTheTableKnows) {
  std::string names = convFormatNames();
  for (int kind = BMF_NATIVE; kind <= BMF_PNG; ++kind) {
    std::string word = std::string(" ") + (bmfileExt(kind) + 1);
    EXPECT_NE((names + " ").find(word + " "), std::string::npos) << word;
    EXPECT_EQ(convParse({"-t", word.substr(1), "f"}).kind, kind) << word;
  }
}

}  // namespace
