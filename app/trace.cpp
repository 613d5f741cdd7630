#include "app/trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

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
  if (traceFile) std::fprintf(traceFile, "S %lld\n", static_cast<long long>(traceNow()));
}

void traceClose() {
  if (traceFile) std::fclose(traceFile);
  traceFile = nullptr;
}

bool traceOn() { return traceFile != nullptr; }

int64_t traceNow() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void traceQueued(const EVT& ev, int input) {
  if (traceFile)
    std::fprintf(traceFile, "Q %lld %d %d %d %d\n", static_cast<long long>(traceNow()), input, ev.x,
                 ev.y, ev.btn);
}

void traceTaken() {
  if (traceFile) std::fprintf(traceFile, "T %lld\n", static_cast<long long>(traceNow()));
}

void traceWait() {
  if (traceFile) std::fprintf(traceFile, "W %lld\n", static_cast<long long>(traceNow()));
}

void tracePaint(int64_t t0, int64_t t1, int w, int h) {
  if (!traceFile) return;
  std::fprintf(traceFile, "P %lld %lld %d %d %lld\n", static_cast<long long>(t0),
               static_cast<long long>(t1), w, h, static_cast<long long>(composeUs));
  std::fflush(traceFile);
  composeUs = 0;
}

TraceCompose::TraceCompose() : t0_(traceFile ? traceNow() : 0) {}

TraceCompose::~TraceCompose() {
  if (traceFile && t0_) composeUs += traceNow() - t0_;
}
