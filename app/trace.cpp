#include "app/trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/evt.h"

namespace {

std::FILE* traceFile = nullptr;
int64_t composeUs = 0;  // composing time of the paint in progress

}  // namespace

void traceOpen() {
  const char* path = std::getenv("TDE_TRACE");
  if (!path || !*path || traceFile) return;
  // A host path given by whoever runs the benchmark, not a picture's name.
  traceFile = std::fopen(path, "w");
  if (traceFile)
    std::fprintf(traceFile, "S %lld %lld\n", static_cast<long long>(traceNow()),
                 static_cast<long long>(traceCpu()));
}

void traceClose(int exitCode) {
  if (!traceFile) return;
  // The program's own end: whatever happens to the process after this line
  // (Wine may still kill a slow exit) is not the program's doing.
  std::fprintf(traceFile, "E %lld %d\n", static_cast<long long>(traceNow()), exitCode);
  std::fclose(traceFile);
  traceFile = nullptr;
}

bool traceOn() { return traceFile != nullptr; }

int64_t traceNow() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t traceCpu() {
  timespec ts{};
  if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts) != 0) return 0;
  return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

void traceQueued(const EVT& ev, int input) {
  if (!traceFile) return;
  std::fprintf(traceFile, "Q %lld %d %d %d %d\n", static_cast<long long>(traceNow()), input, ev.x,
               ev.y, ev.btn);
  // Mouse messages reach the file at once: a modal dialog's loop queues
  // them for the windows it leaves enabled, and the main loop's wait,
  // which flushes, does not come until the dialog ends.
  if (input) std::fflush(traceFile);
}

void traceTaken() {
  if (traceFile) std::fprintf(traceFile, "T %lld\n", static_cast<long long>(traceNow()));
}

void traceWait() {
  if (!traceFile) return;
  std::fprintf(traceFile, "W %lld\n", static_cast<long long>(traceNow()));
  // The loop is about to wait: a reader of the file sees what happened so far.
  std::fflush(traceFile);
}

void tracePaint(int64_t t0, int64_t t1, int w, int h) {
  if (!traceFile) return;
  std::fprintf(traceFile, "P %lld %lld %d %d %lld %lld\n", static_cast<long long>(t0),
               static_cast<long long>(t1), w, h, static_cast<long long>(composeUs),
               static_cast<long long>(traceCpu()));
  std::fflush(traceFile);
  composeUs = 0;
}

void traceOpened(int64_t t0, int64_t t1) {
  if (traceFile)
    std::fprintf(traceFile, "O %lld %lld %lld\n", static_cast<long long>(t0),
                 static_cast<long long>(t1), static_cast<long long>(traceCpu()));
}

TraceCompose::TraceCompose() : t0_(traceFile ? traceNow() : 0) {}

TraceCompose::~TraceCompose() {
  if (traceFile && t0_) composeUs += traceNow() - t0_;
}
