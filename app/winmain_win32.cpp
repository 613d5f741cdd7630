// Platform entry: the parameters of WinMain are not used; the arguments come
// from the process command line.
#include <windows.h>

#include "app/appmain.h"
#include "app/cmdargs.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  CmdArgs args;
  return appMain(args.count(), args.vector());
}
