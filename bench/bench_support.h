// What every hand-run benchmark measures with: wall-clock seconds and the
// peak resident memory of the process. The engine session and the DAO query
// the benchmarks open are in bench_oraemb.h and bench_dao.h.
#pragma once

#include <sys/resource.h>

#include <chrono>

inline double bench_seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The peak resident set size of this process so far, in KB.
inline long bench_peak_rss_kb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}
