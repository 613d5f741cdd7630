// Timing trace for the interaction benchmarks: when the environment
// variable TDE_TRACE names a file, one line per event is written there:
//   Q t input x y btn   an event entered evtque (input 1: a mouse message,
//                       0: the repeat of a timer tick)
//   T t                 the oldest event left evtque for the main loop or a tool
//   W t                 the main thread began to wait for the next event
//   S t                 the program's own code started (entry of appMain)
//   P t0 t1             a document window painted (start and end)
// Times are microseconds on one monotonic clock. Events leave the queue in
// the order they entered it, so the n-th Q line belongs to the n-th T line.
#pragma once

#include <cstdint>

struct EVT;

// Opens the trace when TDE_TRACE is set; traceClose writes it out.
void traceOpen();
void traceClose();
bool traceOn();
int64_t traceNow();
void traceQueued(const EVT& ev, int input);
void traceTaken();
void traceWait();
void tracePaint(int64_t t0, int64_t t1);
