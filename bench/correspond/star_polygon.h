#pragma once

// Star-shaped polygons for the corresponder benchmarks: n corners at random radii around the
// origin, each jittered by up to a fifth of its angular step.

#include <numbers>
#include <random>
#include <vector>

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
