#include "platform/base/line_fitter.h"

#include <cmath>

#include "platform/base/exception.h"

vcLSLineFitter::vcLSLineFitter(const std::vector<vcVector<2>>& points) {
  for (const vcVector<2>& p : points) update(p);
}

void vcLSLineFitter::throwNotFinite_() {
  throw vcBadParamsError(L"vcLSLineFitter::update: the point must be finite");
}

vcFLine vcLSLineFitter::fit() const {
  vcVector<2> centroid, direction;
  fitAxis(centroid, direction);
  return vcFLine::alongDirection(centroid, direction);
}

void vcLSLineFitter::fitAxis(vcVector<2>& centroid, vcVector<2>& direction) const {
  if (n_ < 2) throw vcBadParamsError(L"vcLSLineFitter::fit: needs at least 2 points");

  // Centroid and scatter matrix about it.
  const double n = static_cast<double>(n_);
  const double mx = sx_ / n;
  const double my = sy_ / n;
  const double cxx = sxx_ - n * mx * mx;
  const double cxy = sxy_ - n * mx * my;
  const double cyy = syy_ - n * my * my;
  if (!(cxx + cyy > 0.0)) throw vcBadParamsError(L"vcLSLineFitter::fit: all points coincide");

  // The principal axis of a 2x2 symmetric matrix lies at half the angle of (a, b) =
  // (cxx - cyy, 2 cxy); the perpendicular spread is smallest along its normal. Its cosine and
  // sine come from the half-angle formulas, the larger one by a square root and the smaller
  // from sin 2t = 2 sin t cos t, which keeps both accurate. The direction is then turned into
  // [0, 180) degrees.
  const double a = cxx - cyy, b = 2.0 * cxy;
  const double r = std::sqrt(a * a + b * b);  // moments of pixel coordinates: no overflow
  double c = 1.0, s = 0.0;                    // equal spread in every direction: along x
  if (r > 0.0) {
    if (a >= 0.0) {
      c = std::sqrt(0.5 * (1.0 + a / r));
      s = b / (2.0 * r * c);
    } else {
      s = std::copysign(std::sqrt(0.5 * (1.0 - a / r)), b);
      c = b / (2.0 * r * s);
    }
  }
  if (s < 0.0) {
    c = -c;
    s = -s;
  }
  centroid = origin_ + vcVector<2>(mx, my);
  direction = vcVector<2>(c, s);
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
