#pragma once

// vcFLine: an infinite, directed line given by its direction angle theta and its signed
// distance d from the origin. With u = (cos theta, sin theta) the direction and
// n = (-sin theta, cos theta) the normal (u turned by +90 degrees), the line is the set of points
// p with p . n = d, and every point of it is t u + d n for t = p . u.
//
//   vcFLine a(vcDegree(30), vcVector<2>(5, 5));            // through (5, 5) at 30 degrees
//   vcFLine b(vcVector<2>(0, 0), vcVector<2>(0, 10));      // through two points
//   double s = a.distanceFrom(p);                           // signed, positive on the n side
//   std::vector<vcVector<2>> x = a.intersection(b);         // empty when parallel

#include <vector>

#include "platform/base/angle.h"
#include "platform/base/shape.h"
#include "platform/base/vector.h"
#include "platform/base/xform.h"

class vcFLine : public vcShape {
 public:
  // The x axis (angle 0, distance 0).
  vcFLine() = default;
  // The line at direction angle `angle` with signed distance `distance` from the origin. Throws
  // vcBadParamsError for non-finite values.
  vcFLine(vcRadian angle, double distance);
  // The line through point. With angleIsDirection true, `angle` is the line's direction;
  // with false it is the direction of the normal n (the line runs at angle - 90 degrees).
  // Throws vcBadParamsError for non-finite values.
  vcFLine(vcDegree angle, const vcVector<2>& point, bool angleIsDirection = true);
  // The line through p1 and p2, directed from p1 to p2. Throws vcBadParamsError when p1 == p2.
  vcFLine(const vcVector<2>& p1, const vcVector<2>& p2);
  // The line through point along unitDirection, which must have length 1 (not checked): for
  // callers that already hold the direction, without the trigonometry of the other forms.
  static vcFLine alongDirection(const vcVector<2>& point, const vcVector<2>& unitDirection);

  // Direction angle in [0, 2 pi).
  vcRadian angle() const { return angle_; }
  double cosAngle() const { return cos_; }
  double sinAngle() const { return sin_; }
  // Signed distance d of the line from the origin (see the top of this file).
  double distance() const { return d_; }
  vcVector<2> dir() const { return vcVector<2>(cos_, sin_); }
  vcVector<2> normal() const { return vcVector<2>(-sin_, cos_); }

  // The point of the line nearest to p.
  vcVector<2> closestPoint(const vcVector<2>& p) const;
  // Position of p's projection along the line: p . u.
  double distanceAlong(const vcVector<2>& p) const { return p.x() * cos_ + p.y() * sin_; }
  // Signed distance of p from the line: p . n - d, positive on the side n points to.
  double distanceFrom(const vcVector<2>& p) const { return -p.x() * sin_ + p.y() * cos_ - d_; }
  // The meeting points: one point, or none when the lines are parallel (sine of the angle
  // between them below 1e-12 in magnitude), coincident lines included.
  std::vector<vcVector<2>> intersection(const vcFLine& other) const;
  // The image of the line under x, keeping its direction sense. Throws vcBadParamsError when x
  // flattens the direction.
  vcFLine map(const vcXform<2>& x) const;

  vcVector<2> nearestPoint(const vcVector<2>& p) const override { return closestPoint(p); }
  double distanceToPoint(const vcVector<2>& p) const override;

 private:
  // Sets angle, its cosine and sine from a unit direction, and d from a point on the line.
  void set_(const vcVector<2>& unitDir, const vcVector<2>& point);

  vcRadian angle_;
  double cos_ = 1.0;
  double sin_ = 0.0;
  double d_ = 0.0;
};
