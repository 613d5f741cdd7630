// The context menu of a held right button: the only way to the tool menus,
// the drawing settings, the colour-map window and the properties.
#include "app/ctxmenu.h"

#include "app/cwin.h"
#include "ui/cmap.h"
#include "ui/settings.h"
#include "ui/toolmenu.h"

void ctxMenu(cWIN* w, int x, int y) {
  const bool cmap = w->kind == WIN_CMAP;
  const int item = popup(
      w, x + 2, y + 2, cmap ? "ツールメニュー" : "ツールメニュー 描画設定 カラーマップ プロパティ");
  POINT at{0, 0};
  GetCursorPos(&at);
  if (!xwinAlive(w)) return;
  switch (item) {
    case 0:
      toolMenu(cmap ? cTOOLMN::CMAP : cTOOLMN::MAIN).openFor(w, at.x, at.y);
      break;
    case 1:
      drawSettingsOpen(w);
      break;
    case 2:
      cmapOpen(w, at.x, at.y);
      break;
    case 3:
      propertiesDialog(w);
      break;
  }
}
