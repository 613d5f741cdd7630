// The tool command table: which tool a command id runs, with the variant it
// passes, and the names the tool menus show.
#pragma once

#include <cstdint>

// A tool runs from start to end, pulling its events through evtNext.
using TOOLFN = void (*)(int32_t arg);

struct TOOLDEF {
  int32_t id;
  const char* name;  // as the tool menu's tip shows it
  TOOLFN tool;       // null: the command does nothing
  int32_t arg;       // variant or mode
};

// The document tool menu in button order, ended by an entry with id 0.
extern const TOOLDEF tooltbl[];
// The colour-map window's tool menu, likewise.
extern const TOOLDEF cmaptooltbl[];

// The entry for a command id (the tool-menu rows, the gradient and "open a
// region as a window"); null for any other id.
const TOOLDEF* toolOf(int32_t id);
