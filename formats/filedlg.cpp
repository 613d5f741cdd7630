#include "formats/filedlg.h"

#include <cstring>

namespace {

bool isLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Start of the file-name part: after the last '/', ':' or '\'. Shift-JIS
// characters are stepped over whole, so a trail byte 0x5C is no separator.
const char* fileNamePart(const char* name) {
  const char* part = name;
  for (const char* p = name; *p; p++) {
    if (isLead(static_cast<unsigned char>(*p))) {
      if (!p[1]) break;
      p++;
      continue;
    }
    if (*p == '/' || *p == ':' || *p == '\\') part = p + 1;
  }
  return part;
}

const char* const kFilterExt[] = {".pxa", ".bmp", ".tif", ".jpg", ".ppm",
                                  ".cur", ".ico", ".sbf", ".png"};

}  // namespace

const char* fileExtOf(const char* name) {
  if (!name) return "";
  const char* p = fileNamePart(name);
  while (*p == '.') p++;
  const char* ext = nullptr;
  for (; *p; p++) {
    if (isLead(static_cast<unsigned char>(*p))) {
      if (!p[1]) break;
      p++;
      continue;
    }
    if (*p == '.') ext = p;
  }
  return ext ? ext : "";
}

const char* fileFilterExt(int index) {
  if (index < 1 || index > 9) return nullptr;
  return kFilterExt[index - 1];
}

int fileAppendExt(char* name, size_t size, int filterIndex) {
  const char* ext = fileFilterExt(filterIndex);
  if (!ext || !name || *fileExtOf(name)) return 0;
  size_t len = std::strlen(name), add = std::strlen(ext);
  if (len + add + 1 > size) return 0;
  std::memcpy(name + len, ext, add + 1);
  return 1;
}
