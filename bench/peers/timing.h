#pragma once

// Wall-clock timing of one call, robust against a loaded machine.
//
//   const double ms = medianMs([&] { vfPelMedian(image, params); });
//
// The call runs once untimed (caches, lazy allocations, OpenCV's first-use set-up), then
// `runs` times, each run timed on its own with the steady clock; the median of the runs is
// returned, in milliseconds. A median ignores the runs that another process interrupted.

#include <algorithm>
#include <chrono>
#include <vector>

namespace peers {

// Requires: runs >= 1. The call's own exceptions propagate.
template <class Call>
double medianMs(Call&& call, int runs = 20) {
  call();
  std::vector<double> times(std::size_t(std::max(runs, 1)));
  for (double& t : times) {
    const auto start = std::chrono::steady_clock::now();
    call();
    const auto stop = std::chrono::steady_clock::now();
    t = std::chrono::duration<double, std::milli>(stop - start).count();
  }
  const auto middle = times.begin() + std::ptrdiff_t(times.size() / 2);
  std::nth_element(times.begin(), middle, times.end());
  return *middle;
}

}  // namespace peers
