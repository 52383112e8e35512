#include "run_ours.h"

#include <chrono>

#include "tavshsl/circle_finder.h"
#include "tavshsl/line_tracker.h"

namespace accuracy {

namespace {

template <class Call>
double timedMs(Call&& call) {
  const auto start = std::chrono::steady_clock::now();
  call();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

vsAccuracyScene sceneNumber(long k) {
  vsAccuracySceneParams params;
  params.seed = std::uint32_t(k);
  return scenes::accuracyScene(params);
}

vsOurs runOurs(const vcPelBuffer_const<unsigned char>& image) {
  vsOurs out;
  vcLineTrackerResultSet lines;
  out.linesMs = timedMs([&] { vfLineTracker(image, vcLineTrackerRunParams(), lines, nullptr, 0); });
  for (const vcLineTrackerResult& r : lines.results()) out.segments.push_back({r.p1(), r.p2()});

  vcCircleFinderRunParams params;
  params.radiusRange(vcRange(scenes::kRadiusBuckets[0], scenes::kRadiusBuckets[5]));
  params.maxNumResults(100);
  vcCircleFinderResultSet found;
  out.circlesMs = timedMs([&] { vfCircleFinder(image, params, found, nullptr, 0); });
  for (const vcCircleFinderResult& c : found.results())
    out.circles.push_back({c.center(), c.radius()});
  return out;
}

}  // namespace accuracy
