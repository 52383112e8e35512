// Straight runs of a traced line: the line tracker links edgelets whose directions differ by
// up to its angle tolerance, so two polygon sides meeting at a shallow corner can come back as
// one line that lies on neither; split at the bend, each side is a segment of its own.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "shapeselect/shape_select_search.h"

namespace {

// Points by which the farthest point may miss the corner.
constexpr std::size_t kCornerSlack = 2;

// Running sums of the points' coordinates and their products, for line fits of any run.
struct Moments {
  double n = 0, x = 0, y = 0, xx = 0, xy = 0, yy = 0;
  void add(const vcVector<2>& p) {
    n += 1;
    x += p.x();
    y += p.y();
    xx += p.x() * p.x();
    xy += p.x() * p.y();
    yy += p.y() * p.y();
  }
  // Central second moments: sxx, sxy, syy.
  void central(double& sxx, double& sxy, double& syy) const {
    sxx = xx - x * x / n;
    sxy = xy - x * y / n;
    syy = yy - y * y / n;
  }
  // Direction angle of the best-fitting line, radians.
  double angle() const {
    double sxx, sxy, syy;
    central(sxx, sxy, syy);
    return 0.5 * std::atan2(2.0 * sxy, sxx - syy);
  }
};

Moments momentsOf(const std::vector<vcVector<2>>& points, std::size_t begin, std::size_t end) {
  Moments m;
  for (std::size_t k = begin; k < end; ++k) m.add(points[k]);
  return m;
}

// The angle between the fitted lines of two runs, modulo half a turn.
double turnBetween(const Moments& a, const Moments& b) {
  const double turn = std::fabs(a.angle() - b.angle());
  return std::min(turn, std::numbers::pi - turn);
}

// Splits [begin, end) at its bend, recursively, into the run boundaries `cuts`.
void split(const std::vector<vcVector<2>>& points, std::size_t begin, std::size_t end,
           std::size_t minPoints, double minBendRadians, std::vector<std::size_t>& cuts) {
  if (end - begin < 2 * minPoints) return;
  // The bend: the point farthest from the chord between the run's end points, which on a
  // polyline is a corner, found to within a point or two (the noise of the points on either
  // side of it decides which is farthest). A corner with too few points beyond that for a run
  // is no split: the short side is not a line the tracker would report.
  const vcVector<2> a = points[begin], chord = points[end - 1] - points[begin];
  const double length = chord.len();
  if (!(length > 0.0)) return;
  std::size_t best = 0;
  double farthest = -1.0;
  for (std::size_t k = begin; k < end; ++k) {
    const vcVector<2> d = points[k] - a;
    const double distance = std::fabs(chord.x() * d.y() - chord.y() * d.x()) / length;
    if (distance > farthest) {
      farthest = distance;
      best = k - begin;
    }
  }
  const std::size_t need = minPoints + kCornerSlack;
  if (best < need || best + need > end - begin) return;
  const Moments before = momentsOf(points, begin, begin + best);
  const Moments after = momentsOf(points, begin + best, end);
  if (turnBetween(before, after) <= minBendRadians) return;
  split(points, begin, begin + best, minPoints, minBendRadians, cuts);
  cuts.push_back(begin + best);
  split(points, begin + best, end, minPoints, minBendRadians, cuts);
}

}  // namespace

namespace vc_shapeselect {

std::vector<vcLineSeg> straightRuns(const std::vector<vcVector<2>>& points, long minPoints,
                                    double minBendDegrees) {
  std::vector<vcLineSeg> out;
  if (points.size() < 2) return out;
  const double minBend = minBendDegrees * std::numbers::pi / 180.0;
  std::vector<std::size_t> cuts = {0};
  split(points, 0, points.size(), std::size_t(std::max(minPoints, 2L)), minBend, cuts);
  cuts.push_back(points.size());
  // A split that falls inside a side (the best single split of three sides can) leaves two
  // neighbouring runs along one line: they are joined again.
  for (std::size_t k = 1; k + 1 < cuts.size();) {
    if (turnBetween(momentsOf(points, cuts[k - 1], cuts[k]),
                    momentsOf(points, cuts[k], cuts[k + 1])) <= minBend)
      cuts.erase(cuts.begin() + std::ptrdiff_t(k));
    else
      ++k;
  }
  // Each run from its first to its last point, both projected onto its fitted line.
  for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
    const Moments m = momentsOf(points, cuts[k], cuts[k + 1]);
    const double a = m.angle();
    const vcVector<2> u(std::cos(a), std::sin(a));
    const vcVector<2> centre(m.x / m.n, m.y / m.n);
    const auto onLine = [&](const vcVector<2>& p) {
      const vcVector<2> d = p - centre;
      return centre + u * (d.x() * u.x() + d.y() * u.y());
    };
    out.emplace_back(onLine(points[cuts[k]]), onLine(points[cuts[k + 1] - 1]));
  }
  return out;
}

}  // namespace vc_shapeselect
