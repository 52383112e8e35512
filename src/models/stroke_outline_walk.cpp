#include "stroke_outline_walk.h"

#include <limits>
#include <utility>

#include "platform/base/real_eq.h"
#include "stroke_geometry.h"

namespace {

// The walk is back at its first corner within this distance.
constexpr double kClosed = 1e-8;

using Vec = vcVector<2>;
using Skeleton = vcSegmentCorresponderSkeletonModel;

}  // namespace

std::optional<std::vector<std::vector<vsOutlinePiece>>> vfWalkStrokeOutline(
    const std::vector<vcModelSegment>& skeleton, const std::vector<double>& widths,
    std::size_t start, bool fromP2, vcSegmentDefs::veSegmentPolarity polarity) {
  const std::size_t n = skeleton.size();
  std::vector<std::vector<vsOutlinePiece>> perStroke(n);
  const auto emit = [&](std::size_t s, const Vec& from, const Vec& to, Skeleton::veBoundarySegmentType type,
                        const Vec& point) {
    perStroke[s].push_back(
        {vcModelSegment(vcLineSeg(from, to), skeleton[s].weight(), polarity), type, point});
  };
  // The extension beyond end point p of stroke s: half the width of the stroke whose end it
  // touches, else `own`.
  const auto extension = [&](const Vec& p, std::size_t s, double own) {
    const vsEndContact contact = vfClassifyEnd(p, s, skeleton);
    return contact.touch ? widths[contact.other] / 2.0 : own;
  };

  // First corner: behind the start end A, on the side opposite the normal. The first target
  // uses A's extension for B as well.
  std::size_t c = start;
  Vec A = fromP2 ? skeleton[c].segment().p2() : skeleton[c].segment().p1();
  Vec B = fromP2 ? skeleton[c].segment().p1() : skeleton[c].segment().p2();
  Vec d = (B - A).unit();
  Vec nrm = d.perp();
  double h = widths[c] / 2.0;
  Vec along = d * extension(A, c, h);
  Vec side = nrm * h;
  const Vec P0 = A - along - side;
  Vec P = P0;
  Vec T = B + along - side;
  Vec W = d;

  const std::size_t limit = 2 * n * n + 4 * n + 1;
  for (std::size_t iter = 0; iter < limit; ++iter) {
    // The nearest other centre-line crossed ahead; equal distances keep the lower index.
    Vec Xb = T;
    double tb = std::numeric_limits<double>::infinity();
    std::size_t k = c;
    for (std::size_t j = 0; j < n; ++j) {
      if (j == c) continue;
      const std::optional<vsRayHit> hit = vfRayHit(P, W, skeleton[j].segment());
      if (hit && hit->t < tb) {
        Xb = hit->point;
        tb = hit->t;
        k = j;
      }
    }

    if (k == c) {
      // Nothing crossed: run to the far corner, cap the end and turn back along the other side.
      emit(c, P, Xb, Skeleton::eStrokeSide, B);
      if (vfRealEq(Xb, P0, kClosed)) return perStroke;
      const Vec Q = B + along + side;
      emit(c, Xb, Q, Skeleton::eStrokeEnd, B);
      d = -d;
      nrm = -nrm;
      along = -along;
      side = -side;
      P = Q;
      std::swap(A, B);
      const vsEndContact endContact = vfClassifyEnd(B, c, skeleton);
      if (endContact.touch) along = d * (widths[endContact.other] / 2.0);
      T = B + along - side;
      W = d;
    } else {
      // Crossed stroke k: turn onto it, heading away from the stroke being left.
      Vec A2 = skeleton[k].segment().p1();
      Vec B2 = skeleton[k].segment().p2();
      d = (B2 - A2).unit();
      if (vfRayHit(Xb, d, skeleton[c].segment())) {
        d = -d;
        std::swap(A2, B2);
      }
      nrm = d.perp();
      h = widths[k] / 2.0;
      along = d * extension(B2, k, h);
      side = nrm * h;
      Xb = Xb - side;
      emit(c, P, Xb, Skeleton::eStrokeSide, B2);
      c = k;
      A = A2;
      B = B2;
      P = Xb;
      T = B2 + along - side;
      W = d;
    }
    if (vfRealEq(P, P0, kClosed)) return perStroke;
  }
  return std::nullopt;
}
