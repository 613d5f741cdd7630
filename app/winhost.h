// The host of the queues and tools in the real program: the Win32 message
// pump, the document windows and the tool cursors.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "app/evthost.h"

// The eight tool cursors, built at start-up.
extern HCURSOR* cursorset;

// Installs the Win32 host as `evthost`.
void winhostInstall();
