// JPEG made by cjpeg read by jpgOpen exactly as djpeg decodes it (the same
// libjpeg), and ours read by djpeg.
#include <gtest/gtest.h>

#include <cstring>

#include "formats/jpeg.h"
#include "tests/interop/ppm_ref.h"

namespace {

using interop::Rgb;

class JpegInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    INTEROP_NEED("cjpeg");
    INTEROP_NEED("djpeg");
    interop::spill(s("src.ppm"), interop::p6(w, h, interop::pattern(w, h, 1)));
  }
  // jpgOpen of `jpg` gives exactly djpeg's pixels.
  void expectAsDjpeg(const std::string& jpg) {
    ASSERT_EQ(interop::sh("djpeg -pnm '" + jpg + "' > '" + s("ref.pnm") + "'"), 0);
    Rgb ref = interop::pnmFile(s("ref.pnm"));
    IMGF* img = jpgOpen(jpg.c_str());
    ASSERT_NE(img, nullptr) << jpg;
    ASSERT_EQ(img->w, ref.w);
    ASSERT_EQ(img->h, ref.h);
    for (int i = 0; i < w * h; i++) {
      ASSERT_EQ(0, std::memcmp(img->buf + 4 * i, &ref.px[3 * i], 3)) << jpg << " " << i;
      ASSERT_EQ(img->buf[4 * i + 3], 255);
    }
    imgfFre(img);
  }
  interop::Scratch s;
  const int w = 67, h = 45;  // not multiples of the block size
};

TEST_F(JpegInterop, GreyColourAndProgressiveFromCjpeg) {
  for (const std::string opts :
       {"", "-grayscale", "-progressive", "-quality 95 -sample 1x1", "-restart 2 -optimize"}) {
    ASSERT_EQ(interop::sh("cjpeg " + opts + " '" + s("src.ppm") + "' > '" + s("t.jpg") + "'"), 0);
    expectAsDjpeg(s("t.jpg"));
  }
}

TEST_F(JpegInterop, OurFilesAreWhatCjpegWrites) {
  std::vector<uint8_t> rgb = interop::pattern(w, h, 1), rgba;
  for (int i = 0; i < w * h; i++) {
    rgba.insert(rgba.end(), &rgb[3 * i], &rgb[3 * i] + 3);
    rgba.push_back(uint8_t(i));  // dropped
  }
  ASSERT_EQ(jpgSave(s("ours.jpg").c_str(), rgba.data(), w, h), 1);
  expectAsDjpeg(s("ours.jpg"));
  // The library's defaults on both sides: the very same stream.
  ASSERT_EQ(interop::sh("cjpeg '" + s("src.ppm") + "' > '" + s("cjpeg.jpg") + "'"), 0);
  EXPECT_EQ(interop::slurp(s("ours.jpg")), interop::slurp(s("cjpeg.jpg")));
}

}  // namespace
