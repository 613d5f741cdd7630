// Command-line option parser with a usage text, and the small integer
// expression evaluator and wildcard matcher it uses.
//
// optParse joins the arguments into one line (quoting arguments with blanks and
// expanding $NAME from the environment), collects the plain arguments and
// applies registered options written after '-' (or '+' for names registered
// with a leading '+'). Longer names are tried first and several options may
// share one word: -ab, -n10v.
#pragma once

#include <cstdint>

#include "std/db2.h"

// Callback of a kind-7 option: consumes text from pos and answers the position
// after it, or null to fail the parse (the callback reports why).
typedef const char* (*OPTFUNC)(void* data, const char* pos);

enum : int32_t {
  OPT_FLAG = 0,   // int target raised by 1
  OPT_CONST = 1,  // int target = constant
  OPT_INT = 2,    // int target = integer expression
  OPT_REAL = 3,   // double target = floating number
  OPT_STR = 4,    // text buffer = next word
  OPT_LIST = 5,   // next word appended to a string list
  OPT_DEF = 6,    // name[=value] added to a definition list
  OPT_FUNC = 7,   // callback
};

// Data of an option record; the key is the name without its sign.
struct OPTREC {
  int32_t kind;
  void* target;  // value address, list address or callback
  // constant (kind 1), buffer size (kind 4), the list (kinds 5, 6), callback data (kind 7)
  intptr_t value;
  const char* desc;
};

struct OPT {
  DB* args;   // plain arguments of the last parse (0, DBT_STR, 0, 256)
  DB* minus;  // options written with '-' (DBT_STR, OPTREC, 256, 256)
  DB* plus;   // options written with '+'
  const char* title;
  const char* version;
  const char* author;
  const char* argdesc;
  const char* trailer;  // printed after the usage text, or null
  DB* incl;             // include patterns (DBT_STR key, int32 part code)
  DB* excl;             // exclude patterns
  DB* owned;            // lists made for string-list and definition options
};

OPT* optNew();
// Frees the parser, its lists and the lists its string-list and definition
// options created.
void optFre(OPT* op);

// Setters; the texts are copied.
void optSetTitle(OPT* op, const char* title);
void optSetVersion(OPT* op, const char* version);
void optSetAuthor(OPT* op, const char* author);
void optSetArgs(OPT* op, const char* argdesc);
void optSetTrailer(OPT* op, const char* trailer);

// Registration, one per kind. A name beginning with '+' registers a plus
// option; a registered name of the same sign is replaced.
void optFlag(OPT* op, const char* name, int* target, const char* desc);
void optConst(OPT* op, const char* name, int* target, int value, const char* desc);
void optInt(OPT* op, const char* name, int* target, const char* desc);
void optReal(OPT* op, const char* name, double* target, const char* desc);
void optStr(OPT* op, const char* name, char* buf, int size, const char* desc);
// Creates the list (0, DBT_STR, 0, 256) in *list; the parser owns it.
void optList(OPT* op, const char* name, DB** list, const char* desc);
// Creates the list (DBT_STR, DBT_STR, 256, 256) in *list; the parser owns it.
void optDef(OPT* op, const char* name, DB** list, const char* desc);
void optFunc(OPT* op, const char* name, OPTFUNC fn, void* data, const char* desc);
// Two pattern-list options feeding optFilter: include and exclude.
void optWild(OPT* op, const char* inclName, const char* exclName);

// Parses argv[1..argc-1]; answers the plain-argument list (owned by the
// parser) or null after an error.
DB* optParse(OPT* op, int argc, const char* const* argv);
// Prints the usage text for the program name to standard output.
void optUsage(OPT* op, const char* progname);
// 1 when path matches no exclude pattern and, unless skipIncl is set, matches
// an include pattern (or none exist).
int optFilter(OPT* op, const char* path, int skipIncl);

// Evaluates a 32-bit integer expression (+ - * / parentheses, decimal, octal,
// hexadecimal and 'c' constants, wrapping). Stores the value and answers the
// position after the expression, or null on a syntax error or division by zero.
const char* exprEval(int* result, const char* text);
// 1 when text matches pattern: '*' any run of bytes, '?' one byte, ASCII
// letters ignore case.
int wildMatch(const char* text, const char* pattern);
