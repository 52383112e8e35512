#include "platform/base/circle.h"

#include <cmath>

#include "platform/base/exception.h"

namespace {
bool finite(const vcVector<2>& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }
}  // namespace

// ---- vcCircle ----

vcCircle::vcCircle(const vcVector<2>& center, double radius) : center_(center), radius_(radius) {
  if (!finite(center)) throw vcBadParamsError(L"vcCircle: the centre must be finite");
  if (!(radius >= 0.0) || !std::isfinite(radius))
    throw vcBadParamsError(L"vcCircle: the radius must be finite and >= 0");
}

vcVector<2> vcCircle::nearestPoint(const vcVector<2>& p) const {
  const vcVector<2> d = p - center_;
  if (d.isNull()) return center_ + vcVector<2>(radius_, 0.0);
  return center_ + d.unit() * radius_;
}

double vcCircle::distanceToPoint(const vcVector<2>& p) const {
  return std::abs(p.distance(center_) - radius_);
}

// ---- vcEllipse2 ----

vcEllipse2::vcEllipse2(const vcVector<2>& center, double a, double b, vcRadian rotation)
    : center_(center), a_(a), b_(b), rotation_(rotation) {
  if (!finite(center) || !std::isfinite(rotation.plain()))
    throw vcBadParamsError(L"vcEllipse2: centre and rotation must be finite");
  if (!(a >= 0.0) || !(b >= 0.0) || !std::isfinite(a) || !std::isfinite(b))
    throw vcBadParamsError(L"vcEllipse2: the semi-axes must be finite and >= 0");
}

vcVector<2> vcEllipse2::pointAt(vcRadian t) const {
  const vcVector<2> u(1.0, rotation_);
  return center_ + u * (a_ * std::cos(t.plain())) + u.perp() * (b_ * std::sin(t.plain()));
}

bool vcEllipse2::contains(const vcVector<2>& p) const {
  if (a_ == 0.0 || b_ == 0.0) return false;
  const vcVector<2> u(1.0, rotation_);
  const vcVector<2> d = p - center_;
  const double s = (d * u) / a_;
  const double t = (d * u.perp()) / b_;
  return s * s + t * t <= 1.0;
}
