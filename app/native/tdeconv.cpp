// tdeconv: converts image files the way "save as" does, or prints what a file
// holds. Forms and exit codes: app/convargs.h and `tdeconv --help`.
// Results ("-i") go to standard output, messages to standard error. The
// library and this program speak Shift-JIS; the messages are converted to
// the terminal's encoding (the file names in them are shown as given).
#include <iconv.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/convargs.h"
#include "formats/bmfile.h"
#include "image/bmindex.h"

namespace {

const char* const kTitle = "霧の谷グラフィックエディタ";
const char* const kVersion = "Ver1.02";

// Collects everything written to standard output while it lives: the
// library prints its diagnostics there.
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
    if (saved_ >= 0) {
      dup2(saved_, 1);
      close(saved_);
      saved_ = -1;
    }
    std::string text = readAll(tmp_);
    if (tmp_) std::fclose(tmp_);
    tmp_ = nullptr;
    return text;
  }
  ~StdoutCapture() { finish(); }
  static std::string readAll(FILE* fp) {
    std::string text;
    if (!fp) return text;
    std::fflush(fp);
    std::rewind(fp);
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, fp)) > 0) text.append(buf, n);
    return text;
  }

 private:
  FILE* tmp_ = nullptr;
  int saved_ = -1;
};

// Standard error in the terminal's encoding. Shift-JIS text is converted to
// the locale's character set; the C locale and Shift-JIS locales get the
// bytes as they are.
class Terminal {
 public:
  Terminal() {
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");  // numbers in files and messages stay plain
    const char* cs = nl_langinfo(CODESET);
    std::string set = cs ? cs : "";
    static const char* const kAsIs[] = {"ANSI_X3.4-1968", "ASCII", "US-ASCII",   "SHIFT_JIS",
                                        "SJIS",           "CP932", "WINDOWS-31J"};
    for (const char* s : kAsIs)
      if (set == s) set.clear();
    codeset_ = set;
    tty_ = isatty(2);
  }
  bool tty() const { return tty_; }
  // Writes Shift-JIS text; the given names are passed through unconverted.
  void say(const std::string& text, const std::vector<std::string>& names = {}) const {
    std::string out = codeset_.empty() ? text : display(text, names);
    std::fwrite(out.data(), 1, out.size(), stderr);
    std::fflush(stderr);
  }
  // The same, for standard output (help and version).
  void print(const std::string& text) const {
    std::string out = codeset_.empty() ? text : convert(text);
    std::fwrite(out.data(), 1, out.size(), stdout);
  }

 private:
  std::string convert(const std::string& s) const {
    iconv_t cd = iconv_open(codeset_.c_str(), "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return s;
    std::string out;
    std::vector<char> buf(s.size() * 4 + 16);
    char* in = const_cast<char*>(s.data());
    size_t inleft = s.size();
    while (inleft > 0) {
      char* o = buf.data();
      size_t oleft = buf.size();
      size_t r = iconv(cd, &in, &inleft, &o, &oleft);
      out.append(buf.data(), o);
      if (r == static_cast<size_t>(-1) && errno != E2BIG && inleft > 0) {
        out += '?';  // a byte that is no Shift-JIS: shown, not dropped silently
        ++in;
        --inleft;
      }
    }
    iconv_close(cd);
    return out;
  }
  std::string display(const std::string& text, const std::vector<std::string>& names) const {
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
      size_t best = std::string::npos, len = 0;
      for (const auto& n : names) {
        size_t at = n.empty() ? std::string::npos : text.find(n, pos);
        if (at < best || (at == best && n.size() > len)) best = at, len = n.size();
      }
      out += convert(text.substr(pos, best == std::string::npos ? best : best - pos));
      if (best == std::string::npos) break;
      out += text.substr(best, len);
      pos = best + len;
    }
    return out;
  }

  std::string codeset_;  // "" when the text goes out as it is
  bool tty_ = false;
};

// What one file came to: an exit code and the Shift-JIS messages, which name
// the file whenever it failed.
struct Outcome {
  int rc = CONV_DONE;
  std::string text;
};

const char* const kUnreadable = "読み込めません(壊れているか、対応していない形式です)";

std::string refusal(const char* why, const std::string& file) {
  return std::string("tdeconv:") + why + ":" + file + "\n";
}

// A line of the messages that ends with ":NAME": the library named the file.
bool namesFile(const std::string& text, const std::string& name) {
  return text.find(":" + name + "\n") != std::string::npos;
}

// Readers may fail silently, or with a reason that does not name the file.
void nameTheFile(Outcome* o, const char* why, const std::string& file) {
  o->rc = CONV_FAILED;
  if (!namesFile(o->text, file)) o->text += refusal(why, file);
}

int save(BM* bm, const std::string& out, int kind) {
  if ((kind != BMF_ICO && kind != BMF_CUR) || bm->bpp != 4)
    return bmfileSave(bm, out.c_str(), kind);
  // Icons and cursors hold indices: save an indexed copy, with error diffusion.
  BM* copy = bmDup(bm);
  int ok = copy != nullptr;
  if (ok) {
    bmIndex(copy, copy->cmapn, 0, 1);
    ok = bmfileSave(copy, out.c_str(), kind);
  }
  bmFre(copy);
  return ok;
}

Outcome convertFile(const std::string& in, const std::string& out, int kind) {
  Outcome o;
  StdoutCapture capture;
  BM* bm = bmfileLoad(in.c_str());
  bool loaded = bm != nullptr;
  bool saved = loaded && save(bm, out, kind);
  bmFre(bm);
  o.text = capture.finish();
  if (!loaded) nameTheFile(&o, kUnreadable, in);
  if (loaded && !saved) nameTheFile(&o, "書き込めません", out);
  return o;
}

int info(const std::string& file, const Terminal& term) {
  Outcome o;
  char line[96] = "";
  StdoutCapture capture;
  if (BM* bm = bmfileLoad(file.c_str())) {
    std::snprintf(line, sizeof line, "%d %d %d %d %d\n", bm->w, bm->h, bm->bpp, bm->cmapn,
                  bm->ftype);
    bmFre(bm);
  }
  o.text = capture.finish();
  if (!*line) nameTheFile(&o, kUnreadable, file);
  term.say(o.text, {file});
  std::fputs(line, stdout);
  return o.rc;
}

int convertOne(const std::string& in, const std::string& out, const Terminal& term) {
  int kind = extKind(out.c_str());
  if (kind < 0) {
    term.say(refusal("出力形式が分かりません", out), {out});
    return CONV_FAILED;
  }
  Outcome o = convertFile(in, out, kind);
  term.say(o.text, {in, out});
  return o.rc;
}

// ---- many files to one format ----

struct Job {
  std::string in, out;
  int kind;
  Outcome result;
  bool refused = false;  // decided before anything ran
};

// mkdir -p: every missing folder on the way.
bool makeFolders(const std::string& dir) {
  for (size_t at = dir.find('/', 1);; at = dir.find('/', at + 1)) {
    std::string part = dir.substr(0, at);
    if (!part.empty() && mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    if (at == std::string::npos) break;
  }
  struct stat st;
  return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Output names, refusing any that would replace an input or another output.
std::vector<Job> plan(const ConvArgs& a) {
  std::set<std::pair<dev_t, ino_t>> inputs;
  for (const auto& f : a.files) {
    struct stat st;
    if (stat(f.c_str(), &st) == 0) inputs.insert({st.st_dev, st.st_ino});
  }
  std::vector<Job> jobs;
  std::set<std::string> outs;
  for (const auto& f : a.files) {
    Job j{f, convOutName(a.dir, f, a.kind), a.kind, {}, false};
    struct stat st;
    const char* why = nullptr;
    if (stat(j.out.c_str(), &st) == 0 && inputs.count({st.st_dev, st.st_ino}))
      why = "入力のファイルは上書きしません";
    else if (!outs.insert(j.out).second)
      why = "同じ名前の出力がほかの入力にもあります";
    if (why) {
      j.refused = true;
      j.result.rc = CONV_FAILED;
      j.result.text = refusal(why, j.out);
    }
    jobs.push_back(std::move(j));
  }
  return jobs;
}

// One worker process per file, at most `workers` at a time: the library's
// messages go to its process's standard output, so each file's messages stay
// its own, and a file that brings a worker down costs that file only.
class Workers {
 public:
  Workers(std::vector<Job>* jobs, unsigned workers, const Terminal& term)
      : jobs_(*jobs), workers_(workers), term_(term) {}

  void run() {
    for (size_t i = 0; i < jobs_.size(); ++i)
      if (jobs_[i].refused) tick();
    size_t next = 0;
    for (;;) {
      while (running_.size() < workers_ && (next = nextJob(next)) < jobs_.size()) start(next++);
      if (running_.empty()) break;
      reap();
    }
    if (term_.tty()) term_.say("\n");
  }

 private:
  struct Running {
    pid_t pid;
    size_t job;
    FILE* messages;
  };

  size_t nextJob(size_t from) const {
    while (from < jobs_.size() && jobs_[from].refused) ++from;
    return from;
  }

  void start(size_t k) {
    Job& j = jobs_[k];
    FILE* messages = std::tmpfile();
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = messages ? fork() : -1;
    if (pid == 0) {
      Outcome o = convertFile(j.in, j.out, j.kind);
      std::fwrite(o.text.data(), 1, o.text.size(), messages);
      std::fflush(messages);
      _exit(o.rc);
    }
    if (pid < 0) {
      if (messages) std::fclose(messages);
      j.result.rc = CONV_FAILED;
      j.result.text = refusal("作業プロセスを作れません", j.in);
      tick();
      return;
    }
    running_.push_back({pid, k, messages});
  }

  void reap() {
    int status = 0;
    pid_t pid = waitpid(-1, &status, 0);
    if (pid < 0 && errno == EINTR) return;
    for (size_t i = 0; i < running_.size(); ++i) {
      if (pid >= 0 && running_[i].pid != pid) continue;
      Running r = running_[i];
      running_.erase(running_.begin() + static_cast<long>(i));
      finish(r, pid < 0 ? -1 : status);
      return;
    }
  }

  void finish(const Running& r, int status) {
    Job& j = jobs_[r.job];
    j.result.text = StdoutCapture::readAll(r.messages);
    std::fclose(r.messages);
    if (status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == CONV_DONE) {
      j.result.rc = CONV_DONE;
    } else if (status >= 0 && WIFEXITED(status)) {
      j.result.rc = CONV_FAILED;
    } else {
      // Whatever the worker was writing is only its temporary file.
      std::remove((j.out + ".~tde").c_str());
      j.result.rc = CONV_FAILED;
      j.result.text += refusal("変換中に異常終了しました", j.in);
    }
    tick();
  }

  // "変換 K/N" on a terminal, rewritten in place.
  void tick() {
    ++done_;
    if (term_.tty())
      term_.say("\r変換 " + std::to_string(done_) + "/" + std::to_string(jobs_.size()));
  }

  std::vector<Job>& jobs_;
  unsigned workers_;
  const Terminal& term_;
  std::vector<Running> running_;
  size_t done_ = 0;
};

int convertMany(const ConvArgs& a, const Terminal& term) {
  if (!a.dir.empty() && !makeFolders(a.dir)) {
    term.say(refusal("出力フォルダを作れません", a.dir), {a.dir});
    return CONV_FAILED;
  }
  std::vector<Job> jobs = plan(a);
  unsigned workers = std::max(1u, std::thread::hardware_concurrency());
  Workers(&jobs, workers, term).run();
  // Every file's messages in the order given, then how many failed.
  size_t failed = 0;
  for (const Job& j : jobs) {
    term.say(j.result.text, {j.in, j.out});
    if (j.result.rc != CONV_DONE) ++failed;
  }
  if (!failed) return CONV_DONE;
  term.say("tdeconv:" + std::to_string(jobs.size()) + " 個のうち " + std::to_string(failed) +
           " 個を変換できませんでした\n");
  return CONV_FAILED;
}

// ---- help ----

std::string usageLines() {
  return "使い方: tdeconv 入力 出力\n"
         "        tdeconv -i ファイル\n"
         "        tdeconv -t 形式 [-d フォルダ] ファイル...\n"
         "        tdeconv --help | --version\n";
}

std::string helpText() {
  return std::string(kTitle) + " " + kVersion + " 画像変換\n\n" + usageLines() +
         "\n"
         "入力の形式は中身で見分け、出力の形式は拡張子で決めます。\n"
         "  入力 出力       入力を出力の拡張子の形式で保存します\n"
         "  -i ファイル     \"幅 高さ 画素のバイト数 色数 形式番号\" を表示します\n"
         "  -t 形式         ファイルをまとめてこの形式に変換します\n"
         "                  (" +
         convFormatNames().substr(1) +
         ")\n"
         "  -d フォルダ     まとめて変換した出力の置き場所(なければ作ります)。\n"
         "                  省略すると入力と同じフォルダです。出力の名前は入力の\n"
         "                  名前に新しい拡張子を付けたもので、入力は上書きしません\n"
         "  -h, --help      この説明\n"
         "  --version       版数\n"
         "\n"
         "アイコンとカーソルにはフルカラーの画像を減色して保存します。\n"
         "書き込みは一時ファイルで行い、途中で失敗しても元のファイルは残ります。\n"
         "まとめて変換するときは壊れたファイルがあっても残りを変換し、最後に\n"
         "変換できなかったファイルを理由とともに示します。\n"
         "\n"
         "終了コード:\n"
         "  0  すべて変換しました\n"
         "  1  変換できなかったファイルがあります\n"
         "  2  コマンドラインの誤りです(何もしていません)\n";
}

int usageError(const ConvArgs& a, const std::vector<std::string>& args, const Terminal& term) {
  std::string text;
  if (!a.error.empty()) text = "tdeconv:" + a.error + (a.word.empty() ? "" : ":" + a.word) + "\n";
  text += usageLines() + "詳しくは tdeconv --help\n";
  term.say(text, args);
  return CONV_USAGE;
}

}  // namespace

int main(int argc, char** argv) {
  Terminal term;
  std::vector<std::string> args(argv + 1, argv + argc);
  ConvArgs a = convParse(args);
  switch (a.mode) {
    case ConvMode::kHelp:
      term.print(helpText());
      return CONV_DONE;
    case ConvMode::kVersion:
      term.print(std::string("tdeconv (") + kTitle + ") " + kVersion + "\n");
      return CONV_DONE;
    case ConvMode::kInfo:
      return info(a.files[0], term);
    case ConvMode::kConvert:
      return convertOne(a.files[0], a.files[1], term);
    case ConvMode::kBatch:
      return convertMany(a, term);
    case ConvMode::kUsage:
      break;
  }
  return usageError(a, args, term);
}
