// Base window: construction, registration, the one window procedure, the view
// mapping, capture stack and modal loop. Drawing lives in xwindraw_win32.cpp,
// the popup in xwinpopup_win32.cpp.
#include "std/xwin.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "std/bigmem.h"
#include "std/tdeassert.h"

DB* winlist = nullptr;
DB* capstack = nullptr;

cDISPLAY::cDISPLAY() {
  winlist = dbNew(DBT_PTR, DBT_PTR, 1024, 4096);
  capstack = dbNew(0, DBT_PTR, 0, 1024);
}

cDISPLAY::~cDISPLAY() {
  dbFre(capstack);
  dbFre(winlist);
  capstack = winlist = nullptr;
}

// Constructed before the entry function runs, destroyed after it returns.
static cDISPLAY display;

namespace {

const char kDestroyCmd[] = "WM_DESTROY";

char* copyText(const char* s) {
  size_t n = std::strlen(s) + 1;
  char* p = new char[n];
  std::memcpy(p, s, n);
  return p;
}

void* winlistEntry(HWND h) { return winlist ? dbFind(winlist, static_cast<void*>(h)) : nullptr; }

INT_PTR CALLBACK aboutProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
  if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
    EndDialog(dlg, LOWORD(wp));
    return TRUE;
  }
  // Let the dialog manager set the focus on WM_INITDIALOG.
  return msg == WM_INITDIALOG;
}

}  // namespace

cXWIN* xwinOf(HWND h) {
  void* e = winlistEntry(h);
  return e ? *static_cast<cXWIN**>(e) : nullptr;
}

int xwinAlive(const cXWIN* w) {
  if (!w || !winlist) return 0;
  // Found in the list, the object still exists and may be read; a closed
  // window waiting for its destruction no longer counts.
  for (void* e = dbTop(winlist); e; e = dbNxt(e))
    if (*static_cast<cXWIN**>(e) == w) return w->handle != nullptr;
  return 0;
}

cXWIN::cXWIN() {
  owner = nullptr;
  classname = "cXWIN";
  printing = 0;
  title = copyText(classname);
  cx = cy = 0.0;
  zoom = 1.0;
  buttons = mousex = mousey = keys = 0;
  background = RGB(212, 208, 200);
  width = height = 0;
  ydown = 1;
  setFaceName("MSゴシック");
  font = nullptr;
  dc = nullptr;
  backbuf = nullptr;
  backbits = drawbits = nullptr;
  backw = backh = 0;
  drawrect = RECT{0, 0, 0, 0};
  fillpending = 0;
  setFont(16);
  hidden = 0;
  handle = nullptr;
  instance = GetModuleHandleA(nullptr);
  style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  classstyle = CS_HREDRAW | CS_VREDRAW;
  x = y = CW_USEDEFAULT;
  icon = nullptr;
  menu = nullptr;
  dragx = dragy = 0;
  pagew = pageh = 0;
  xf = VIEWXF{0, 0, 0, 0};
  lastwp = 0;
  lastlp = 0;
}

cXWIN::~cXWIN() {
  delete[] title;
  if (font) DeleteObject(font);
  if (backbuf) DeleteObject(backbuf);
}

void cXWIN::close() {
  if (!handle) return;
  PostMessageA(handle, STRCMD, 0, reinterpret_cast<LPARAM>(kDestroyCmd));
  handle = nullptr;
}

int cXWIN::onDestroy() { return dbCnt(winlist) == 0; }

void cXWIN::updateXform(int w, int h) { xf = viewXform(VIEW{cx, cy, zoom, ydown}, w, h); }

double cXWIN::scale() { return xf.sx; }
double cXWIN::toWinX(double wx) { return xformWinX(xf, wx); }
double cXWIN::toWinY(double wy) { return xformWinY(xf, wy); }
double cXWIN::toWorldX(double px) { return xformWorldX(xf, px); }
double cXWIN::toWorldY(double py) { return xformWorldY(xf, py); }

void cXWIN::setTitle(const char* text) {
  char* t = copyText(text ? text : "");
  delete[] title;
  title = t;
  if (handle) SetWindowTextA(handle, title);
}

void cXWIN::setPos(int px, int py) {
  x = px;
  y = py;
}

void cXWIN::setStyle(DWORD s) { style = s ? s : WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN; }

void cXWIN::setView(double x0, double y0, double x1, double y1) {
  VIEW v{cx, cy, zoom, ydown};
  viewFit(&v, x0, y0, x1, y1);
  cx = v.cx, cy = v.cy, zoom = v.zoom;
  updateXform(width, height);
}

void cXWIN::setScale(double p) {
  VIEW v{cx, cy, zoom, ydown};
  viewSetScale(&v, p, width, height);
  zoom = v.zoom;
  updateXform(width, height);
  invalidate();
}

void cXWIN::invalidate() {
  if (handle) InvalidateRect(handle, nullptr, FALSE);
}

void cXWIN::invalidateRect(int x0, int y0, int x1, int y1) {
  RECT r{x0, y0, x1, y1};
  if (handle) InvalidateRect(handle, &r, FALSE);
}

void cXWIN::move(int px, int py, int w, int h) {
  if (handle) MoveWindow(handle, px, py, w, h, FALSE);
}

void cXWIN::focus() {
  if (handle) SetFocus(handle);
}

void cXWIN::setFaceName(const char* name) {
  std::snprintf(facename, sizeof facename, "%s", name ? name : "");
}

void cXWIN::setFont(int h) {
  if (font) DeleteObject(font);
  font = CreateFontA(-h, 0, 0, 0, 0, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 1, FIXED_PITCH,
                     facename);
  fonth = h;
  charw = h / 2;
  if (dc && font) SelectObject(dc, font);
}

int cXWIN::textWidth(const char* text) {
  int len = static_cast<int>(std::strlen(text));
  if (dc) return LOWORD(GetTabbedTextExtentA(dc, text, len, 4, nullptr));
  // Outside a paint, measure on the screen with the window font.
  HDC sdc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(sdc, font);
  int w = LOWORD(GetTabbedTextExtentA(sdc, text, len, 4, nullptr));
  SelectObject(sdc, old);
  ReleaseDC(nullptr, sdc);
  return w;
}

void cXWIN::capturePush() {
  dbAdd(capstack, static_cast<void*>(handle));
  if (handle && xwinAlive(this)) SetCapture(handle);
}

void cXWIN::capturePop() {
  void* top = dbEnd(capstack);
  TDE_ASSERT_TEXT(top, "capturep", "std/xwin");
  dbDel(capstack, top);
  void* next = dbEnd(capstack);
  HWND h = next ? *static_cast<HWND*>(next) : nullptr;
  if (h && xwinOf(h))
    SetCapture(h);
  else
    ReleaseCapture();
}

WPARAM cXWIN::modalLoop() {
  MSG msg;
  BOOL got;
  while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    if (msg.message == POPUPEND) return msg.wParam;
  }
  if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
  return got == 0 ? msg.wParam : 0;
}

bool cXWIN::keepBackBuffer(HDC wdc) {
  if (backbuf && backw == width && backh == height) return true;
  if (backbuf) DeleteObject(backbuf);
  backbuf = nullptr;
  backbits = nullptr;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  backbuf = CreateDIBSection(wdc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!backbuf || !bits) {
    if (backbuf) DeleteObject(backbuf);
    backbuf = nullptr;
    return false;
  }
  backbits = static_cast<uint8_t*>(bits);
  bigAdvise(bits, size_t(width) * height * 4);
  backw = width;
  backh = height;
  return true;
}

void cXWIN::paint() {
  HWND hwnd = handle;  // drawContent may close the window
  if (!hwnd) return;
  PAINTSTRUCT ps;
  HDC wdc = BeginPaint(hwnd, &ps);
  // Only the invalid part is drawn and copied: the rest of the window keeps
  // what it shows. The buffer outlives the paint, so no paint allocates and
  // clears a client-sized bitmap.
  RECT r{0, 0, width, height};
  if (width > 0 && height > 0 && IntersectRect(&r, &r, &ps.rcPaint) && keepBackBuffer(wdc)) {
    HDC mdc = CreateCompatibleDC(wdc);
    HGDIOBJ oldBmp = SelectObject(mdc, backbuf);
    HGDIOBJ oldFont = SelectObject(mdc, font);
    IntersectClipRect(mdc, r.left, r.top, r.right, r.bottom);
    dc = mdc;
    drawbits = backbits;
    drawrect = r;
    fillpending = 1;
    updateXform(width, height);
    drawContent();
    fillBackground(nullptr);
    drawbits = nullptr;
    BitBlt(wdc, r.left, r.top, r.right - r.left, r.bottom - r.top, mdc, r.left, r.top, SRCCOPY);
    dc = nullptr;
    SelectObject(mdc, oldFont);
    SelectObject(mdc, oldBmp);
    DeleteDC(mdc);
  }
  EndPaint(hwnd, &ps);
}

// ---- creation and dispatch ----

namespace {
LRESULT CALLBACK xwinProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
}

void cXWIN::registerClass() {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = classstyle;
  wc.lpfnWndProc = xwinProc;
  wc.cbWndExtra = sizeof(void*);
  wc.hInstance = instance;
  wc.hIcon = icon ? LoadIconA(instance, icon) : nullptr;
  wc.hIconSm = wc.hIcon;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(5);
  wc.lpszMenuName = menu;
  wc.lpszClassName = classname;
  // Fails when the class exists: the first window of a class fixes it.
  RegisterClassExA(&wc);
}

int cXWIN::create(int w, int h) {
  width = w;
  height = h;
  updateXform(w, h);
  registerClass();
  RECT r{0, 0, w, h};
  AdjustWindowRectEx(&r, style, menu != nullptr, 0);
  HWND parent = owner ? owner->handle : nullptr;
  HWND hw = CreateWindowExA(0, classname, title, style, x, y, r.right - r.left, r.bottom - r.top,
                            parent, nullptr, instance, this);
  if (!hw) {
    std::printf("ウィンドウ作成エラー\n");
    return 1;
  }
  dbAdd(winlist, static_cast<void*>(hw), static_cast<void*>(this));
  if (!hidden) ShowWindow(hw, SW_SHOW);
  UpdateWindow(hw);
  return 0;
}

namespace {

void onDropFiles(cXWIN* w, HDROP drop) {
  UINT n = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  char path[256];
  for (UINT i = 0; i < n; i++) {
    if (DragQueryFileA(drop, i, path, sizeof path) == 0) continue;
    w->onDropFile(path);
  }
  DragFinish(drop);
}

void onWmDestroy(cXWIN* w, HWND hwnd) {
  DragAcceptFiles(hwnd, FALSE);
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  if (void* e = winlistEntry(hwnd)) dbDel(winlist, e);
  // The object may delete itself in onDestroy: not touched afterwards.
  if (w->onDestroy()) PostQuitMessage(0);
}

void onWmCommand(cXWIN* w, HWND hwnd, WPARAM wp, LPARAM lp) {
  w->lastwp = wp;
  w->lastlp = lp;
  int id = LOWORD(wp);
  if (id == 104) {
    DialogBoxParamA(w->instance, MAKEINTRESOURCEA(103), hwnd, aboutProc, 0);
  } else if (id == 105) {
    if (!w->onExitCommand()) SendMessageA(hwnd, WM_CLOSE, 0, 0);
  } else {
    w->onCommand(id);
  }
}

void setKeyBit(cXWIN* w, WPARAM vk, bool down) {
  int bit = vk == VK_SHIFT ? 1 : vk == VK_CONTROL ? 2 : vk == VK_MENU ? 4 : 0;
  w->keys = down ? (w->keys | bit) : (w->keys & ~bit);
}

// Signed: while a window holds the mouse capture, positions left of or
// above its client area arrive as negative numbers.
void setMouse(cXWIN* w, LPARAM lp) {
  w->mousex = static_cast<short>(LOWORD(lp));
  w->mousey = static_cast<short>(HIWORD(lp));
}

void middleDragPan(cXWIN* w) {
  if (!(w->buttons & 4)) return;
  VIEW v{w->cx, w->cy, w->zoom, w->ydown};
  viewPan(&v, w->mousex - w->dragx, w->mousey - w->dragy, w->width, w->height);
  w->cx = v.cx, w->cy = v.cy;
  w->dragx = w->mousex;
  w->dragy = w->mousey;
  w->updateXform(w->width, w->height);
  if (w->handle) InvalidateRect(w->handle, nullptr, FALSE);
}

void wheelZoom(cXWIN* w, int delta) {
  VIEW v{w->cx, w->cy, w->zoom, w->ydown};
  viewWheel(&v, delta);
  w->zoom = v.zoom;
  w->updateXform(w->width, w->height);
  w->invalidate();
}

// Messages that need more than one line; false when not one of them.
bool dispatchInput(cXWIN* w, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_KEYDOWN:
      setKeyBit(w, wp, true);
      w->onKeyDown(static_cast<int>(wp));
      return true;
    case WM_KEYUP:
      setKeyBit(w, wp, false);
      w->onKeyUp(static_cast<int>(wp));
      return true;
    case WM_CHAR:
      w->onChar(static_cast<int>(wp));
      if ((wp == 3 || wp == 27) && w->queryClose()) w->close();
      return true;
    case WM_MOUSEMOVE:
      setMouse(w, lp);
      middleDragPan(w);
      w->onMouseMove(w->mousex, w->mousey);
      return true;
    case WM_LBUTTONDOWN:
      w->buttons |= 1;
      setMouse(w, lp);
      w->onLButtonDown(w->mousex, w->mousey);
      return true;
    case WM_LBUTTONUP:
      w->buttons &= ~1;
      w->onLButtonUp();
      return true;
    case WM_LBUTTONDBLCLK:
      w->onLButtonDblClk(LOWORD(lp), HIWORD(lp));
      return true;
    case WM_RBUTTONDOWN:
      w->buttons |= 2;
      setMouse(w, lp);
      w->onRButtonDown(w->mousex, w->mousey);
      return true;
    case WM_RBUTTONUP:
      w->buttons &= ~2;
      w->onRButtonUp();
      return true;
    case WM_MBUTTONDOWN:
      w->buttons |= 4;
      setMouse(w, lp);
      w->dragx = w->mousex;
      w->dragy = w->mousey;
      w->onMButtonDown(w->mousex, w->mousey);
      return true;
    case WM_MBUTTONUP:
      w->buttons &= ~4;
      w->onMButtonUp();
      return true;
    case WM_MOUSEWHEEL: {
      int delta = static_cast<short>(HIWORD(wp));
      wheelZoom(w, delta);
      w->onWheel(delta);
      return true;
    }
  }
  (void)hwnd;
  return false;
}

bool dispatchWindow(cXWIN* w, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_DESTROY:
      onWmDestroy(w, hwnd);
      return true;
    case WM_MOVE:
      w->x = static_cast<short>(LOWORD(lp));
      w->y = static_cast<short>(HIWORD(lp));
      return true;
    case WM_SIZE:
      w->width = LOWORD(lp);
      w->height = HIWORD(lp);
      w->updateXform(w->width, w->height);
      w->onSize();
      return true;
    case WM_SETFOCUS:
      w->onSetFocus();
      return true;
    case WM_KILLFOCUS:
      w->onKillFocus();
      return true;
    case WM_PAINT:
      if (w->handle) {
        w->paint();
      } else {
        // A closed window does not paint, but its region must be validated.
        ValidateRect(hwnd, nullptr);
      }
      return true;
    case WM_CLOSE:
      if (w->queryClose()) w->close();
      return true;
    case WM_COMMAND:
      onWmCommand(w, hwnd, wp, lp);
      return true;
    case WM_HSCROLL:
      w->onHScroll(wp);
      return true;
    case WM_VSCROLL:
      w->onVScroll(wp);
      return true;
    case WM_DROPFILES:
      onDropFiles(w, reinterpret_cast<HDROP>(wp));
      return true;
    case TICK:
      w->onTick();
      PostMessageA(hwnd, AFTERTICK, 0, 0);
      return true;
    case AFTERTICK:
      w->onAfterTick();
      return true;
    case STRCMD: {
      const char* text = reinterpret_cast<const char*>(lp);
      if (text && std::strncmp(text, kDestroyCmd, sizeof kDestroyCmd) == 0)
        DestroyWindow(hwnd);
      else if (text)
        w->onString(text);
      return true;
    }
  }
  return false;
}

LRESULT CALLBACK xwinProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
    auto* w = static_cast<cXWIN*>(cs->lpCreateParams);
    w->handle = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
    SetClassLongPtrA(hwnd, GCLP_HBRBACKGROUND, 0);
    DragAcceptFiles(hwnd, TRUE);
    w->onCreate();
    return 0;
  }
  auto* w = reinterpret_cast<cXWIN*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!w) return DefWindowProcA(hwnd, msg, wp, lp);
  if (msg == WM_SETCURSOR) return w->onSetCursor() ? TRUE : DefWindowProcA(hwnd, msg, wp, lp);
  if (dispatchWindow(w, hwnd, msg, wp, lp) || dispatchInput(w, hwnd, msg, wp, lp)) return 0;
  if (w->onOtherMessage(hwnd, msg, wp, lp)) return DefWindowProcA(hwnd, msg, wp, lp);
  return 0;
}

}  // namespace
