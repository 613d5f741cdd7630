#include "std/opt.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::string> strings(DB* list) {
  std::vector<std::string> out;
  for (void* p = dbTop(list); p; p = dbNxt(p)) out.emplace_back(static_cast<char*>(p));
  return out;
}

// Runs optParse on the words after a program name.
DB* parse(OPT* op, std::vector<const char*> words) {
  words.insert(words.begin(), "prog");
  return optParse(op, static_cast<int>(words.size()), words.data());
}

// Parses and answers what was printed; *result receives the parse result.
std::string parseOutput(OPT* op, std::vector<const char*> words, DB** result) {
  testing::internal::CaptureStdout();
  *result = parse(op, std::move(words));
  return testing::internal::GetCapturedStdout();
}

struct Parser : ::testing::Test {
  OPT* op = optNew();
  ~Parser() override { optFre(op); }
};

TEST(ExprEval, EvaluatesWithPrecedenceAndStopsAtOtherCharacters) {
  struct Case {
    const char* text;
    int value;
    size_t used;
  };
  const Case cases[] = {
      {"1+2*3", 7, 5},
      {"(1+2)*3", 9, 7},
      {"2-3-4", -5, 5},
      {"-0x10", -16, 5},
      {"010", 8, 3},
      {"'AB'", 65 * 256 + 66, 4},
      {"5,6", 5, 1},
      {"12/4/3", 1, 6},
      {"7/-2", -3, 4},
      {"-7/2", -3, 4},
      {"++5", 5, 3},
      {"0xfF", 255, 4},
      {"0", 0, 1},
      {"019", 1, 2},
      {"'A", 65, 2},
      {"2*-3", -6, 4},
      {"1 + 2", 1, 1},
      {"9)", 9, 1},
      {"2147483647+1", INT_MIN, 12},
      {"-2147483648/-1", INT_MIN, 14},
      {"65536*65536", 0, 11},
      {"1@", 1, 1},
  };
  for (const Case& c : cases) {
    int v = 12345;
    const char* end = exprEval(&v, c.text);
    ASSERT_NE(end, nullptr) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
    EXPECT_EQ(static_cast<size_t>(end - c.text), c.used) << c.text;
  }
}

TEST(ExprEval, FailsOnBadSyntaxAndDivisionByZero) {
  for (const char* text : {"", "abc", "(1+2", "5+", "*3", "1/0", "7/(3-3)", "-", "()"}) {
    int v = 12345;
    EXPECT_EQ(exprEval(&v, text), nullptr) << text;
    EXPECT_EQ(v, 12345) << text;
  }
  EXPECT_EQ(exprEval(nullptr, nullptr), nullptr);
  // Deep nesting is refused rather than exhausting the stack.
  std::string deep(100000, '(');
  int v = 0;
  EXPECT_EQ(exprEval(&v, deep.c_str()), nullptr);
  std::string negs(100000, '-');
  EXPECT_EQ(exprEval(&v, (negs + "1").c_str()), nullptr);
}

TEST(WildMatch, StarQuestionAndCase) {
  EXPECT_EQ(wildMatch("A.BMP", "*.bmp"), 1);
  EXPECT_EQ(wildMatch("a.bm", "*.bmp"), 0);
  EXPECT_EQ(wildMatch("x.bmp.bak", "*.bmp"), 0);
  EXPECT_EQ(wildMatch("abcbc", "*bc"), 1);
  EXPECT_EQ(wildMatch("abc", "a?c"), 1);
  EXPECT_EQ(wildMatch("ac", "a?c"), 0);
  EXPECT_EQ(wildMatch("", "*"), 1);
  EXPECT_EQ(wildMatch("", ""), 1);
  EXPECT_EQ(wildMatch("a", ""), 0);
  EXPECT_EQ(wildMatch("", "?"), 0);
  EXPECT_EQ(wildMatch("tmp1.BMP", "TMP*.b?p"), 1);
  // '?' is one byte: a two-byte character needs two.
  EXPECT_EQ(wildMatch("\x83\x65", "?"), 0);
  EXPECT_EQ(wildMatch("\x83\x65", "??"), 1);
  std::string longText(5000, 'a');
  EXPECT_EQ(wildMatch(longText.c_str(), "*a*a*a*a*a*b"), 0);
}

TEST_F(Parser, CollectsPlainArgumentsAndKeepsBlanksInside) {
  DB* args = parse(op, {"a.bmp", "my file.bmp", "tab\there"});
  ASSERT_NE(args, nullptr);
  EXPECT_EQ(strings(args), (std::vector<std::string>{"a.bmp", "my file.bmp", "tab\there"}));
  // A later parse starts again.
  args = parse(op, {"b.bmp"});
  EXPECT_EQ(strings(args), (std::vector<std::string>{"b.bmp"}));
  args = parse(op, {});
  ASSERT_NE(args, nullptr);
  EXPECT_EQ(dbCnt(args), 0);
}

TEST_F(Parser, ExpandsEnvironmentReferences) {
  setenv("TDE_OPT_H", "/h", 1);
  setenv("TDE_OPT_SP", "/my dir", 1);
  unsetenv("TDE_OPT_UNSET");
  DB* args = parse(op, {"$TDE_OPT_H/x", "$TDE_OPT_UNSET/x", "$1x", "a$", "$TDE_OPT_SP/y"});
  EXPECT_EQ(strings(args), (std::vector<std::string>{"/h/x", "$/x", "$1x", "a$", "/my dir/y"}));
  const char* home = std::getenv("HOME");
  std::string saved = home ? home : "";
  setenv("HOME", "/h", 1);
  EXPECT_EQ(strings(parse(op, {"$HOME/x"})), (std::vector<std::string>{"/h/x"}));
  unsetenv("HOME");
  EXPECT_EQ(strings(parse(op, {"$HOME/x"})), (std::vector<std::string>{"$/x"}));
  if (home) setenv("HOME", saved.c_str(), 1);
}

TEST_F(Parser, LongerNamesWinAndOptionsShareAWord) {
  int a = 0, ab = 0, b = 0, v = 0, n = 0;
  optFlag(op, "a", &a, "a");
  optFlag(op, "ab", &ab, "ab");
  optFlag(op, "b", &b, "b");
  optFlag(op, "v", &v, "v");
  optInt(op, "n", &n, "n");
  ASSERT_NE(parse(op, {"-ab"}), nullptr);
  EXPECT_EQ(ab, 1);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 0);
  ASSERT_NE(parse(op, {"-ba", "x", "-n10v", "-a"}), nullptr);
  EXPECT_EQ(strings(op->args), (std::vector<std::string>{"x"}));
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 1);
  EXPECT_EQ(n, 10);
  EXPECT_EQ(v, 1);
  ASSERT_NE(parse(op, {"-n", "(1+2)*3", "y"}), nullptr);
  EXPECT_EQ(n, 9);
  EXPECT_EQ(strings(op->args), (std::vector<std::string>{"y"}));
}

TEST_F(Parser, ValueKinds) {
  int c = 0;
  double f = 0;
  char buf[4] = "zzz";
  DB* inc = nullptr;
  DB* defs = nullptr;
  int v = 0;
  optConst(op, "c", &c, 42, "c");
  optReal(op, "f", &f, "f");
  optStr(op, "o", buf, sizeof buf, "o");
  optList(op, "I", &inc, "I");
  optDef(op, "D", &defs, "D");
  optFlag(op, "v", &v, "v");
  ASSERT_NE(inc, nullptr);
  ASSERT_NE(defs, nullptr);
  ASSERT_NE(parse(op, {"-c", "-f", "2.5", "-o", "abcdef", "-I", "inc", "-Ilib", "-I", "-v", "-D",
                       "X", "=", "1x", "-DY", "-D", "Z", "=", "q r"}),
            nullptr);
  EXPECT_EQ(c, 42);
  EXPECT_DOUBLE_EQ(f, 2.5);
  EXPECT_STREQ(buf, "abc");  // cut to the buffer
  EXPECT_EQ(strings(inc), (std::vector<std::string>{"inc", "lib", ""}));
  EXPECT_EQ(v, 1);
  ASSERT_NE(dbFind(defs, "X"), nullptr);
  EXPECT_STREQ(static_cast<char*>(dbFind(defs, "X")), "1x");
  EXPECT_STREQ(static_cast<char*>(dbFind(defs, "Y")), "1");
  EXPECT_STREQ(static_cast<char*>(dbFind(defs, "Z")), "q r");
  // A string option without a value holds the marker 0x01.
  ASSERT_NE(parse(op, {"-o", "-v"}), nullptr);
  EXPECT_STREQ(buf, "\x01");
  EXPECT_EQ(v, 2);
  std::strcpy(buf, "zz");
  ASSERT_NE(parse(op, {"-o"}), nullptr);
  EXPECT_STREQ(buf, "\x01");
}

TEST_F(Parser, PlusOptionsAreSeparate) {
  int minus = 0, plus = 0;
  optFlag(op, "x", &minus, "minus");
  optFlag(op, "+x", &plus, "plus");
  ASSERT_NE(parse(op, {"+x", "-x", "+x"}), nullptr);
  EXPECT_EQ(plus, 2);
  EXPECT_EQ(minus, 1);
}

TEST_F(Parser, ReregisteringReplacesTheOption) {
  int first = 0, second = 0;
  optFlag(op, "q", &first, "first");
  optConst(op, "q", &second, 7, "second");
  ASSERT_NE(parse(op, {"-q"}), nullptr);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 7);
  EXPECT_EQ(dbCnt(op->minus), 1);
  // An option without a target is not registered.
  optFlag(op, "z", nullptr, "z");
  optFunc(op, "y", nullptr, nullptr, "y");
  EXPECT_EQ(dbCnt(op->minus), 1);
}

TEST_F(Parser, ReportsErrorsWithTheRestOfTheLine) {
  int n = 0;
  double f = 0;
  DB* defs = nullptr;
  optInt(op, "n", &n, "n");
  optReal(op, "f", &f, "f");
  optDef(op, "D", &defs, "D");
  DB* res = nullptr;
  // "オプションエラー:" etc. are compared as Shift-JIS text.
  EXPECT_EQ(parseOutput(op, {"a", "-z", "b c"}, &res),
            "\x83\x49\x83\x76\x83\x56\x83\x87\x83\x93\x83\x47\x83\x89\x81\x5b:-z \"b c\"\n");
  EXPECT_EQ(res, nullptr);
  EXPECT_EQ(parseOutput(op, {"-n", "x"}, &res), "数式シンタックスエラー:-n x\n");
  EXPECT_EQ(res, nullptr);
  EXPECT_EQ(parseOutput(op, {"-n", "1/0"}, &res), "数式シンタックスエラー:-n 1/0\n");
  EXPECT_EQ(parseOutput(op, {"-f", "abc"}, &res), "浮動小数シンタックスエラー:-f abc\n");
  EXPECT_EQ(res, nullptr);
  EXPECT_EQ(parseOutput(op, {"-D", "=1"}, &res), "ラベルがありません:=1\n");
  EXPECT_EQ(res, nullptr);
  // A second option in one word that is not registered.
  EXPECT_EQ(parseOutput(op, {"-n1q"}, &res), "オプションエラー:-n1q\n");
  EXPECT_EQ(res, nullptr);
  // A lone sign fails silently.
  EXPECT_EQ(parseOutput(op, {"a", "-"}, &res), "");
  EXPECT_EQ(res, nullptr);
  EXPECT_EQ(parseOutput(op, {"+"}, &res), "");
  EXPECT_EQ(res, nullptr);
}

const char* consumeTwo(void* data, const char* pos) {
  ++*static_cast<int*>(data);
  if (pos[0] != 'k') return nullptr;  // fails without a message
  return pos + 2;
}

TEST_F(Parser, CallbackOptionsConsumeWhatTheyRead) {
  int calls = 0;
  optFunc(op, "k", consumeTwo, &calls, "k");
  DB* res = nullptr;
  EXPECT_EQ(parseOutput(op, {"-k", "kk", "rest"}, &res), "");
  ASSERT_NE(res, nullptr);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(strings(res), (std::vector<std::string>{"rest"}));
  EXPECT_EQ(parseOutput(op, {"-k", "zz"}, &res), "");
  EXPECT_EQ(res, nullptr);
  EXPECT_EQ(calls, 2);
}

TEST_F(Parser, WildcardFilterOnNameExtensionAndPath) {
  optWild(op, "i", "x");
  ASSERT_NE(parse(op, {"-i", "*.bmp,", ".ICO", ",", "sub dir/*", "-x", "tmp*"}), nullptr);
  EXPECT_EQ(dbCnt(op->incl), 3);
  EXPECT_EQ(dbCnt(op->excl), 1);
  EXPECT_EQ(optFilter(op, "d/a.BMP", 0), 1);        // file name against *.bmp
  EXPECT_EQ(optFilter(op, "d/x.y.ico", 0), 1);      // extension against .ICO
  EXPECT_EQ(optFilter(op, "d/.ico", 0), 0);         // leading dots are no extension
  EXPECT_EQ(optFilter(op, "sub dir/q.txt", 0), 1);  // whole path
  EXPECT_EQ(optFilter(op, "d/a.txt", 0), 0);
  EXPECT_EQ(optFilter(op, "d/a.txt", 1), 1);  // include patterns skipped
  EXPECT_EQ(optFilter(op, "d/tmp1.bmp", 0), 0);
  EXPECT_EQ(optFilter(op, "d/tmp1.bmp", 1), 0);
}

TEST_F(Parser, FilterWithoutPatternsPassesEverything) {
  optWild(op, "i", "x");
  ASSERT_NE(parse(op, {"a"}), nullptr);
  EXPECT_EQ(optFilter(op, "any/thing", 0), 1);
}

std::string usageOf(OPT* op, const char* prog) {
  testing::internal::CaptureStdout();
  optUsage(op, prog);
  return testing::internal::GetCapturedStdout();
}

TEST_F(Parser, UsageWithoutOptions) {
  EXPECT_EQ(usageOf(op, "prog"), "\nテスト Ver0.00 by 霧の谷工房\n\n使用法:prog \n");
  optSetTitle(op, "霧の谷グラフィックエディタ");
  optSetVersion(op, "1.02");
  optSetAuthor(op, "作者");
  optSetArgs(op, "<ファイル>...");
  std::string text = usageOf(op, "tde");
  EXPECT_EQ(text, "\n霧の谷グラフィックエディタ Ver1.02 by 作者\n\n使用法:tde <ファイル>...\n");
  // Shift-JIS bytes of "使用法:".
  EXPECT_NE(text.find("\x8e\x67\x97\x70\x96\x40:tde"), std::string::npos);
}

TEST_F(Parser, UsageListsPlusThenMinusOptionsAligned) {
  int q = 0, v = 0, n = 0;
  DB* defs = nullptr;
  optSetArgs(op, "<ファイル>...");
  optSetTrailer(op, "以上\n");
  optFlag(op, "v", &v, "詳細");
  optInt(op, "n", &n, "回数");
  optDef(op, "D", &defs, "定義");
  optFlag(op, "+q", &q, "静か");
  // The widest line "-D <文字列>[=<定義>]" is 20 bytes in Shift-JIS: width 21.
  std::string expect = std::string("\nテスト Ver0.00 by 霧の谷工房\n\n") +
                       "使用法:prog [<オプション>] <ファイル>...\n\n" + "    +q " +
                       std::string(18, ' ') + ": 静か\n" + "    -v " + std::string(18, ' ') +
                       ": 詳細\n" + "    -n <数値>" + std::string(12, ' ') + ": 回数\n" +
                       "    -D <文字列>[=<定義>] : 定義\n" + "以上\n";
  EXPECT_EQ(usageOf(op, "prog"), expect);
}

TEST_F(Parser, UsageNamesThePatternOptions) {
  optWild(op, "i", "x");
  std::string text = usageOf(op, "p");
  EXPECT_NE(text.find("    -i <文字列> : 一致すれば実行するワイルドカード( default=* )\n"),
            std::string::npos);
  EXPECT_NE(text.find("    -x <文字列> : 一致すれば無視するワイルドカード\n"), std::string::npos);
}

}  // namespace
