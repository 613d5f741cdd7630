// The dialogs opened from the context menu and the binarise command:
// drawing settings (modeless, acts live), properties (modal) and binarise
// (modeless, previews live).
#pragma once

#include "std/xwin.h"

class cWIN;

// "描画設定": closes an open one, then opens it again owned by `owner`.
void drawSettingsOpen(cXWIN* owner);
// "プロパティ": shows the picture's size, colour model and colour count; on
// "OK" a new size or colour model is applied as one undo step.
void propertiesDialog(cWIN* w);
// "２値化" of the window's picture, previewed while the threshold moves;
// "ｷｬﾝｾﾙ" puts the picture back.
void binariseOpen(cWIN* w);
