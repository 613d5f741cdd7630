// Timing trace for the interaction benchmarks: when the environment
// variable TDE_TRACE names a file, one line per event is written there:
//   Q t input x y btn   an event entered evtque (input 1: a mouse message,
//                       0: the repeat of a timer tick)
//   T t                 the oldest event left evtque for the main loop or a tool
//   W t                 the main thread began to wait for the next event
//   S t cpu             the program's own code started (entry of appMain)
//   O t0 t1 cpu         a picture file was read (start and end)
//   E t code            the program's own code ended with exit code `code`
//   P t0 t1 w h c cpu   a document window of w x h client pixels painted
//                       (start and end); c of it went to composing the
//                       picture (drawContent), the rest to the surfaces
//                       and the copy to the screen
// cpu is the processor time the process has used when the line is written
// (at t, t1): on a busy machine it tells work from waiting for a turn.
// Times are microseconds on one monotonic clock (CLOCK_MONOTONIC). Events
// leave the queue in the order they entered it, so the n-th Q line belongs
// to the n-th T line. P lines and the Q lines of mouse messages reach the
// file at once, so that a benchmark can wait for a paint and a test can see
// the program take the mouse; the others are buffered.
#pragma once

#include <cstdint>

struct EVT;

// Opens the trace when TDE_TRACE is set; traceClose writes it out.
void traceOpen();
void traceClose(int exitCode);
bool traceOn();
int64_t traceNow();
int64_t traceCpu();
void traceQueued(const EVT& ev, int input);
void traceTaken();
void traceWait();
void tracePaint(int64_t t0, int64_t t1, int w, int h);
void traceOpened(int64_t t0, int64_t t1);

// Runs f and writes an O line of its time; answers what f answers.
template <class F>
auto traceReading(F f) {
  const int64_t t0 = traceOn() ? traceNow() : 0;
  auto r = f();
  if (t0) traceOpened(t0, traceNow());
  return r;
}

// Counts its own lifetime as composing time of the paint in progress.
class TraceCompose {
 public:
  TraceCompose();
  ~TraceCompose();
  TraceCompose(const TraceCompose&) = delete;
  TraceCompose& operator=(const TraceCompose&) = delete;

 private:
  int64_t t0_;
};
