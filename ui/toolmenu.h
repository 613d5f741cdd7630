// The tool menus: small palettes of 24 x 24 buttons, one per tool. A left
// press queues the tool's command for the menu's owner window and frames the
// button while the command runs; a right press shows the tool's name in a
// tips window until the button is released. One menu serves document
// windows, one colour-map windows.
#pragma once

#include "std/xwin.h"

struct BM;
struct TOOLDEF;

class cTIPSWIN : public cXWIN {
 public:
  const char* text = "";
  cTIPSWIN();
  void drawContent() override;
  void onRButtonUp() override;
};

// One button: its cell in client pixels, how many of its commands are
// queued or running, and the tool's name.
struct TOOLBTN {
  int32_t x, y, w, h;
  int32_t pressed;
  const char* name;
};

class cTOOLMN : public cXWIN {
 public:
  enum { MAIN = 0, CMAP = 1 };
  cTIPSWIN tips;
  DB* buttons;  // TOOLBTN records keyed by command id
  int32_t table;

  explicit cTOOLMN(int32_t table);
  ~cTOOLMN() override;
  // Opens the menu at screen (sx, sy) for `target`, closing it first when
  // it is open elsewhere.
  void openFor(cXWIN* target, int sx, int sy);
  // A command this menu queued has ended.
  void toolEnded(int32_t cmd);
  // The command of the button at client (x, y), or 0.
  int32_t commandAt(int x, int y) const;

  void drawContent() override;
  void onLButtonDown(int x, int y) override;
  void onRButtonDown(int x, int y) override;
  void onRButtonUp() override;
  int onDestroy() override;

 private:
  void rebuild();
  const TOOLDEF* entries() const;
  BM* picture;
};

// The program's two tool menus.
cTOOLMN& toolMenu(int32_t table);
