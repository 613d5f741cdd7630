// Document window: shows one image magnified with optional pixel and
// character grids and the tools' overlays, turns mouse input into events for
// the tools, carries the document menu, asks before unsaved work is lost and
// ends the program when the last document goes.
#pragma once

#include "app/evt.h"
#include "app/evthost.h"
#include "image/bm.h"
#include "std/xwin.h"
#include "tools/gesture/colcnv.h"
#include "tools/gesture/pendtext.h"

class cWIN : public cXWIN {
 public:
  BM* image;         // owned
  CMD cmdtpl;        // (this, id, no menu) copied into cmdque
  int32_t chargrid;  // character grid spacing in pixels, 0 = off
  int32_t pixgrid;   // 1 = pixel grid on
  int32_t kind;      // WIN_DOC, or WIN_CMAP for a colour-map window
  cWIN* cmapwin;     // this document's colour-map window, or null
  DB* overlays;      // (draw routine, data) records of running tools
  COLCNV colcnv;     // colour-conversion settings and saved selection
  PTEXT* ptext;      // text being typed with the text tool, owned; or null

  cWIN();
  ~cWIN() override;

  // Opens the file (or a new image for a missing one) in this window;
  // 1 when the window was created.
  int winOpenFile(const char* path);
  // Shows the image (taking ownership) with a client of w x max(h, 80);
  // 1 when the window was created. On failure the image stays the caller's.
  int winShowImage(BM* bm, int w, int h);

  void onCommand(int id) override;
  void drawContent() override;
  void paint() override;
  void onMouseMove(int x, int y) override;
  void onLButtonDown(int x, int y) override;
  void onLButtonUp() override;
  void onRButtonDown(int x, int y) override;
  void onRButtonUp() override;
  int onSetCursor() override;
  void onChar(int ch) override;
  void onDropFile(const char* path) override;
  void onAfterTick() override;
  int onExitCommand() override;
  int queryClose() override;
  int onDestroy() override;

 private:
  void buttonDown(int x, int y, int32_t bit);
  void buttonUp(int32_t bit);
};

// The window of a handle when it is a live document or colour-map window.
cWIN* cwinOf(HWND h);
// Number of document windows that exist.
int cwinDocCount();
// Opens a new document window on an image (taking ownership); the image is
// freed when the window cannot be created. 1 on success.
int cwinOpenImage(BM* bm);

// Draws a picture at image position (x, y) while the window paints.
void cwinDrawImage(cXWIN* w, const BM* bm, double x, double y);

// Handle of the window the timer ticks go to: the window of the latest
// mouse event. Written on the main thread, read by the timer's.
extern std::atomic<HWND> tickwin;
