#include "app/appmain.h"

#include <string>
#include <vector>

#include "app/stubwin.h"

int appMain(int argc, char** argv) {
  std::vector<std::string> names(argv + 1, argv + argc);
  if (names.empty()) names.push_back("無題.pxa");
  bool lastOpened = false;
  for (const std::string& name : names) lastOpened = stubwinOpen(name.c_str());
  if (stubwinCount() > 0) stubwinRun();
  return lastOpened ? 0 : 1;
}
