// The committed pictures must be what the tool menus and the window class
// expect: native pictures of 24 x 24 cells, and the icon.
#include <gtest/gtest.h>

#include <string>

#include "formats/pxa.h"
#include "std/db2.h"
#include "std/ico2.h"

namespace {

std::string resource(const char* name) {
  return std::string(TDE_SOURCE_DIR) + "/resources/" + name;
}

void expectButtonSheet(const char* name, int w, int h, int buttons) {
  IMGF* img = pxaOpen(resource(name).c_str());
  ASSERT_NE(img, nullptr) << name;
  EXPECT_EQ(img->w, w);
  EXPECT_EQ(img->h, h);
  EXPECT_EQ(img->depth, 8) << "indexed, 8 bits per index";
  EXPECT_GE(img->ncolor, 2);
  // Every button cell is raised: white top-left corner, dark bottom-right;
  // cells after the last button are plain face.
  for (int cell = 0; cell < (w / 24) * (h / 24); cell++) {
    int cx = cell % (w / 24), cy = cell / (w / 24);
    uint32_t tl = img->cmap[img->buf[(cy * 24) * w + cx * 24]] & 0xFFFFFF;
    uint32_t br = img->cmap[img->buf[(cy * 24 + 23) * w + cx * 24 + 23]] & 0xFFFFFF;
    EXPECT_EQ(tl, cell < buttons ? 0xFFFFFFu : 0xC8D0D4u) << name << " cell " << cell;
    EXPECT_EQ(br, cell < buttons ? 0x404040u : 0xC8D0D4u) << name << " cell " << cell;
  }
  imgfFre(img);
}

TEST(Pictures, ToolButtonsOfDocumentWindows) {
  expectButtonSheet("toolbtn_main.pxa", 120, 168, 32);
}

TEST(Pictures, ToolButtonsOfColourMapWindows) { expectButtonSheet("toolbtn_cmap.pxa", 120, 48, 9); }

TEST(Pictures, ProgramIconIsOne32By32Picture) {
  DB* list = icoOpen(resource("tde.ico").c_str());
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(dbCnt(list), 1);
  auto* img = static_cast<IMGF*>(dbTop(list));
  EXPECT_EQ(img->w, 32);
  EXPECT_EQ(img->h, 32);
  imgfListFre(list);
}

}  // namespace
