#include "stroke_outline_walk.h"

#include <limits>
#include <utility>

#include "platform/base/assert.h"
#include "platform/base/real_eq.h"
#include "stroke_geometry.h"

namespace {

// The walk is back at its first corner within this distance.
constexpr double kClosed = 1e-8;

using Vec = vcVector<2>;
using Skeleton = vcSegmentCorresponderSkeletonModel;

// The walk that starts at `start`; nothing when it does not close within 2n^2 + 4n + 1 steps.
std::optional<std::vector<vsOutlinePiece>> walkFrom(const std::vector<vcLineSeg>& skeleton,
                                                    const std::vector<double>& widths,
                                                    const vsStrokeEnd& start,
                                                    const vsStrokeWalkRules& rules) {
  const std::size_t n = skeleton.size();
  std::vector<vsOutlinePiece> pieces;
  const auto emit = [&](std::size_t s, const Vec& from, const Vec& to,
                        Skeleton::veBoundarySegmentType type, const Vec& point) {
    pieces.push_back({vcLineSeg(from, to), type, s, point});
  };
  // The extension beyond end point p of stroke s: half the width of the stroke whose end it
  // touches, else `own`.
  const auto extension = [&](const Vec& p, std::size_t s, double own) {
    const vsEndContact contact = vfClassifyEnd(p, s, skeleton);
    return contact.touch ? widths[contact.other] / 2.0 : own;
  };

  // First corner: behind the start end A, on the side opposite the normal. The first target
  // uses A's extension for B as well.
  std::size_t c = start.stroke;
  Vec A = start.atP2 ? skeleton[c].p2() : skeleton[c].p1();
  Vec B = start.atP2 ? skeleton[c].p1() : skeleton[c].p2();
  Vec d = (B - A).unit();
  double h = widths[c] / 2.0;
  Vec along = d * extension(A, c, h);
  Vec side = d.perp() * h;
  const Vec P0 = A - along - side;
  Vec P = P0;
  Vec T = B + along - side;

  const std::size_t limit = 2 * n * n + 4 * n + 1;
  for (std::size_t iter = 0; iter < limit; ++iter) {
    // The nearest other centre-line crossed ahead; equal distances keep the lower index.
    Vec Xb = T;
    double tb = std::numeric_limits<double>::infinity();
    std::size_t k = c;
    for (std::size_t j = 0; j < n; ++j) {
      if (j == c) continue;
      const std::optional<vsRayHit> hit = vfRayHit(P, d, skeleton[j], rules.behindTolerance);
      if (hit && hit->t < tb) {
        Xb = hit->point;
        tb = hit->t;
        k = j;
      }
    }

    if (k == c) {
      // Nothing crossed: run to the far corner, cap the end and turn back along the other side.
      emit(c, P, Xb, Skeleton::eStrokeSide, B);
      if (vfRealEq(Xb, P0, kClosed)) return pieces;
      const Vec Q = B + along + side;
      emit(c, Xb, Q, Skeleton::eStrokeEnd, B);
      d = -d;
      along = -along;
      side = -side;
      P = Q;
      std::swap(A, B);
      // The new far end keeps the extension of the end just capped unless it meets a stroke.
      const vsEndContact endContact = vfClassifyEnd(B, c, skeleton);
      if (endContact.touch) along = d * (widths[endContact.other] / 2.0);
      T = B + along - side;
    } else {
      // Crossed stroke k: turn onto it, heading away from the stroke being left.
      Vec A2 = skeleton[k].p1();
      Vec B2 = skeleton[k].p2();
      Vec dk = (B2 - A2).unit();
      const std::optional<vsRayHit> towards =
          rules.awayFromLine ? vfLineAhead(Xb, dk, skeleton[c], rules.behindTolerance)
                             : vfRayHit(Xb, dk, skeleton[c], rules.behindTolerance);
      if (towards) {
        dk = -dk;
        std::swap(A2, B2);
      }
      h = widths[k] / 2.0;
      along = dk * extension(B2, k, h);
      side = dk.perp() * h;
      // The corner lies on the crossed stroke's offset line, opposite the centre-line hit.
      const Vec corner = Xb - side;
      emit(c, P, corner, Skeleton::eStrokeSide, B2);
      c = k;
      A = A2;
      B = B2;
      P = corner;
      T = B2 + along - side;
      d = dk;
    }
    if (vfRealEq(P, P0, kClosed)) return pieces;
  }
  return std::nullopt;
}

}  // namespace

std::optional<vsStrokeEnd> vfStrokeWalkStart(const std::vector<vcLineSeg>& centreLines) {
  for (std::size_t i = 0; i < centreLines.size(); ++i)
    for (const bool atP2 : {false, true}) {
      const vcLineSeg& s = centreLines[i];
      if (vfClassifyEnd(atP2 ? s.p2() : s.p1(), i, centreLines).free) return vsStrokeEnd{i, atP2};
    }
  return std::nullopt;
}

std::optional<std::vector<vsOutlinePiece>> vfWalkStrokeOutline(
    const std::vector<vcLineSeg>& centreLines, const std::vector<double>& widths,
    const vsStrokeEnd& start, const vsStrokeWalkRules& rules) {
  VC_ASSERT(widths.size() == centreLines.size());
  return walkFrom(centreLines, widths, start, rules);
}
