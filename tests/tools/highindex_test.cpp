// Crop-based tools on a picture whose pixels use colour-map entries at and
// above cmapn (after a grey conversion, a lowered colour count or a pen above
// it): every tool that does not change a pixel keeps its index.
#include <functional>

#include "image/bmgeom.h"
#include "tests/tools/tooltest.h"
#include "tools/filter.h"
#include "tools/region.h"
#include "tools/textstamp.h"

namespace {

constexpr int kW = 9, kH = 5;

// 16 meaningful entries, 256 distinct opaque colours, pixels from both sides.
BmPtr highPicture() {
  BmPtr bm(bmNew(nullptr, 1, kW, kH, nullptr, 16));
  for (int i = 0; i < 256; i++) bm->cmap[i] = rgbaMake(i, 255 - i, i * 7 & 255, 255);
  const uint8_t used[] = {1, 5, 15, 16, 17, 100, 200, 255};
  for (int i = 0; i < kW * kH; i++) bm->buf[i] = used[(i * 5 + i / kW) % 8];
  return bm;
}

// Pastes what `make` builds from a crop of the whole picture back at (0, 0).
void pasteBack(BM* bm, const std::function<BM*(const BM*)>& make) {
  BmPtr crop(bmCrop(bm, 0, 0, bm->w, bm->h));
  ASSERT_TRUE(crop);
  EXPECT_EQ(crop->cmapn, bm->cmapn);
  BmPtr out(make(crop.get()));
  ASSERT_TRUE(out);
  bmPaste(bm, out.get(), 0, 0, 0);
}

BM* same(const BM* crop) { return bmCrop(crop, 0, 0, crop->w, crop->h); }

TEST(HighIndices, SurviveEveryCropBasedTool) {
  BmPtr glyph = makeBm(1, kW, kH);  // all black: stamps nothing
  const struct {
    const char* name;
    std::function<void(BM*)> run;
  } tools[] = {
      {"crop and paste", [](BM* bm) { pasteBack(bm, same); }},
      {"filter that changes nothing", [](BM* bm) { filterRegion(bm, 0, 0, kW, kH, [](BM*) {}); }},
      {"two flips",
       [](BM* bm) {
         filterRegion(bm, 0, 0, kW, kH, bmFlipH);
         filterRegion(bm, 0, 0, kW, kH, bmFlipH);
       }},
      {"rectangle copy",
       [](BM* bm) {
         BmPtr crop(bmCrop(bm, 0, 0, kW, kH));
         regionPlace(bm, crop.get(), 0, 0, 1, 0);
       }},
      {"scale to the same size (indexed)",
       [](BM* bm) { pasteBack(bm, [](const BM* c) { return resampleIdx(c->w, c->h, c); }); }},
      {"scale to the same size (through colours)",
       [](BM* bm) { pasteBack(bm, [bm](const BM* c) { return scaleCopy(c, c->w, c->h, bm); }); }},
      {"rotate by 0",
       [](BM* bm) {
         pasteBack(bm, [](const BM* c) {
           BM* r = same(c);
           rotNearest(r, 0);
           return r;
         });
       }},
      {"text of no pixels", [&glyph](BM* bm) { textCommit(bm, glyph.get(), 0, 0, 1); }},
      {"colour conversion at 100",
       [](BM* bm) { pasteBack(bm, [](const BM* c) { return hsvAdjust(c, 100, 100, 100, 100); }); }},
  };
  for (const auto& t : tools) {
    BmPtr bm = highPicture();
    const std::vector<uint8_t> before = snapshot(bm.get());
    t.run(bm.get());
    EXPECT_EQ(snapshot(bm.get()), before) << t.name;
    EXPECT_EQ(bm->cmapn, 16) << t.name;
  }
}

TEST(HighIndices, AdaptKeepsTheTargetMapWhole) {
  BmPtr bm = highPicture();
  BmPtr crop(bmCrop(bm.get(), 2, 1, 4, 3));
  BmPtr adapted(bmAdapt(bm.get(), crop.get()));
  ASSERT_TRUE(crop && adapted);
  for (int i = 0; i < 256; i++) {
    ASSERT_EQ(crop->cmap[i], bm->cmap[i]) << i;
    ASSERT_EQ(adapted->cmap[i], bm->cmap[i]) << i;
  }
  EXPECT_EQ(adapted->cmapn, 16);
  EXPECT_EQ(snapshot(adapted.get()), snapshot(crop.get()));
}

}  // namespace
