#include "ui/dialog.h"

#include <commctrl.h>

#include <cstring>
#include <string>

namespace {

constexpr int kEndYes = 1;  // "OK", "はい(&Y)"
constexpr int kEndCancel = 0;
constexpr int kEndNo = 2;  // "いいえ(&N)"
constexpr LONG kDialogClassAtom = 32770;

cDIALOG* objectOf(HWND dlg) {
  return reinterpret_cast<cDIALOG*>(GetWindowLongPtrA(dlg, GWLP_USERDATA));
}

DLGBIND* bindingOf(cDIALOG* d, int id) {
  return static_cast<DLGBIND*>(dbFind(d->bindings, static_cast<int32_t>(id)));
}

// Calls f for every binding of `var` (the sharing list must not change
// meanwhile).
template <typename F>
void forEachBindingOf(cDIALOG* d, const void* var, F f) {
  void* key = const_cast<void*>(var);
  for (void* p = dbFind(d->sharing, key); p; p = dbFindNxt(d->sharing, p))
    f(*static_cast<DLGBIND**>(p));
}

std::string textOf(HWND w) {
  int n = GetWindowTextLengthA(w);
  std::string s(static_cast<size_t>(n) + 1, '\0');
  n = GetWindowTextA(w, &s[0], n + 1);
  s.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return s;
}

// Sets a control's text only when it differs, so that an edit keeps its
// caret and sends no needless change notification.
void setText(HWND w, const std::string& text) {
  if (textOf(w) != text) SetWindowTextA(w, text.c_str());
}

void fillItems(HWND w, DB* items, UINT reset, UINT add) {
  SendMessageA(w, reset, 0, 0);
  for (void* p = dbTop(items); p; p = dbNxt(p))
    SendMessageA(w, add, 0, reinterpret_cast<LPARAM>(p));
}

void showCombo(DLGBIND* b) {
  fillItems(b->ctl, b->items, CB_RESETCONTENT, CB_ADDSTRING);
  std::string text = dlgvFormat(b->var, b->type, b->size);
  LRESULT i = SendMessageA(b->ctl, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageA(b->ctl, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
  if (i == CB_ERR) SetWindowTextA(b->ctl, text.c_str());
}

void showValue(DLGBIND* b) {
  HWND w = b->ctl;
  int32_t v = dlgvInt(b->var, b->type, b->size);
  switch (b->kind) {
    case DLGC_EDIT:
    case DLGC_TEXT:
      setText(w, dlgvFormat(b->var, b->type, b->size));
      break;
    case DLGC_TRACKBAR:
      SendMessageA(w, TBM_SETRANGEMIN, FALSE, b->min);
      SendMessageA(w, TBM_SETRANGEMAX, FALSE, b->max);
      SendMessageA(w, TBM_SETPAGESIZE, 0, b->page);
      SendMessageA(w, TBM_SETTICFREQ, static_cast<WPARAM>(b->page), 0);
      SendMessageA(w, TBM_SETLINESIZE, 0, 1);
      SendMessageA(w, TBM_SETPOS, TRUE, v);
      break;
    case DLGC_UPDOWN:
      SendMessageA(w, UDM_SETRANGE32, static_cast<WPARAM>(b->min), b->max);
      SendMessageA(w, UDM_SETPOS32, 0, v);
      break;
    case DLGC_CHECK:
      SendMessageA(w, BM_SETCHECK, v ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case DLGC_COMBO:
      showCombo(b);
      break;
    case DLGC_LIST:
      fillItems(w, b->items, LB_RESETCONTENT, LB_ADDSTRING);
      SendMessageA(w, LB_SETCURSEL, static_cast<WPARAM>(v), 0);
      break;
  }
}

// Setting a control may make it notify (an edit sends EN_CHANGE); those
// notifications only echo the variable and are ignored while `showing`.
void show(cDIALOG* d, DLGBIND* b) {
  if (!b->ctl || !b->var) return;
  d->showing++;
  showValue(b);
  d->showing--;
}

void showOthers(cDIALOG* d, DLGBIND* b) {
  forEachBindingOf(d, b->var, [&](DLGBIND* o) {
    if (o != b) show(d, o);
  });
}

// Re-reads every bound check box and radio button: clicking one radio button
// unchecks the others of its group, and all their variables follow.
bool readButtons(cDIALOG* d, DLGBIND* clicked) {
  bool changed = false;
  for (void* p = dbTop(d->bindings); p; p = dbNxt(p)) {
    auto* b = static_cast<DLGBIND*>(p);
    if (b->kind != DLGC_CHECK || !b->ctl) continue;
    bool on = SendMessageA(b->ctl, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (!dlgvSetInt(b->var, b->type, b->size, on)) continue;
    if (b == clicked)
      changed = true;
    else
      showOthers(d, b);
  }
  return changed;
}

// A selection change is told before the combo box's edit shows the item.
std::string comboText(HWND w, int code) {
  LRESULT i = SendMessageA(w, CB_GETCURSEL, 0, 0);
  if (code != CBN_SELCHANGE || i == CB_ERR) return textOf(w);
  LRESULT n = SendMessageA(w, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
  if (n == CB_ERR) return textOf(w);
  std::string s(static_cast<size_t>(n) + 1, '\0');
  n = SendMessageA(w, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&s[0]));
  s.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return s;
}

// Reads the control into its variable; true when that counts as a change.
bool readControl(cDIALOG* d, DLGBIND* b, int code) {
  if (b->kind == DLGC_PUSH) return true;
  if (b->kind == DLGC_CHECK) return readButtons(d, b);
  HWND w = b->ctl;
  switch (b->kind) {
    case DLGC_TRACKBAR:
      return dlgvSetInt(b->var, b->type, b->size,
                        static_cast<int32_t>(SendMessageA(w, TBM_GETPOS, 0, 0)));
    case DLGC_UPDOWN:
      // The control's own 32-bit position: the word in the scroll message
      // holds only 16 bits.
      return dlgvSetInt(b->var, b->type, b->size,
                        static_cast<int32_t>(SendMessageA(w, UDM_GETPOS32, 0, 0)));
    case DLGC_LIST: {
      LRESULT i = SendMessageA(w, LB_GETCURSEL, 0, 0);
      return i != LB_ERR && dlgvSetInt(b->var, b->type, b->size, static_cast<int32_t>(i));
    }
    case DLGC_COMBO:
      return dlgvSetText(b->var, b->type, b->size, comboText(w, code).c_str());
  }
  return dlgvSetText(b->var, b->type, b->size, textOf(w).c_str());
}

void onBound(cDIALOG* d, DLGBIND* b, int code, HWND from) {
  if (!b->ctl) b->ctl = from;
  if ((b->kind != DLGC_PUSH && (!b->var || !b->ctl)) || !readControl(d, b, code)) return;
  if (b->var) showOthers(d, b);
  if (d->notifying) return;
  d->notifying = 1;
  d->changed(b);
  d->notifying = 0;
}

void restoreAll(cDIALOG* d) {
  // Oldest binding last, so a variable bound twice gets its earliest value.
  for (void* p = dbEnd(d->bindings); p; p = dbBak(p)) {
    auto* b = static_cast<DLGBIND*>(p);
    if (!b->var || b->size <= 0) continue;
    if (b->type != DLGV_STR)
      std::memcpy(b->var, b->saved.bytes, static_cast<size_t>(b->size));
    else if (b->saved.str)
      std::memcpy(b->var, b->saved.str, static_cast<size_t>(b->size));
  }
}

// Cuts the object loose from its window (ended, closed, or destroyed with its
// owner). A window that goes away still sends notifications (an edit losing
// the focus says so), and none may be read into the variables any more.
void detach(cDIALOG* d, HWND dlg) {
  SetWindowLongPtrA(dlg, GWLP_USERDATA, 0);
  if (d->hwnd == dlg) d->hwnd = nullptr;
  for (void* p = dbTop(d->bindings); p; p = dbNxt(p)) static_cast<DLGBIND*>(p)->ctl = nullptr;
}

// The handle is cleared before `changed`, which so never sees a dead window;
// the object is not touched after `changed`, which may end its life.
void endWith(cDIALOG* d, HWND dlg, int result) {
  if (result == kEndCancel) {
    restoreAll(d);
    d->cancelled = 1;
  }
  bool modeless = d->hwnd == dlg;
  detach(d, dlg);
  if (modeless)
    DestroyWindow(dlg);
  else
    EndDialog(dlg, result);
  d->changed(nullptr);
}

INT_PTR onCommand(cDIALOG* d, HWND dlg, int id, int code, HWND from) {
  if (DLGBIND* b = bindingOf(d, id)) {
    if (!d->showing) onBound(d, b, code, from);
    return TRUE;
  }
  switch (id) {
    case IDOK:
      endWith(d, dlg, kEndYes);
      return TRUE;
    case IDCANCEL:
      endWith(d, dlg, kEndCancel);
      return TRUE;
    case IDNO:
      endWith(d, dlg, kEndNo);
      return TRUE;
  }
  return FALSE;
}

INT_PTR onScroll(cDIALOG* d, int code, HWND from) {
  DLGBIND* b = from ? bindingOf(d, GetDlgCtrlID(from)) : nullptr;
  if (!b) return FALSE;
  if (!d->showing) onBound(d, b, code, from);
  return TRUE;
}

void onInit(cDIALOG* d, HWND dlg) {
  SetWindowLongPtrA(dlg, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(d));
  d->setup();
  for (void* p = dbTop(d->bindings); p; p = dbNxt(p)) {
    auto* b = static_cast<DLGBIND*>(p);
    b->ctl = GetDlgItem(dlg, b->id);
    show(d, b);
  }
}

void initCommonControls() {
  // Registers the trackbar and up-down classes; cheap after the first call.
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&icc);
}

DB* itemsOf(const char* items) {
  if (!IS_INTRESOURCE(items)) return dlgvItems(items);
  char buf[4096];
  int n = LoadStringA(GetModuleHandleA(nullptr),
                      static_cast<UINT>(reinterpret_cast<ULONG_PTR>(items)), buf, sizeof buf);
  return dlgvItems(n > 0 ? buf : "");
}

int32_t typeOf(const int32_t*) { return DLGV_I32; }
int32_t typeOf(const int16_t*) { return DLGV_I16; }
int32_t typeOf(const uint16_t*) { return DLGV_U16; }
int32_t typeOf(const int8_t*) { return DLGV_I8; }
int32_t typeOf(const uint8_t*) { return DLGV_U8; }
int32_t typeOf(const double*) { return DLGV_DOUBLE; }

DLGBIND baseRecord(int id, int32_t kind, void* var, int32_t type, int32_t size) {
  DLGBIND r{};
  r.var = var;
  r.size = size;
  r.type = type;
  r.id = id;
  r.kind = kind;
  return r;
}

template <typename T>
DLGBIND record(int id, int32_t kind, T& v, int min = 0, int max = 0, int page = 0) {
  DLGBIND r = baseRecord(id, kind, &v, typeOf(&v), sizeof v);
  r.min = min;
  r.max = max;
  r.page = page;
  return r;
}

DLGBIND stringRecord(int id, int32_t kind, char* s, int size) {
  return baseRecord(id, kind, s, DLGV_STR, size > 0 ? size : 0);
}

void dropBinding(cDIALOG* d, DLGBIND* b) {
  for (void* p = b->var ? dbFind(d->sharing, b->var) : nullptr; p; p = dbFindNxt(d->sharing, p)) {
    if (*static_cast<DLGBIND**>(p) == b) {
      dbDel(d->sharing, p);
      break;
    }
  }
  if (b->items) dbFre(b->items);
  if (b->type == DLGV_STR && b->saved.str) dbMfre(b->saved.str);
  dbDel(d->bindings, b);
}

// Enters a binding (replacing one of the same control id) with the variable's
// present value as its saved value. Bound while its dialog is open, the
// control shows the value at once.
DLGBIND* addBinding(cDIALOG* d, DLGBIND r) {
  if (DLGBIND* old = bindingOf(d, r.id)) {
    r.ctl = old->ctl;
    dropBinding(d, old);
  } else if (d->hwnd) {
    r.ctl = GetDlgItem(d->hwnd, r.id);
  }
  if (r.type == DLGV_STR) {
    r.saved.str = nullptr;
    if (r.size > 0) {
      r.saved.str = static_cast<char*>(dbMalc(d->bindings, static_cast<size_t>(r.size)));
      std::memcpy(r.saved.str, r.var, static_cast<size_t>(r.size));
    }
  } else if (r.var) {
    std::memcpy(r.saved.bytes, r.var, static_cast<size_t>(r.size));
  }
  auto* b = static_cast<DLGBIND*>(dbAdd(d->bindings, r.id, &r));
  if (b->var) dbAdd(d->sharing, b->var, static_cast<void*>(b));
  show(d, b);
  return b;
}

}  // namespace

cDIALOG::cDIALOG()
    : hwnd(nullptr),
      bindings(dbNew(DBT_VAL, sizeof(DLGBIND), 64, 0)),
      sharing(dbNew(DBT_PTR, DBT_PTR, 64, 0)),
      cancelled(0),
      notifying(0),
      showing(0) {}

cDIALOG::~cDIALOG() {
  dlgClose(this);  // an open modeless dialog must not call into a dead object
  for (void* p = dbTop(bindings); p; p = dbNxt(p))
    if (DB* items = static_cast<DLGBIND*>(p)->items) dbFre(items);
  dbFre(bindings);
  dbFre(sharing);
}

void cDIALOG::bindEdit(int id, int32_t& v) { addBinding(this, record(id, DLGC_EDIT, v)); }
void cDIALOG::bindEdit(int id, int16_t& v) { addBinding(this, record(id, DLGC_EDIT, v)); }
void cDIALOG::bindEdit(int id, uint16_t& v) { addBinding(this, record(id, DLGC_EDIT, v)); }
void cDIALOG::bindEdit(int id, int8_t& v) { addBinding(this, record(id, DLGC_EDIT, v)); }
void cDIALOG::bindEdit(int id, uint8_t& v) { addBinding(this, record(id, DLGC_EDIT, v)); }
void cDIALOG::bindEdit(int id, double& v) { addBinding(this, record(id, DLGC_EDIT, v)); }
void cDIALOG::bindEdit(int id, char* s, int size) {
  addBinding(this, stringRecord(id, DLGC_EDIT, s, size));
}

void cDIALOG::bindText(int id, int32_t& v) { addBinding(this, record(id, DLGC_TEXT, v)); }
void cDIALOG::bindText(int id, double& v) { addBinding(this, record(id, DLGC_TEXT, v)); }
void cDIALOG::bindText(int id, char* s, int size) {
  addBinding(this, stringRecord(id, DLGC_TEXT, s, size));
}

void cDIALOG::bindTrackbar(int id, int32_t& v, int min, int max, int page) {
  addBinding(this, record(id, DLGC_TRACKBAR, v, min, max, page));
}
void cDIALOG::bindTrackbar(int id, int16_t& v, int min, int max, int page) {
  addBinding(this, record(id, DLGC_TRACKBAR, v, min, max, page));
}
void cDIALOG::bindTrackbar(int id, uint16_t& v, int min, int max, int page) {
  addBinding(this, record(id, DLGC_TRACKBAR, v, min, max, page));
}
void cDIALOG::bindTrackbar(int id, int8_t& v, int min, int max, int page) {
  addBinding(this, record(id, DLGC_TRACKBAR, v, min, max, page));
}
void cDIALOG::bindTrackbar(int id, uint8_t& v, int min, int max, int page) {
  addBinding(this, record(id, DLGC_TRACKBAR, v, min, max, page));
}

void cDIALOG::bindUpDown(int id, int32_t& v, int min, int max) {
  addBinding(this, record(id, DLGC_UPDOWN, v, min, max));
}
void cDIALOG::bindUpDown(int id, int16_t& v, int min, int max) {
  addBinding(this, record(id, DLGC_UPDOWN, v, min, max));
}
void cDIALOG::bindUpDown(int id, uint16_t& v, int min, int max) {
  addBinding(this, record(id, DLGC_UPDOWN, v, min, max));
}
void cDIALOG::bindUpDown(int id, int8_t& v, int min, int max) {
  addBinding(this, record(id, DLGC_UPDOWN, v, min, max));
}
void cDIALOG::bindUpDown(int id, uint8_t& v, int min, int max) {
  addBinding(this, record(id, DLGC_UPDOWN, v, min, max));
}

void cDIALOG::bindButton(int id, int32_t& v) { addBinding(this, record(id, DLGC_CHECK, v)); }
void cDIALOG::bindButton(int id, int16_t& v) { addBinding(this, record(id, DLGC_CHECK, v)); }
void cDIALOG::bindButton(int id, uint16_t& v) { addBinding(this, record(id, DLGC_CHECK, v)); }
void cDIALOG::bindButton(int id, int8_t& v) { addBinding(this, record(id, DLGC_CHECK, v)); }
void cDIALOG::bindButton(int id, uint8_t& v) { addBinding(this, record(id, DLGC_CHECK, v)); }

void cDIALOG::bindPush(int id) { addBinding(this, baseRecord(id, DLGC_PUSH, nullptr, 0, 0)); }

void cDIALOG::bindCombo(int id, int32_t& v, const char* items) {
  DLGBIND r = record(id, DLGC_COMBO, v);
  r.items = itemsOf(items);
  addBinding(this, r);
}
void cDIALOG::bindCombo(int id, char* s, int size, const char* items) {
  DLGBIND r = stringRecord(id, DLGC_COMBO, s, size);
  r.items = itemsOf(items);
  addBinding(this, r);
}
void cDIALOG::bindList(int id, int32_t& v, const char* items) {
  DLGBIND r = record(id, DLGC_LIST, v);
  r.items = itemsOf(items);
  addBinding(this, r);
}

void cDIALOG::refresh(const void* var) {
  if (var) forEachBindingOf(this, var, [&](DLGBIND* b) { show(this, b); });
}

int dlgModal(cDIALOG* d, HWND parent, int res) {
  if (!d) return -1;
  initCommonControls();
  return static_cast<int>(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(res), parent,
                                          dlgProc, reinterpret_cast<LPARAM>(d)));
}

HWND dlgModeless(cDIALOG* d, HWND parent, int res) {
  if (!d) return nullptr;
  dlgClose(d);  // one window per object
  initCommonControls();
  HWND w = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(res), parent, dlgProc,
                              reinterpret_cast<LPARAM>(d));
  if (!w) return nullptr;
  d->hwnd = w;
  ShowWindow(w, SW_SHOW);
  UpdateWindow(w);
  return w;
}

void dlgClose(cDIALOG* d) {
  if (!d || !d->hwnd) return;
  HWND w = d->hwnd;
  detach(d, w);
  DestroyWindow(w);
}

INT_PTR CALLBACK dlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    if (auto* d = reinterpret_cast<cDIALOG*>(lp)) onInit(d, dlg);
    return TRUE;
  }
  cDIALOG* d = objectOf(dlg);
  if (!d) return FALSE;
  switch (msg) {
    case WM_COMMAND:
      return onCommand(d, dlg, LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
    case WM_HSCROLL:
    case WM_VSCROLL:
      return onScroll(d, LOWORD(wp), reinterpret_cast<HWND>(lp));
    case WM_DESTROY:
      detach(d, dlg);
      return FALSE;
  }
  return FALSE;
}

bool dlgMessage(MSG* msg) {
  if (!msg || !msg->hwnd) return false;
  HWND root = GetAncestor(msg->hwnd, GA_ROOT);
  // Only windows of this procedure carry a cDIALOG in their user data.
  if (!root || GetClassLongA(root, GCW_ATOM) != kDialogClassAtom ||
      reinterpret_cast<DLGPROC>(GetWindowLongPtrA(root, DWLP_DLGPROC)) != dlgProc)
    return false;
  cDIALOG* d = objectOf(root);
  return d && d->hwnd == root && IsDialogMessageA(root, msg);
}
