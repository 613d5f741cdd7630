// Internal consistency checks. A failed check prints the expression text with
// the module path and stops the program: the data can no longer be trusted.
#pragma once

[[noreturn]] void tdeAssertFail(const char* expr, const char* module, int line);

#define TDE_ASSERT(expr, module) ((expr) ? (void)0 : tdeAssertFail(#expr, module, __LINE__))
// For checks whose text is a name rather than the expression ("dbp", "slp").
#define TDE_ASSERT_TEXT(expr, text, module) \
  ((expr) ? (void)0 : tdeAssertFail(text, module, __LINE__))
