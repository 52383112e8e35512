#pragma once

// vcMatrix<2> and vcXform<2>: 2x2 matrices and general 2-D affine transforms p -> M p + t.
//
// Decomposition. The matrix M is read through the images of the two unit axes:
//   M (1, 0) = xScale * (cos xRot, sin xRot)            the x axis, turned by xRot
//   M (0, 1) = yScale * (-sin yRot, cos yRot)           the y axis, turned by yRot
// with xScale, yScale >= 0. From these:
//   rotation() = xRot, the direction of the mapped x axis;
//   shear()    = yRot - xRot in [-pi, pi): 0 for a transform without shear, about pi for a mirror;
//   scale()    = xScale;  aspect() = yScale / xScale.
// So (translation, scale s, aspect a, shear h, rotation r) is the same transform as
// (translation, xRot r, yRot r + h, xScale s, yScale s a), and a rigid or similarity transform
// has scale() equal to its uniform scale and aspect() 1. Constructing from either five-argument
// form and reading the parts back gives the same values (angles modulo a turn).
//
// Name transforms by their frames and compose right to left:
//   vcXform<2> clientFromImage(vcVector<2>(5, 0), vcRadian(0.1), vcRadian(0.1), 2.0, 2.0);
//   vcXform<2> imageFromClient = clientFromImage.inverse();     // throws if singular
//   vcXform<2> clientFromModel = clientFromImage * imageFromModel;
//   vcVector<2> q = clientFromImage.mapPoint(p);

#include "platform/base/angle.h"
#include "platform/base/vector.h"

template <int N>
class vcMatrix;

template <>
class vcMatrix<2> {
 public:
  // The identity.
  constexpr vcMatrix() = default;
  // From the axis decomposition above: x axis to xScale at xRot, y axis to yScale at yRot.
  // vcMatrix<2>(-t, -t, 1.0, 1.0) is a rotation by -t.
  vcMatrix(vcRadian xRot, vcRadian yRot, double xScale, double yScale);
  // From the elements, row by row: [a11 a12; a21 a22].
  static constexpr vcMatrix fromElements(double a11, double a12, double a21, double a22) {
    vcMatrix m;
    m.a_[0][0] = a11;
    m.a_[0][1] = a12;
    m.a_[1][0] = a21;
    m.a_[1][1] = a22;
    return m;
  }

  // Element at row r, column c, both 0 or 1. Throws vcBadParamsError for other indexes.
  double element(int r, int c) const;

  constexpr double det() const { return a_[0][0] * a_[1][1] - a_[0][1] * a_[1][0]; }
  // Throws vcBadParamsError when the matrix is singular (determinant 0 or not finite).
  vcMatrix inverse() const;
  constexpr vcMatrix transpose() const {
    return fromElements(a_[0][0], a_[1][0], a_[0][1], a_[1][1]);
  }

  // The parts of the decomposition described at the top of this file.
  vcRadian xRot() const;
  vcRadian yRot() const;
  double xScale() const;
  double yScale() const;

  constexpr vcVector<2> operator*(const vcVector<2>& v) const {
    return vcVector<2>(a_[0][0] * v.x() + a_[0][1] * v.y(), a_[1][0] * v.x() + a_[1][1] * v.y());
  }
  constexpr vcMatrix operator*(const vcMatrix& o) const {
    return fromElements(a_[0][0] * o.a_[0][0] + a_[0][1] * o.a_[1][0],
                        a_[0][0] * o.a_[0][1] + a_[0][1] * o.a_[1][1],
                        a_[1][0] * o.a_[0][0] + a_[1][1] * o.a_[1][0],
                        a_[1][0] * o.a_[0][1] + a_[1][1] * o.a_[1][1]);
  }
  constexpr bool operator==(const vcMatrix&) const = default;

 private:
  double a_[2][2] = {{1.0, 0.0}, {0.0, 1.0}};
};

template <int N>
class vcXform;

template <>
class vcXform<2> {
 public:
  // The identity.
  constexpr vcXform() = default;
  constexpr vcXform(const vcMatrix<2>& matrix, const vcVector<2>& trans) : m_(matrix), t_(trans) {}
  // From translation and the axis decomposition (see the top of this file).
  vcXform(const vcVector<2>& trans, vcRadian xRot, vcRadian yRot, double xScale, double yScale);
  // From translation, scale, aspect, shear and rotation (see the top of this file).
  vcXform(const vcVector<2>& trans, double scale, double aspect, vcRadian shear, vcRadian rotation);

  constexpr const vcMatrix<2>& matrix() const { return m_; }
  constexpr const vcVector<2>& trans() const { return t_; }
  void matrix(const vcMatrix<2>& m) { m_ = m; }
  void trans(const vcVector<2>& t) { t_ = t; }

  // M p + t.
  constexpr vcVector<2> mapPoint(const vcVector<2>& p) const { return m_ * p + t_; }
  constexpr vcVector<2> operator*(const vcVector<2>& p) const { return mapPoint(p); }
  constexpr vcVector<2> operator()(const vcVector<2>& p) const { return mapPoint(p); }
  // M^-1 (p - t). Throws vcBadParamsError when the transform is singular.
  vcVector<2> invMapPoint(const vcVector<2>& p) const;
  // M v: a direction or offset, translation ignored.
  constexpr vcVector<2> mapVector(const vcVector<2>& v) const { return m_ * v; }
  // The direction of the mapped unit vector at angle a, in (-pi, pi]. Throws vcBadParamsError
  // when M flattens that direction (to below 1e-12 of M's size).
  vcRadian mapAngle(vcRadian a) const;
  vcDegree mapAngle(vcDegree a) const { return vcDegree(mapAngle(vcRadian(a))); }

  // The transform q -> p undoing this one. Throws vcBadParamsError when it is singular.
  vcXform inverse() const;
  // Composition, right to left: (A * B).mapPoint(p) == A.mapPoint(B.mapPoint(p)).
  constexpr vcXform operator*(const vcXform& b) const { return vcXform(m_ * b.m_, m_ * b.t_ + t_); }
  // The local linear transform at a point: an affine transform is its own.
  constexpr const vcXform& linearXform(const vcVector<2>&) const { return *this; }

  // The parts of the decomposition described at the top of this file.
  double scale() const { return m_.xScale(); }
  double xScale() const { return m_.xScale(); }
  double yScale() const { return m_.yScale(); }
  // yScale / xScale; throws vcBadParamsError when xScale is 0.
  double aspect() const;
  vcRadian rotation() const { return m_.xRot(); }
  vcRadian xRot() const { return m_.xRot(); }
  vcRadian yRot() const { return m_.yRot(); }
  vcRadian shear() const;

  // Exactly the identity (every element exact).
  constexpr bool isIdentity() const { return m_ == vcMatrix<2>() && t_.isNull(); }
  constexpr bool operator==(const vcXform&) const = default;

 private:
  vcMatrix<2> m_;
  vcVector<2> t_;
};
