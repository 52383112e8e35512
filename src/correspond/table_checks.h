#pragma once

// Input checks shared by the hash tables.

#include <cmath>

#include "platform/base/line_seg.h"

// Both end points have finite coordinates.
inline bool vfIsFiniteSegment(const vcLineSeg& s) {
  return std::isfinite(s.p1().x()) && std::isfinite(s.p1().y()) && std::isfinite(s.p2().x()) &&
         std::isfinite(s.p2().y());
}

// v > 0 and finite (false for NaN).
inline bool vfIsPositiveFinite(double v) { return v > 0.0 && std::isfinite(v); }

// a >= 0 and finite, for tolerances and angles.
inline bool vfIsNonNegativeFinite(double v) { return v >= 0.0 && std::isfinite(v); }
