// "色の変換": the modal dialog of a window's colour conversion, opened by the
// command the colour-conversion tool posts once it has saved the selection.
#pragma once

class cWIN;

// Runs dialog 135 on the window's conversion; nothing when none is running.
void colcnvDialog(cWIN* w);
