#include "std/opt.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "std/futil.h"

namespace {

constexpr size_t kEnvNameMax = 254;
constexpr size_t kDefNameMax = 255;
constexpr size_t kPatternMax = 1023;

bool isLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
size_t charLen(const char* p) { return isLead(static_cast<unsigned char>(p[0])) && p[1] ? 2 : 1; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }
const char* skipBlanks(const char* p) {
  while (isBlank(*p)) p++;
  return p;
}

bool symFirst(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}
bool symNext(unsigned char c) { return symFirst(c) || (c >= '0' && c <= '9'); }

// Bytes of the symbol name at p, at most max, never splitting a two-byte character.
size_t symLen(const char* p, size_t max) {
  size_t n = 0;
  while (p[n] && (n == 0 ? symFirst(p[n]) : symNext(p[n]))) {
    size_t c = charLen(p + n);
    if (n + c > max) break;
    n += c;
  }
  return n;
}

// Cuts s to at most max bytes without leaving half a two-byte character.
void cutTo(std::string& s, size_t max) {
  if (s.size() <= max) return;
  size_t n = 0;
  while (n < max && n + charLen(s.c_str() + n) <= max) n += charLen(s.c_str() + n);
  s.resize(n);
}

// A quoted word runs to the closing quote (skipped), any other word to a
// blank or line end.
std::string readWord(const char*& p) {
  const char* start;
  if (*p == '"') {
    start = ++p;
    while (*p && *p != '"') p++;
    std::string w(start, p);
    if (*p) p++;
    return w;
  }
  start = p;
  while (*p && !std::strchr("\r\n\t ", *p)) p++;
  return std::string(start, p);
}

// Replaces $NAME by the variable's value; an unset variable leaves only '$'.
std::string expandEnv(const char* arg) {
  std::string out;
  for (const char* p = arg; *p;) {
    size_t n = *p == '$' ? symLen(p + 1, kEnvNameMax) : 0;
    if (n == 0) {
      out += *p++;
      continue;
    }
    std::string name(p + 1, n);
    const char* value = std::getenv(name.c_str());
    out += value ? value : "$";
    p += 1 + n;
  }
  return out;
}

std::string joinArgs(int argc, const char* const* argv) {
  std::string line;
  for (int i = 1; i < argc; i++) {
    std::string arg = expandEnv(argv[i] ? argv[i] : "");
    if (i > 1) line += ' ';
    // Quoted after expansion, so that a value with blanks stays one argument.
    if (arg.find_first_of(" \t") != std::string::npos) {
      line += '"' + arg + '"';
    } else {
      line += arg;
    }
  }
  return line;
}

OPTREC* recOf(void* lstp) { return static_cast<OPTREC*>(lstp); }
const char* nameOf(void* lstp) { return static_cast<const char*>(dbKey(lstp)); }

// Option names of a list, longest first.
std::vector<void*> sortedByLength(DB* opts) {
  std::vector<void*> recs;
  for (void* r = dbTop(opts); r; r = dbNxt(r)) recs.push_back(r);
  std::stable_sort(recs.begin(), recs.end(), [](void* a, void* b) {
    return std::strlen(nameOf(a)) > std::strlen(nameOf(b));
  });
  return recs;
}

void* matchName(const std::vector<void*>& recs, const char* p) {
  for (void* r : recs) {
    const char* name = nameOf(r);
    if (std::strncmp(p, name, std::strlen(name)) == 0) return r;
  }
  return nullptr;
}

DB* listOf(const OPTREC* rec) { return reinterpret_cast<DB*>(rec->value); }

// A list of a string-list or definition option already made for target, if any.
DB* existingList(OPT* op, int32_t kind, void* target) {
  for (DB* opts : {op->minus, op->plus}) {
    for (void* r = dbTop(opts); r; r = dbNxt(r)) {
      if (recOf(r)->kind == kind && recOf(r)->target == target) return listOf(recOf(r));
    }
  }
  return nullptr;
}

void registerOption(OPT* op, const char* name, int32_t kind, void* target, intptr_t value,
                    const char* desc) {
  if (!name || !target) return;  // nothing for the option to act on
  DB* opts = op->minus;
  if (*name == '+') {
    opts = op->plus;
    name++;
  }
  if (kind == OPT_LIST || kind == OPT_DEF) {
    DB* list = existingList(op, kind, target);
    if (!list) {
      list = kind == OPT_LIST ? dbNew(0, DBT_STR, 0, 256) : dbNew(DBT_STR, DBT_STR, 256, 256);
      // Kept apart from the records: a replaced option must not take its list with it.
      dbAdd(op->owned, list);
    }
    *static_cast<DB**>(target) = list;
    value = reinterpret_cast<intptr_t>(list);
  }
  OPTREC rec{kind, target, value, dbStr(op->minus, desc ? desc : "")};
  if (void* old = dbFind(opts, name)) {
    *recOf(old) = rec;
  } else {
    dbAdd(opts, name, &rec);
  }
}

// Reads a comma-separated pattern list into incl or excl.
const char* readPatterns(DB* list, const char* p) {
  for (;;) {
    p = skipBlanks(p);
    std::string pat;
    if (*p == '"') {
      const char* start = ++p;
      while (*p && *p != '"') p++;
      pat.assign(start, p);
      if (*p) p++;
    } else {
      const char* start = p;
      while (*p && !std::strchr("\r\n\t ,", *p)) p++;
      pat.assign(start, p);
    }
    cutTo(pat, kPatternMax);
    if (!pat.empty()) {
      int32_t code = fnameTop(nullptr, pat.c_str()) != pat.c_str() ? 0 : pat[0] == '.' ? 2 : 1;
      dbAdd(list, pat.c_str(), &code);
    }
    // Blanks after the list belong to the next word, so a following option
    // is not taken for part of this one.
    const char* end = p;
    p = skipBlanks(p);
    if (*p != ',') return end;
    p++;
  }
}

const char* inclPatterns(void* data, const char* pos) {
  return readPatterns(static_cast<OPT*>(data)->incl, pos);
}
const char* exclPatterns(void* data, const char* pos) {
  return readPatterns(static_cast<OPT*>(data)->excl, pos);
}

// The extension with its '.', of the file-name part without its leading dots.
std::string extPart(const char* path) {
  const char* name = fnameTop(nullptr, path);
  while (*name == '.') name++;
  const char* dot = std::strrchr(name, '.');
  return dot ? std::string(dot) : std::string();
}

std::string filterPart(const char* path, int32_t code) {
  if (code == 0) return path;
  if (code == 1) return fnameTop(nullptr, path);
  return extPart(path);
}

bool matchesAny(DB* pats, const char* path) {
  for (void* r = dbTop(pats); r; r = dbNxt(r)) {
    int32_t code = *static_cast<int32_t*>(r);
    if (wildMatch(filterPart(path, code).c_str(), nameOf(r))) return true;
  }
  return false;
}

const char* argText(int32_t kind) {
  switch (kind) {
    case OPT_INT:
      return "<数値>";
    case OPT_REAL:
      return "<浮動小数>";
    case OPT_STR:
    case OPT_LIST:
    case OPT_FUNC:
      return "<文字列>";
    case OPT_DEF:
      return "<文字列>[=<定義>]";
    default:
      return "";
  }
}

// Applies the value of one option found at p (just past its name). Answers
// the position after what it consumed, or null after a failure (reported).
const char* applyOption(OPTREC* rec, const char* sign, const char* p) {
  if (rec->kind == OPT_FLAG) {
    ++*static_cast<int*>(rec->target);
    return p;
  }
  if (rec->kind == OPT_CONST) {
    *static_cast<int*>(rec->target) = static_cast<int>(rec->value);
    return p;
  }
  const char* q = skipBlanks(p);
  switch (rec->kind) {
    case OPT_INT: {
      const char* end = exprEval(static_cast<int*>(rec->target), q);
      if (!end || end == q) {
        std::printf("数式シンタックスエラー:%s\n", sign);
        return nullptr;
      }
      return end;
    }
    case OPT_REAL: {
      char* end;
      double v = std::strtod(q, &end);
      if (end == q) {
        std::printf("浮動小数シンタックスエラー:%s\n", sign);
        return nullptr;
      }
      *static_cast<double*>(rec->target) = v;
      return end;
    }
    case OPT_STR: {
      auto* buf = static_cast<char*>(rec->target);
      size_t size = static_cast<size_t>(rec->value);
      if (!*q || *q == '-') {
        // Given without a value: marked by the one-byte text 0x01.
        if (size >= 2) std::memcpy(buf, "\x01", 2);
        return p;
      }
      std::string w = readWord(q);
      if (size > 0) {
        cutTo(w, size - 1);
        std::memcpy(buf, w.c_str(), w.size() + 1);
      }
      return q;
    }
    case OPT_LIST: {
      if (*q == '-') {
        dbAdd(listOf(rec), "");
        return p;
      }
      std::string w = readWord(q);
      dbAdd(listOf(rec), w.c_str());
      return q;
    }
    case OPT_DEF: {
      size_t n = symLen(q, kDefNameMax);
      if (n == 0) {
        std::printf("ラベルがありません:%s\n", q);
        return nullptr;
      }
      std::string name(q, n);
      const char* r = skipBlanks(q + n);
      std::string value = "1";
      if (*r == '=') {
        r = skipBlanks(r + 1);
        value = readWord(r);
      } else {
        r = q + n;
      }
      dbAdd(listOf(rec), name.c_str(), value.c_str());
      return r;
    }
    case OPT_FUNC:
      return reinterpret_cast<OPTFUNC>(rec->target)(reinterpret_cast<void*>(rec->value), q);
    default:
      return nullptr;
  }
}

// One word starting with a sign: every option packed into it. Answers the
// position after it, or null on an error.
const char* parseOptions(const std::vector<void*>& recs, const char* sign) {
  const char* p = sign + 1;
  for (;;) {
    void* r = matchName(recs, p);
    if (!r) {
      if (*skipBlanks(p) == 0) return nullptr;  // a lone sign
      std::printf("オプションエラー:%s\n", sign);
      return nullptr;
    }
    p = applyOption(recOf(r), sign, p + std::strlen(nameOf(r)));
    if (!p) return nullptr;
    if (static_cast<unsigned char>(*p) <= ' ') return p;
  }
}

}  // namespace

OPT* optNew() {
  auto* op = new OPT{};
  op->args = dbNew(0, DBT_STR, 0, 256);
  op->minus = dbNew(DBT_STR, sizeof(OPTREC), 256, 256);
  op->plus = dbNew(DBT_STR, sizeof(OPTREC), 256, 256);
  op->incl = dbNew(DBT_STR, 4, 0, 0);
  op->excl = dbNew(DBT_STR, 4, 0, 0);
  op->owned = dbNew(0, DBT_PTR, 0, 256);
  op->title = dbStr(op->minus, "テスト");
  op->version = dbStr(op->minus, "0.00");
  op->author = dbStr(op->minus, "霧の谷工房");
  op->argdesc = dbStr(op->minus, "");
  op->trailer = nullptr;
  return op;
}

void optFre(OPT* op) {
  if (!op) return;
  for (void* r = dbTop(op->owned); r; r = dbNxt(r)) dbFre(*static_cast<DB**>(r));
  for (DB* d : {op->args, op->minus, op->plus, op->incl, op->excl, op->owned}) dbFre(d);
  delete op;
}

void optSetTitle(OPT* op, const char* s) { op->title = dbStr(op->minus, s ? s : ""); }
void optSetVersion(OPT* op, const char* s) { op->version = dbStr(op->minus, s ? s : ""); }
void optSetAuthor(OPT* op, const char* s) { op->author = dbStr(op->minus, s ? s : ""); }
void optSetArgs(OPT* op, const char* s) { op->argdesc = dbStr(op->minus, s ? s : ""); }
void optSetTrailer(OPT* op, const char* s) { op->trailer = dbStr(op->minus, s); }

void optFlag(OPT* op, const char* name, int* target, const char* desc) {
  registerOption(op, name, OPT_FLAG, target, 0, desc);
}
void optConst(OPT* op, const char* name, int* target, int value, const char* desc) {
  registerOption(op, name, OPT_CONST, target, value, desc);
}
void optInt(OPT* op, const char* name, int* target, const char* desc) {
  registerOption(op, name, OPT_INT, target, 0, desc);
}
void optReal(OPT* op, const char* name, double* target, const char* desc) {
  registerOption(op, name, OPT_REAL, target, 0, desc);
}
void optStr(OPT* op, const char* name, char* buf, int size, const char* desc) {
  registerOption(op, name, OPT_STR, buf, size > 0 ? size : 0, desc);
}
void optList(OPT* op, const char* name, DB** list, const char* desc) {
  registerOption(op, name, OPT_LIST, list, 0, desc);
}
void optDef(OPT* op, const char* name, DB** list, const char* desc) {
  registerOption(op, name, OPT_DEF, list, 0, desc);
}
void optFunc(OPT* op, const char* name, OPTFUNC fn, void* data, const char* desc) {
  registerOption(op, name, OPT_FUNC, reinterpret_cast<void*>(fn), reinterpret_cast<intptr_t>(data),
                 desc);
}

void optWild(OPT* op, const char* inclName, const char* exclName) {
  optFunc(op, inclName, inclPatterns, op, "一致すれば実行するワイルドカード( default=* )");
  optFunc(op, exclName, exclPatterns, op, "一致すれば無視するワイルドカード");
}

DB* optParse(OPT* op, int argc, const char* const* argv) {
  dbClr(op->args);
  std::string line = joinArgs(argc, argv);
  std::vector<void*> minus = sortedByLength(op->minus);
  std::vector<void*> plus = sortedByLength(op->plus);
  const char* p = skipBlanks(line.c_str());
  while (*p) {
    if (*p == '-' || *p == '+') {
      p = parseOptions(*p == '-' ? minus : plus, p);
      if (!p) return nullptr;
    } else {
      std::string w = readWord(p);
      dbAdd(op->args, w.c_str());
    }
    p = skipBlanks(p);
  }
  return op->args;
}

void optUsage(OPT* op, const char* progname) {
  std::vector<std::pair<std::string, const char*>> lines;
  for (DB* opts : {op->plus, op->minus}) {
    const char* sign = opts == op->plus ? "+" : "-";
    for (void* r = dbTop(opts); r; r = dbNxt(r)) {
      lines.emplace_back(std::string(sign) + nameOf(r) + " " + argText(recOf(r)->kind),
                         recOf(r)->desc);
    }
  }
  std::printf("\n");
  std::printf("%s Ver%s by %s\n", op->title, op->version, op->author);
  std::printf("\n");
  if (!progname) progname = "";
  if (lines.empty()) {
    std::printf("使用法:%s %s\n", progname, op->argdesc);
  } else {
    size_t width = 0;
    for (const auto& l : lines) width = std::max(width, l.first.size());
    std::printf("使用法:%s [<オプション>] %s\n", progname, op->argdesc);
    std::printf("\n");
    for (const auto& l : lines) {
      std::printf("    %-*s: %s\n", static_cast<int>(width + 1), l.first.c_str(), l.second);
    }
  }
  if (op->trailer) std::printf("%s", op->trailer);
}

int optFilter(OPT* op, const char* path, int skipIncl) {
  if (matchesAny(op->excl, path)) return 0;
  if (!skipIncl && dbCnt(op->incl) > 0 && !matchesAny(op->incl, path)) return 0;
  return 1;
}
