// The question asked before a modified document closes.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

enum { SAVEQ_CANCEL = 0, SAVEQ_YES = 1, SAVEQ_NO = 2 };

// Dialog "ファイルは変更されています" asking "保存しますか？"; the answer as
// SAVEQ_*.
int saveQuestion(HWND owner);
