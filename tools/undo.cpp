#include "tools/undo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tools/linewalk.h"

namespace {

struct Record {
  UNDOHDR hdr;
  const uint8_t* payload;
  size_t len;
};

Record recordOf(const void* lstp) {
  Record r;
  std::memcpy(&r.hdr, lstp, sizeof r.hdr);
  r.payload = static_cast<const uint8_t*>(dbKey(lstp));
  r.len = dbKeyLen(lstp);
  return r;
}

bool depthOk(const BM* bm) { return bm->bpp == 1 || bm->bpp == 4; }

// The walk is recomputed on the image as it is now; values go back in walk
// order, never more than were saved.
void replayLine(BM* bm, const Record& r, std::vector<LWPOINT>& pts) {
  if (!depthOk(bm) || !bm->buf) return;
  size_t bpp = bm->bpp;
  const UNDOHDR& h = r.hdr;
  if (h.y0 == h.y1 && h.y0 >= 0 && h.y0 < bm->h && h.x0 >= 0 && h.x0 <= h.x1 && h.x1 < bm->w) {
    // A left-to-right row inside the image (every fill span): its walk is
    // the run of columns x0.., so the values go back in one copy.
    size_t n = static_cast<size_t>(h.x1 - h.x0) + (h.extra ? 1 : 0);
    if (n > r.len / bpp) n = r.len / bpp;
    std::memcpy(bm->buf + (static_cast<size_t>(h.y0) * bm->w + h.x0) * bpp, r.payload, n * bpp);
    return;
  }
  size_t n = lineWalk(bm->w, bm->h, r.hdr.x0, r.hdr.y0, r.hdr.x1, r.hdr.y1, r.hdr.extra, pts);
  if (n > r.len / bpp) n = r.len / bpp;
  for (size_t i = 0; i < n; i++) {
    size_t at = (static_cast<size_t>(pts[i].y) * bm->w + pts[i].x) * bpp;
    std::memcpy(bm->buf + at, r.payload + i * bpp, bpp);
  }
}

void replayRect(BM* bm, const Record& r) {
  if (!depthOk(bm)) return;
  int64_t w = int64_t(r.hdr.x1) - r.hdr.x0, h = int64_t(r.hdr.y1) - r.hdr.y0;
  if (!bmSizeOk(w, h, bm->bpp) || size_t(w) * size_t(h) * bm->bpp != r.len) {
    std::printf("undoApply:記録が画像に合いません\n");
    return;
  }
  rectPut(r.payload, bm->buf, bm->w, bm->h, r.hdr.x0, r.hdr.y0, int(w), int(h), bm->bpp);
}

void replayCmap(BM* bm, const Record& r) {
  std::memcpy(bm->cmap, r.payload, r.len < sizeof bm->cmap ? r.len : sizeof bm->cmap);
}

void replayImage(BM* bm, const Record& r) {
  int w = r.hdr.x1, h = r.hdr.y1, bpp = r.hdr.extra;
  if (!bmSizeOk(w, h, bpp) || size_t(w) * size_t(h) * size_t(bpp) != r.len) {
    std::printf("undoApply:記録が画像に合いません\n");
    return;
  }
  uint8_t* buf = nullptr;
  if (r.len) {
    buf = static_cast<uint8_t*>(std::malloc(r.len));
    if (!buf) {
      std::printf("undoApply:メモリが足りません\n");
      return;
    }
    std::memcpy(buf, r.payload, r.len);
  }
  std::free(bm->buf);
  bm->buf = buf;
  bm->w = w;
  bm->h = h;
  bm->bpp = bpp;
}

}  // namespace

void undoBegin(BM* bm) {
  if (bm && bm->undo) dbClr(bm->undo);
}

void undoApply(BM* bm) {
  if (!bm || !bm->undo) return;
  std::vector<LWPOINT> pts;
  for (void* p = dbEnd(bm->undo); p; p = dbBak(p)) {
    Record r = recordOf(p);
    switch (r.hdr.kind) {
      case UNDO_LINE:
        replayLine(bm, r, pts);
        break;
      case UNDO_RECT:
        replayRect(bm, r);
        break;
      case UNDO_CMAP:
        replayCmap(bm, r);
        break;
      case UNDO_IMAGE:
        replayImage(bm, r);
        break;
      default:
        break;
    }
  }
  dbClr(bm->undo);
}

int undoWholeImage(BM* bm) { return bmLogImage(bm); }

int undoBeginWholeImage(BM* bm) {
  undoBegin(bm);
  return undoWholeImage(bm);
}
