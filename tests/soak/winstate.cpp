// Prints the window state of the editor running in the same Wine prefix:
// the GUI thread's modes (menu, move/size), which window holds the mouse
// capture, the keyboard focus and the activation, and every top-level
// window of the thread with its visibility, enabled state and owner. The
// monkey runs it when the program stops answering, to tell a hang from a
// modal state nobody can see.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>

namespace {

BOOL CALLBACK printWindow(HWND h, LPARAM) {
  char cls[64] = "";
  char text[128] = "";
  GetClassNameA(h, cls, sizeof cls);
  GetWindowTextA(h, text, sizeof text);
  RECT r{};
  GetWindowRect(h, &r);
  std::printf("  %p class %s \"%s\" visible %d enabled %d owner %p at %d,%d %dx%d\n",
              static_cast<void*>(h), cls, text, IsWindowVisible(h) ? 1 : 0,
              IsWindowEnabled(h) ? 1 : 0, static_cast<void*>(GetWindow(h, GW_OWNER)),
              static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right - r.left),
              static_cast<int>(r.bottom - r.top));
  return TRUE;
}

}  // namespace

int main() {
  HWND any = FindWindowA("cXWIN", nullptr);
  if (!any) {
    std::printf("no window of the editor\n");
    return 1;
  }
  const DWORD thread = GetWindowThreadProcessId(any, nullptr);
  GUITHREADINFO gi{};
  gi.cbSize = sizeof gi;
  if (GetGUIThreadInfo(thread, &gi))
    std::printf("menu mode %d, popup menu %d, move/size %d; active %p, focus %p, capture %p\n",
                (gi.flags & GUI_INMENUMODE) ? 1 : 0, (gi.flags & GUI_POPUPMENUMODE) ? 1 : 0,
                (gi.flags & GUI_INMOVESIZE) ? 1 : 0, static_cast<void*>(gi.hwndActive),
                static_cast<void*>(gi.hwndFocus), static_cast<void*>(gi.hwndCapture));
  EnumThreadWindows(thread, printWindow, 0);
  return 0;
}
