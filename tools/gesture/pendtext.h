// Text being typed with the text tool: at most one line per document window,
// owned by the window, shown stamped over the picture while it is typed and
// stamped into the picture when it is committed. The window keeps the record
// (the host's winText); the platform renders its glyph image.
#pragma once

#include <cstdint>

class cXWIN;
struct BM;

constexpr int PTEXT_MAX = 256;  // bytes of Shift-JIS text

struct PTEXT {
  int32_t x, y;  // top-left corner in image coordinates
  int32_t len;   // bytes used
  char text[PTEXT_MAX];
  int32_t droptrail;  // the next byte is the trail of a lead byte that did not fit
  BM* glyph;          // rendered text (8-bit grey, black background), or null
};

PTEXT* ptextNew(int32_t x, int32_t y);
void ptextFree(PTEXT* t);

// One typed character byte: 8 removes the last character (both bytes of a
// double-byte one), other control characters are ignored, a byte that does
// not fit (a double-byte character needs room for both) is dropped.
// Answers whether the text changed.
bool ptextKey(PTEXT* t, int ch);

// The picture under the text with the text stamped on, for painting; null
// when there is nothing to show.
BM* ptextPreview(const BM* image, const PTEXT* t);

// Character input to a window: Enter commits its pending text, other
// characters edit it and render it again. Ignored without pending text.
void textChar(cXWIN* w, int ch);
// Stamps the window's pending text into its picture as one undo step (no
// step for empty text) and frees it.
void textCommitPending(cXWIN* w);
// Frees the window's pending text without stamping.
void textDiscard(cXWIN* w);
