#pragma once

// vcLine: an infinite line through a point along a unit direction; vcShapesError: the errors of
// the geometric shapes.
//
//   vcLine a(vcVector<2>(0, 0), vcVector<2>(1, 1));    // through the origin, 45 degrees
//   vcLine b = vcLineSeg(p, q).line();
//   vcVector<2> x = a.intersect(b);                    // throws LinesParallel if parallel
//   double d = a.distToPoint(p);                       // >= 0

#include <string>

#include "platform/base/exception.h"
#include "platform/base/shape.h"
#include "platform/base/vector.h"
#include "platform/base/xform.h"

// Root of the errors that geometric operations report.
class vcShapesError : public vcExceptionWithString {
 public:
  // Two lines that were to be intersected are parallel (or coincide).
  class LinesParallel;

 protected:
  explicit vcShapesError(const std::wstring& message) : vcExceptionWithString(message) {}
};

class vcShapesError::LinesParallel : public vcShapesError {
 public:
  LinesParallel() : vcShapesError(L"vcLine::intersect: the lines are parallel") {}
};

class vcLine : public vcShape {
 public:
  // The x axis.
  vcLine() = default;
  // The line through point along direction (any length). Throws vcBadParamsError for a null or
  // non-finite direction.
  vcLine(const vcVector<2>& point, const vcVector<2>& direction);

  // The point given at construction (or its image under map).
  const vcVector<2>& point() const { return point_; }
  // The unit direction.
  const vcVector<2>& dir() const { return dir_; }

  // The meeting point of the two lines. Throws vcShapesError::LinesParallel when the sine of the
  // angle between them is below 1e-12 in magnitude.
  vcVector<2> intersect(const vcLine& other) const;
  // The orthogonal projection of p onto the line.
  vcVector<2> proj(const vcVector<2>& p) const { return point_ + dir_ * ((p - point_) * dir_); }
  // Perpendicular distance from p, >= 0.
  double distToPoint(const vcVector<2>& p) const;
  // The image of the line under x. Throws vcBadParamsError when x flattens the direction.
  vcLine map(const vcXform<2>& x) const;

  vcVector<2> nearestPoint(const vcVector<2>& p) const override { return proj(p); }

 private:
  vcVector<2> point_;
  vcVector<2> dir_{1.0, 0.0};
};
