// Driving dialog controls from a test the way the controls themselves
// notify their dialog. Safe from another thread than the dialog's: every
// call is a SendMessage.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

inline std::string textOf(HWND w) {
  char buf[256] = {};
  GetWindowTextA(w, buf, sizeof buf);
  return buf;
}

inline std::string textOf(HWND dlg, int id) { return textOf(GetDlgItem(dlg, id)); }

inline LRESULT send(HWND dlg, int id, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
  return SendMessageA(GetDlgItem(dlg, id), msg, wp, lp);
}

// Typing into an edit: the new text, and the notification the edit sends.
inline void typeInto(HWND dlg, int id, const char* text) {
  HWND e = GetDlgItem(dlg, id);
  SetWindowTextA(e, text);
  SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(e));
}

inline void moveTrackbar(HWND dlg, int id, int pos) {
  send(dlg, id, TBM_SETPOS, TRUE, pos);
  SendMessageA(dlg, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, pos),
               reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

inline void moveUpDown(HWND dlg, int id, int pos) {
  send(dlg, id, UDM_SETPOS32, 0, pos);
  SendMessageA(dlg, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, pos),
               reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}
