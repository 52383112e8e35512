#include "platform/base/line.h"

#include <cmath>

namespace {
// Lines whose unit directions have a cross product below this are treated as parallel.
constexpr double kParallelSine = 1e-12;
}  // namespace

vcLine::vcLine(const vcVector<2>& point, const vcVector<2>& direction) : point_(point) {
  if (!std::isfinite(point.x()) || !std::isfinite(point.y()))
    throw vcBadParamsError(L"vcLine: the point must be finite");
  if (direction.isNull() || !std::isfinite(direction.len()))
    throw vcBadParamsError(L"vcLine: the direction must be non-null and finite");
  dir_ = direction.unit();
}

vcVector<2> vcLine::intersect(const vcLine& other) const {
  // Solve point_ + s dir_ = other.point_ + t other.dir_ for s by crossing with other.dir_.
  const double sine = dir_.cross(other.dir_);
  if (std::abs(sine) < kParallelSine) throw vcShapesError::LinesParallel();
  const double s = (other.point_ - point_).cross(other.dir_) / sine;
  return point_ + dir_ * s;
}

double vcLine::distToPoint(const vcVector<2>& p) const { return std::abs(dir_.cross(p - point_)); }

vcLine vcLine::map(const vcXform<2>& x) const {
  return vcLine(x.mapPoint(point_), x.mapVector(dir_));
}
