#pragma once

// vfRealEq: comparison of doubles and vectors within an absolute tolerance.
//
//   if (vfRealEq(dx, 0.0, 1e-15)) ...               // |dx - 0| <= 1e-15
//   bool same = vfRealEq(p, q, 1e-9);              // both coordinates within 1e-9

#include <cmath>

#include "platform/base/vector.h"

// |a - b| <= tolerance. Any NaN operand gives false. Requires tolerance >= 0.
inline bool vfRealEq(double a, double b, double tolerance) { return std::abs(a - b) <= tolerance; }

// Both coordinates within tolerance of each other.
inline bool vfRealEq(const vcVector<2>& a, const vcVector<2>& b, double tolerance) {
  return vfRealEq(a.x(), b.x(), tolerance) && vfRealEq(a.y(), b.y(), tolerance);
}
