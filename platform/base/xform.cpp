#include "platform/base/xform.h"

#include <cmath>

#include "platform/base/exception.h"

// ---- vcMatrix<2> ----

vcMatrix<2>::vcMatrix(vcRadian xRot, vcRadian yRot, double xScale, double yScale) {
  // Columns are the images of the unit axes: x axis at xRot, y axis at yRot + 90 degrees.
  a_[0][0] = xScale * std::cos(xRot.plain());
  a_[1][0] = xScale * std::sin(xRot.plain());
  a_[0][1] = -yScale * std::sin(yRot.plain());
  a_[1][1] = yScale * std::cos(yRot.plain());
}

double vcMatrix<2>::element(int r, int c) const {
  if (r < 0 || r > 1 || c < 0 || c > 1)
    throw vcBadParamsError(L"vcMatrix<2>::element: row and column must be 0 or 1");
  return a_[r][c];
}

vcMatrix<2> vcMatrix<2>::inverse() const {
  const double d = det();
  if (d == 0.0 || !std::isfinite(d))
    throw vcBadParamsError(L"vcMatrix<2>::inverse: the matrix is singular");
  return fromElements(a_[1][1] / d, -a_[0][1] / d, -a_[1][0] / d, a_[0][0] / d);
}

vcRadian vcMatrix<2>::xRot() const { return vcRadian(std::atan2(a_[1][0], a_[0][0])); }

// The mapped y axis is yScale (-sin yRot, cos yRot), so yRot is its angle minus 90 degrees.
vcRadian vcMatrix<2>::yRot() const { return vcRadian(std::atan2(-a_[0][1], a_[1][1])); }

double vcMatrix<2>::xScale() const { return std::hypot(a_[0][0], a_[1][0]); }

double vcMatrix<2>::yScale() const { return std::hypot(a_[0][1], a_[1][1]); }

// ---- vcXform<2> ----

vcXform<2>::vcXform(const vcVector<2>& trans, vcRadian xRot, vcRadian yRot, double xScale,
                    double yScale)
    : m_(xRot, yRot, xScale, yScale), t_(trans) {}

vcXform<2>::vcXform(const vcVector<2>& trans, double scale, double aspect, vcRadian shear,
                    vcRadian rotation)
    : m_(rotation, rotation + shear, scale, scale * aspect), t_(trans) {}

vcVector<2> vcXform<2>::invMapPoint(const vcVector<2>& p) const { return m_.inverse() * (p - t_); }

vcRadian vcXform<2>::mapAngle(vcRadian a) const {
  // A direction shrunk below 1e-12 of the matrix's size is taken as flattened: its angle would
  // be rounding noise.
  const vcVector<2> v = m_ * vcVector<2>(1.0, a);
  const double size = std::hypot(m_.xScale(), m_.yScale());
  if (!(v.len() > 1e-12 * size))
    throw vcBadParamsError(L"vcXform<2>::mapAngle: the transform maps the direction to zero");
  return v.angle();
}

vcXform<2> vcXform<2>::inverse() const {
  const vcMatrix<2> mi = m_.inverse();
  return vcXform(mi, -(mi * t_));
}

double vcXform<2>::aspect() const {
  const double xs = xScale();
  if (xs == 0.0) throw vcBadParamsError(L"vcXform<2>::aspect: the x scale is 0");
  return yScale() / xs;
}

vcRadian vcXform<2>::shear() const { return (yRot() - xRot()).signedNorm(); }
