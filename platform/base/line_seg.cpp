#include "platform/base/line_seg.h"

#include <algorithm>

#include "platform/base/exception.h"

vcLine vcLineSeg::line() const {
  if (p1_ == p2_) throw vcBadParamsError(L"vcLineSeg::line: the segment has zero length");
  return vcLine(p1_, p2_ - p1_);
}

vcVector<2> vcLineSeg::nearestPoint(const vcVector<2>& p) const {
  // Project onto the supporting line and clamp the parameter to the segment.
  const vcVector<2> d = p2_ - p1_;
  const double dd = d * d;
  if (dd == 0.0) return p1_;
  const double t = std::clamp(((p - p1_) * d) / dd, 0.0, 1.0);
  return p1_ + d * t;
}
