#pragma once
// The high-resolution counter in milliseconds or seconds, for benchmarks and tools.
#include <windows.h>

inline double BenchNowMs() {
  static const LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER c;
  ::QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

inline double BenchNowSeconds() { return BenchNowMs() / 1000.0; }
