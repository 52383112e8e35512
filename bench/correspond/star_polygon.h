#pragma once

// Star-shaped polygons for the corresponder benchmarks: n corners at random radii around the
// origin, each jittered by up to a fifth of its angular step; and scenes of them among clutter.

#include <numbers>
#include <random>
#include <vector>

#include "platform/base/xform.h"
#include "tavshsl/corresponder_model.h"
#include "tavshsl/segments.h"

inline std::vector<vcModelSegment> starPolygonSides(int n, double minRadius, double maxRadius,
                                                    std::mt19937& rng) {
  constexpr double kPi = std::numbers::pi;
  std::uniform_real_distribution<double> radius(minRadius, maxRadius), jitter(-0.2, 0.2);
  std::vector<vcVector<2>> corners;
  for (int i = 0; i < n; ++i)
    corners.emplace_back(radius(rng), vcRadian(2.0 * kPi * (i + 0.5 + jitter(rng)) / n));
  std::vector<vcModelSegment> sides;
  for (int i = 0; i < n; ++i)
    sides.emplace_back(vcLineSeg(corners[i], corners[(i + 1) % n]), 1.0, vcSegmentDefs::eForward);
  return sides;
}

// Found segments of a 1600 x 1200 scene: five instances of the models in turn, unscaled, at
// random rotations along a row, then clutter segments 10 to 80 long up to numFound in all.
inline std::vector<vcFoundSegment> starScene(
    const std::vector<vcPtrHandle<vcSegmentCorresponderModel>>& models, long numFound,
    std::mt19937& rng) {
  constexpr double kPi = std::numbers::pi;
  std::uniform_real_distribution<double> x(0.0, 1600.0), y(0.0, 1200.0), len(10.0, 80.0),
      dir(-kPi, kPi), mag(20.0, 100.0);
  std::vector<vcFoundSegment> found;
  for (std::size_t i = 0; i < 5; ++i) {
    const vcXform<2> pose(vcVector<2>(300.0 * static_cast<double>(i + 1), 300.0 + 150.0 * (i % 2)),
                          1.0, 1.0, vcRadian(0.0), vcRadian(dir(rng)));
    for (const vcModelSegment& s : models[i % models.size()]->boundarySegments())
      found.emplace_back(s.segment().map(pose), mag(rng), s.polarity(), 0.0);
  }
  while (static_cast<long>(found.size()) < numFound) {
    const vcVector<2> p(x(rng), y(rng));
    found.emplace_back(vcLineSeg(p, p + vcVector<2>(len(rng), vcRadian(dir(rng)))), mag(rng),
                       vcSegmentDefs::eForward, 0.0);
  }
  return found;
}
