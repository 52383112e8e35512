#include "truth_match.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "score.h"

namespace peers {

vsCircleMatch matchCircles(const std::vector<vsSceneCircle>& truth,
                           const std::vector<vsFoundCircle>& found) {
  // Every admissible pair, closest centres first.
  struct Pair {
    double distance;
    std::size_t t;
    std::size_t f;
  };
  std::vector<Pair> pairs;
  for (std::size_t t = 0; t < truth.size(); ++t) {
    const double tol = std::max(2.0, 0.1 * truth[t].radius);
    for (std::size_t f = 0; f < found.size(); ++f) {
      const double d = truth[t].center.distance(found[f].center);
      if (d <= tol && std::abs(found[f].radius - truth[t].radius) <= tol)
        pairs.push_back({d, t, f});
    }
  }
  std::sort(pairs.begin(), pairs.end(),
            [](const Pair& a, const Pair& b) { return a.distance < b.distance; });

  // Greedy one-to-one assignment.
  std::vector<bool> truthUsed(truth.size(), false);
  std::vector<bool> foundUsed(found.size(), false);
  vsCircleMatch match;
  for (const Pair& p : pairs) {
    if (truthUsed[p.t] || foundUsed[p.f]) continue;
    truthUsed[p.t] = foundUsed[p.f] = true;
    ++match.matched;
    match.centreErrorSum += p.distance;
  }
  return match;
}


double edgeCoverage(const std::vector<vsSceneEdge>& truth,
                    const std::vector<vsFoundSegment>& found) {
  const double maxSin = std::sin(5.0 * std::numbers::pi / 180.0);
  const double maxDistance = 1.5;
  double totalLength = 0.0;
  double coveredLength = 0.0;
  std::vector<std::pair<double, double>> intervals;
  for (const vsSceneEdge& edge : truth) {
    const vcVector<2> along = edge.p2 - edge.p1;
    const double length = along.len();
    if (length <= 0.0) continue;
    const vcVector<2> u = along / length;
    totalLength += length;

    // The parts of the edge that segments lying along it cover, as intervals of arc length.
    intervals.clear();
    for (const vsFoundSegment& s : found) {
      const vcVector<2> d = s.p2 - s.p1;
      const double dLength = d.len();
      if (dLength <= 0.0 || std::abs(u.cross(d)) > maxSin * dLength) continue;
      if (std::abs(u.cross(s.p1 - edge.p1)) > maxDistance ||
          std::abs(u.cross(s.p2 - edge.p1)) > maxDistance)
        continue;
      double a = u * (s.p1 - edge.p1);
      double b = u * (s.p2 - edge.p1);
      if (a > b) std::swap(a, b);
      a = std::max(a, 0.0);
      b = std::min(b, length);
      if (b > a) intervals.emplace_back(a, b);
    }
    coveredLength += accuracy::unionLength(intervals);
  }
  return totalLength > 0.0 ? coveredLength / totalLength : 0.0;
}

}  // namespace peers
