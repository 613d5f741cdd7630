// The two queues that drive every tool, the pump that fills them and the main
// loop. Window procedures never run tools: mouse handlers append event
// records to `evtque`, menus and tool menus append command records to
// `cmdque`, and `evtNext` (called by the main loop and by every tool) runs at
// most one queued command, then delivers the next event, dispatching window
// messages while it waits. A tool is a function that pulls its events until
// a held right button ends it.
//
// This part is platform independent: everything it needs of windows and of
// the message pump goes through the host (app/evthost.h).
#pragma once

#include <atomic>
#include <cstdint>

#include "std/db2.h"

class cXWIN;

// Event record: the latest mouse state of a window, in its client pixels.
struct EVT {
  cXWIN* win;
  int32_t x, y;
  int32_t btn;  // EVT_LEFT | EVT_RIGHT held after the event
};

// Command record: a tool or menu command waiting for `evtNext`.
struct CMD {
  cXWIN* win;   // window the command applies to
  int32_t cmd;  // command id
  cXWIN* menu;  // tool menu that queued it (told when it ends), or null
};

// Result bits of evtNext and evtClick; 0 means the program is ending.
enum : int32_t { EVT_LEFT = 1, EVT_RIGHT = 2, EVT_CLICK = 4 };

// A right press released within this time and distance is a click.
constexpr int EVT_CLICKMS = 160;
constexpr int EVT_CLICKDIST2 = 16;

extern DB* evtque;    // FIFO of EVT
extern DB* cmdque;    // FIFO of CMD
extern DB* curstack;  // cursor handles; the last one shows over documents
extern EVT curevt;    // latest mouse state
extern int32_t quitflag;
// Read by the tick thread: raised while the main thread waits in evtPump.
extern std::atomic<int32_t> pumpdepth;
extern int32_t cmapbusy;    // tools started for a colour-map window
extern int32_t repeatheld;  // ticks repeat the event while the left button is held

// Creates the three lists and clears the state; evtFree releases them.
void evtInit();
void evtFree();

// Producers, called by the mouse handlers of document and colour-map windows.
void evtMove(cXWIN* win, int x, int y);
void evtDown(cXWIN* win, int x, int y, int32_t bit);
void evtUp(cXWIN* win, int32_t bit);
// A tick reached `win`: repeats the current event while the pointer rests.
void evtRepeat(cXWIN* win);
// The last window is gone: wakes every waiting tool with an all-zero event.
void evtEnd();
// Appends a command.
void cmdPost(cXWIN* win, int32_t cmd, cXWIN* menu);

// Oldest queued event into out; its btn, or 0 when the program is ending.
int32_t evtPump(EVT* out);
// Waits until the buttons differ from `start`, the pointer leaves the
// 4-pixel circle around (x0, y0) or `timeout` ms pass. Adds EVT_CLICK when
// the right button flipped within the time.
int32_t evtClick(EVT* out, int timeout, int x0, int y0, int32_t start);
// Runs at most one queued command, then delivers one event. With pick set, a
// quick right click picks the drawing colour under the pointer.
int32_t evtNext(EVT* out, int pick);
// Swallows the rest of a drag: queued events with the left button held, and
// waits while it is still down. The first event without it stays queued.
void evtWaitUp();
// Runs until the program ends: colour picks, the context menu on a held
// right button, freehand lines on a left drag.
void mainLoop();

// Cursor stack: a tool pushes its cursor when a gesture starts and pops
// exactly what it pushed.
void curPush(int slot);
void curPop();
