// The binding layer of every dialog: a dialog object lists which program
// variable each control shows; one generic dialog procedure copies the
// variables into the controls when the dialog opens, copies every control
// change back at once (settings act live), keeps controls bound to the same
// variable in step, tells the object about each change through `changed`,
// and restores the variables when the dialog is cancelled.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>

#include "std/db2.h"
#include "ui/dlgvalue.h"  // value types DLGV_*

// Control kinds.
enum : int32_t {
  DLGC_EDIT = 1,
  DLGC_TRACKBAR = 2,
  DLGC_COMBO = 3,
  DLGC_LIST = 4,
  DLGC_UPDOWN = 5,
  DLGC_CHECK = 6,  // check box or radio button (DLGC_BUTTON is a Windows macro)
  DLGC_PUSH = 7,   // push button: notifies only
  DLGC_TEXT = 8,   // static text: shown, read as text
};

// One binding.
struct DLGBIND {
  void* var;
  int32_t size;  // bytes of the variable (the buffer size for strings)
  int32_t type;  // DLGV_*
  int32_t id;    // control id
  int32_t kind;  // DLGC_*
  int32_t min, max;
  int32_t page;  // trackbar page size and tick frequency
  DB* items;     // item strings of combo and list boxes, or null
  HWND ctl;      // set when the dialog opens
  union {
    uint8_t bytes[8];
    char* str;  // copy of a string variable
  } saved;      // the variable's value when the binding was made
};

class cDIALOG {
 public:
  HWND hwnd;          // window of an open modeless dialog, else null
  DB* bindings;       // DLGBIND records keyed by control id
  DB* sharing;        // variable address -> binding record address
  int32_t cancelled;  // the dialog ended with "ｷｬﾝｾﾙ"
  int32_t notifying;  // a `changed` call is running
  int32_t showing;    // controls are being set: their notifications are echoes

  cDIALOG();
  cDIALOG(const cDIALOG&) = delete;
  cDIALOG& operator=(const cDIALOG&) = delete;
  // Makes the bindings; called when the dialog window is created.
  virtual void setup() {}
  // A bound control changed its variable (b), or the dialog ends (null).
  virtual void changed(DLGBIND* b) { (void)b; }
  virtual ~cDIALOG();

  // Binding operations, one per control kind, overloaded on the value type.
  // Binding a control id again replaces its record; a binding made while a
  // modeless dialog is open shows its value at once.
  void bindEdit(int id, int32_t& v);
  void bindEdit(int id, int16_t& v);
  void bindEdit(int id, uint16_t& v);
  void bindEdit(int id, int8_t& v);
  void bindEdit(int id, uint8_t& v);
  void bindEdit(int id, double& v);
  void bindEdit(int id, char* s, int size);
  void bindText(int id, int32_t& v);
  void bindText(int id, double& v);
  void bindText(int id, char* s, int size);
  void bindTrackbar(int id, int32_t& v, int min, int max, int page);
  void bindTrackbar(int id, int16_t& v, int min, int max, int page);
  void bindTrackbar(int id, uint16_t& v, int min, int max, int page);
  void bindTrackbar(int id, int8_t& v, int min, int max, int page);
  void bindTrackbar(int id, uint8_t& v, int min, int max, int page);
  void bindUpDown(int id, int32_t& v, int min, int max);
  void bindUpDown(int id, int16_t& v, int min, int max);
  void bindUpDown(int id, uint16_t& v, int min, int max);
  void bindUpDown(int id, int8_t& v, int min, int max);
  void bindUpDown(int id, uint8_t& v, int min, int max);
  void bindButton(int id, int32_t& v);
  void bindButton(int id, int16_t& v);
  void bindButton(int id, uint16_t& v);
  void bindButton(int id, int8_t& v);
  void bindButton(int id, uint8_t& v);
  void bindPush(int id);
  // Combo and list boxes: items from a comma-separated string, or (when
  // `items` is an integer resource, MAKEINTRESOURCE) from that string
  // table entry, itself comma-separated.
  void bindCombo(int id, int32_t& v, const char* items);
  void bindCombo(int id, char* s, int size, const char* items);
  void bindList(int id, int32_t& v, const char* items);

  // Shows the variable of every binding of `var` again (after the program
  // changed it).
  void refresh(const void* var);
};

// Modal dialog `res` owned by parent: 1 "OK"/"はい(&Y)", 0 "ｷｬﾝｾﾙ",
// 2 "いいえ(&N)" (or -1 when the dialog could not be created).
int dlgModal(cDIALOG* d, HWND parent, int res);
// Modeless dialog: created (an open one of the same object is closed first),
// shown, its window kept in d->hwnd; null on failure.
HWND dlgModeless(cDIALOG* d, HWND parent, int res);
// Closes an open modeless dialog from outside (no `changed` call).
void dlgClose(cDIALOG* d);
// The generic dialog procedure (for modeless dialogs the main pump serves).
INT_PTR CALLBACK dlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
// Lets open modeless dialogs take their keyboard messages (Tab, Enter);
// true when one took the message. The main pump calls it before dispatch.
bool dlgMessage(MSG* msg);
