#include "app/stubwin.h"

#include <windows.h>

namespace {

const char kClassName[] = "tdeStubWin";
const int kDocumentMenu = 109;
const int kExitCommand = 105;
int openWindows = 0;

LRESULT CALLBACK stubwinProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_KEYDOWN:
      if (wp == VK_ESCAPE) DestroyWindow(hwnd);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == kExitCommand) PostQuitMessage(0);
      return 0;
    case WM_DESTROY:
      if (--openWindows == 0) PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

bool registerClass(HINSTANCE inst) {
  WNDCLASSA wc = {};
  if (GetClassInfoA(inst, kClassName, &wc)) return true;
  wc.lpfnWndProc = stubwinProc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kClassName;
  return RegisterClassA(&wc) != 0;
}

}  // namespace

bool stubwinOpen(const char* name) {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  if (!registerClass(inst)) return false;
  HMENU menu = LoadMenuA(inst, MAKEINTRESOURCEA(kDocumentMenu));
  // Cascade by hand: without a window manager every window would sit at the
  // same place.
  int offset = 40 * (openWindows % 8);
  HWND hwnd = CreateWindowExA(0, kClassName, name, WS_OVERLAPPEDWINDOW, 40 + offset, 40 + offset,
                              400, 300, nullptr, menu, inst, nullptr);
  if (!hwnd) {
    if (menu) DestroyMenu(menu);
    return false;
  }
  ++openWindows;
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  return true;
}

int stubwinCount() { return openWindows; }

void stubwinRun() {
  MSG msg;
  while (openWindows > 0 && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}
