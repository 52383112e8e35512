// The C++ side of bench/python/overhead.py: the tools called from C++ as a C++ caller calls
// them, timed inside the same process as the Python calls so that both see the same load on
// the machine. Loaded with ctypes; C linkage only.
//
// Times are CPU time of the calling thread, so that other work on the machine does not count.
// The parameters are those overhead.py passes from Python.

#include <cstring>
#include <ctime>

#include "tavshsl/chain_tracker.h"
#include "tavshsl/circle_finder.h"
#include "tavshsl/edgelet_map.h"
#include "tavshsl/line_tracker.h"

namespace {

double threadMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return 1e3 * double(t.tv_sec) + 1e-6 * double(t.tv_nsec);
}

void runTool(int tool, const vcPelBuffer<unsigned char>& image) {
  if (tool == 0) {
    const vcEdgeletMap map(image, 15.0);
  } else if (tool == 1) {
    vcChainTrackerResultSet chains;
    vfChainTracker(image, vcChainTrackerRunParams(), chains, nullptr, 0);
  } else if (tool == 2) {
    vcLineTrackerRunParams params;
    params.minNumEdgelets(10);
    vcLineTrackerResultSet lines;
    vfLineTracker(image, params, lines, nullptr, 0);
  } else {
    vcCircleFinderRunParams params;
    params.radiusRange(vcRange(5.0, 100.0));
    params.maxNumResults(10);
    vcCircleFinderResultSet circles;
    vfCircleFinder(image, params, circles, nullptr, 0);
  }
}

}  // namespace

// Runs tool (0 edgelets, 1 chains, 2 lines, 3 circles) `repeats` times on a copy of the
// width x height pixels (rows contiguous) in an image of the library's own, and writes the
// thread CPU time of each call, in milliseconds, to ms. Returns 0, or 1 when the library threw.
extern "C" int time_tool(int tool, const unsigned char* pixels, long width, long height,
                         long repeats, double* ms) {
  try {
    const vcPelBuffer<unsigned char> image(width, height);
    for (long y = 0; y < height; ++y)
      std::memcpy(image.pointToRow(y), pixels + y * width, std::size_t(width));
    for (long k = 0; k < repeats; ++k) {
      const double start = threadMs();
      runTool(tool, image);
      ms[k] = threadMs() - start;
    }
    return 0;
  } catch (...) {
    return 1;
  }
}
