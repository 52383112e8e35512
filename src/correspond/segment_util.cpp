#include <algorithm>
#include <cmath>
#include <numbers>

#include "tavshsl/segments.h"

vcRadian vcSegmentCorresponderUtil::segmentAngle(const vcLineSeg& ls) {
  const double dx = ls.p1().x() - ls.p2().x();
  const double dy = ls.p1().y() - ls.p2().y();
  // The one-argument arctangent folds both directions of the line into (-pi/2, pi/2); vertical
  // lines are given +pi/2, never -pi/2.
  if (std::abs(dx) <= 1e-15) return vcRadian(std::numbers::pi / 2.0);
  return vcRadian(std::atan(dy / dx));
}

double vcSegmentCorresponderUtil::segmentLength(const vcLineSeg& ls) {
  return (ls.p2() - ls.p1()).len();
}

double vcSegmentCorresponderUtil::calculateOverlap(const vcBaseSegment& base,
                                                   const vcLineSeg& other) {
  // Rotating by -theta brings base's line direction onto +x; the x coordinates of the rotated
  // end points are their positions along that direction.
  const double theta = base.lineAngle().plain();
  const double c = std::cos(theta);
  const double s = std::sin(theta);
  const auto along = [c, s](const vcVector<2>& p) { return c * p.x() + s * p.y(); };
  const double a1 = along(other.p1());
  const double a2 = along(other.p2());
  const double b1 = along(base.segment().p1());
  const double b2 = along(base.segment().p2());
  return std::min(std::max(a1, a2), std::max(b1, b2)) -
         std::max(std::min(a1, a2), std::min(b1, b2));
}

double vcSegmentCorresponderUtil::scoreSegmentPairing(const vcModelSegment& model,
                                                      const vcFoundSegment& found, double sigma) {
  return PairingScorer(model, sigma).score(found);
}

// The cached line angle also serves a zero-length model segment (a vertical line through its
// point), which has no direction of its own.
vcSegmentCorresponderUtil::PairingScorer::PairingScorer(const vcModelSegment& model, double sigma)
    : PairingScorer(model.segment(), model.lineAngle(), sigma) {}

vcSegmentCorresponderUtil::PairingScorer::PairingScorer(const vcLineSeg& model, vcRadian lineAngle,
                                                        double sigma)
    : cosine_(std::cos(lineAngle.plain())),
      sine_(std::sin(lineAngle.plain())),
      sigma_(sigma),
      origin_(model.p1()),
      b1_(cosine_ * model.p1().x() + sine_ * model.p1().y()),
      b2_(cosine_ * model.p2().x() + sine_ * model.p2().y()) {}

double vcSegmentCorresponderUtil::PairingScorer::overlap(const vcLineSeg& other) const {
  // Positions along the model line's direction, as calculateOverlap takes them.
  const double a1 = cosine_ * other.p1().x() + sine_ * other.p1().y();
  const double a2 = cosine_ * other.p2().x() + sine_ * other.p2().y();
  return std::min(std::max(a1, a2), std::max(b1_, b2_)) -
         std::max(std::min(a1, a2), std::min(b1_, b2_));
}

double vcSegmentCorresponderUtil::PairingScorer::score(const vcFoundSegment& found) const {
  // Perpendicular distances of the found end points from the model's infinite line, measured
  // along the line's unit normal.
  const vcVector<2> normal(-sine_, cosine_);
  const double d1 = std::abs((found.segment().p1() - origin_) * normal);
  const double d2 = std::abs((found.segment().p2() - origin_) * normal);

  // Segments farther than four standard deviations from the line do not count at all.
  if (std::max(d1, d2) > 4.0 * sigma_) return 0.0;

  // Gaussian weight of the mean distance times the overlap along the model line.
  const double m = 0.5 * (d1 + d2);
  const double g = std::exp(-(m * m) / (2.0 * sigma_ * sigma_));
  const double o = std::max(0.0, overlap(found.segment()));
  return o * g;
}
