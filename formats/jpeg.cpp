#include "formats/jpeg.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "formats/jpeg_lib.h"
#include "std/fout.h"
#include "std/futil.h"

IMGF* jpgDecode(const uint8_t* data, size_t len) {
  JPEGDEC d{};
  d.data = data;
  d.len = data ? len : 0;
  if (jpegDecodeRun(&d)) return d.img;
  switch (d.failure) {
    case JPEG_COMPONENTS:
      std::printf("jpgOpen:色成分が %d 個の JPEG はサポートしていません\n", d.components);
      break;
    case JPEG_TOO_BIG:
      std::printf("jpgOpen:画像サイズが異常です %d x %d\n", d.w, d.h);
      break;
    case JPEG_NO_MEMORY:
      std::printf("jpgOpen:メモリ確保エラー\n");
      break;
    default:
      std::printf("jpgOpen:JPEG ファイルが壊れています:%s\n", d.message);
  }
  return nullptr;
}

IMGF* jpgOpen(const char* fname) {
  size_t len = 0;
  char* data = fload(&len, fname);
  if (!data) {
    std::printf("ファイルオープン(r)エラー:%s\n", fname ? fname : "");
    return nullptr;
  }
  IMGF* img = jpgDecode(reinterpret_cast<const uint8_t*>(data), len);
  std::free(data);
  return img;
}

namespace {

enum class Encoded { kFailed, kWarned, kClean };

Encoded encode(FOUT* fo, const void* rgba, int w, int h) {
  if (w <= 0 || h <= 0 || w > 65500 || h > 65500 || !imgfBytes(w, h, 4) || !rgba) {
    return Encoded::kFailed;
  }
  std::vector<uint8_t> chunk(1 << 16);
  JPEGENC e{};
  e.rgba = static_cast<const uint8_t*>(rgba);
  e.w = w;
  e.h = h;
  e.fo = fo;
  e.chunk = chunk.data();
  e.chunklen = chunk.size();
  if (!jpegEncodeRun(&e)) {
    std::printf("jpgSave:%s\n", e.message);
    return Encoded::kFailed;
  }
  if (!foutOk(fo)) return Encoded::kFailed;
  return e.warnings ? Encoded::kWarned : Encoded::kClean;
}

}  // namespace

int jpgWrite(FOUT* fo, const void* rgba, int w, int h) {
  return encode(fo, rgba, w, h) == Encoded::kClean ? 1 : 0;
}

int jpgSave(const char* fname, const void* rgba, int w, int h) {
  FOUT* fo = foutOpen(fname);
  if (!fo) return 0;
  Encoded r = encode(fo, rgba, w, h);
  // A stream the library refused leaves the old file alone; one it only
  // warned about is kept and still reported as a failure.
  if (r == Encoded::kFailed) {
    foutAbort(fo);
    return 0;
  }
  return foutClose(fo) && r == Encoded::kClean;
}
