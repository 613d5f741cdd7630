#include "app/cmdargs.h"

#include <windows.h>
#include <shellapi.h>
#include <stdlib.h>

namespace {

std::string toAnsi(const wchar_t* text) {
  int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, &out[0], size, nullptr, nullptr);
  out.resize(static_cast<size_t>(size) - 1);
  return out;
}

}  // namespace

CmdArgs::CmdArgs() {
#if defined(__WINE__)
  // winelib programs run on glibc, which has no __argc/__argv: split the
  // command line the way the Windows runtime does.
  int n = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n);
  if (wide) {
    for (int i = 0; i < n; ++i) strings_.push_back(toAnsi(wide[i]));
    LocalFree(wide);
  }
#else
  for (int i = 0; i < __argc; ++i) strings_.push_back(__argv[i]);
#endif
  for (std::string& s : strings_) pointers_.push_back(&s[0]);
  pointers_.push_back(nullptr);
}
