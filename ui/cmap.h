// The colour-map window of one document: the 256 entries of the document's
// colour map as a 16 x 16 grid of cells and the red, green, blue and alpha of
// the drawing colour as four bars. It is a document window itself: its
// picture is a 16 x 16 direct-colour image whose pixel i is entry i, so
// region tools work on it, and every change is pushed back to the owner.
#pragma once

#include "app/cwin.h"

class cCMAP : public cWIN {
 public:
  int32_t dragging;  // a press in the grid or the bars is being followed here
  int32_t repeat;    // arrow auto-repeat delay in 1/16 ticks

  explicit cCMAP(cWIN* doc);
  ~cCMAP() override;
  // Copies the owner's colour map and pen in, or pushes them back.
  void pull();
  void push();
  // Selects an entry or changes a bar at client (x, y); false when the
  // point belongs to a running tool or lies outside.
  bool hit(int x, int y);

  void onCommand(int id) override;
  void drawContent() override;
  void onMouseMove(int x, int y) override;
  void onLButtonDown(int x, int y) override;
  void onLButtonUp() override;
  void onTick() override;
  int onDestroy() override;
  double scale() override;
  double toWinX(double wx) override;
  double toWinY(double wy) override;
  double toWorldX(double x) override;
  double toWorldY(double y) override;

 private:
  int gridWidth() const { return width - 128; }
  void drawBars();
  void setChannel(int channel, int value);
};

// "カラーマップ": opens the colour-map window of a document at screen
// (sx, sy), unless it has one (or is one).
void cmapOpen(cWIN* doc, int sx, int sy);
