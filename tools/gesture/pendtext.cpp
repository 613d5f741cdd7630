#include "tools/gesture/pendtext.h"

#include <cstdlib>
#include <cstring>

#include "app/evthost.h"
#include "image/bm.h"
#include "tools/gesture/toolframe.h"
#include "tools/textstamp.h"
#include "tools/undo.h"

namespace {

constexpr int kEnter = 13, kBackspace = 8;

bool isLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Start of the last character: trail bytes look like lead or single bytes,
// so the walk starts at the beginning.
int lastCharStart(const PTEXT* t) {
  int i = 0, last = 0;
  while (i < t->len) {
    last = i;
    i += isLead(static_cast<uint8_t>(t->text[i])) ? 2 : 1;
  }
  return last;
}

// The text ends with a lead byte whose trail has not arrived yet.
bool awaitingTrail(const PTEXT* t) {
  if (t->len == 0) return false;
  const int last = lastCharStart(t);
  return last == t->len - 1 && isLead(static_cast<uint8_t>(t->text[last]));
}

}  // namespace

PTEXT* ptextNew(int32_t x, int32_t y) {
  auto* t = static_cast<PTEXT*>(std::calloc(1, sizeof(PTEXT)));
  if (t) t->x = x, t->y = y;
  return t;
}

void ptextFree(PTEXT* t) {
  if (!t) return;
  bmFre(t->glyph);
  std::free(t);
}

bool ptextKey(PTEXT* t, int ch) {
  if (ch == kBackspace) {
    t->droptrail = 0;
    if (t->len == 0) return false;
    t->len = lastCharStart(t);
    return true;
  }
  const auto b = static_cast<uint8_t>(ch);
  if (t->droptrail) {
    t->droptrail = 0;
    return false;
  }
  const bool trail = awaitingTrail(t);
  if (!trail && (b < 0x20 || b == 0x7F)) return false;
  // A double-byte character goes in whole or not at all.
  if (!trail && isLead(b) && t->len > PTEXT_MAX - 2) {
    t->droptrail = 1;
    return false;
  }
  if (t->len >= PTEXT_MAX) return false;
  t->text[t->len++] = static_cast<char>(b);
  return true;
}

BM* ptextPreview(const BM* image, const PTEXT* t) {
  if (!image || !t || !t->glyph || t->len == 0) return nullptr;
  BM* crop = bmCrop(image, t->x, t->y, t->glyph->w, t->glyph->h);
  if (crop) textStamp(crop, t->glyph);
  return crop;
}

void textChar(cXWIN* w, int ch) {
  PTEXT* t = evthost->winText(w);
  if (!t) return;
  if (ch > 0xFF) {
    // Both bytes of a double-byte character in one message.
    textChar(w, (ch >> 8) & 0xFF);
    textChar(w, ch & 0xFF);
    return;
  }
  if (ch == kEnter) {
    textCommitPending(w);
    return;
  }
  if (!ptextKey(t, ch)) return;
  evthost->textRender(w, t);
  evthost->winRepaint(w);
}

void textCommitPending(cXWIN* w) {
  if (!w || !evthost->winAlive(w)) return;
  PTEXT* t = evthost->winText(w);
  if (!t) return;
  evthost->winSetText(w, nullptr);
  BM* bm = evthost->winImage(w);
  if (bm && t->glyph && t->len > 0) {
    undoBegin(bm);
    textCommit(bm, t->glyph, t->x, t->y, opaqueflag);
  }
  ptextFree(t);
  toolChanged(w);
}

void textDiscard(cXWIN* w) {
  if (!w || !evthost->winAlive(w)) return;
  PTEXT* t = evthost->winText(w);
  if (!t) return;
  evthost->winSetText(w, nullptr);
  ptextFree(t);
  evthost->winRepaint(w);
}
