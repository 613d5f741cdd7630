// Colour conversion of a selection with its live preview: the tool saves the
// selection and converts it once, then posts CMD_COLCNV to the window, whose
// dialog moves the four settings; every change converts the saved copy again
// and pastes it, and a cancel pastes the saved copy back.
#pragma once

#include <cstdint>

#include "tools/gesture/toolframe.h"

struct BM;

// Private command that opens the colour-conversion dialog of a window.
constexpr int32_t CMD_COLCNV = 6809;

// One per window: the settings in percent (hue turn, saturation, value 0..200,
// alpha 0..100; 100 changes nothing but the alpha of visible pixels) and,
// while a conversion runs, the selection as it was before it.
struct COLCNV {
  int32_t hue = 100, sat = 100, val = 100, alpha = 100;
  BM* saved = nullptr;  // owned; null when no conversion runs
  int32_t x = 0, y = 0;
  cXWIN* win = nullptr;

  COLCNV() = default;
  COLCNV(const COLCNV&) = delete;
  COLCNV& operator=(const COLCNV&) = delete;
  ~COLCNV();
};

// Starts a conversion of the selection: settings back to 100, the selection
// saved, one undo step begun and the first conversion pasted. 0 when the
// window is gone or the selection cannot be copied.
int colcnvStart(COLCNV* c, const SEL& s);
// Converts the saved selection with the present settings and pastes it.
void colcnvApply(COLCNV* c);
// Ends the conversion; a cancelled one puts the saved selection back.
void colcnvEnd(COLCNV* c, int cancelled);
