#include "app/appmain.h"

#include <cstdio>

#include "app/cwin.h"
#include "app/evt.h"
#include "app/trace.h"
#include "app/winhost.h"
#include "formats/tdecur.h"
#include "std/db2.h"
#include "std/futil.h"
#include "std/opt.h"
#include "tools/gesture/toolframe.h"

#include <mmsystem.h>

namespace {

// Names the program accepts: existing regular files and names that do not
// exist yet (they open as new images).
const uint32_t kOpenableNames = FI_REG | FI_NONE;
constexpr UINT kTickMs = 32;

// Ticks reach the window of the latest mouse event only while the main
// thread waits for input: that is when a resting pointer must be repeated
// (a held right button becoming the menu, the airbrush spraying on the
// spot). While a tool computes, ticks would only pile up.
void CALLBACK tickProc(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
  if (pumpdepth.load() <= 0) return;
  HWND h = tickwin.load();
  if (h) PostMessageA(h, TICK, 0, 0);
}

// Opens one window per name; true when the last one opened.
bool openWindows(DB* files) {
  bool lastOpened = false;
  for (void* rec = dbTop(files); rec; rec = dbNxt(rec)) {
    auto* w = new cWIN;
    lastOpened = w->winOpenFile(static_cast<const char*>(dbKey(rec))) != 0;
    if (!lastOpened) delete w;
  }
  return lastOpened;
}

}  // namespace

void appRunLoop() {
  const UINT timer = timeSetEvent(kTickMs, 1, tickProc, 0, TIME_PERIODIC);
  mainLoop();
  if (timer) timeKillEvent(timer);
}

int appMain(int argc, char** argv) {
  traceOpen();
  OPT* opt = optNew();
  toolSettingsInit();
  cursorset = tdecurOpen();
  evtInit();
  winhostInstall();
  optSetTitle(opt, "霧の谷グラフィックエディタ");
  // The program is "Ver1.02"; the usage banner writes the "Ver" itself.
  optSetVersion(opt, "1.02");
  optSetArgs(opt, "<ファイル>...");

  DB* names = optParse(opt, argc, argv);
  if (names && dbCnt(names) == 0) dbAdd(names, "無題.pxa");
  DB* files = flistx(names, kOpenableNames);

  int result = 0;
  if (!files || dbCnt(files) == 0) {
    optUsage(opt, argc > 0 ? argv[0] : "tde");
    result = 1;
  } else {
    result = openWindows(files) ? 0 : 1;
    if (cwinDocCount() > 0) appRunLoop();
  }
  // The program may end without the C runtime flushing its buffers.
  std::fflush(stdout);

  if (files) dbFre(files);
  evtFree();
  tdecurClose(cursorset);
  cursorset = nullptr;
  optFre(opt);
  traceClose(result);
  return result;
}
