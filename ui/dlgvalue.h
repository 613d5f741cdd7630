// Values of dialog-bound variables as their controls show and read them:
// text for edit, text and combo controls, integers for trackbars, up-downs,
// list boxes and buttons. No window system here, so the rules are tested
// natively.
//
// Reading never writes past a variable: numbers are stored in the variable's
// own width, strings are cut to the buffer size.
#pragma once

#include <cstdint>
#include <string>

#include "std/db2.h"

// Value types of a bound variable.
enum : int32_t {
  DLGV_I32 = 1,
  DLGV_I16 = 2,
  DLGV_U16 = 3,
  DLGV_I8 = 4,
  DLGV_U8 = 5,
  DLGV_DOUBLE = 6,
  DLGV_STR = 7,
};

// Text of a variable: "%d" for integers (16- and 8-bit values unsigned), a
// double in fixed notation without trailing zeros or a bare point, a string
// up to its NUL or the buffer size.
std::string dlgvFormat(const void* var, int32_t type, int32_t size);

// Stores typed text into a variable; true when the variable changed.
// Integers: optional blanks and sign, then the leading decimal digits (no
// digits gives 0); a number beyond 32 bits saturates, and 16- and 8-bit
// variables keep its low bits, so "65535" reads back into a signed 16-bit
// variable as the -1 it was shown for. Doubles: the leading decimal number
// (sign, digits, point, exponent; no hexadecimal, infinity or NaN), beyond
// the finite range the largest finite value. Strings: cut to size - 1 bytes,
// never inside a Shift-JIS character, and terminated.
bool dlgvSetText(void* var, int32_t type, int32_t size, const char* text);

// Integer value of a variable for position-like controls; a double is cut
// toward zero and held to the 32-bit range (NaN gives 0), a string parsed.
int32_t dlgvInt(const void* var, int32_t type, int32_t size);
// Stores an integer (low bits for 16- and 8-bit variables, its text for a
// string); true when the variable changed.
bool dlgvSetInt(void* var, int32_t type, int32_t size, int32_t value);

// Item list of a combo or list box: a list database of the pieces of a
// comma-separated text (empty pieces kept; an empty text gives no items).
DB* dlgvItems(const char* list);
