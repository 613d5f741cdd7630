// Printing a window: one page with the view of its client area.
// windows.h (through xwin.h) must come before commdlg.h.
#include "std/xwin.h"

#include <commdlg.h>

#include <cstdio>

namespace {

// A printer context and the device settings the print dialog hands over.
class PrinterHolder {
 public:
  explicit PrinterHolder(const PRINTDLGA& pd) : pd_(pd) {}
  ~PrinterHolder() {
    if (pd_.hDC) DeleteDC(pd_.hDC);
    if (pd_.hDevMode) GlobalFree(pd_.hDevMode);
    if (pd_.hDevNames) GlobalFree(pd_.hDevNames);
  }
  PrinterHolder(const PrinterHolder&) = delete;
  PrinterHolder& operator=(const PrinterHolder&) = delete;
  HDC dc() const { return pd_.hDC; }

 private:
  PRINTDLGA pd_;
};

}  // namespace

void cXWIN::drawPage(HDC page, int pw, int ph) {
  HDC saved = dc;
  dc = page;
  printing = 1;
  pagew = pw;
  pageh = ph;
  // The zoom counts in shorter sides, so the page's mapping shows the
  // client's view enlarged by the ratio of the two shorter sides.
  updateXform(pw, ph);
  drawContent();
  updateXform(width, height);
  dc = saved;
  printing = 0;
}

void cXWIN::print() {
  PRINTDLGA pd{};
  pd.lStructSize = sizeof pd;
  // Owned by the window, so its menu cannot start a second print meanwhile.
  pd.hwndOwner = handle;
  pd.Flags = PD_RETURNDC;
  if (!PrintDlgA(&pd)) {
    // Cancelled says nothing; no printer at all is worth a line.
    if (DWORD err = CommDlgExtendedError())
      std::printf("PrintDlgエラー:%04lx\n", static_cast<unsigned long>(err));
    PrinterHolder none(pd);
    return;
  }
  PrinterHolder printer(pd);
  HDC pdc = printer.dc();
  if (!pdc) return;
  DOCINFOA di{};
  di.cbSize = sizeof di;
  di.lpszDocName = "Test Document";
  if (StartDocA(pdc, &di) <= 0) {
    std::printf("StartDoc でエラー発生\n");
    return;
  }
  if (StartPage(pdc) <= 0) {
    std::printf("StartPage でエラー発生\n");
    AbortDoc(pdc);
    return;
  }
  drawPage(pdc, GetDeviceCaps(pdc, HORZRES), GetDeviceCaps(pdc, VERTRES));
  if (EndPage(pdc) <= 0) {
    AbortDoc(pdc);
    std::printf("EndPage でエラー発生\n");
  } else if (EndDoc(pdc) <= 0) {
    std::printf("EndDoc でエラー発生\n");
  }
}
