// Every edge tool's image form, and the map forms on a map built from the same image, with
// fuzzed pixels, window, offset, client transform and parameters. Each run ends normally or
// with vcBadParamsError (or another of the library's errors for refused input); a failed
// internal check (vcAssertionFailure) or any other exception is a finding. Last, the map and
// the lines traced on it are made once on the portable and once on the vectorised steps; any
// difference between the two is a finding too.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "platform/base/exception.h"
#include "platform/cpu/simd.h"
#include "tavshsl/chain_tracker.h"
#include "tavshsl/circle_finder.h"
#include "tavshsl/edgelet_map.h"
#include "tavshsl/line_tracker.h"

namespace {

// An image of up to 48 x 48 pixels inside a larger root, with an offset and a client transform
// drawn from the input; its pixels are the input's remaining bytes, repeated.
vcPelBuffer<unsigned char> makeImage(vcFuzzInput& in) {
  const long w = in.range(0, 48);
  const long h = in.range(0, 48);
  const long mx = in.range(0, 3);
  const long my = in.range(0, 3);
  vcPelBuffer<unsigned char> root(w + mx, h + my, 32);
  const long kind = in.range(0, 3);
  for (long y = 0; y < root.height(); ++y)
    for (long x = 0; x < root.width(); ++x) {
      // Flat, a step, a disc or raw bytes: edges of every kind.
      const long dx = x - root.width() / 2, dy = y - root.height() / 2;
      const unsigned char v = kind == 0   ? 90
                              : kind == 1 ? (x > root.width() / 3 ? 200 : 40)
                              : kind == 2 ? (dx * dx + dy * dy < 120 ? 210 : 30)
                                          : in.byte();
      root.put(x, y, v);
    }
  const long x0 = in.range(0, mx);
  vcPelBuffer<unsigned char> image = root.subWindow(x0, in.range(0, my), w, h);
  if (in.flag()) {
    const long ox = in.range(-2, 70000);
    image.offset(ox, in.range(-2, 70000));
  }
  if (in.flag()) {
    // One value after the other: the order in which arguments are evaluated is the
    // compiler's, and a finding must replay the same with any compiler.
    double v[6];
    for (int k = 0; k < 4; ++k) v[k] = in.number(-4, 4);
    for (int k = 4; k < 6; ++k) v[k] = in.number(-1e4, 1e4);
    try {
      image.clientFromImageXform(
          vcXform<2>(vcMatrix<2>::fromElements(v[0], v[1], v[2], v[3]), vcVector<2>(v[4], v[5])));
    } catch (const vcBadParamsError&) {
    }
  }
  return image;
}

vcChainTrackerRunParams chainParams(vcFuzzInput& in) {
  vcChainTrackerRunParams p;
  p.magThresh(in.number(0, 100));
  p.angleTol(vcDegree(in.number(0, 180)));
  p.minEdgesPerChain(in.range(-3, 20));
  p.lineMode(in.flag());
  p.sortBy(vcChainTrackerDefs::SortBy(in.range(0, 7)));
  p.trendAngleTol(vcDegree(in.number(0, 180)));
  p.trendWindowSize(in.flag() ? long(in.u32()) - (1L << 31) : in.range(-2, 40));
  p.trendForwardStep(in.flag() ? long(in.u32()) - (1L << 31) : in.range(-2, 40));
  p.probePelVal(in.flag());
  p.sharePool(in.flag());
  p.restoreEdgeletMap(in.flag());
  return p;
}

vcLineTrackerRunParams lineParams(vcFuzzInput& in) {
  vcLineTrackerRunParams p;
  p.magThresh(in.number(0, 100));
  p.angleTol(vcDegree(in.number(0, 180)));
  p.distanceTol(in.number(0, 5));
  p.minNumEdgelets(in.range(-3, 20));
  p.auxResults(in.u32());
  p.sharePool(in.flag());
  p.restoreEdgeletMap(in.flag());
  return p;
}

vcCircleFinderRunParams circleParams(vcFuzzInput& in) {
  vcCircleFinderRunParams p;
  p.polarity(vcCircleFinderDefs::Polarity(in.range(0, 3)));
  p.sortBy(vcCircleFinderDefs::SortBy(in.range(0, 15)));
  if (in.flag()) {
    const double lo = in.number(0, 60);
    const double hi = in.number(0, 60);
    try {
      p.radiusRange(vcRange(lo, hi));
    } catch (const vcException&) {
    }
  }
  p.maxNumResults(in.range(-1, 5));
  p.coverageThresh(in.number(0, 1));
  p.coverageInitialFit(in.number(0, 1));
  p.magThresh(in.number(0, 100));
  p.cstThresh(in.number(0, 100));
  p.absDeviationTol(in.number(0, 10));
  p.grabTol(in.number(0, 3));
  p.subSample(in.range(-2, 9));
  return p;
}

// Runs f; refused input is fine, everything else propagates.
template <class F>
void run(F&& f) {
  try {
    f();
  } catch (const vcAssertionFailure&) {
    throw;
  } catch (const vcException&) {
  }
}

// Everything the map and the line tracker produce, as numbers: cells, edgelets (positions bit
// for bit) and the edgelet indexes of each line. Empty when the image is refused.
std::vector<std::int64_t> mapAndLines(const vcPelBuffer<unsigned char>& image, double magThresh,
                                      const vcLineTrackerRunParams& line) {
  std::vector<std::int64_t> out;
  run([&] {
    const vcEdgeletMap map(image, magThresh);
    for (long y = 0; y < map.height(); ++y)
      for (long x = 0; x < map.width(); ++x) out.push_back(*map.pointToPel(x, y));
    for (const vcEdgelet& e : map.edges())
      out.insert(out.end(), {e.get_i(), e.get_j(), std::bit_cast<std::int32_t>(e.posQuickX()),
                             std::bit_cast<std::int32_t>(e.posQuickY()), e.magnitude(),
                             e.angle().plain()});
    vcLineTrackerResultSet lines;
    vfLineTracker(map, line, lines, nullptr, 0);
    for (const vcLineTrackerResult& r : lines.results()) {
      out.insert(out.end(), r.edgeletIndexes(), r.edgeletIndexes() + r.numEdgelets());
      out.push_back(-1);
    }
  });
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vcFuzzInput in(data, size);
  const vcPelBuffer<unsigned char> image = makeImage(in);
  const vcChainTrackerRunParams chain = chainParams(in);
  const vcLineTrackerRunParams line = lineParams(in);
  const vcCircleFinderRunParams circle = circleParams(in);
  const double cx = in.number(-100, 100);
  const vcVector<2> centre(cx, in.number(-100, 100));

  // Image forms.
  vcChainTrackerResultSet chains;
  run([&] { vfChainTracker(image, chain, chains, nullptr, 0); });
  vcLineTrackerResultSet lines;
  run([&] { vfLineTracker(image, line, lines, nullptr, 0); });
  vcCircleFinderResultSet circles;
  run([&] { vfCircleFinder(image, circle, circles, nullptr, 0); });
  run([&] { vfCircleFinder(image, centre, circle, circles, nullptr, 0); });

  // Map forms, one after the other on one map, then a rollback over every edgelet.
  run([&] {
    const vcEdgeletMap map(image, in.number(0, 60));
    run([&] { vfChainTracker(map, chain, chains, nullptr, 0); });
    run([&] { vfLineTracker(map, line, lines, nullptr, 0); });
    run([&] { vfCircleFinder(map, circle, circles, nullptr, 0); });
    run([&] { vfCircleFinder(map, centre, circle, circles, nullptr, 0); });
    run([&] { map.rollbackCache(long(map.edges().size())); });
  });

  // The portable steps against the vectorised ones.
  const double magThresh = in.number(0, 60);
  const vcSimdLevel cap = vfSetSimdCap(vcSimdLevel::portable);
  const std::vector<std::int64_t> portable = mapAndLines(image, magThresh, line);
  vfSetSimdCap(vcSimdLevel::avx2);
  const std::vector<std::int64_t> vectorised = mapAndLines(image, magThresh, line);
  vfSetSimdCap(cap);
  if (portable != vectorised)
    throw std::logic_error("the portable and the vectorised steps give different maps or lines");
  return 0;
}
