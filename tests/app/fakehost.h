// A scripted host for the queues and tools: windows are plain records with
// an image and a scale, the pump plays a script of timed mouse actions, and
// the clock is the time of the last action played. When the script runs out
// the pump answers "quit", so every loop under test ends.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/evt.h"
#include "app/evthost.h"
#include "image/bm.h"
#include "tools/gesture/colcnv.h"
#include "tools/gesture/pendtext.h"
#include "tools/gesture/toolframe.h"

struct FakeWin {
  BM* bm = nullptr;
  int kind = WIN_DOC;
  double scale = 1;  // client pixels per image pixel
  DB* overlays = dbNew(DBT_PTR, DBT_BIN, 0, 4096);
  FakeWin* partner = nullptr;
  bool alive = true;
  int repaints = 0;
  int pushes = 0, pulls = 0;
  COLCNV colcnv;
  PTEXT* text = nullptr;
  int renders = 0;
  ~FakeWin() {
    dbFre(overlays);
    bmFre(bm);
    ptextFree(text);
  }
  cXWIN* w() { return reinterpret_cast<cXWIN*>(this); }
};

inline FakeWin* fw(cXWIN* w) { return reinterpret_cast<FakeWin*>(w); }

class FakeHost : public EVTHOST {
 public:
  struct Step {
    int64_t t;
    std::function<void()> act;
  };
  std::deque<Step> script;
  int64_t now = 0;
  std::vector<FakeWin*> wins;
  std::vector<std::string> log;  // ctxMenu, toolEnded, posts and drawing calls
  int cursorDepthMax = 0;

  FakeHost() {
    evtInit();
    toolSettingsInit();
    evthost = this;
  }
  ~FakeHost() override {
    bmFre(drawn);
    evtFree();
    evthost = nullptr;
  }

  // Script helpers; times in ms, positions in client pixels.
  void at(int64_t t, std::function<void()> f) { script.push_back({t, std::move(f)}); }
  void move(int64_t t, FakeWin* w, int x, int y) {
    at(t, [=] { evtMove(w->w(), x, y); });
  }
  void down(int64_t t, FakeWin* w, int x, int y, int bit) {
    at(t, [=] { evtDown(w->w(), x, y, bit); });
  }
  void up(int64_t t, FakeWin* w, int bit) {
    at(t, [=] { evtUp(w->w(), bit); });
  }
  // Timer ticks every 32 ms in [from, to].
  void ticks(int64_t from, int64_t to, FakeWin* w) {
    for (int64_t t = from; t <= to; t += 32) at(t, [=] { evtRepeat(w->w()); });
  }
  // A left drag from (x0, y0) to (x1, y1) in client pixels, held long enough
  // to count as a drag, starting at time t; answers the time after it.
  int64_t drag(int64_t t, FakeWin* w, int x0, int y0, int x1, int y1) {
    move(t, w, x0, y0);
    down(t + 1, w, x0, y0, EVT_LEFT);
    move(t + 200, w, x1, y1);
    up(t + 210, w, EVT_LEFT);
    return t + 300;
  }
  // A right button held until the context menu would open (ends a tool).
  int64_t rightHold(int64_t t, FakeWin* w, int x, int y) {
    down(t, w, x, y, EVT_RIGHT);
    ticks(t + 32, t + 224, w);
    up(t + 230, w, EVT_RIGHT);
    return t + 300;
  }
  int64_t rightClick(int64_t t, FakeWin* w, int x, int y) {
    down(t, w, x, y, EVT_RIGHT);
    up(t + 20, w, EVT_RIGHT);
    return t + 100;
  }

  int pumpMessage() override {
    if (script.empty()) return 0;
    Step s = std::move(script.front());
    script.pop_front();
    if (s.t > now) now = s.t;
    s.act();
    return 1;
  }
  int64_t clockMs() override { return now; }
  int windowCount() override {
    int n = 0;
    for (FakeWin* w : wins) n += w->alive;
    return n;
  }
  int winAlive(cXWIN* w) override {
    for (FakeWin* f : wins)
      if (f->w() == w) return f->alive;
    return 0;
  }
  BM* winImage(cXWIN* w) override { return fw(w)->bm; }
  int winKind(cXWIN* w) override { return fw(w)->kind; }
  double winWorldX(cXWIN* w, double x) override { return x / fw(w)->scale; }
  double winWorldY(cXWIN* w, double y) override { return y / fw(w)->scale; }
  void winRepaint(cXWIN* w) override {
    FakeWin* f = fw(w);
    f->repaints++;
    ovlPaint(w, f->overlays);
  }
  DB* winOverlays(cXWIN* w) override { return fw(w)->overlays; }
  cXWIN* winPartner(cXWIN* w) override {
    FakeWin* p = fw(w)->partner;
    return p ? p->w() : nullptr;
  }
  void cmapPull(cXWIN* w) override { fw(w)->pulls++; }
  void cmapPush(cXWIN* w) override { fw(w)->pushes++; }
  COLCNV* winColcnv(cXWIN* w) override { return &fw(w)->colcnv; }
  void winPost(cXWIN*, int32_t cmd) override { log.push_back("post " + std::to_string(cmd)); }
  void ctxMenu(cXWIN*, int x, int y) override {
    log.push_back("menu " + std::to_string(x) + "," + std::to_string(y));
  }
  void toolEnded(cXWIN*, int32_t cmd) override { log.push_back("ended " + std::to_string(cmd)); }
  void* toolCursor(int slot) override { return reinterpret_cast<void*>(intptr_t(slot + 1)); }
  void cursorChanged() override { cursorDepthMax = std::max(cursorDepthMax, dbCnt(curstack)); }
  void drawLine(cXWIN*, double x0, double y0, double x1, double y1, uint32_t) override {
    log.push_back("line " + num(x0) + "," + num(y0) + "-" + num(x1) + "," + num(y1));
  }
  void drawRect(cXWIN*, double x0, double y0, double x1, double y1, uint32_t) override {
    log.push_back("rect " + num(x0) + "," + num(y0) + "-" + num(x1) + "," + num(y1));
  }
  void drawEllipse(cXWIN*, double cx, double cy, double rx, double ry, uint32_t) override {
    log.push_back("ellipse " + num(cx) + "," + num(cy) + " " + num(rx) + "," + num(ry));
  }
  // Keeps a copy of the last picture drawn.
  void drawImage(cXWIN*, const BM* bm, double x, double y) override {
    log.push_back("image " + num(x) + "," + num(y));
    bmFre(drawn);
    drawn = bmDup(bm);
  }
  int openImage(BM* bm) override {
    auto* f = new FakeWin;
    f->bm = bm;
    wins.push_back(f);
    return 1;
  }
  PTEXT* winText(cXWIN* w) override { return fw(w)->text; }
  void winSetText(cXWIN* w, PTEXT* t) override { fw(w)->text = t; }
  // A glyph of 4 columns per byte, 8 rows: row y inked where bit y of the
  // byte is set, the fourth column blank.
  void textRender(cXWIN* w, PTEXT* t) override {
    fw(w)->renders++;
    bmFre(t->glyph);
    t->glyph = bmNew(nullptr, 1, 4 * t->len, 8, nullptr, 256);
    for (int i = 0; i < t->len; i++)
      for (int y = 0; y < 8; y++)
        for (int x = 0; x < 3; x++)
          if ((static_cast<uint8_t>(t->text[i]) >> y) & 1) bmpset(t->glyph, 4 * i + x, y, 255, 1);
  }
  BM* drawn = nullptr;

  FakeWin* open(int bpp, int w, int h, double scale = 1) {
    auto* f = new FakeWin;
    f->bm = bmNew(nullptr, bpp, w, h, nullptr, 256);
    f->scale = scale;
    wins.push_back(f);
    return f;
  }
  void closeAll() {
    for (FakeWin* f : wins) delete f;
    wins.clear();
  }
  bool logged(const std::string& s) const {
    for (const std::string& l : log)
      if (l == s) return true;
    return false;
  }

 private:
  static std::string num(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%g", v);
    return b;
  }
};
