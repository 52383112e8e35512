#include "shape_select_stroke_outline.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>
#include <utility>

#include "platform/base/real_eq.h"
#include "tavshsl/shape_select_defs.h"

namespace {

using Vec = vcVector<2>;

// Tolerances: a point lies on a stroke or at its end within kOnTol; side values within
// kSideTol count as on the line; ray parameters down to -kBehindTol count as 0 (rounding at a
// crossing just behind the walk position); the walk is back at its start within kCloseTol.
constexpr double kOnTol = 1e-15;
constexpr double kSideTol = 1e-10;
constexpr double kBehindTol = 1e-6;
constexpr double kCloseTol = 1e-8;
// Lines whose directions differ by a sine below this do not meet.
constexpr double kParallelSine = 1e-12;

// ----- Contact of an end point with the other strokes -----

struct Contact {
  bool free = true;            // no other stroke has the point inside it
  bool touched = false;        // the point is an end point of some other stroke
  std::size_t touchIndex = 0;  // the last such stroke, when touched
};

// Classifies point p (an end of stroke i) against every other stroke in index order. The scan
// stops at the first stroke that has p inside it; touches found before it are kept.
Contact contactTest(const Vec& p, std::size_t i, const std::vector<vcLineSeg>& skeleton) {
  Contact contact;
  for (std::size_t j = 0; j < skeleton.size(); ++j) {
    if (j == i || !vfRealEq(skeleton[j].distToPoint(p), 0.0, kOnTol)) continue;
    if (vfRealEq(p, skeleton[j].p1(), kOnTol) || vfRealEq(p, skeleton[j].p2(), kOnTol)) {
      contact.touched = true;
      contact.touchIndex = j;
    } else {
      contact.free = false;
      return contact;
    }
  }
  return contact;
}

// ----- Rays against strokes -----

struct Hit {
  double t;  // distance along the unit ray direction
  Vec point;
};

// Whether segment s reaches the line through o along d: its end points lie on both sides, or
// one lies on the line, or it is collinear and its box overlaps that of o, o + d.
bool reachesLine(const Vec& o, const Vec& d, const vcLineSeg& s) {
  const Vec a = o;
  const Vec b = o + d;
  double s1;
  double s2;
  if (vfRealEq(a.x(), b.x(), kOnTol)) {
    s1 = s.p1().x() - a.x();
    s2 = s.p2().x() - a.x();
  } else {
    const double m = (a.y() - b.y()) / (a.x() - b.x());
    s1 = (s.p1().y() - b.y()) - m * (s.p1().x() - b.x());
    s2 = (s.p2().y() - b.y()) - m * (s.p2().x() - b.x());
  }
  if (s1 * s2 > 0.0) return false;
  if (!vfRealEq(s1, 0.0, kSideTol) || !vfRealEq(s2, 0.0, kSideTol)) return true;
  const auto overlap = [](double u1, double u2, double v1, double v2) {
    return std::max(std::min(u1, u2), std::min(v1, v2)) <=
           std::min(std::max(u1, u2), std::max(v1, v2));
  };
  return overlap(s.p1().x(), s.p2().x(), a.x(), b.x()) &&
         overlap(s.p1().y(), s.p2().y(), a.y(), b.y());
}

// Where the ray from o along the unit direction d meets the infinite line of s, when it does
// so ahead of o (t >= 0). Parallel lines never meet.
std::optional<Hit> meetAhead(const Vec& o, const Vec& d, const vcLineSeg& s) {
  const Vec e = s.p2() - s.p1();
  const double denom = d.cross(e);
  if (std::abs(denom) < kParallelSine * e.len()) return std::nullopt;
  const Vec point = o + d * ((s.p1() - o).cross(e) / denom);
  // Distance along d, read from x unless the ray is vertical.
  double t =
      vfRealEq(d.x(), 0.0, kOnTol) ? (point.y() - o.y()) / d.y() : (point.x() - o.x()) / d.x();
  if (t < 0.0 && t > -kBehindTol) t = 0.0;
  if (t < 0.0) return std::nullopt;
  return Hit{t, point};
}

// The ray from o along d hits stroke s when s reaches the ray's line and the crossing lies
// ahead.
std::optional<Hit> castRay(const Vec& o, const Vec& d, const vcLineSeg& s) {
  if (!reachesLine(o, d, s)) return std::nullopt;
  return meetAhead(o, d, s);
}

}  // namespace

std::vector<vcLineSeg> vfTraceStrokeOutline(const std::vector<vcLineSeg>& skeleton,
                                            const std::vector<double>& widths) {
  const std::size_t n = skeleton.size();

  // Start at the first end point, in stroke order, that lies inside no other stroke.
  std::size_t c = n;
  Vec S;
  Vec E;
  Contact startContact;
  for (std::size_t i = 0; i < n && c == n; ++i) {
    for (const bool atP1 : {true, false}) {
      S = atP1 ? skeleton[i].p1() : skeleton[i].p2();
      startContact = contactTest(S, i, skeleton);
      if (startContact.free) {
        c = i;
        E = atP1 ? skeleton[i].p2() : skeleton[i].p1();
        break;
      }
    }
  }
  if (c == n)
    throw vcShapeSelectDefs::BadParams(L"Skeleton has no free end point: Model is degenerate.");

  // Initial frame: walk along the start stroke's offset line on the side opposite its normal,
  // from the corner behind the start end (lengthened by half the width of a touching stroke).
  Vec d = (E - S).unit();
  double h = widths[c] / 2.0;
  Vec ext = d * (startContact.touched ? widths[startContact.touchIndex] / 2.0 : h);
  Vec off = d.perp() * h;
  const Vec first = S - ext - off;
  Vec O = first;
  Vec C = E + ext - off;

  std::vector<vcLineSeg> outline;
  const std::size_t maxSteps = n * (2 * n + 4) + 1;
  for (std::size_t step = 0; step < maxSteps; ++step) {
    // Find the nearest stroke centre line crossed ahead; ties keep the lower index.
    std::optional<Hit> best;
    std::size_t k = c;
    for (std::size_t j = 0; j < n; ++j) {
      if (j == c) continue;
      const std::optional<Hit> hit = castRay(O, d, skeleton[j]);
      if (hit && (!best || hit->t < best->t)) {
        best = hit;
        k = j;
      }
    }

    if (!best) {
      // Nothing crossed: run to the corner at the far end, then cap it and turn round.
      outline.emplace_back(O, C);
      if (vfRealEq(C, first, kCloseTol)) return outline;
      const Vec capEnd = E + ext + off;
      outline.emplace_back(C, capEnd);
      d = -d;
      ext = -ext;
      off = -off;
      O = capEnd;
      std::swap(S, E);
      const Contact endContact = contactTest(E, c, skeleton);
      if (endContact.touched) ext = d * (widths[endContact.touchIndex] / 2.0);
      C = E + ext - off;
    } else {
      // Crossed stroke k: turn onto it, heading away from the stroke being left.
      S = skeleton[k].p1();
      E = skeleton[k].p2();
      Vec dk = (E - S).unit();
      if (meetAhead(best->point, dk, skeleton[c])) {
        dk = -dk;
        std::swap(S, E);
      }
      h = widths[k] / 2.0;
      const Contact endContact = contactTest(E, k, skeleton);
      ext = dk * (endContact.touched ? widths[endContact.touchIndex] / 2.0 : h);
      off = dk.perp() * h;
      const Vec corner = best->point - off;
      outline.emplace_back(O, corner);
      c = k;
      O = corner;
      C = E + ext - off;
      d = dk;
    }

    // Back at the first corner: the outline is closed.
    if (vfRealEq(O, first, kCloseTol)) return outline;
  }
  throw vcShapeSelectDefs::BadParams(L"Invalid stroke width: Model is degenerate.");
}
