#pragma once

// vcPoint and vc2Point: a single point as a shape. Both convert to and from vcVector<2>.
//
//   vcPoint p(vcVector<2>(1, 2));
//   double d = p.distToPoint(vcVector<2>(4, 6));   // 5
//   vcVector<2> v = p;

#include "platform/base/shape.h"
#include "platform/base/vector.h"

class vcPoint : public vcShape {
 public:
  vcPoint() = default;
  vcPoint(const vcVector<2>& p) : p_(p) {}  // NOLINT: a point is a position
  vcPoint(double x, double y) : p_(x, y) {}

  operator const vcVector<2>&() const { return p_; }  // NOLINT
  const vcVector<2>& pos() const { return p_; }
  double x() const { return p_.x(); }
  double y() const { return p_.y(); }

  double distToPoint(const vcVector<2>& q) const { return p_.distance(q); }
  vcVector<2> nearestPoint(const vcVector<2>&) const override { return p_; }

  bool operator==(const vcPoint& o) const { return p_ == o.p_; }

 private:
  vcVector<2> p_;
};

// The 2-D point of the shape family; the same as vcPoint.
class vc2Point : public vcPoint {
 public:
  using vcPoint::vcPoint;
};
