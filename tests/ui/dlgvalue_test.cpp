#include "ui/dlgvalue.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

// One variable of every type, with guard bytes behind it.
struct Var {
  int32_t type;
  union {
    int32_t i32;
    int16_t i16;
    uint16_t u16;
    int8_t i8;
    uint8_t u8;
    double d;
    char s[16];
  };
  char guard[8];
  int32_t size;

  explicit Var(int32_t t, int32_t strSize = 16) : type(t), s{}, size(strSize) {
    std::memset(guard, 0x5A, sizeof guard);
  }
  void* p() { return s; }
  bool guardIntact() const {
    for (char c : guard)
      if (c != 0x5A) return false;
    return true;
  }
};

struct FormatCase {
  int32_t type;
  double value;  // stored through the matching member
  const char* text;
};

void setNumber(Var& v, double x) {
  switch (v.type) {
    case DLGV_I32:
      v.i32 = static_cast<int32_t>(x);
      break;
    case DLGV_I16:
      v.i16 = static_cast<int16_t>(x);
      break;
    case DLGV_U16:
      v.u16 = static_cast<uint16_t>(x);
      break;
    case DLGV_I8:
      v.i8 = static_cast<int8_t>(x);
      break;
    case DLGV_U8:
      v.u8 = static_cast<uint8_t>(x);
      break;
    default:
      v.d = x;
  }
}

TEST(DlgValue, FormatsNumbers) {
  const FormatCase cases[] = {
      {DLGV_I32, -5, "-5"},
      {DLGV_I32, 2147483647, "2147483647"},
      {DLGV_I16, -1, "65535"},
      {DLGV_U16, 65535, "65535"},
      {DLGV_I8, -1, "255"},
      {DLGV_I8, 100, "100"},
      {DLGV_U8, 200, "200"},
      {DLGV_DOUBLE, 1.5, "1.5"},
      {DLGV_DOUBLE, 100.0, "100"},
      {DLGV_DOUBLE, 0.1234567, "0.123457"},
      {DLGV_DOUBLE, 1e-9, "0"},
      {DLGV_DOUBLE, -2.25, "-2.25"},
      {DLGV_DOUBLE, 1e20, "100000000000000000000"},
  };
  for (const FormatCase& c : cases) {
    Var v(c.type);
    setNumber(v, c.value);
    EXPECT_EQ(dlgvFormat(v.p(), c.type, 0), c.text) << c.value;
  }
  Var big(DLGV_DOUBLE);
  big.d = DBL_MAX;
  EXPECT_EQ(dlgvFormat(big.p(), DLGV_DOUBLE, 0).size(), 309u);
}

TEST(DlgValue, FormatsStringsWithinTheirBuffer) {
  Var v(DLGV_STR);
  std::memcpy(v.s, "abcdefgh", 8);
  EXPECT_EQ(dlgvFormat(v.p(), DLGV_STR, 16), "abcdefgh");
  EXPECT_EQ(dlgvFormat(v.p(), DLGV_STR, 3), "abc");  // not terminated inside
  EXPECT_EQ(dlgvFormat(v.p(), DLGV_STR, 0), "");
}

struct IntCase {
  int32_t type;
  const char* text;
  int32_t value;  // dlgvInt afterwards
};

TEST(DlgValue, ParsesIntegers) {
  const IntCase cases[] = {
      {DLGV_I32, "300", 300},
      {DLGV_I32, "-12abc", -12},
      {DLGV_I32, "+7", 7},
      {DLGV_I32, "  42", 42},
      {DLGV_I32, "abc", 0},
      {DLGV_I32, "", 0},
      {DLGV_I32, "-", 0},
      {DLGV_I32, "1 2", 1},
      {DLGV_I32, "2147483647", INT32_MAX},
      {DLGV_I32, "99999999999999999999999", INT32_MAX},
      {DLGV_I32, "-2147483648", INT32_MIN},
      {DLGV_I32, "-99999999999", INT32_MIN},
      {DLGV_I16, "65535", -1},
      {DLGV_I16, "-32768", -32768},
      {DLGV_U16, "70000", 70000 - 65536},
      {DLGV_U16, "-1", 65535},
      {DLGV_I8, "128", -128},
      {DLGV_U8, "300", 44},
      {DLGV_U8, "-1", 255},
      {DLGV_U8, "99999999999", 255},
  };
  for (const IntCase& c : cases) {
    Var v(c.type);
    dlgvSetText(v.p(), c.type, 0, c.text);
    EXPECT_EQ(dlgvInt(v.p(), c.type, 0), c.value) << c.type << " " << c.text;
    EXPECT_TRUE(v.guardIntact());
    EXPECT_EQ(v.s[c.type == DLGV_I32   ? 4
                  : c.type <= DLGV_U16 ? 2
                                       : 1],
              0)
        << "wrote past " << c.text;
  }
}

TEST(DlgValue, ParsesDoubles) {
  struct {
    const char* text;
    double value;
  } cases[] = {
      {"1.5x", 1.5},        {"-2.5e3", -2500},
      {"+.5", 0.5},         {"1e", 1},
      {"1.e2", 100},        {"7.", 7},
      {"abc", 0},           {".", 0},
      {"0x10", 0},          {"inf", 0},
      {"nan", 0},           {" 3", 3},
      {"1e999", DBL_MAX},   {"-1e999", -DBL_MAX},
      {"1e-999", 0},        {"0.0001e-400", 0},
      {"12345e-2", 123.45},
  };
  for (const auto& c : cases) {
    Var v(DLGV_DOUBLE);
    v.d = 99;
    dlgvSetText(v.p(), DLGV_DOUBLE, 0, c.text);
    EXPECT_DOUBLE_EQ(v.d, c.value) << c.text;
  }
}

TEST(DlgValue, DoubleTextRoundTrips) {
  for (double x : {0.5, 3.0, -17.125, 250.75}) {
    Var v(DLGV_DOUBLE);
    v.d = x;
    std::string t = dlgvFormat(v.p(), DLGV_DOUBLE, 0);
    v.d = 0;
    dlgvSetText(v.p(), DLGV_DOUBLE, 0, t.c_str());
    EXPECT_EQ(v.d, x) << t;
  }
}

TEST(DlgValue, CopiesStringsUpToTheBufferSize) {
  struct {
    int32_t size;
    const char* text;
    const char* stored;
  } cases[] = {
      {16, "hello", "hello"},  {4, "abcdef", "abc"},
      {1, "abc", ""},          {4, "a\x82\xa0x", "a\x82\xa0"},  // a two-byte character fits exactly
      {3, "a\x82\xa0x", "a"},                                   // not cut in half
      {4, "ab\x82", "ab\x82"},  // a stray lead byte at the end is a byte
  };
  for (const auto& c : cases) {
    Var v(DLGV_STR, c.size);
    std::memset(v.s, 'Z', sizeof v.s);
    dlgvSetText(v.p(), DLGV_STR, c.size, c.text);
    EXPECT_STREQ(v.s, c.stored) << c.size << " " << c.text;
    EXPECT_EQ(v.s[c.size], 'Z') << "wrote past the buffer: " << c.text;
  }
  Var none(DLGV_STR, 0);
  std::memset(none.s, 'Z', sizeof none.s);
  EXPECT_FALSE(dlgvSetText(none.p(), DLGV_STR, 0, "abc"));
  EXPECT_EQ(none.s[0], 'Z');
}

TEST(DlgValue, ReportsWhetherTheVariableChanged) {
  struct {
    int32_t type;
    const char* before;
    const char* after;
    bool changed;
  } cases[] = {
      {DLGV_I32, "5", "05", false},    {DLGV_I32, "5", "6", true},
      {DLGV_U8, "1", "257", false},    {DLGV_DOUBLE, "2", "2.0", false},
      {DLGV_DOUBLE, "2", "2.5", true}, {DLGV_STR, "ab", "ab", false},
      {DLGV_STR, "ab", "abc", true},   {DLGV_STR, "abc", "ab", true},
  };
  for (const auto& c : cases) {
    Var v(c.type);
    dlgvSetText(v.p(), c.type, 16, c.before);
    EXPECT_EQ(dlgvSetText(v.p(), c.type, 16, c.after), c.changed) << c.before << "->" << c.after;
  }
  Var v(DLGV_I16);
  dlgvSetInt(v.p(), DLGV_I16, 0, 3);
  EXPECT_FALSE(dlgvSetInt(v.p(), DLGV_I16, 0, 3 + 65536));
  EXPECT_TRUE(dlgvSetInt(v.p(), DLGV_I16, 0, -3));
}

TEST(DlgValue, IntegerViewOfEveryType) {
  struct {
    int32_t type;
    double value;
    int32_t expect;
  } cases[] = {
      {DLGV_I16, -1, -1},
      {DLGV_U16, 65535, 65535},
      {DLGV_I8, -128, -128},
      {DLGV_U8, 255, 255},
      {DLGV_DOUBLE, 2.9, 2},
      {DLGV_DOUBLE, -2.9, -2},
      {DLGV_DOUBLE, 1e300, INT32_MAX},
      {DLGV_DOUBLE, -1e300, INT32_MIN},
      {DLGV_DOUBLE, NAN, 0},
  };
  for (const auto& c : cases) {
    Var v(c.type);
    setNumber(v, c.value);
    EXPECT_EQ(dlgvInt(v.p(), c.type, 0), c.expect) << c.value;
  }
  Var s(DLGV_STR, 8);
  dlgvSetInt(s.p(), DLGV_STR, 8, -123);
  EXPECT_STREQ(s.s, "-123");
  EXPECT_EQ(dlgvInt(s.p(), DLGV_STR, 8), -123);
  Var d(DLGV_DOUBLE);
  dlgvSetInt(d.p(), DLGV_DOUBLE, 0, 42);
  EXPECT_EQ(d.d, 42.0);
}

TEST(DlgValue, SplitsItemLists) {
  struct {
    const char* list;
    std::vector<std::string> items;
  } cases[] = {
      {"1,2,4,8", {"1", "2", "4", "8"}},
      {"a,,b,", {"a", "", "b", ""}},
      {"単色", {"単色"}},
      {"", {}},
      {nullptr, {}},
  };
  for (const auto& c : cases) {
    DB* db = dlgvItems(c.list);
    std::vector<std::string> got;
    for (void* p = dbTop(db); p; p = dbNxt(p)) got.emplace_back(static_cast<const char*>(p));
    EXPECT_EQ(got, c.items) << (c.list ? c.list : "null");
    dbFre(db);
  }
}

}  // namespace
