#include "platform/base/polyline.h"

#include "platform/base/exception.h"
#include "platform/base/line_seg.h"
#include "platform/base/str.h"

const vcVector<2>& vcPolyline::vertex(long i) const {
  if (i < 0 || i >= numVertices())
    throw vcBadParamsError(L"vcPolyline::vertex: index " + vfStr(i) + L" outside [0, " +
                           vfStr(numVertices()) + L")");
  return vertices_[static_cast<std::size_t>(i)];
}

vcPolyline vcPolyline::map(const vcXform<2>& x) const {
  std::vector<vcVector<2>> mapped;
  mapped.reserve(vertices_.size());
  for (const vcVector<2>& v : vertices_) mapped.push_back(x.mapPoint(v));
  return vcPolyline(std::move(mapped), closed_);
}

double vcPolyline::signedArea() const {
  if (!closed_) throw vcBadParamsError(L"vcPolyline: the polyline must be closed");
  // Shoelace sum taken relative to the first vertex, which keeps it exact for outlines far from
  // the origin.
  double sum = 0.0;
  for (std::size_t i = 1; i + 1 < vertices_.size(); ++i)
    sum += (vertices_[i] - vertices_[0]).cross(vertices_[i + 1] - vertices_[0]);
  return 0.5 * sum;
}

bool vcPolyline::isRightHanded() const { return signedArea() > 0.0; }

vcVector<2> vcPolyline::nearestPoint(const vcVector<2>& p) const {
  if (vertices_.empty())
    throw vcBadParamsError(L"vcPolyline::nearestPoint: the polyline has no vertices");
  vcVector<2> best = vertices_[0];
  double bestDist = best.distance(p);
  const std::size_t n = vertices_.size();
  const std::size_t sides = closed_ ? n : n - 1;
  for (std::size_t i = 0; i < sides; ++i) {
    const vcVector<2> q = vcLineSeg(vertices_[i], vertices_[(i + 1) % n]).nearestPoint(p);
    const double d = q.distance(p);
    if (d < bestDist) {
      bestDist = d;
      best = q;
    }
  }
  return best;
}
