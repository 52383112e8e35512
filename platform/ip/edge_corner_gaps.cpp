#include "platform/ip/edge_corner_gaps.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <utility>

#include "platform/base/assert.h"
#include "platform/ip/edge_angle_code.h"
#include "platform/ip/edge_links.h"
#include "platform/ip/edge_neighbours.h"
#include "platform/ip/edge_remove.h"

namespace vc_edge_detail {

namespace {

// Farthest a moved position lies from its pixel's centre: a pixel, less a margin for the
// rounding of single-precision positions.
constexpr double kMost = 0.999;

// Edgelets walked on each side of a tip.
constexpr int kWalk = kPartInner + kPartOuter;

bool adjacent(const vcEdgelet& a, const vcEdgelet& b) {
  return std::abs(int(a.get_i()) - int(b.get_i())) <= 1 &&
         std::abs(int(a.get_j()) - int(b.get_j())) <= 1;
}

// The edgelets on one side of edgelet k, nearest first, and the signed turn of the edge from
// k out to each of them (summed step by step, so that it does not wrap). A side can be walked
// further later.
struct Side {
  std::size_t at[kWalk];
  int turn[kWalk];
  int length = 0;

  Side(const EdgeLinks& links, const std::vector<vcEdgelet>& edges, std::size_t k, bool ahead,
       int steps)
      : k_(k), from_(k), next_(ahead ? links.ahead[k] : links.behind[k]) {
    extend(links, edges, steps, INT_MAX);
  }

  // Walks on up to `steps` edgelets in all; past the first kPartInner, stops after the first
  // that has turned by more than `spread` from the kPartInner-th, as far as SideLine reads.
  void extend(const EdgeLinks& links, const std::vector<vcEdgelet>& edges, int steps, int spread) {
    std::size_t from = from_, m = next_;
    int sum = length > 0 ? turn[length - 1] : 0;
    while (m != kNoLink && m != k_ && length < steps) {
      sum += signedTurn(edges[from].angle().plain(), edges[m].angle().plain());
      at[length] = m;
      turn[length++] = sum;
      const std::size_t next = links.next(edges, from, m);
      from = m;
      m = next;
      if (length > kPartInner && std::abs(sum - turn[kPartInner - 1]) > spread) break;
    }
    from_ = from;
    next_ = m;
  }

 private:
  std::size_t k_, from_, next_;  // the edgelet walked from, and where the walk goes on
};

// Whether a step among a side's first kPartInner edgelets is larger than a tracer linking
// like directions allows: that already parts the edge there.
bool jumps(const Side& side) {
  for (int s = 0; s < kPartInner; ++s)
    if (std::abs(side.turn[s] - (s > 0 ? side.turn[s - 1] : 0)) > kPartJumpCodes) return true;
  return false;
}

// Turn along the edge, in the direction of its tangent, across a run from `behind` to `ahead`
// edgelets on either side of an edgelet.
int across(const Side& behindSide, const Side& aheadSide, int steps) {
  return aheadSide.turn[steps - 1] - behindSide.turn[steps - 1];
}

// The straight line fitted by least squares to a side's turns from kPartInner edgelets out,
// up to where the side has turned by more than `inner` from there (the next corner of
// a short side): its slope, codes per edgelet, its value kPartInner edgelets out, and how many
// edgelets it was fitted to.
struct SideLine {
  double slope = 0.0, level = 0.0;
  int count = 0;
  SideLine(const Side& side, int inner) {
    const int first = side.turn[kPartInner - 1];
    int last = kPartInner;
    while (last < side.length && std::abs(side.turn[last] - first) <= inner) ++last;
    count = last - kPartInner + 1;
    double ms = 0.0, mt = 0.0;
    for (int s = kPartInner; s <= last; ++s) {
      ms += s;
      mt += side.turn[s - 1];
    }
    ms /= count;
    mt /= count;
    double sst = 0.0, sss = 0.0;
    for (int s = kPartInner; s <= last; ++s) {
      sst += (s - ms) * (side.turn[s - 1] - mt);
      sss += (s - ms) * (s - ms);
    }
    slope = count > 1 ? sst / sss : 0.0;
    level = mt + slope * (kPartInner - ms);
  }
};

// Whether the edge turns at an edgelet as at a corner (edge_corner_gaps.h), from its sides'
// lines, each fitted to at least kPartLeast edgelets.
bool cornerAt(const SideLine& b, const SideLine& a) {
  const double inner = std::abs(a.level - b.level);
  if (inner < kPartTurnCodes) return false;
  // Codes per pixel along a circle of radius r: 256 / (2 pi r). A turn that fast needs its
  // sides to turn slower in proportion only: the next corner of a narrow bar's end lies close.
  const double tightest = 2.0 * kPartInner * 128.0 / (std::numbers::pi * kPartTightestRadius);
  const double share = kPartSideShare * inner / (2.0 * kPartInner);
  const double most = inner >= tightest ? share : std::min(share, kPartFlatCodes);
  return std::abs(a.slope) <= most && std::abs(b.slope) <= most;
}

}  // namespace

void partAtCorners(EdgeletNeighbours& near, const EdgeLinks& links, std::vector<vcEdgelet>& edges,
                   std::vector<float>& positions) {
  const std::size_t n = edges.size();
  VC_ASSERT(near.size() == n && links.ahead.size() == n && links.behind.size() == n);
  if (n < 3) return;

  // Every edgelet where the edge turns as at a corner, with its turn between its two
  // neighbours. Most edgelets turn too little across the inner run to need the outer one.
  std::vector<int> tipTurn(n, -1);
  for (std::size_t k = 0; k < n; ++k) {
    // The side ahead is walked only where the side behind is long enough.
    Side behind(links, edges, k, false, kPartInner);
    if (behind.length < kPartInner) continue;
    Side ahead(links, edges, k, true, kPartInner);
    if (ahead.length < kPartInner) continue;
    const int raw = std::abs(across(behind, ahead, kPartInner));
    if (raw < kPartTurnCodes) continue;
    // A step larger than a tracer linking like directions allows already parts the edge.
    if (jumps(behind) || jumps(ahead)) continue;
    // The sides' lines, each walked only as far as its line is fitted, the side ahead only
    // where the one behind is long enough.
    behind.extend(links, edges, kWalk, raw);
    const SideLine behindLine(behind, raw);
    if (behindLine.count < kPartLeast) continue;
    ahead.extend(links, edges, kWalk, raw);
    const SideLine aheadLine(ahead, raw);
    if (aheadLine.count < kPartLeast) continue;
    if (cornerAt(behindLine, aheadLine)) tipTurn[k] = std::abs(across(behind, ahead, 1));
  }

  // Of the candidates near one corner, the tip turns most between its neighbours (the first
  // in raster order on a tie). The edge is parted there.
  std::vector<std::uint8_t> gone(n, 0);
  std::vector<std::pair<std::size_t, std::size_t>> ends;  // a tip, and a side's last edgelet
  for (std::size_t k = 0; k < n; ++k) {
    if (tipTurn[k] < 0) continue;
    const Side behind(links, edges, k, false, kWalk);
    const Side ahead(links, edges, k, true, kWalk);
    bool best = true;
    for (const Side* side : {&behind, &ahead})
      for (int s = 0; s < std::min(2, side->length) && best; ++s) {
        const std::size_t m = side->at[s];
        best = tipTurn[m] < tipTurn[k] || (tipTurn[m] == tipTurn[k] && m > k);
      }
    if (!best) continue;
    // The two sides' directions at their inner ends, from their lines, and how far an
    // edgelet's direction lies from the nearer of the two.
    const int raw = std::abs(across(behind, ahead, kPartInner));
    const int code = edges[k].angle().plain();
    const int dirB = code + int(std::lround(SideLine(behind, raw).level));
    const int dirA = code + int(std::lround(SideLine(ahead, raw).level));
    const auto between = [&](std::size_t m) {
      const int c = edges[m].angle().plain();
      return std::min(std::abs(signedTurn(dirA, c)), std::abs(signedTurn(dirB, c)));
    };
    // Each side from the tip outwards; the tip belongs to the side it points like, unless it
    // points between the two.
    std::size_t sides[2][kWalk + 1];
    int count[2] = {0, 0}, first[2] = {0, 0};
    const bool tipBetween = between(k) > kPartJumpCodes / 2;
    if (!tipBetween) {
      const bool likeA = std::abs(signedTurn(dirA, code)) < std::abs(signedTurn(dirB, code));
      sides[likeA ? 1 : 0][count[likeA ? 1 : 0]++] = k;
    }
    for (int s = 0; s < behind.length; ++s) sides[0][count[0]++] = behind.at[s];
    for (int s = 0; s < ahead.length; ++s) sides[1][count[1]++] = ahead.at[s];
    // The edgelets of the rounding that point between the two sides go, then the nearest ones
    // left for as long as they still link (8-neighbours of like direction), the one further
    // from its side's direction first.
    bool parted = tipBetween;
    if (tipBetween) gone[k] = 1;
    for (int t = 0; t < 2; ++t)
      while (first[t] < std::min(kPartInner, count[t] - 1) &&
             between(sides[t][first[t]]) > kPartJumpCodes / 2) {
        gone[sides[t][first[t]++]] = 1;
        parted = true;
      }
    const auto link = [&] {
      const vcEdgelet &p = edges[sides[0][first[0]]], &q = edges[sides[1][first[1]]];
      return adjacent(p, q) &&
             std::abs(signedTurn(p.angle().plain(), q.angle().plain())) <= kPartJumpCodes;
    };
    while (first[0] < count[0] - 1 && first[1] < count[1] - 1 && link()) {
      const int t = between(sides[0][first[0]]) >= between(sides[1][first[1]]) ? 0 : 1;
      gone[sides[t][first[t]++]] = 1;
      parted = true;
    }
    if (!parted) continue;
    // Any other edgelet next to the tip that touches both sides goes too.
    near.forEachByRows(k, [&](std::size_t m, int) {
      if (gone[m]) return;
      const auto touches = [&](int t) {
        for (int s = first[t]; s < std::min(first[t] + 2, count[t]); ++s)
          if (adjacent(edges[sides[t][s]], edges[m])) return true;
        return false;
      };
      const auto onSide = [&](int t) {
        for (int s = 0; s < count[t]; ++s)
          if (sides[t][s] == m) return true;
        return false;
      };
      if (!onSide(0) && !onSide(1) && touches(0) && touches(1)) gone[m] = 1;
    });
    for (int t = 0; t < 2; ++t)
      if (sides[t][first[t]] != k) ends.push_back({k, sides[t][first[t]]});
  }

  // The last edgelet left on each side moves along its edge's tangent to level with where the
  // tip was, as far as its pixel allows (within a pixel of its centre), so that a line fitted
  // along the side still reaches the corner. Moves are made from the positions as detected.
  const bool aside = !positions.empty();
  const auto px = [&](std::size_t k) { return aside ? positions[2 * k] : edges[k].posQuickX(); };
  const auto py = [&](std::size_t k) {
    return aside ? positions[2 * k + 1] : edges[k].posQuickY();
  };
  std::vector<float> moved(2 * ends.size());
  for (std::size_t e = 0; e < ends.size(); ++e) {
    const auto [tip, m] = ends[e];
    const double t = (edges[m].angle().plain() + 64) * (std::numbers::pi / 128.0);
    const double tx = std::cos(t), ty = std::sin(t);
    const double along = (px(tip) - px(m)) * tx + (py(tip) - py(m)) * ty;
    // The largest share of the move that keeps the position within kMost of the pixel centre:
    // the root of |q + s v|^2 = kMost^2 with q the offset from the centre and v the move.
    const double qx = px(m) - (edges[m].get_i() + 0.5), qy = py(m) - (edges[m].get_j() + 0.5);
    const double vx = along * tx, vy = along * ty;
    const double vv = vx * vx + vy * vy, qv = qx * vx + qy * vy;
    const double qq = qx * qx + qy * qy - kMost * kMost;
    double share = 0.0;
    if (vv > 0.0 && qq < 0.0) share = std::min(1.0, (-qv + std::sqrt(qv * qv - vv * qq)) / vv);
    moved[2 * e] = float(px(m) + share * vx);
    moved[2 * e + 1] = float(py(m) + share * vy);
  }
  for (std::size_t e = 0; e < ends.size(); ++e) {
    const std::size_t m = ends[e].second;
    if (gone[m]) continue;
    if (aside) {
      positions[2 * m] = moved[2 * e];
      positions[2 * m + 1] = moved[2 * e + 1];
    } else {
      const vcEdgelet& old = edges[m];
      edges[m] = vcEdgelet(old.get_i(), old.get_j(), old.magnitude(), old.angle(), moved[2 * e],
                           moved[2 * e + 1]);
    }
  }

  near.remove(gone);
  removeMarkedEdgelets(gone, edges, positions);
}

}  // namespace vc_edge_detail
