// The two common file dialogs share one descriptor.
#include <windows.h>
#include <commdlg.h>

#include "formats/bmfile.h"
#include "formats/filedlg.h"

namespace {

const char kFilters[] =
    "PXA\0*.pxa\0BMP\0*.bmp\0TIFF\0*.tif\0JPEG\0*.jpg\0PPM\0*.ppm\0CUR\0*.cur\0ICO\0*.ico\0"
    "SBF\0*.sbf\0PNG\0*.png\0";

OPENFILENAMEA ofn;

void fillDescriptor(char* name, int size, const char* title) {
  ZeroMemory(&ofn, sizeof ofn);
  ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  ofn.hwndOwner = nullptr;
  ofn.lpstrFilter = kFilters;
  ofn.nFilterIndex = 0;
  ofn.lpstrFile = name;
  ofn.nMaxFile = DWORD(size);
  ofn.lpstrInitialDir = ".";
  ofn.lpstrTitle = title;
  ofn.Flags = OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
}

}  // namespace

int fileSaveDlg(char* name, int size) {
  if (!name || size <= 0) return -1;
  fillDescriptor(name, size, "ファイルをセーブします");
  if (!GetSaveFileNameA(&ofn)) return -1;
  fileAppendExt(name, size_t(size), int(ofn.nFilterIndex));
  return extKind(name);
}

int fileOpenDlg(char* name, int size) {
  if (!name || size <= 0) return 0;
  fillDescriptor(name, size, "ファイルをオープンします");
  return GetOpenFileNameA(&ofn);
}
