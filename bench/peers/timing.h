#pragma once

// Timing of one call, robust against a loaded machine.
//
//   const double ms = medianMs([&] { vfPelMedian(image, params); });
//
// The call runs once untimed (caches, lazy allocations, OpenCV's first-use set-up), then
// `runs` times, each run timed on its own by the processor time of the calling thread, which
// other processes do not inflate (both our tools and OpenCV, set to one thread, run on the
// calling thread); the median of the runs is returned, in milliseconds. A median also
// ignores the runs whose caches another process emptied.

#include <time.h>

#include <algorithm>
#include <vector>

namespace peers {

// Processor time of the calling thread, milliseconds.
inline double threadMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return 1e3 * double(t.tv_sec) + 1e-6 * double(t.tv_nsec);
}

// Requires: runs >= 1. The call's own exceptions propagate.
template <class Call>
double medianMs(Call&& call, int runs = 20) {
  call();
  std::vector<double> times(std::size_t(std::max(runs, 1)));
  for (double& t : times) {
    const double start = threadMs();
    call();
    t = threadMs() - start;
  }
  const auto middle = times.begin() + std::ptrdiff_t(times.size() / 2);
  std::nth_element(times.begin(), middle, times.end());
  return *middle;
}

}  // namespace peers
