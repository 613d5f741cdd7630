#include "ui/dlgvalue.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

constexpr int64_t kIntLimit = int64_t{1} << 31;  // magnitude of INT32_MIN
constexpr int32_t kExpLimit = 100000;            // far beyond any double exponent

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
// First byte of a two-byte Shift-JIS character.
bool isLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Copies n bytes into the variable; true when they differ from what was there.
bool storeBytes(void* var, const void* value, size_t n) {
  bool changed = std::memcmp(var, value, n) != 0;
  std::memcpy(var, value, n);
  return changed;
}

template <typename T>
T load(const void* var) {
  T v;
  std::memcpy(&v, var, sizeof v);
  return v;
}

// Text of a string variable, which need not be terminated inside its buffer.
std::string strOf(const void* var, int32_t size) {
  const char* s = static_cast<const char*>(var);
  return size > 0 ? std::string(s, strnlen(s, static_cast<size_t>(size))) : std::string();
}

int32_t parseInt(const char* s) {
  while (isBlank(*s)) s++;
  bool neg = false;
  if (*s == '+' || *s == '-') neg = *s++ == '-';
  int64_t v = 0;
  for (; isDigit(*s); s++) v = std::min(v * 10 + (*s - '0'), kIntLimit);
  if (neg) return static_cast<int32_t>(-v);
  return static_cast<int32_t>(std::min(v, kIntLimit - 1));
}

// Decimal exponent of the leading significant digit of a mantissa, with the
// written exponent added; only its sign matters (out-of-range values only).
int64_t magnitude(const char* mant, const char* mantEnd, int64_t exp) {
  int64_t intDigits = 0, fracZeros = 0;
  bool inInt = true, seen = false;
  for (const char* p = mant; p < mantEnd; p++) {
    if (*p == '.') {
      inInt = false;
    } else if (inInt) {
      seen = seen || *p != '0';
      if (seen) intDigits++;
    } else if (!seen) {
      if (*p != '0') break;
      fracZeros++;
    }
  }
  return exp + (intDigits ? intDigits - 1 : -fracZeros - 1);
}

double parseDouble(const char* s) {
  while (isBlank(*s)) s++;
  bool neg = false;
  if (*s == '+' || *s == '-') neg = *s++ == '-';
  const char* mant = s;
  int digits = 0;
  for (; isDigit(*s); s++) digits++;
  if (*s == '.')
    for (s++; isDigit(*s); s++) digits++;
  if (!digits) return 0.0;
  const char* mantEnd = s;
  int64_t exp = 0;
  const char* e = s;
  if (*e == 'e' || *e == 'E') {
    e++;
    bool eneg = false;
    if (*e == '+' || *e == '-') eneg = *e++ == '-';
    if (isDigit(*e)) {
      for (; isDigit(*e); e++) exp = std::min<int64_t>(exp * 10 + (*e - '0'), kExpLimit);
      if (eneg) exp = -exp;
      s = e;
    }
  }
  double v = 0.0;
  std::from_chars_result r = std::from_chars(mant, s, v, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range)
    v = magnitude(mant, mantEnd, exp) > 0 ? DBL_MAX : 0.0;
  else if (r.ec != std::errc())
    v = 0.0;
  return neg ? -v : v;
}

std::string formatDouble(double v) {
  char buf[400];  // DBL_MAX in fixed notation takes 317
  std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
  std::string t(buf, r.ptr);
  if (t.find('.') == std::string::npos || t.find_first_of("eE") != std::string::npos) return t;
  while (t.back() == '0') t.pop_back();
  if (t.back() == '.') t.pop_back();
  return t;
}

// Bytes of text that fit in `limit` without cutting a two-byte character.
size_t fitLength(const char* text, size_t limit) {
  size_t i = 0;
  while (text[i]) {
    size_t n = isLead(static_cast<unsigned char>(text[i])) && text[i + 1] ? 2 : 1;
    if (i + n > limit) break;
    i += n;
  }
  return i;
}

bool storeString(void* var, int32_t size, const char* text) {
  if (size <= 0) return false;
  std::string old = strOf(var, size);
  size_t n = fitLength(text, static_cast<size_t>(size) - 1);
  char* s = static_cast<char*>(var);
  std::memcpy(s, text, n);
  s[n] = 0;
  return old.size() != n || std::memcmp(old.data(), text, n) != 0;
}

}  // namespace

std::string dlgvFormat(const void* var, int32_t type, int32_t size) {
  switch (type) {
    case DLGV_I32:
      return std::to_string(load<int32_t>(var));
    case DLGV_I16:
    case DLGV_U16:
      return std::to_string(load<uint16_t>(var));
    case DLGV_I8:
    case DLGV_U8:
      return std::to_string(load<uint8_t>(var));
    case DLGV_DOUBLE:
      return formatDouble(load<double>(var));
    case DLGV_STR:
      return strOf(var, size);
  }
  return std::string();
}

bool dlgvSetInt(void* var, int32_t type, int32_t size, int32_t value) {
  switch (type) {
    case DLGV_I32:
      return storeBytes(var, &value, sizeof value);
    case DLGV_I16:
    case DLGV_U16: {
      auto v = static_cast<uint16_t>(value);
      return storeBytes(var, &v, sizeof v);
    }
    case DLGV_I8:
    case DLGV_U8: {
      auto v = static_cast<uint8_t>(value);
      return storeBytes(var, &v, sizeof v);
    }
    case DLGV_DOUBLE: {
      double v = value;
      return storeBytes(var, &v, sizeof v);
    }
    case DLGV_STR:
      return storeString(var, size, std::to_string(value).c_str());
  }
  return false;
}

bool dlgvSetText(void* var, int32_t type, int32_t size, const char* text) {
  if (!text) text = "";
  switch (type) {
    case DLGV_DOUBLE: {
      double v = parseDouble(text);
      return storeBytes(var, &v, sizeof v);
    }
    case DLGV_STR:
      return storeString(var, size, text);
  }
  return dlgvSetInt(var, type, size, parseInt(text));
}

int32_t dlgvInt(const void* var, int32_t type, int32_t size) {
  switch (type) {
    case DLGV_I32:
      return load<int32_t>(var);
    case DLGV_I16:
      return load<int16_t>(var);
    case DLGV_U16:
      return load<uint16_t>(var);
    case DLGV_I8:
      return load<int8_t>(var);
    case DLGV_U8:
      return load<uint8_t>(var);
    case DLGV_DOUBLE: {
      double v = load<double>(var);
      if (std::isnan(v)) return 0;
      if (v >= static_cast<double>(INT32_MAX)) return INT32_MAX;
      if (v <= static_cast<double>(INT32_MIN)) return INT32_MIN;
      return static_cast<int32_t>(v);
    }
    case DLGV_STR:
      return parseInt(strOf(var, size).c_str());
  }
  return 0;
}

DB* dlgvItems(const char* list) {
  DB* items = dbNew(0, DBT_STR, 0, 0);
  if (!list || !*list) return items;
  for (const char* p = list;; p++) {
    const char* end = std::strchr(p, ',');
    if (!end) {
      dbAdd(items, p);
      return items;
    }
    dbAdd(items, std::string(p, end).c_str());
    p = end;
  }
}
