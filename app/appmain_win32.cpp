#include "app/appmain.h"

#include <cstdio>

#include "app/stubwin.h"
#include "std/db2.h"
#include "std/futil.h"
#include "std/opt.h"

namespace {

// Names the program accepts: existing regular files and names that do not
// exist yet (they open as new images).
const uint32_t kOpenableNames = FI_REG | FI_NONE;

// Opens one window per name; true when the last one opened.
bool openWindows(DB* files) {
  bool lastOpened = false;
  for (void* rec = dbTop(files); rec; rec = dbNxt(rec)) {
    lastOpened = stubwinOpen(static_cast<const char*>(dbKey(rec)));
  }
  return lastOpened;
}

}  // namespace

int appMain(int argc, char** argv) {
  OPT* opt = optNew();
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
    if (stubwinCount() > 0) stubwinRun();
  }
  // The program may end without the C runtime flushing its buffers.
  std::fflush(stdout);

  if (files) dbFre(files);
  optFre(opt);
  return result;
}
