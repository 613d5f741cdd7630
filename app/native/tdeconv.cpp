// tdeconv: converts an image file to the format of another file's extension,
// the way "save as" does, or prints what a file holds.
//   tdeconv IN OUT     exit 0, or 1 with the library's message (and a line
//                      naming the file and a reason when the library gave none)
//   tdeconv -i FILE    prints "W H BPP CMAPN FTYPE"
// The library speaks Shift-JIS; on a UTF-8 terminal its messages are converted
// for display (the file names in them are shown as given).
#include <iconv.h>
#include <langinfo.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "formats/bmfile.h"
#include "image/bmindex.h"

namespace {

// Collects everything written to standard output while it lives.
class StdoutCapture {
 public:
  StdoutCapture() {
    std::fflush(stdout);
    tmp_ = std::tmpfile();
    saved_ = dup(1);
    if (tmp_ && saved_ >= 0) dup2(fileno(tmp_), 1);
  }
  std::string finish() {
    std::fflush(stdout);
    std::string text;
    if (saved_ >= 0) {
      dup2(saved_, 1);
      close(saved_);
      saved_ = -1;
    }
    if (tmp_) {
      std::rewind(tmp_);
      char buf[4096];
      size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, tmp_)) > 0) text.append(buf, n);
      std::fclose(tmp_);
      tmp_ = nullptr;
    }
    return text;
  }
  ~StdoutCapture() { finish(); }

 private:
  FILE* tmp_ = nullptr;
  int saved_ = -1;
};

std::string fromCp932(const std::string& s) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return s;
  std::string out;
  std::vector<char> buf(s.size() * 3 + 16);
  char* in = const_cast<char*>(s.data());
  size_t inleft = s.size();
  while (inleft > 0) {
    char* o = buf.data();
    size_t oleft = buf.size();
    size_t r = iconv(cd, &in, &inleft, &o, &oleft);
    out.append(buf.data(), o);
    if (r == static_cast<size_t>(-1) && inleft > 0) {
      out += '?';  // a byte that is no Shift-JIS: shown, not dropped silently
      ++in;
      --inleft;
    }
  }
  iconv_close(cd);
  return out;
}

// Shift-JIS text for a UTF-8 terminal; the given names are passed through.
std::string forDisplay(const std::string& text, const std::vector<std::string>& names) {
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t best = std::string::npos, len = 0;
    for (const auto& n : names) {
      size_t at = n.empty() ? std::string::npos : text.find(n, pos);
      if (at < best || (at == best && n.size() > len)) best = at, len = n.size();
    }
    out += fromCp932(text.substr(pos, best == std::string::npos ? std::string::npos : best - pos));
    if (best == std::string::npos) break;
    out += text.substr(best, len);
    pos = best + len;
  }
  return out;
}

bool utf8Terminal() {
  std::setlocale(LC_CTYPE, "");
  const char* cs = nl_langinfo(CODESET);
  return cs && (!std::strcmp(cs, "UTF-8") || !std::strcmp(cs, "utf8"));
}

// The file a refusal concerns; main makes sure the output names it.
struct Refusal {
  std::string file;
  const char* why = nullptr;  // Shift-JIS reason, for when nothing else says one
};

const char* const kUnreadable = "読み込めません(壊れているか、対応していない形式です)";

int info(const char* fname, Refusal* no) {
  BM* bm = bmfileLoad(fname);
  if (!bm) {
    *no = Refusal{fname, kUnreadable};
    return 1;
  }
  std::printf("%d %d %d %d %d\n", bm->w, bm->h, bm->bpp, bm->cmapn, bm->ftype);
  bmFre(bm);
  return 0;
}

int convert(const char* in, const char* out, Refusal* no) {
  int kind = extKind(out);
  if (kind < 0) {
    std::printf("tdeconv:出力形式が分かりません:%s\n", out);
    return 1;
  }
  BM* bm = bmfileLoad(in);
  if (!bm) {
    *no = Refusal{in, kUnreadable};
    return 1;
  }
  int ok;
  if ((kind == BMF_ICO || kind == BMF_CUR) && bm->bpp == 4) {
    // Icons and cursors hold indices: save an indexed copy, with error diffusion.
    BM* copy = bmDup(bm);
    ok = copy != nullptr;
    if (ok) {
      bmIndex(copy, copy->cmapn, 0, 1);
      ok = bmfileSave(copy, out, kind);
    }
    bmFre(copy);
  } else {
    ok = bmfileSave(bm, out, kind);
  }
  bmFre(bm);
  if (!ok) *no = Refusal{out, "書き込めません"};
  return ok ? 0 : 1;
}

// A line of the output that ends with ":NAME": the library named the file.
bool namesFile(const std::string& text, const std::string& name) {
  return text.find(":" + name + "\n") != std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
  bool utf8 = utf8Terminal();
  std::vector<std::string> names(argv + 1, argv + argc);
  StdoutCapture capture;
  int rc;
  Refusal no;
  if (argc == 3 && !std::strcmp(argv[1], "-i")) {
    rc = info(argv[2], &no);
  } else if (argc == 3) {
    rc = convert(argv[1], argv[2], &no);
  } else {
    std::printf("使い方: tdeconv 入力 出力\n        tdeconv -i ファイル\n");
    rc = 1;
  }
  std::string text = capture.finish();
  // Every refusal says which file and why: readers may fail silently, or
  // with a reason that does not name the file.
  if (no.why && !namesFile(text, no.file))
    text += "tdeconv:" + std::string(no.why) + ":" + no.file + "\n";
  if (utf8) text = forDisplay(text, names);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return rc;
}
