#include "platform/base/line_fitter.h"

#include <cmath>

#include "platform/base/exception.h"

vcLSLineFitter::vcLSLineFitter(const std::vector<vcVector<2>>& points) {
  for (const vcVector<2>& p : points) update(p);
}

void vcLSLineFitter::reset() { *this = vcLSLineFitter(); }

void vcLSLineFitter::update(const vcVector<2>& p) {
  if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
    throw vcBadParamsError(L"vcLSLineFitter::update: the point must be finite");
  if (n_ == 0) origin_ = p;
  const double dx = p.x() - origin_.x();
  const double dy = p.y() - origin_.y();
  ++n_;
  sx_ += dx;
  sy_ += dy;
  sxx_ += dx * dx;
  sxy_ += dx * dy;
  syy_ += dy * dy;
}

vcFLine vcLSLineFitter::fit() const {
  if (n_ < 2) throw vcBadParamsError(L"vcLSLineFitter::fit: needs at least 2 points");

  // Centroid and scatter matrix about it.
  const double n = static_cast<double>(n_);
  const double mx = sx_ / n;
  const double my = sy_ / n;
  const double cxx = sxx_ - n * mx * mx;
  const double cxy = sxy_ - n * mx * my;
  const double cyy = syy_ - n * my * my;
  if (!(cxx + cyy > 0.0)) throw vcBadParamsError(L"vcLSLineFitter::fit: all points coincide");

  // The principal axis of a 2x2 symmetric matrix lies at half the angle of (cxx - cyy, 2 cxy);
  // the perpendicular spread is smallest along its normal.
  vcRadian theta(0.5 * std::atan2(2.0 * cxy, cxx - cyy));
  if (theta.plain() < 0.0) theta += vcRadian(std::numbers::pi);
  const vcVector<2> centroid = origin_ + vcVector<2>(mx, my);
  return vcFLine(theta, centroid * vcVector<2>(-std::sin(theta.plain()), std::cos(theta.plain())));
}

double vcLSLineFitter::error(const vcFLine& line) const {
  if (n_ == 0) return 0.0;
  // Each residual is e + n . delta with e the residual of the origin and delta the offset of the
  // point from it; expand the sum of squares over the stored moments.
  const vcVector<2> nrm = line.normal();
  const double e = line.distanceFrom(origin_);
  const double sum = static_cast<double>(n_) * e * e + 2.0 * e * (nrm.x() * sx_ + nrm.y() * sy_) +
                     nrm.x() * nrm.x() * sxx_ + 2.0 * nrm.x() * nrm.y() * sxy_ +
                     nrm.y() * nrm.y() * syy_;
  // Rounding can push an exact fit a hair below zero.
  return sum > 0.0 ? sum : 0.0;
}
