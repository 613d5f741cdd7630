#include "image/bm.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "image/bmlog.h"
#include "image/nearcache.h"
#include "tests/image/bmtest_util.h"

namespace {

const UNDOHDR* newestLog(const BM* bm) { return static_cast<const UNDOHDR*>(dbEnd(bm->undo)); }

TEST(BmNew, DefaultsAndGreyRamp) {
  BmPtr bm = indexed(3, 2);
  ASSERT_TRUE(bm);
  EXPECT_EQ(bm->cmap[0], rgbaMake(0, 0, 0, 0));
  EXPECT_EQ(bm->cmap[255], rgbaMake(255, 255, 255, 255));
  EXPECT_EQ(bm->cmap[7], rgbaMake(7, 7, 7, 255));
  EXPECT_EQ(bm->pen, 0);
  EXPECT_EQ(bm->ftype, 0);
  EXPECT_EQ(bm->fname[0], 0);
  EXPECT_EQ(bm->modified, 0);
  EXPECT_EQ(bm->cmapn, 256);
  ASSERT_NE(bm->undo, nullptr);
  EXPECT_EQ(dbCnt(bm->undo), 0);
  for (int i = 0; i < 6; i++) EXPECT_EQ(bm->buf[i], 0);
}

TEST(BmNew, GivenColourMapKeepsOnlyCmapnEntries) {
  std::vector<uint32_t> cmap(256, 0x11223344);
  BmPtr bm(bmNew(nullptr, 1, 2, 2, cmap.data(), 3));
  ASSERT_TRUE(bm);
  EXPECT_EQ(bm->cmap[2], 0x11223344u);
  EXPECT_EQ(bm->cmap[3], 0u);
  BmPtr clamped(bmNew(nullptr, 1, 1, 1, cmap.data(), 1000));
  ASSERT_TRUE(clamped);
  EXPECT_EQ(clamped->cmapn, 256);
}

TEST(BmNew, RefusesSizesItCannotHold) {
  EXPECT_EQ(bmNew(nullptr, 1, -1, 4, nullptr, 0), nullptr);
  EXPECT_EQ(bmNew(nullptr, 4, 4, -1, nullptr, 0), nullptr);
  EXPECT_EQ(bmNew(nullptr, 4, INT_MAX, INT_MAX, nullptr, 0), nullptr);
  EXPECT_EQ(bmNew(nullptr, 1, 1 << 16, (1 << 10) + 1, nullptr, 0), nullptr);
  EXPECT_EQ(bmNew(nullptr, 3, 2, 2, nullptr, 0), nullptr);
  EXPECT_FALSE(bmSizeOk(int64_t(BM_MAXPIXELS) + 1, 1, 1));
  EXPECT_TRUE(bmSizeOk(BM_MAXPIXELS, 1, 4));
  // An empty image is valid and has no buffer.
  BmPtr empty(bmNew(nullptr, 4, 0, 5, nullptr, 0));
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->buf, nullptr);
  EXPECT_EQ(bmPget(empty.get(), 0, 0), 0u);
}

TEST(BmDup, CopiesPixelsFormatAndMeaningfulEntriesOnly) {
  BmPtr src = indexed(2, 2, {1, 2, 3, 4});
  src->cmapn = 16;
  src->pen = 9;
  src->ftype = BMF_BMP;
  src->modified = 1;
  std::strcpy(src->fname, "a.bmp");
  bmPut(src.get(), 0, 0, 5, 1);
  BmPtr copy(bmDup(src.get()));
  ASSERT_TRUE(copy);
  EXPECT_EQ(std::memcmp(copy->buf, src->buf, 4), 0);
  EXPECT_EQ(copy->cmap[15], rgbaMake(15, 15, 15, 255));
  EXPECT_EQ(copy->cmap[16], 0u);
  EXPECT_EQ(copy->cmap[255], 0u);
  EXPECT_EQ(copy->ftype, BMF_BMP);
  EXPECT_EQ(copy->pen, 0);
  EXPECT_EQ(copy->modified, 0);
  EXPECT_EQ(copy->fname[0], 0);
  EXPECT_EQ(dbCnt(copy->undo), 0);
  EXPECT_EQ(bmDup(nullptr), nullptr);
  bmFre(nullptr);
}

TEST(BmPixels, ReadOutsideAnswersZero) {
  BmPtr bm = direct(2, 2, {0xff010203, 0xff040506, 0xff070809, 0xff0a0b0c});
  EXPECT_EQ(bmPget(bm.get(), 1, 1), 0xff0a0b0cu);
  EXPECT_EQ(bmPget(bm.get(), 2, 0), 0u);
  EXPECT_EQ(bmPget(bm.get(), 0, -1), 0u);
  bm->bpp = 2;  // a record with an unsupported depth is refused, not read
  EXPECT_EQ(bmPget(bm.get(), 0, 0), 0u);
  bm->bpp = 4;
}

TEST(BmPixels, DirectAndRawWritesStoreTheValue) {
  BmPtr d = direct(2, 1);
  EXPECT_EQ(bmpset(d.get(), 1, 0, 0x80112233, 0), 0u);
  EXPECT_EQ(bmpset(d.get(), 1, 0, 0x01020304, 1), 0x80112233u);
  EXPECT_EQ(bmPget(d.get(), 1, 0), 0x01020304u);
  EXPECT_EQ(d->modified, 1);
  BmPtr i = indexed(1, 1);
  EXPECT_EQ(bmpset(i.get(), 0, 0, 0x1234, 1), 0u);
  EXPECT_EQ(bmPget(i.get(), 0, 0), 0x34u);
}

TEST(BmPixels, IndexedBlendingPicksNearestOfTheMix) {
  BmPtr bm = indexed(1, 1, {100});
  // Opaque colour: the nearest entry of the colour itself.
  EXPECT_EQ(bmpset(bm.get(), 0, 0, rgbaMake(40, 42, 44, 255), 0), 100u);
  EXPECT_EQ(bmPget(bm.get(), 0, 0), 42u);
  // Half-transparent red over grey 100 mixes to (150, 49, 74, 191).
  bm->cmap[7] = rgbaMake(150, 49, 74, 191);
  bm->buf[0] = 100;
  bmpset(bm.get(), 0, 0, rgbaMake(200, 0, 50, 128), 0);
  EXPECT_EQ(bmPget(bm.get(), 0, 0), 7u);
  // Fully transparent: the old colour again, but a lower entry of equal colour wins.
  bm->cmap[3] = bm->cmap[100];
  bm->buf[0] = 100;
  bmpset(bm.get(), 0, 0, rgbaMake(255, 0, 0, 0), 0);
  EXPECT_EQ(bmPget(bm.get(), 0, 0), 3u);
}

TEST(BmNear, TiesGoToTheLowestIndexAndAlphaCounts) {
  BmPtr bm = indexed(1, 1);
  bm->cmap[200] = rgbaMake(1, 2, 3, 4);
  bm->cmap[201] = rgbaMake(1, 2, 3, 4);
  const uint8_t c[4] = {1, 2, 3, 4};
  EXPECT_EQ(bmNear(bm.get(), c), 200);
  // Black with alpha 255 is entry 1's neighbour, not the transparent entry 0.
  const uint8_t opaqueBlack[4] = {0, 0, 0, 255};
  EXPECT_EQ(bmNear(bm.get(), opaqueBlack), 1);
  // Entries past cmapn take part too.
  bm->cmapn = 2;
  const uint8_t white[4] = {255, 255, 255, 255};
  EXPECT_EQ(bmNear(bm.get(), white), 255);
}

TEST(BmNear, ColourAsBytesOrAsValueAgree) {
  BmPtr bm = indexed(1, 1);
  bm->cmap[200] = rgbaMake(10, 200, 30, 128);
  const uint32_t value = rgbaMake(12, 198, 31, 130);
  const uint8_t bytes[4] = {12, 198, 31, 130};
  EXPECT_EQ(bmNear(bm.get(), bytes), 200);
  EXPECT_EQ(bmNear(bm.get(), value), 200);
  EXPECT_EQ(bmNear(bm.get(), &value), 200);  // the value's bytes are R, G, B, A
  // 0 is transparent black: entry 0 itself, not a missing colour.
  EXPECT_EQ(bmNear(bm.get(), 0), 0);
  EXPECT_EQ(bmNear(bm.get(), 0xff808080), 128);
  // Alpha weighs like a colour channel: half-transparent grey 128 lies
  // nearer to opaque grey 64 than to the transparent entry 0.
  EXPECT_EQ(bmNear(bm.get(), rgbaMake(64, 64, 64, 128)), 64);
}

TEST(BmNear, CacheSearchesOncePerDistinctColour) {
  BmPtr bm = indexed(1, 1);
  NearCache cache(bm->cmap);
  for (int round = 0; round < 3; round++)
    for (uint32_t c = 0; c < 5000; c++) {
      uint32_t colour = rgbaMake(c & 255, c >> 8, 7, 255);
      ASSERT_EQ(cache.find(colour), cmapNear(bm->cmap, colour));
    }
  EXPECT_EQ(cache.searches(), 5000u);
}

TEST(BmPut, LogsOldValueAsOnePointLine) {
  BmPtr bm = direct(3, 3);
  bmpset(bm.get(), 2, 1, 0xaabbccdd, 0);
  EXPECT_EQ(bmPut(bm.get(), 2, 1, 0x01020304, 0), 0xaabbccddu);
  ASSERT_EQ(dbCnt(bm->undo), 1);
  const UNDOHDR* h = newestLog(bm.get());
  EXPECT_EQ(h->kind, UNDO_LINE);
  EXPECT_EQ(h->x0, 2);
  EXPECT_EQ(h->y0, 1);
  EXPECT_EQ(h->x1, 2);
  EXPECT_EQ(h->y1, 1);
  EXPECT_EQ(h->extra, 1);
  ASSERT_EQ(dbKeyLen(h), 4u);
  uint32_t saved;
  std::memcpy(&saved, dbKey(h), 4);
  EXPECT_EQ(saved, 0xaabbccddu);
  // Outside: nothing written, nothing logged.
  EXPECT_EQ(bmPut(bm.get(), 3, 0, 5, 0), 0u);
  EXPECT_EQ(bmPut(bm.get(), -1, 0, 5, 0), 0u);
  EXPECT_EQ(dbCnt(bm->undo), 1);
}

TEST(BmPut, IndexedPayloadIsOneByte) {
  BmPtr bm = indexed(2, 2, {0, 0, 0, 9});
  EXPECT_EQ(bmPut(bm.get(), 1, 1, 4, 1), 9u);
  ASSERT_EQ(dbKeyLen(newestLog(bm.get())), 1u);
  EXPECT_EQ(*static_cast<uint8_t*>(dbKey(newestLog(bm.get()))), 9);
}

TEST(BmPenRgb, DropsAlpha) {
  BmPtr bm = indexed(1, 1);
  bm->cmap[5] = rgbaMake(1, 2, 3, 200);
  bm->pen = 5;
  EXPECT_EQ(bmPenRgb(bm.get()), 0x030201u);
}

TEST(Rect, GetZeroesWhatLiesOutsideTheSource) {
  const uint8_t src[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  uint8_t dst[4];
  std::memset(dst, 0xee, sizeof dst);
  EXPECT_EQ(rectGet(dst, src, 3, 3, 2, -1, 2, 2, 1), 1);
  EXPECT_EQ(std::vector<uint8_t>(dst, dst + 4), (std::vector<uint8_t>{0, 0, 3, 0}));
  std::memset(dst, 0xee, sizeof dst);
  EXPECT_EQ(rectGet(dst, src, 3, 3, 3, 0, 2, 2, 1), 0);
  EXPECT_EQ(std::vector<uint8_t>(dst, dst + 4), (std::vector<uint8_t>(4, 0)));
  // Far away rectangles do not wrap around into the source.
  EXPECT_EQ(rectGet(dst, src, 3, 3, INT_MAX - 1, INT_MAX - 1, 2, 2, 1), 0);
}

TEST(Rect, PutClipsToTheDestination) {
  const uint32_t src[4] = {1, 2, 3, 4};
  uint32_t dst[9] = {};
  EXPECT_EQ(rectPut(src, dst, 3, 3, -1, 2, 2, 2, 4), 1);
  EXPECT_EQ(dst[6], 2u);
  for (int i = 0; i < 9; i++) {
    if (i != 6) {
      EXPECT_EQ(dst[i], 0u) << i;
    }
  }
  EXPECT_EQ(rectPut(src, dst, 3, 3, 3, 3, 2, 2, 4), 0);
  EXPECT_EQ(rectPut(src, dst, 3, 3, INT_MIN, 0, 2, 2, 4), 0);
}

TEST(BmCrop, PastTheEdgeIsZero) {
  BmPtr bm = direct(2, 2, {0xff000001, 0xff000002, 0xff000003, 0xff000004});
  bm->pen = 17;
  bm->cmapn = 4;
  BmPtr q(bmCrop(bm.get(), 1, 0, 3, 1));
  ASSERT_TRUE(q);
  EXPECT_EQ(q->w, 3);
  EXPECT_EQ(q->h, 1);
  EXPECT_EQ(bmPget(q.get(), 0, 0), 0xff000002u);
  EXPECT_EQ(bmPget(q.get(), 1, 0), 0u);
  EXPECT_EQ(bmPget(q.get(), 2, 0), 0u);
  EXPECT_EQ(q->pen, 17);
  EXPECT_EQ(q->cmapn, 4);
  EXPECT_EQ(q->cmap[3], rgbaMake(3, 3, 3, 255));
  EXPECT_EQ(q->cmap[4], rgbaMake(4, 4, 4, 255)) << "entries from cmapn on go along";
  EXPECT_EQ(bmCrop(bm.get(), 0, 0, -1, 2), nullptr);
}

TEST(BmCrop, IndexedPastTheEdgeIsIndexZero) {
  BmPtr bm = indexed(3, 2, {1, 2, 3, 4, 5, 6});
  BmPtr q(bmCrop(bm.get(), 1, 1, 4, 2));
  ASSERT_TRUE(q);
  EXPECT_EQ(q->bpp, 1);
  EXPECT_EQ(indices(q.get()), (std::vector<uint8_t>{5, 6, 0, 0, 0, 0, 0, 0}));
  // Entirely outside: an image of zeros of the asked size.
  BmPtr away(bmCrop(bm.get(), -9, 5, 2, 2));
  ASSERT_TRUE(away);
  EXPECT_EQ(indices(away.get()), (std::vector<uint8_t>(4, 0)));
}

TEST(BmAdapt, IndexedToIndexedCopiesOrRemapsThroughTheMap) {
  BmPtr target = indexed(1, 1);
  BmPtr src = indexed(3, 1, {0, 9, 200});
  BmPtr same(bmAdapt(target.get(), src.get()));
  ASSERT_TRUE(same);
  EXPECT_EQ(std::vector<uint8_t>(same->buf, same->buf + 3), (std::vector<uint8_t>{0, 9, 200}));
  // Another map: every entry goes to the target's nearest.
  src->cmap[9] = rgbaMake(30, 30, 30, 255);
  src->cmap[200] = rgbaMake(0, 0, 0, 255);
  target->cmapn = 5;
  BmPtr mapped(bmAdapt(target.get(), src.get()));
  ASSERT_TRUE(mapped);
  EXPECT_EQ(std::vector<uint8_t>(mapped->buf, mapped->buf + 3), (std::vector<uint8_t>{0, 30, 1}));
  EXPECT_EQ(mapped->bpp, 1);
  EXPECT_EQ(mapped->cmapn, 5);
}

TEST(BmAdapt, BetweenColourModels) {
  BmPtr idx = indexed(2, 1, {0, 77});
  BmPtr dir = direct(2, 1, {rgbaMake(10, 10, 10, 255), rgbaMake(250, 251, 252, 255)});
  BmPtr asIndices(bmAdapt(idx.get(), dir.get()));
  ASSERT_TRUE(asIndices);
  EXPECT_EQ(bmPget(asIndices.get(), 0, 0), 10u);
  EXPECT_EQ(bmPget(asIndices.get(), 1, 0), 251u);
  BmPtr asColours(bmAdapt(dir.get(), idx.get()));
  ASSERT_TRUE(asColours);
  EXPECT_EQ(asColours->bpp, 4);
  EXPECT_EQ(bmPget(asColours.get(), 0, 0), 0u);
  EXPECT_EQ(bmPget(asColours.get(), 1, 0), rgbaMake(77, 77, 77, 255));
  BmPtr copied(bmAdapt(dir.get(), dir.get()));
  ASSERT_TRUE(copied);
  EXPECT_EQ(std::memcmp(copied->buf, dir->buf, 8), 0);
}

TEST(BmPaste, TransparentIndexedKeepsPixelsUnderIndexZero) {
  BmPtr target = indexed(3, 1, {5, 6, 7});
  BmPtr src = indexed(3, 1, {0, 40, 0});
  bmPaste(target.get(), src.get(), 0, 0, 1);
  EXPECT_EQ(std::vector<uint8_t>(target->buf, target->buf + 3), (std::vector<uint8_t>{5, 40, 7}));
  EXPECT_EQ(target->modified, 1);
  bmPaste(target.get(), src.get(), 0, 0, 0);
  EXPECT_EQ(std::vector<uint8_t>(target->buf, target->buf + 3), (std::vector<uint8_t>{0, 40, 0}));
}

TEST(BmPaste, AtNegativeCornerLogsTheWholeRectangle) {
  BmPtr target = indexed(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
  std::vector<uint8_t> px(16, 50);
  BmPtr src = indexed(4, 4, px);
  bmPaste(target.get(), src.get(), -3, -3, 0);
  EXPECT_EQ(std::vector<uint8_t>(target->buf, target->buf + 9),
            (std::vector<uint8_t>{50, 2, 3, 4, 5, 6, 7, 8, 9}));
  ASSERT_EQ(dbCnt(target->undo), 1);
  const UNDOHDR* h = newestLog(target.get());
  EXPECT_EQ(h->kind, UNDO_RECT);
  EXPECT_EQ(h->x0, -3);
  EXPECT_EQ(h->y0, -3);
  EXPECT_EQ(h->x1, 1);
  EXPECT_EQ(h->y1, 1);
  ASSERT_EQ(dbKeyLen(h), 16u);
  auto* saved = static_cast<const uint8_t*>(dbKey(h));
  for (int i = 0; i < 15; i++) {
    EXPECT_EQ(saved[i], 0) << i;
  }
  EXPECT_EQ(saved[15], 1);
}

TEST(BmPaste, DirectIntoIndexedBlendsOverTheTarget) {
  BmPtr target = indexed(2, 1, {100, 100});
  target->cmap[7] = rgbaMake(150, 49, 74, 191);
  BmPtr src = direct(2, 1, {rgbaMake(200, 0, 50, 128), rgbaMake(0, 0, 0, 0)});
  bmPaste(target.get(), src.get(), 0, 0, 0);
  EXPECT_EQ(bmPget(target.get(), 0, 0), 7u);
  EXPECT_EQ(bmPget(target.get(), 1, 0), 100u);
}

TEST(BmPaste, DirectTargetCopiesOrBlends) {
  BmPtr target = direct(2, 1, {rgbaMake(100, 100, 100, 255), rgbaMake(100, 100, 100, 255)});
  BmPtr src = direct(1, 1, {rgbaMake(200, 0, 50, 128)});
  bmPaste(target.get(), src.get(), 0, 0, 1);
  EXPECT_EQ(bmPget(target.get(), 0, 0), rgbaMake(150, 49, 74, 191));
  bmPaste(target.get(), src.get(), 1, 0, 0);
  EXPECT_EQ(bmPget(target.get(), 1, 0), rgbaMake(200, 0, 50, 128));
  // An indexed source goes through its own colour map.
  BmPtr idx = indexed(1, 1, {33});
  bmPaste(target.get(), idx.get(), 1, 0, 0);
  EXPECT_EQ(bmPget(target.get(), 1, 0), rgbaMake(33, 33, 33, 255));
}

}  // namespace
