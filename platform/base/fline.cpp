#include "platform/base/fline.h"

#include <cmath>

#include "platform/base/exception.h"

namespace {
// Lines whose unit directions have a cross product below this are treated as parallel.
constexpr double kParallelSine = 1e-12;

bool finite(const vcVector<2>& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }
}  // namespace

vcFLine::vcFLine(vcRadian angle, double distance) {
  if (!std::isfinite(angle.plain()) || !std::isfinite(distance))
    throw vcBadParamsError(L"vcFLine: angle and distance must be finite");
  angle_ = angle.norm();
  cos_ = std::cos(angle_.plain());
  sin_ = std::sin(angle_.plain());
  d_ = distance;
}

vcFLine::vcFLine(vcDegree angle, const vcVector<2>& point, bool angleIsDirection) {
  if (!std::isfinite(angle.plain()) || !finite(point))
    throw vcBadParamsError(L"vcFLine: angle and point must be finite");
  const vcRadian a = angleIsDirection ? vcRadian(angle) : vcRadian(angle - vcDegree(90.0));
  set_(vcVector<2>(1.0, a), point);
  // Keep the given angle exactly rather than the one recomputed from its cosine and sine.
  angle_ = a.norm();
}

vcFLine::vcFLine(const vcVector<2>& p1, const vcVector<2>& p2) {
  if (!finite(p1) || !finite(p2)) throw vcBadParamsError(L"vcFLine: the points must be finite");
  if (p1 == p2) throw vcBadParamsError(L"vcFLine: the two points must differ");
  set_((p2 - p1).unit(), p1);
}

vcFLine vcFLine::alongDirection(const vcVector<2>& point, const vcVector<2>& unitDirection) {
  if (!finite(point) || !finite(unitDirection))
    throw vcBadParamsError(L"vcFLine: point and direction must be finite");
  vcFLine line;
  line.set_(unitDirection, point);
  return line;
}

void vcFLine::set_(const vcVector<2>& unitDir, const vcVector<2>& point) {
  cos_ = unitDir.x();
  sin_ = unitDir.y();
  angle_ = unitDir.angle().norm();
  d_ = point * normal();
}

vcVector<2> vcFLine::closestPoint(const vcVector<2>& p) const {
  return dir() * distanceAlong(p) + normal() * d_;
}

double vcFLine::distanceToPoint(const vcVector<2>& p) const { return std::abs(distanceFrom(p)); }

std::vector<vcVector<2>> vcFLine::intersection(const vcFLine& other) const {
  // Both lines satisfy p . n = d; solve the 2x2 system by Cramer's rule. Its determinant is the
  // sine of the angle between the directions.
  const double sine = dir().cross(other.dir());
  if (std::abs(sine) < kParallelSine) return {};
  const vcVector<2> n1 = normal();
  const vcVector<2> n2 = other.normal();
  const double x = (d_ * n2.y() - other.d_ * n1.y()) / sine;
  const double y = (n1.x() * other.d_ - n2.x() * d_) / sine;
  return {vcVector<2>(x, y)};
}

vcFLine vcFLine::map(const vcXform<2>& x) const {
  const vcVector<2> p = closestPoint(vcVector<2>());
  const vcVector<2> d = x.mapVector(dir());
  if (d.isNull() || !finite(d))
    throw vcBadParamsError(L"vcFLine::map: the transform flattens the line's direction");
  vcFLine result;
  result.set_(d.unit(), x.mapPoint(p));
  return result;
}
