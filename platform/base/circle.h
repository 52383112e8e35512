#pragma once

// vcCircle: a circle by centre and radius; vcEllipse2: an ellipse by centre, two semi-axes and
// the direction of the first axis, used as a fill shape by the graphics.
//
//   vcCircle c(vcVector<2>(50, 50), 10.0);
//   double d = c.distanceToPoint(p);       // distance to the outline
//   vcEllipse2 fill(c);                    // the same circle as an ellipse

#include "platform/base/angle.h"
#include "platform/base/shape.h"
#include "platform/base/vector.h"

class vcCircle : public vcShape {
 public:
  // The unit circle at the origin.
  vcCircle() = default;
  // Throws vcBadParamsError for a negative or non-finite radius or a non-finite centre.
  vcCircle(const vcVector<2>& center, double radius);

  const vcVector<2>& center() const { return center_; }
  double radius() const { return radius_; }

  // The point of the outline nearest to p; for p at the centre, the point at angle 0.
  vcVector<2> nearestPoint(const vcVector<2>& p) const override;
  double distanceToPoint(const vcVector<2>& p) const override;
  // The outline is traversed by increasing angle: right-handed.
  bool isRightHanded() const override { return true; }

 private:
  vcVector<2> center_;
  double radius_ = 1.0;
};

// A plain value, not a vcShape: the graphics only fill it.
class vcEllipse2 {
 public:
  // The unit circle at the origin.
  vcEllipse2() = default;
  // Semi-axis lengths a (along `rotation`) and b (across it). Throws vcBadParamsError for
  // negative or non-finite values.
  vcEllipse2(const vcVector<2>& center, double a, double b, vcRadian rotation);
  explicit vcEllipse2(const vcCircle& c) : center_(c.center()), a_(c.radius()), b_(c.radius()) {}

  const vcVector<2>& center() const { return center_; }
  double a() const { return a_; }
  double b() const { return b_; }
  vcRadian rotation() const { return rotation_; }

  // The outline point at parameter t: center + a cos t u + b sin t v, u the first axis.
  vcVector<2> pointAt(vcRadian t) const;
  // Whether p lies inside or on the ellipse (false for a degenerate one with a zero axis).
  bool contains(const vcVector<2>& p) const;

 private:
  vcVector<2> center_;
  double a_ = 1.0;
  double b_ = 1.0;
  vcRadian rotation_;
};
