// A plain top-level window titled with a file name and carrying the document
// menu bar. It stands in for the document window until that exists; the
// commands do nothing yet.
#pragma once

// Opens one window; false when it could not be created.
bool stubwinOpen(const char* name);
// Number of these windows still open.
int stubwinCount();
// Dispatches messages until the last window has closed or the program is
// told to quit.
void stubwinRun();
