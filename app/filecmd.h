// File commands of the document menu: new, open, revert, save, save as and
// rename, and the save that tells the user why it failed.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

struct BM;
class cWIN;

// bmfileSave; when it fails, a message box names the file and the cause.
int saveReported(HWND owner, BM* bm, const char* name, int type);

void cmdNew(cWIN* w);
void cmdOpen(cWIN* w);
void cmdRevert(cWIN* w);
void cmdSave(cWIN* w);
void cmdSaveAs(cWIN* w);
void cmdRename(cWIN* w);
