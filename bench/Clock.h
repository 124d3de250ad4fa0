#pragma once
// Seconds on the performance counter, for the Windows benchmarks.
#include <windows.h>

inline double Now() {
  LARGE_INTEGER count, frequency;
  ::QueryPerformanceCounter(&count);
  ::QueryPerformanceFrequency(&frequency);
  return double(count.QuadPart) / double(frequency.QuadPart);
}
