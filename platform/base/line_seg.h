#pragma once

// vcLineSeg: the straight segment between two end points p1 and p2.
//
//   vcLineSeg s(vcVector<2>(0, 0), vcVector<2>(10, 0));
//   double d = s.distToPoint(vcVector<2>(12, 0));   // 2: distance to the nearer end
//   vcLine l = s.line();                            // throws for a zero-length segment
//   vcLineSeg m = s.map(clientFromImage);

#include "platform/base/line.h"
#include "platform/base/shape.h"
#include "platform/base/vector.h"
#include "platform/base/xform.h"

class vcLineSeg : public vcShape {
 public:
  // Both end points at the origin.
  vcLineSeg() = default;
  vcLineSeg(const vcVector<2>& p1, const vcVector<2>& p2) : p1_(p1), p2_(p2) {}

  const vcVector<2>& p1() const { return p1_; }
  const vcVector<2>& p2() const { return p2_; }
  void p1(const vcVector<2>& p) { p1_ = p; }
  void p2(const vcVector<2>& p) { p2_ = p; }

  double length() const { return p1_.distance(p2_); }
  vcVector<2> midpoint() const { return (p1_ + p2_) * 0.5; }
  // The infinite line through p1 and p2, directed from p1 to p2. Throws vcBadParamsError when
  // p1 == p2.
  vcLine line() const;
  // The segment between the mapped end points.
  vcLineSeg map(const vcXform<2>& x) const { return vcLineSeg(x.mapPoint(p1_), x.mapPoint(p2_)); }
  // Distance from p to the nearest point of the segment (ends included), >= 0.
  double distToPoint(const vcVector<2>& p) const { return nearestPoint(p).distance(p); }

  vcVector<2> nearestPoint(const vcVector<2>& p) const override;

  bool operator==(const vcLineSeg& o) const { return p1_ == o.p1_ && p2_ == o.p2_; }

 private:
  vcVector<2> p1_;
  vcVector<2> p2_;
};
