// Our BMP, TIFF, portable-map, icon and cursor files of pictures that lose
// colours easily (tests/formats/keepcolours.h), read by ImageMagick, netpbm
// and libtiff: every tool sees the picture's colours.
#include <gtest/gtest.h>

#include "formats/bmfile.h"
#include "tests/formats/keepcolours.h"
#include "tests/interop/ppm_ref.h"

namespace {

// netpbm's reader of a format (to raw PNM on standard output), or null.
const char* netpbmReader(int type) {
  switch (type) {
    case BMF_BMP:
      return "bmptopnm";
    case BMF_TIFF:
      return "tifftopnm -quiet";
    case BMF_PPM:
      return "pnmtopnm";
    default:
      return nullptr;
  }
}

TEST(KeepColoursInterop, EveryToolSeesTheSameColours) {
  INTEROP_NEED("convert");
  INTEROP_NEED("bmptopnm");
  INTEROP_NEED("tifftopnm");
  INTEROP_NEED("tiffinfo");
  interop::Scratch s;
  for (size_t k = 0; k < keep::kinds().size(); k++) {
    keep::Picture bm = keep::make(k);
    const std::vector<uint8_t> want = keep::rgbOf(bm.get());
    for (int type : keep::formatsFor(k)) {
      if (type == BMF_NATIVE || type == BMF_SBF) continue;  // no other tool reads them
      const std::string f = s(std::string("k") + bmfileExt(type));
      const std::string what = std::string(keep::kinds()[k].name) + " as " + bmfileExt(type);
      ASSERT_EQ(bmfileSave(bm.get(), f.c_str(), type), 1) << what;
      // ImageMagick does not know 2-bit BMP files.
      bool twoBitBmp = type == BMF_BMP && interop::slurp(f)[28] == 2;
      if (!twoBitBmp) {
        ASSERT_EQ(interop::sh("convert '" + f + "[0]' -depth 8 rgb:'" + s("im.rgb") + "'"), 0)
            << what;
        EXPECT_EQ(interop::slurp(s("im.rgb")), want) << what << " (ImageMagick)";
      }
      if (const char* reader = netpbmReader(type)) {
        ASSERT_EQ(interop::sh(std::string(reader) + " '" + f + "' > '" + s("n.pnm") + "'"), 0)
            << what;
        EXPECT_EQ(interop::pnmFile(s("n.pnm")).px, want) << what << " (netpbm)";
      }
      if (type == BMF_TIFF) {
        // No warnings (unsorted tags, short strips) from libtiff.
        ASSERT_EQ(interop::sh("tiffinfo '" + f + "' > /dev/null 2> '" + s("warn.txt") + "'"), 0);
        EXPECT_TRUE(interop::slurp(s("warn.txt")).empty()) << what;
      }
    }
  }
}

}  // namespace
