#pragma once

// vcLSLineFitter: the least-squares straight line through a set of points, minimising the sum of
// squared perpendicular distances (orthogonal regression). Points are accumulated as running
// moments, so the fitter keeps no point list and a fit costs the same whatever the count.
//
//   vcLSLineFitter fitter;
//   for (const vcVector<2>& p : points) fitter.update(p);
//   vcFLine line = fitter.fit();                 // throws with fewer than 2 distinct points
//   double rms = std::sqrt(fitter.error(line) / fitter.numPoints());

#include <cmath>
#include <vector>

#include "platform/base/fline.h"
#include "platform/base/vector.h"

class vcLSLineFitter {
 public:
  vcLSLineFitter() = default;
  // A fitter holding the given points.
  explicit vcLSLineFitter(const std::vector<vcVector<2>>& points);

  // Forgets every point.
  void reset() { *this = vcLSLineFitter(); }
  // Adds one point. Throws vcBadParamsError for a non-finite point (the fitter is unchanged).
  // Inline: trackers add every edgelet they take.
  void update(const vcVector<2>& p) {
    if (!std::isfinite(p.x()) || !std::isfinite(p.y())) throwNotFinite_();
    if (n_ == 0) origin_ = p;
    const double dx = p.x() - origin_.x();
    const double dy = p.y() - origin_.y();
    ++n_;
    sx_ += dx;
    sy_ += dy;
    sxx_ += dx * dx;
    sxy_ += dx * dy;
    syy_ += dy * dy;
  }
  long numPoints() const { return n_; }

  // The line through the centroid along the principal axis of the points, with its angle in
  // [0, pi). Points spread equally in every direction (no principal axis) give angle 0.
  // Throws vcBadParamsError with fewer than 2 points or when all points coincide.
  vcFLine fit() const;
  // The centroid and the unit direction of the line fit() returns, without making the line
  // (which takes an arctangent for its angle); the same refusals.
  void fitAxis(vcVector<2>& centroid, vcVector<2>& direction) const;
  // The sum over the points of their squared distance from line (0 without points).
  double error(const vcFLine& line) const;

 private:
  [[noreturn]] static void throwNotFinite_();

  // Moments are kept relative to the first point, which keeps them small for points far from
  // the origin and so avoids cancellation in the covariance.
  vcVector<2> origin_;
  long n_ = 0;
  double sx_ = 0.0, sy_ = 0.0;
  double sxx_ = 0.0, sxy_ = 0.0, syy_ = 0.0;
};
