#pragma once

// vcShape: the root of the geometric shapes (points, lines, segments, circles, polylines).
// Every shape knows its point nearest to a given point; closed shapes also know which way
// their outline runs.
//
//   const vcShape& s = circle;
//   double d = s.distanceToPoint(vcVector<2>(3, 4));
//   bool rh = s.isRightHanded();   // closed shapes only

#include "platform/base/vector.h"

class vcShape {
 public:
  virtual ~vcShape() = default;

  // The point of the shape nearest to p.
  virtual vcVector<2> nearestPoint(const vcVector<2>& p) const = 0;
  // The distance from p to the shape, >= 0.
  virtual double distanceToPoint(const vcVector<2>& p) const { return nearestPoint(p).distance(p); }
  // Whether the outline of a closed shape runs right-handed: in the direction of increasing
  // angle, from +x towards +y (clockwise on the screen, y down), that is with a positive signed
  // area. Throws vcBadParamsError for an open shape, which has no traversal sense.
  virtual bool isRightHanded() const;

 protected:
  vcShape() = default;
  vcShape(const vcShape&) = default;
  vcShape& operator=(const vcShape&) = default;
};
