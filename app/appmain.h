// Program entry independent of the platform's own entry point.
#pragma once

// Runs the editor on the names in argv[1..argc-1] (Shift-JIS). Returns the
// process exit code: 0 when the last named file opened, 1 otherwise or when
// the usage text was printed.
int appMain(int argc, char** argv);

// Runs the main loop with the 32 ms tick timer around it (the queues, the
// host and at least one window must exist).
void appRunLoop();
