// The monotonic clock, for deadlines and waits that a change of the time of
// day must not move.
#pragma once

#include <time.h>

namespace shiori {

/// Milliseconds on CLOCK_MONOTONIC.
inline long long NowMs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

}  // namespace shiori
