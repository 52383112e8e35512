#include "stroke_geometry.h"

#include <algorithm>
#include <cmath>

#include "platform/base/assert.h"
#include "platform/base/fline.h"
#include "platform/base/real_eq.h"

namespace {

constexpr double kOnStroke = 1e-15;
constexpr double kOnLine = 1e-10;
constexpr double kVertical = 1e-15;

bool extentsOverlap(double u1, double u2, double v1, double v2) {
  return std::max(std::min(u1, u2), std::min(v1, v2)) <=
         std::min(std::max(u1, u2), std::max(v1, v2));
}

// The meeting point of the infinite lines of two segments; none when parallel.
std::optional<vcVector<2>> linesMeet(const vcVector<2>& a1, const vcVector<2>& a2,
                                     const vcVector<2>& b1, const vcVector<2>& b2) {
  const std::vector<vcVector<2>> x = vcFLine(a1, a2).intersection(vcFLine(b1, b2));
  if (x.empty()) return std::nullopt;
  return x.front();
}

}  // namespace

vsEndContact vfClassifyEnd(const vcVector<2>& p, std::size_t self,
                           const std::vector<vcLineSeg>& strokes) {
  vsEndContact contact;
  for (std::size_t j = 0; j < strokes.size(); ++j) {
    const vcLineSeg& s = strokes[j];
    if (j == self || !vfRealEq(s.distToPoint(p), 0.0, kOnStroke)) continue;
    if (!vfRealEq(p, s.p1(), kOnStroke) && !vfRealEq(p, s.p2(), kOnStroke)) {
      contact.free = false;
      return contact;
    }
    contact.touch = true;
    contact.other = j;
  }
  return contact;
}

bool vfStraddles(const vcVector<2>& q1, const vcVector<2>& q2, const vcVector<2>& l1,
                 const vcVector<2>& l2) {
  // Side values: horizontal offsets from a vertical line, vertical offsets otherwise.
  double s1;
  double s2;
  if (std::abs(l1.x() - l2.x()) <= kVertical) {
    s1 = q1.x() - l1.x();
    s2 = q2.x() - l1.x();
  } else {
    const double m = (l1.y() - l2.y()) / (l1.x() - l2.x());
    s1 = (q1.y() - l2.y()) - m * (q1.x() - l2.x());
    s2 = (q2.y() - l2.y()) - m * (q2.x() - l2.x());
  }
  if (s1 * s2 > 0.0) return false;
  if (!vfRealEq(s1, 0.0, kOnLine) || !vfRealEq(s2, 0.0, kOnLine)) return true;
  return extentsOverlap(q1.x(), q2.x(), l1.x(), l2.x()) &&
         extentsOverlap(q1.y(), q2.y(), l1.y(), l2.y());
}

std::optional<vsRayHit> vfLineAhead(const vcVector<2>& p, const vcVector<2>& d, const vcLineSeg& s,
                                    double behindTolerance) {
  VC_ASSERT(!d.isNull());
  const std::optional<vcVector<2>> x = linesMeet(p, p + d, s.p1(), s.p2());
  if (!x) return std::nullopt;
  // Distance along d, read from x unless the ray is vertical.
  double t = std::abs(d.x()) <= kVertical ? (x->y() - p.y()) / d.y() : (x->x() - p.x()) / d.x();
  if (t < 0.0 && t > -behindTolerance) t = 0.0;
  if (!(t >= 0.0)) return std::nullopt;
  return vsRayHit{t, *x};
}

std::optional<vsRayHit> vfRayHit(const vcVector<2>& p, const vcVector<2>& d, const vcLineSeg& s,
                                 double behindTolerance) {
  VC_ASSERT(!d.isNull());
  if (!vfStraddles(s.p1(), s.p2(), p, p + d)) return std::nullopt;
  return vfLineAhead(p, d, s, behindTolerance);
}

std::optional<vcVector<2>> vfStrokesMeet(const vcLineSeg& a, const vcLineSeg& b) {
  if (!vfStraddles(a.p1(), a.p2(), b.p1(), b.p2()) || !vfStraddles(b.p1(), b.p2(), a.p1(), a.p2()))
    return std::nullopt;
  if (const std::optional<vcVector<2>> x = linesMeet(a.p1(), a.p2(), b.p1(), b.p2())) return x;
  // Collinear strokes that touch or overlap.
  const vcVector<2>& q = b.p1();
  const bool inBox = extentsOverlap(q.x(), q.x(), a.p1().x(), a.p2().x()) &&
                     extentsOverlap(q.y(), q.y(), a.p1().y(), a.p2().y());
  return inBox ? b.p1() : b.p2();
}
