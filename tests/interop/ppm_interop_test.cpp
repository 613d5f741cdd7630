// Portable maps made by netpbm read by ppmOpen, and ours read by netpbm.
#include <gtest/gtest.h>

#include <cstring>

#include "std/fout.h"
#include "std/ppm2.h"
#include "tests/interop/ppm_ref.h"

namespace {

using interop::Rgb;

class PpmInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    INTEROP_NEED("pnmtoplainpnm");
    INTEROP_NEED("ppmtopgm");
    INTEROP_NEED("pgmtopbm");
    INTEROP_NEED("pnmtopnm");
    src = interop::pattern(w, h, 5);
    interop::spill(s("src.ppm"), interop::p6(w, h, src));
  }
  // Reads `file` with ppmOpen and `ref` (raw) with our own parser: colours agree.
  IMGF* expectSame(const std::string& file, const std::string& ref, int depth) {
    IMGF* img = ppmOpen(file.c_str());
    EXPECT_NE(img, nullptr) << file;
    if (!img) return nullptr;
    EXPECT_EQ(img->depth, depth) << file;
    Rgb r = interop::pnmFile(ref);
    EXPECT_EQ(img->w, r.w);
    EXPECT_EQ(img->h, r.h);
    for (int i = 0; i < r.w * r.h && i < img->w * img->h; i++) {
      if (depth == 0) {
        EXPECT_EQ(0, std::memcmp(img->buf + 4 * i, &r.px[3 * i], 3)) << file << " " << i;
        EXPECT_EQ(img->buf[4 * i + 3], 255);
      } else if (depth == 8) {
        EXPECT_EQ(img->buf[i], r.px[3 * i]) << file << " " << i;
      } else {
        EXPECT_EQ(img->buf[i], r.px[3 * i] == 0 ? 1 : 0) << file << " " << i << ": 1 is black";
      }
    }
    return img;
  }
  interop::Scratch s;
  std::vector<uint8_t> src;
  const int w = 24, h = 9;  // P4 rows are a whole number of bytes
};

TEST_F(PpmInterop, AllSixVariantsFromNetpbm) {
  ASSERT_EQ(interop::sh("pnmtoplainpnm '" + s("src.ppm") + "' > '" + s("p3.ppm") + "'"), 0);
  ASSERT_EQ(interop::sh("ppmtopgm '" + s("src.ppm") + "' > '" + s("p5.pgm") + "'"), 0);
  ASSERT_EQ(interop::sh("pnmtoplainpnm '" + s("p5.pgm") + "' > '" + s("p2.pgm") + "'"), 0);
  ASSERT_EQ(interop::sh("pgmtopbm -threshold '" + s("p5.pgm") + "' > '" + s("p4.pbm") + "'"), 0);
  // netpbm runs plain bitmap digits together; spaced out they read the same.
  ASSERT_EQ(interop::sh("pnmtoplainpnm '" + s("p4.pbm") + "' > '" + s("p1tight.pbm") + "'"), 0);
  ASSERT_EQ(
      interop::sh("sed -e '3,$s/[01]/& /g' '" + s("p1tight.pbm") + "' > '" + s("p1.pbm") + "'"), 0);
  imgfFre(expectSame(s("src.ppm"), s("src.ppm"), 0));
  imgfFre(expectSame(s("p3.ppm"), s("src.ppm"), 0));
  imgfFre(expectSame(s("p5.pgm"), s("p5.pgm"), 8));
  imgfFre(expectSame(s("p2.pgm"), s("p5.pgm"), 8));
  imgfFre(expectSame(s("p4.pbm"), s("p4.pbm"), 1));
  imgfFre(expectSame(s("p1.pbm"), s("p4.pbm"), 1));
  imgfFre(expectSame(s("p1tight.pbm"), s("p4.pbm"), 1));
}

// Raw bitmap rows start on byte boundaries: odd widths both ways.
TEST_F(PpmInterop, BitmapsOfOddWidths) {
  for (int width : {1, 3, 5, 7, 13}) {
    interop::spill(s("odd.ppm"), interop::p6(width, h, interop::pattern(width, h, width)));
    ASSERT_EQ(interop::sh("ppmtopgm '" + s("odd.ppm") + "' | pgmtopbm -threshold > '" +
                          s("odd.pbm") + "'"),
              0);
    ASSERT_EQ(interop::sh("pnmtoplainpnm '" + s("odd.pbm") + "' > '" + s("odd1.pbm") + "'"), 0);
    imgfFre(expectSame(s("odd.pbm"), s("odd.pbm"), 1));
    imgfFre(expectSame(s("odd1.pbm"), s("odd.pbm"), 1));
    std::vector<uint8_t> bits(size_t(width) * h);
    for (size_t i = 0; i < bits.size(); i++) bits[i] = uint8_t(i % 3 == 0);
    FOUT* fo = foutOpen(s("o4.pbm").c_str());
    ASSERT_TRUE(fo);
    ASSERT_EQ(ppmWrite(fo, bits.data(), width, h, 4), 1);
    ASSERT_EQ(foutClose(fo), 1);
    ASSERT_EQ(
        interop::sh("pnmtopnm -plain '" + s("o4.pbm") + "' | pnmtopnm > '" + s("r4.pbm") + "'"), 0);
    interop::Rgb b = interop::pnmFile(s("r4.pbm"));
    ASSERT_EQ(b.w, width);
    for (size_t i = 0; i < bits.size(); i++) ASSERT_EQ(b.px[3 * i], bits[i] ? 0 : 255) << i;
  }
}

TEST_F(PpmInterop, CommentsAndSmallMaxval) {
  // Comment lines after the magic number and between the numbers.
  ASSERT_EQ(interop::sh("pnmtoplainpnm '" + s("src.ppm") + "' | sed -e '1a # made by netpbm' " +
                        "-e '2a # second comment' > '" + s("c.ppm") + "'"),
            0);
  imgfFre(expectSame(s("c.ppm"), s("src.ppm"), 0));
  // maxval 15: netpbm's 4-bit samples scale to the same 17 x v.
  ASSERT_EQ(interop::sh("pnmdepth 15 '" + s("src.ppm") + "' > '" + s("d15.ppm") + "'"), 0);
  ASSERT_EQ(interop::sh("pnmtoplainpnm '" + s("d15.ppm") + "' > '" + s("d15p.ppm") + "'"), 0);
  imgfFre(expectSame(s("d15.ppm"), s("d15.ppm"), 0));
  imgfFre(expectSame(s("d15p.ppm"), s("d15.ppm"), 0));
}

TEST_F(PpmInterop, OurPlainFilesReadByNetpbm) {
  std::vector<uint8_t> rgba;
  for (int i = 0; i < w * h; i++) {
    rgba.insert(rgba.end(), &src[3 * i], &src[3 * i] + 3);
    rgba.push_back(uint8_t(i));
  }
  ASSERT_EQ(ppmSave(s("o3.ppm").c_str(), rgba.data(), w, h, 3), 1);
  ASSERT_EQ(interop::sh("pnmtopnm '" + s("o3.ppm") + "' > '" + s("r3.ppm") + "'"), 0);
  EXPECT_EQ(interop::pnmFile(s("r3.ppm")).px, src);
  std::vector<uint8_t> grey(size_t(w) * h), bits(size_t(w) * h);
  for (int i = 0; i < w * h; i++) grey[i] = src[3 * i + 2], bits[i] = uint8_t(i % 3 == 0);
  ASSERT_EQ(ppmSave(s("o2.pgm").c_str(), grey.data(), w, h, 2), 1);
  ASSERT_EQ(interop::sh("pnmtopnm '" + s("o2.pgm") + "' > '" + s("r2.pgm") + "'"), 0);
  Rgb g = interop::pnmFile(s("r2.pgm"));
  for (int i = 0; i < w * h; i++) ASSERT_EQ(g.px[3 * i], grey[i]) << i;
  ASSERT_EQ(ppmSave(s("o1.pbm").c_str(), bits.data(), w, h, 1), 1);
  ASSERT_EQ(interop::sh("pnmtopnm '" + s("o1.pbm") + "' > '" + s("r1.pbm") + "'"), 0);
  Rgb b = interop::pnmFile(s("r1.pbm"));
  for (int i = 0; i < w * h; i++) ASSERT_EQ(b.px[3 * i], bits[i] ? 0 : 255) << i;
}

}  // namespace
