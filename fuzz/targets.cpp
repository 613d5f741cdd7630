#include "fuzz/targets.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "formats/bmfile.h"
#include "formats/lzss.h"
#include "formats/pxa.h"
#include "std/bmp4.h"
#include "std/ico2.h"
#include "std/nif.h"

namespace {

// Walks every chunk, entering nested ones as deep as the container allows.
void walk(NIF* nifp, int depth) {
  uint32_t size = 0;
  while (nifEnter(nifp, &size)) {
    uint8_t buf[64];
    nifRead(nifp, buf, sizeof buf);
    if (depth < STACKN - 2 && nifp->stackno > 1) walk(nifp, depth + 1);
    nifLeave(nifp);
  }
}

}  // namespace

int fuzzNif(const uint8_t* data, size_t size) {
  if (size == 0) return 0;  // a length of 0 means "trust the image's own size"
  if (NIF* nifp = nifOpen(data, NIF_MEM, size)) {
    if (nifp->stackno < STACKN) walk(nifp, 0);
    nifClose(nifp);
  }
  return 0;
}

int fuzzLz(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  int n = data[0] | (data[1] & 0x1f) << 8;  // expected length, up to 8 KiB (twice the window)
  std::vector<uint8_t> out(static_cast<size_t>(n) + 1);
  int used = lzDecode(out.data(), n, data + 2, static_cast<int>(size - 2));
  if (used < -1 || used > static_cast<int>(size - 2)) std::abort();
  // Whatever decodes must survive an encode/decode round trip unchanged.
  if (used >= 0) {
    std::vector<uint8_t> packed(static_cast<size_t>(lzBound(n)) + 1);
    int m = lzEncode(packed.data(), out.data(), n);
    std::vector<uint8_t> back(static_cast<size_t>(n) + 1);
    if (m > lzBound(n) || lzDecode(back.data(), n, packed.data(), m) != m ||
        std::memcmp(back.data(), out.data(), static_cast<size_t>(n)) != 0)
      std::abort();
  }
  return 0;
}

int fuzzPxa(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  imgfFre(pxaOpenMem(data, size));
  return 0;
}

int fuzzBmp(const uint8_t* data, size_t size) {
  imgfFre(bmpDecode(data, size));
  return 0;
}

int fuzzIco(const uint8_t* data, size_t size) {
  imgfListFre(icoDecode(data, size));
  return 0;
}

int fuzzBmfile(const uint8_t* data, size_t size) {
  static std::string path = [] {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(dir) + "/tdefuzz." + std::to_string(getpid());
  }();
  FILE* fp = std::fopen(path.c_str(), "wb");
  if (!fp) return 0;
  std::fwrite(data, 1, size, fp);
  std::fclose(fp);
  bmFre(bmfileLoad(path.c_str()));
  std::remove(path.c_str());
  return 0;
}

const FuzzTarget kFuzzTargets[6] = {
    {"nif", fuzzNif}, {"lz", fuzzLz},   {"pxa", fuzzPxa},
    {"bmp", fuzzBmp}, {"ico", fuzzIco}, {"bmfile", fuzzBmfile},
};
