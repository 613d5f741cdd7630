#include "image/bmlog.h"

#include <cstring>

#include "image/bm.h"

uint8_t* bmLogAdd(BM* bm, const UNDOHDR& hdr, uint32_t len) {
  if (!bm || !bm->undo) return nullptr;
  void* rec = dbPut(bm->undo, nullptr, len, &hdr, sizeof hdr);
  return static_cast<uint8_t*>(dbKey(rec));
}

int bmLogRect(BM* bm, int x, int y, int w, int h) {
  if (!bm || !bm->undo || !bmSizeOk(w, h, bm->bpp)) return 0;
  if (int64_t(x) + w > INT32_MAX || int64_t(y) + h > INT32_MAX) return 0;
  UNDOHDR hdr = {UNDO_RECT, x, y, x + w, y + h, 0};
  auto len = static_cast<uint32_t>(static_cast<size_t>(w) * h * bm->bpp);
  uint8_t* saved = bmLogAdd(bm, hdr, len);
  rectGet(saved, bm->buf, bm->w, bm->h, x, y, w, h, bm->bpp);
  return 1;
}

int bmLogCmap(BM* bm) {
  if (!bm || !bm->undo) return 0;
  UNDOHDR hdr = {UNDO_CMAP, 0, 0, 0, 0, 0};
  uint8_t* saved = bmLogAdd(bm, hdr, sizeof bm->cmap);
  std::memcpy(saved, bm->cmap, sizeof bm->cmap);
  return 1;
}

int bmLogImage(BM* bm) {
  if (!bm || !bm->undo || !bmSizeOk(bm->w, bm->h, bm->bpp)) return 0;
  UNDOHDR hdr = {UNDO_IMAGE, 0, 0, bm->w, bm->h, bm->bpp};
  auto len = static_cast<uint32_t>(static_cast<size_t>(bm->w) * bm->h * bm->bpp);
  uint8_t* saved = bmLogAdd(bm, hdr, len);
  if (len) std::memcpy(saved, bm->buf, len);
  return 1;
}
