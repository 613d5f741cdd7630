// Integer expressions for numeric options, and the byte-wise wildcard match
// of the pattern options.
#include <cstdint>

#include "std/opt.h"

namespace {

// Nesting beyond this is refused instead of running out of stack.
constexpr int kMaxDepth = 200;

// Digit value of c; anything that is not a digit or a letter is above every base.
uint32_t digitValue(char ch) {
  auto c = static_cast<unsigned char>(ch);
  if (c >= '0' && c <= '9') return c - '0';
  unsigned char l = c | 0x20;
  if (l >= 'a' && l <= 'z') return l - 'a' + 10u;
  return 255;
}

bool expression(const char*& p, uint32_t& v, int depth);

bool number(const char*& p, uint32_t& v) {
  uint32_t base = 10;
  if (*p == '0') {
    p++;
    base = 8;
    if (*p == 'x' || *p == 'X') {
      p++;
      base = 16;
    }
  } else if (digitValue(*p) >= 10) {
    return false;
  }
  v = 0;
  for (uint32_t d; (d = digitValue(*p)) < base; p++) v = v * base + d;
  return true;
}

bool operand(const char*& p, uint32_t& v, int depth) {
  if (depth > kMaxDepth) return false;
  while (*p == '+') p++;
  if (*p == '\'') {
    v = 0;
    for (p++; *p && *p != '\''; p++) v = v * 256 + static_cast<unsigned char>(*p);
    if (*p) p++;
    return true;
  }
  if (*p == '(') {
    p++;
    if (!expression(p, v, depth + 1) || *p != ')') return false;
    p++;
    return true;
  }
  if (*p == '-') {
    p++;
    if (!operand(p, v, depth + 1)) return false;
    v = 0u - v;
    return true;
  }
  return number(p, v);
}

// Division truncating toward zero in 32-bit two's complement; INT_MIN / -1
// wraps to INT_MIN. A zero divisor fails.
bool divide(uint32_t a, uint32_t b, uint32_t& out) {
  if (b == 0) return false;
  auto sa = static_cast<int32_t>(a);
  auto sb = static_cast<int32_t>(b);
  if (sb == -1) {
    out = 0u - a;
    return true;
  }
  out = static_cast<uint32_t>(sa / sb);
  return true;
}

bool term(const char*& p, uint32_t& v, int depth) {
  if (!operand(p, v, depth)) return false;
  while (*p == '*' || *p == '/') {
    char op = *p++;
    uint32_t w;
    if (!operand(p, w, depth)) return false;
    if (op == '*') {
      v *= w;
    } else if (!divide(v, w, v)) {
      return false;
    }
  }
  return true;
}

bool expression(const char*& p, uint32_t& v, int depth) {
  if (!term(p, v, depth)) return false;
  while (*p == '+' || *p == '-') {
    char op = *p++;
    uint32_t w;
    if (!term(p, w, depth)) return false;
    v = op == '+' ? v + w : v - w;
  }
  return true;
}

unsigned char fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

}  // namespace

const char* exprEval(int* result, const char* text) {
  if (!text) return nullptr;
  const char* p = text;
  uint32_t v = 0;
  if (!expression(p, v, 0)) return nullptr;
  if (result) *result = static_cast<int>(v);
  return p;
}

int wildMatch(const char* text, const char* pattern) {
  // Backtracking over the last '*' finds a match whenever trying every
  // position of every '*' would.
  const char* starPat = nullptr;
  const char* starText = nullptr;
  const char* t = text;
  const char* p = pattern;
  while (*t) {
    if (*p == '*') {
      starPat = ++p;
      starText = t;
    } else if (*p && (*p == '?' || fold(*p) == fold(*t))) {
      p++;
      t++;
    } else if (starPat) {
      p = starPat;
      t = ++starText;
    } else {
      return 0;
    }
  }
  while (*p == '*') p++;
  return *p == 0;
}
