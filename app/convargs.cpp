#include "app/convargs.h"

#include "formats/bmfile.h"

namespace {

ConvArgs usage(const char* why, const std::string& word = "") {
  ConvArgs a;
  a.error = why;
  a.word = word;
  return a;
}

// Format code of a -t word: an extension of the format table, any case,
// with or without its dot.
int formatOf(const std::string& word) {
  if (word.empty() || word.find('/') != std::string::npos) return -1;
  return extKind(("x" + std::string(word[0] == '.' ? "" : ".") + word).c_str());
}

// What the options and plain words of a command line said, before the form
// is decided.
struct Seen {
  bool help = false, version = false;
  const std::string* info = nullptr;
  const std::string* type = nullptr;
  const std::string* dir = nullptr;
  std::vector<std::string> words;
};

// Sorts the words into options and plain words ("--" ends the options);
// false with the usage error in *fail for a word it cannot take.
bool scan(const std::vector<std::string>& args, Seen* s, ConvArgs* fail) {
  bool options = true;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& w = args[i];
    if (!options || w.size() < 2 || w[0] != '-') {
      s->words.push_back(w);
    } else if (w == "--") {
      options = false;
    } else if (w == "--help" || w == "-h") {
      s->help = true;
    } else if (w == "--version") {
      s->version = true;
    } else if (w == "-i" || w == "-t" || w == "-d") {
      if (i + 1 == args.size()) {
        *fail = usage("オプションの後に値がありません", w);
        return false;
      }
      const std::string*& slot = w == "-i" ? s->info : w == "-t" ? s->type : s->dir;
      if (slot) {
        *fail = usage("オプションが二度あります", w);
        return false;
      }
      slot = &args[++i];
    } else {
      *fail = usage("不明なオプションです", w);
      return false;
    }
  }
  return true;
}

ConvArgs batch(const Seen& s) {
  ConvArgs a;
  a.kind = formatOf(*s.type);
  if (a.kind < 0) return usage("形式が分かりません", *s.type);
  if (s.info) return usage("-i と -t は一緒に使えません", "-i");
  if (s.words.empty()) return usage("変換するファイルがありません");
  if (s.dir && s.dir->empty()) return usage("フォルダ名が空です", "-d");
  a.mode = ConvMode::kBatch;
  a.dir = s.dir ? *s.dir : "";
  a.files = s.words;
  return a;
}

}  // namespace

ConvArgs convParse(const std::vector<std::string>& args) {
  if (args.empty()) return usage("");
  Seen s;
  ConvArgs fail;
  if (!scan(args, &s, &fail)) return fail;
  ConvArgs a;
  if (s.help || s.version) {
    a.mode = s.help ? ConvMode::kHelp : ConvMode::kVersion;
    return a;
  }
  if (s.type) return batch(s);
  if (s.dir) return usage("-d は -t と使います", "-d");
  if (s.info) {
    if (!s.words.empty()) return usage("-i に続くファイルは一つです", s.words[0]);
    a.mode = ConvMode::kInfo;
    a.files = {*s.info};
    return a;
  }
  if (s.words.size() != 2) return usage("入力と出力を一つずつ指定してください");
  a.mode = ConvMode::kConvert;
  a.files = s.words;
  return a;
}

std::string convOutName(const std::string& dir, const std::string& in, int kind) {
  size_t slash = in.rfind('/');
  size_t start = slash == std::string::npos ? 0 : slash + 1;
  // '.' and '/' are never the second byte of a Shift-JIS or UTF-8 character.
  size_t dot = in.rfind('.');
  size_t stem = dot != std::string::npos && dot > start ? dot : in.size();
  std::string folder = dir.empty() ? in.substr(0, start) : dir;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  const char* ext = bmfileExt(kind);
  return folder + in.substr(start, stem - start) + (ext ? ext : "");
}

std::string convFormatNames() {
  std::string names;
  for (int kind = 1; const char* ext = bmfileExt(kind); ++kind)
    names += std::string(" ") + (ext + 1);
  return names;
}
