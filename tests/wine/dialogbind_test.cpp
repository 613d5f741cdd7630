// The binding layer on the program's own dialog resources, driven with the
// messages the controls themselves send.
#include "tests/wine/gtest_win.h"

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/wine/dlgdrive.h"
#include "ui/dialog.h"

namespace {

// A dialog object that records its `changed` calls: the control id, or 0 when
// the dialog ends.
class Probe : public cDIALOG {
 public:
  std::function<void(Probe&)> onSetup;
  std::function<void(Probe&, DLGBIND*)> onChanged;
  std::vector<int> calls;

  void setup() override {
    if (onSetup) onSetup(*this);
  }
  void changed(DLGBIND* b) override {
    calls.push_back(b ? b->id : 0);
    if (onChanged) onChanged(*this, b);
  }
  // The calls since the last look.
  std::vector<int> takeCalls() {
    std::vector<int> c;
    c.swap(calls);
    return c;
  }
};

using Calls = std::vector<int>;

void click(HWND dlg, int id) { send(dlg, id, BM_CLICK); }

void selectItem(HWND dlg, int id, int index, bool combo) {
  send(dlg, id, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index));
  SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, combo ? CBN_SELCHANGE : LBN_SELCHANGE),
               reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

TEST(DialogBind, ControlsOfOneVariableStayInStepAndCancelRestores) {
  int32_t air = 64, clear = 1, opaque = 0;
  int32_t step[5] = {1, 0, 0, 0, 0};
  Probe p;
  p.bindButton(1018, clear);
  p.bindButton(1019, opaque);
  for (int i = 0; i < 5; i++) p.bindButton(1020 + i, step[i]);
  p.bindEdit(1026, air);
  p.bindTrackbar(1025, air, 0, 256, 16);
  p.bindUpDown(1027, air, 0, 256);
  HWND dlg = dlgModeless(&p, nullptr, 137);
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(p.hwnd, dlg);
  EXPECT_EQ(GetWindowLongPtrA(dlg, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&p));

  // Shown on opening.
  EXPECT_EQ(textOf(dlg, 1026), "64");
  EXPECT_EQ(send(dlg, 1025, TBM_GETRANGEMIN), 0);
  EXPECT_EQ(send(dlg, 1025, TBM_GETRANGEMAX), 256);
  EXPECT_EQ(send(dlg, 1025, TBM_GETPAGESIZE), 16);
  EXPECT_EQ(send(dlg, 1025, TBM_GETLINESIZE), 1);
  int lo = -1, hi = -1;
  send(dlg, 1027, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 256);
  const int checked[] = {1018, 1020};
  const int unchecked[] = {1019, 1021, 1022, 1023, 1024};
  for (int id : checked) EXPECT_EQ(IsDlgButtonChecked(dlg, id), BST_CHECKED) << id;
  for (int id : unchecked) EXPECT_EQ(IsDlgButtonChecked(dlg, id), BST_UNCHECKED) << id;
  EXPECT_EQ(p.takeCalls(), Calls{});

  struct Step {
    const char* what;
    std::function<void()> act;
    int32_t air;
    const char* edit;
    int trackbar, updown;
    Calls calls;
  };
  const Step steps[] = {
      {"trackbar", [&] { moveTrackbar(dlg, 1025, 100); }, 100, "100", 100, 100, {1025}},
      {"typed beyond the range", [&] { typeInto(dlg, 1026, "300"); }, 300, "300", 256, 256, {1026}},
      {"same text again", [&] { typeInto(dlg, 1026, "300"); }, 300, "300", 256, 256, {}},
      {"up-down", [&] { moveUpDown(dlg, 1027, 17); }, 17, "17", 17, 17, {1027}},
      {"digits then other text",
       [&] { typeInto(dlg, 1026, "12abc"); },
       12,
       "12abc",
       12,
       12,
       {1026}},
      {"no digits", [&] { typeInto(dlg, 1026, "x"); }, 0, "x", 0, 0, {1026}},
  };
  for (const Step& s : steps) {
    s.act();
    EXPECT_EQ(air, s.air) << s.what;
    EXPECT_EQ(textOf(dlg, 1026), s.edit) << s.what;
    EXPECT_EQ(send(dlg, 1025, TBM_GETPOS), s.trackbar) << s.what;
    EXPECT_EQ(send(dlg, 1027, UDM_GETPOS32), s.updown) << s.what;
    EXPECT_EQ(p.takeCalls(), s.calls) << s.what;
  }

  struct Click {
    int id;
    int32_t clear, opaque, step2;
    Calls calls;
  };
  const Click clicks[] = {
      {1019, 0, 1, 0, {1019}},
      {1019, 0, 1, 0, {}},  // already chosen: nothing changed
      {1022, 0, 1, 1, {1022}},
  };
  for (const Click& c : clicks) {
    click(dlg, c.id);
    EXPECT_EQ(clear, c.clear) << c.id;
    EXPECT_EQ(opaque, c.opaque) << c.id;
    EXPECT_EQ(step[0], c.step2 ? 0 : 1) << c.id;
    EXPECT_EQ(step[2], c.step2) << c.id;
    EXPECT_EQ(p.takeCalls(), c.calls) << c.id;
  }

  click(dlg, IDCANCEL);
  EXPECT_EQ(p.takeCalls(), Calls{0});
  EXPECT_EQ(p.cancelled, 1);
  EXPECT_EQ(p.hwnd, nullptr);
  EXPECT_FALSE(IsWindow(dlg));
  EXPECT_EQ(air, 64);
  EXPECT_EQ(clear, 1);
  EXPECT_EQ(opaque, 0);
  const int32_t start[5] = {1, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(step, start, sizeof step), 0);

  // The bindings outlive the window: a second opening shows the values.
  air = 32;
  dlg = dlgModeless(&p, nullptr, 137);
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(textOf(dlg, 1026), "32");
  EXPECT_EQ(send(dlg, 1025, TBM_GETPOS), 32);
  click(dlg, IDOK);
  EXPECT_EQ(p.takeCalls(), Calls{0});
  EXPECT_EQ(air, 32);
  EXPECT_EQ(p.hwnd, nullptr);
}

TEST(DialogBind, EditsShowAndReadEveryValueType) {
  int16_t i16 = -1;
  uint8_t u8 = 200;
  double d = 1.0 / 3;  // more digits than shown
  struct {
    char s[6];
    char guard[4];
  } str = {"abc", "zzz"};
  Probe p;
  p.onSetup = [&](Probe& q) {
    q.bindEdit(1016, i16);
    q.bindEdit(1010, u8);
    q.bindEdit(1011, d);
    q.bindEdit(1013, str.s, sizeof str.s);
  };
  HWND dlg = dlgModeless(&p, nullptr, 135);
  ASSERT_NE(dlg, nullptr);
  // Showing is not reading: the edit's own change notification is no input.
  EXPECT_EQ(d, 1.0 / 3);
  EXPECT_EQ(p.takeCalls(), Calls{});
  struct Row {
    int id;
    const char* shown;
    const char* typed;
  };
  const Row rows[] = {
      {1016, "65535", "-2"},
      {1010, "200", "300"},
      {1011, "0.333333", "1.25e2"},
      {1013, "abc", "abcdefgh"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(textOf(dlg, r.id), r.shown) << r.id;
    typeInto(dlg, r.id, r.typed);
  }
  EXPECT_EQ(i16, -2);
  EXPECT_EQ(u8, 44);
  EXPECT_EQ(d, 125.0);
  EXPECT_STREQ(str.s, "abcde");
  EXPECT_STREQ(str.guard, "zzz");
  EXPECT_EQ(p.takeCalls(), (Calls{1016, 1010, 1011, 1013}));
  dlgClose(&p);
  EXPECT_EQ(p.hwnd, nullptr);
  EXPECT_FALSE(IsWindow(dlg));
  EXPECT_EQ(p.takeCalls(), Calls{});  // closed from outside: no `changed`
}

TEST(DialogBind, CombosAndListsBoundWhileOpen) {
  int32_t level = 2, index = 1;
  char colour[5] = "";
  Probe p;
  HWND dlg = dlgModeless(&p, nullptr, 137);
  ASSERT_NE(dlg, nullptr);
  HINSTANCE inst = GetModuleHandleA(nullptr);
  const DWORD child = WS_CHILD | WS_VISIBLE | WS_VSCROLL;
  CreateWindowExA(0, "ComboBox", "", child | CBS_DROPDOWN, 10, 10, 80, 100, dlg,
                  reinterpret_cast<HMENU>(2001), inst, nullptr);
  CreateWindowExA(0, "ListBox", "", child | LBS_NOTIFY, 100, 10, 80, 60, dlg,
                  reinterpret_cast<HMENU>(2002), inst, nullptr);
  CreateWindowExA(0, "ComboBox", "", child | CBS_DROPDOWNLIST, 190, 10, 80, 100, dlg,
                  reinterpret_cast<HMENU>(2003), inst, nullptr);
  p.bindCombo(2001, level, "1,2,4,8");
  p.bindEdit(1026, level);
  p.bindList(2002, index, "a,b,c");
  p.bindCombo(2003, colour, sizeof colour, "あか,あお");

  EXPECT_EQ(send(dlg, 2001, CB_GETCOUNT), 4);
  EXPECT_EQ(send(dlg, 2001, CB_GETCURSEL), 1);
  EXPECT_EQ(textOf(dlg, 2001), "2");
  EXPECT_EQ(textOf(dlg, 1026), "2");
  EXPECT_EQ(send(dlg, 2002, LB_GETCOUNT), 3);
  EXPECT_EQ(send(dlg, 2002, LB_GETCURSEL), 1);
  EXPECT_EQ(send(dlg, 2003, CB_GETCOUNT), 2);

  struct Step {
    const char* what;
    std::function<void()> act;
    int32_t level, index;
    const char* colour;
    const char* combo;  // text of 2001
    Calls calls;
  };
  const Step steps[] = {
      {"combo selection", [&] { selectItem(dlg, 2001, 3, true); }, 8, 1, "", "8", {2001}},
      {"combo edit",
       [&] {
         SetWindowTextA(GetDlgItem(dlg, 2001), "16");
         SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(2001, CBN_EDITCHANGE),
                      reinterpret_cast<LPARAM>(GetDlgItem(dlg, 2001)));
       },
       16,
       1,
       "",
       "16",
       {2001}},
      {"edit of the same variable", [&] { typeInto(dlg, 1026, "4"); }, 4, 1, "", "4", {1026}},
      {"list selection", [&] { selectItem(dlg, 2002, 2, false); }, 4, 2, "", "4", {2002}},
      {"string combo", [&] { selectItem(dlg, 2003, 1, true); }, 4, 2, "あお", "4", {2003}},
  };
  for (const Step& s : steps) {
    s.act();
    EXPECT_EQ(level, s.level) << s.what;
    EXPECT_EQ(index, s.index) << s.what;
    EXPECT_STREQ(colour, s.colour) << s.what;
    EXPECT_EQ(textOf(dlg, 2001), s.combo) << s.what;
    EXPECT_EQ(textOf(dlg, 1026), std::to_string(s.level)) << s.what;
    EXPECT_EQ(p.takeCalls(), s.calls) << s.what;
  }
  EXPECT_EQ(send(dlg, 2001, CB_GETCURSEL), 2);  // "4" is an item

  // Binding an id again replaces its record; a string resource that does not
  // exist gives no items.
  int bindings = dbCnt(p.bindings), shared = dbCnt(p.sharing);
  p.bindCombo(2001, level, MAKEINTRESOURCEA(59999));
  EXPECT_EQ(dbCnt(p.bindings), bindings);
  EXPECT_EQ(dbCnt(p.sharing), shared);
  EXPECT_EQ(send(dlg, 2001, CB_GETCOUNT), 0);
  typeInto(dlg, 1026, "5");
  EXPECT_EQ(textOf(dlg, 2001), "5");
  EXPECT_EQ(p.takeCalls(), Calls{1026});

  click(dlg, IDCANCEL);
  EXPECT_EQ(level, 2);
  EXPECT_EQ(index, 1);
  EXPECT_STREQ(colour, "");
}

TEST(DialogBind, ChangedHandlersCannotReenter) {
  int32_t colours = 16, hue = 100, sat = 100;
  Probe p;
  p.onSetup = [&](Probe& q) { q.bindEdit(1013, colours); };
  // Like the properties dialog: a count above 256 is corrected while typing.
  p.onChanged = [&](Probe& q, DLGBIND* b) {
    if (b && colours > 256) {
      colours = 256;
      q.refresh(&colours);
    }
  };
  HWND dlg = dlgModeless(&p, nullptr, 136);
  ASSERT_NE(dlg, nullptr);
  typeInto(dlg, 1013, "300");
  EXPECT_EQ(colours, 256);
  EXPECT_EQ(textOf(dlg, 1013), "256");
  EXPECT_EQ(p.takeCalls(), Calls{1013});
  dlgClose(&p);

  // A handler that moves another bound control: the variable follows, the
  // nested change is not told.
  Probe q;
  q.onSetup = [&](Probe& r) {
    r.bindTrackbar(1015, hue, 0, 200, 20);
    r.bindTrackbar(1007, sat, 0, 200, 20);
    r.bindEdit(1010, sat);
  };
  q.onChanged = [&](Probe& r, DLGBIND* b) {
    if (b && b->id == 1015) moveTrackbar(r.hwnd, 1007, hue);
  };
  dlg = dlgModeless(&q, nullptr, 135);
  ASSERT_NE(dlg, nullptr);
  moveTrackbar(dlg, 1015, 150);
  EXPECT_EQ(hue, 150);
  EXPECT_EQ(sat, 150);
  EXPECT_EQ(textOf(dlg, 1010), "150");
  EXPECT_EQ(q.takeCalls(), Calls{1015});
  moveTrackbar(dlg, 1007, 40);
  EXPECT_EQ(q.takeCalls(), Calls{1007});
  dlgClose(&q);
}

// Modal dialogs are driven from a thread timer, which their message loop
// dispatches.
Probe* modalProbe;
std::function<void(HWND)> modalDrive;

void CALLBACK modalTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  auto* b = static_cast<DLGBIND*>(dbTop(modalProbe->bindings));
  HWND dlg = b && b->ctl ? GetParent(b->ctl) : nullptr;
  if (!dlg) return;
  modalDrive(dlg);
  if (modalProbe->calls.empty() || modalProbe->calls.back() != 0)
    EndDialog(dlg, 99);  // did not end: fail instead of waiting for ever
}

TEST(DialogBind, ModalResults) {
  struct Case {
    int res, button, result;
    int32_t width;
    int32_t cancelled;
  };
  const Case cases[] = {
      {131, IDOK, 1, 48, 0},  {131, IDCANCEL, 0, 256, 1}, {133, IDOK, 1, 256, 0},
      {133, IDNO, 2, 256, 0}, {133, IDCANCEL, 0, 256, 1},
  };
  for (const Case& c : cases) {
    int32_t width = 256;
    char name[16] = "test.pxa";
    std::string shown;
    Probe p;
    p.onSetup = [&](Probe& q) {
      if (c.res == 131)
        q.bindEdit(1003, width);
      else
        q.bindText(1008, name, sizeof name);
    };
    modalProbe = &p;
    modalDrive = [&](HWND dlg) {
      if (c.res == 131) typeInto(dlg, 1003, "48");
      shown = textOf(dlg, c.res == 131 ? 1003 : 1008);
      click(dlg, c.button);
    };
    SetTimer(nullptr, 0, 10, modalTimer);
    EXPECT_EQ(dlgModal(&p, nullptr, c.res), c.result) << c.res << " " << c.button;
    EXPECT_EQ(shown, c.res == 131 ? "48" : "test.pxa");
    EXPECT_EQ(width, c.width) << c.res << " " << c.button;
    EXPECT_EQ(p.cancelled, c.cancelled);
    EXPECT_EQ(p.takeCalls(), c.res == 131 ? (Calls{1003, 0}) : Calls{0});
  }
  modalProbe = nullptr;
}

TEST(DialogBind, KeyboardReachesOpenModelessDialogs) {
  struct Case {
    WPARAM key;
    int32_t cancelled, width;
  };
  const Case cases[] = {{VK_RETURN, 0, 7}, {VK_ESCAPE, 1, 256}};
  HWND other = CreateWindowExA(0, "Static", "other", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  MSG plain{other, WM_KEYDOWN, VK_RETURN, 0, 0, {0, 0}};
  EXPECT_FALSE(dlgMessage(&plain));
  for (const Case& c : cases) {
    int32_t width = 256;
    Probe p;
    p.bindEdit(1003, width);
    HWND dlg = dlgModeless(&p, nullptr, 131);
    ASSERT_NE(dlg, nullptr);
    typeInto(dlg, 1003, "7");
    MSG m{GetDlgItem(dlg, 1003), WM_KEYDOWN, c.key, 0, 0, {0, 0}};
    EXPECT_TRUE(dlgMessage(&m)) << c.key;
    EXPECT_EQ(p.hwnd, nullptr) << c.key;
    EXPECT_EQ(p.cancelled, c.cancelled) << c.key;
    EXPECT_EQ(width, c.width) << c.key;
    EXPECT_FALSE(dlgMessage(&m)) << "window gone";
  }
  DestroyWindow(other);
}

TEST(DialogBind, WindowGoesAwayWithOwnerOrObject) {
  HWND owner = CreateWindowExA(0, "Static", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  int32_t t = 128;
  Probe p;
  p.bindEdit(1009, t);
  HWND dlg = dlgModeless(&p, owner, 134);
  ASSERT_NE(dlg, nullptr);
  DestroyWindow(owner);
  EXPECT_FALSE(IsWindow(dlg));
  EXPECT_EQ(p.hwnd, nullptr);
  p.refresh(&t);  // no window: nothing to show, nothing to touch

  {
    Probe q;
    q.bindEdit(1009, t);
    dlg = dlgModeless(&q, nullptr, 134);
    ASSERT_NE(dlg, nullptr);
  }
  EXPECT_FALSE(IsWindow(dlg));
}

}  // namespace
