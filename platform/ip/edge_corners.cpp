#include "platform/ip/edge_corners.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>

#include "platform/base/assert.h"
#include "platform/ip/edge_angle_code.h"

namespace vc_edge_detail {

namespace {

// The tangent of every gradient code (the gradient turned by +90 degrees), filled once at
// load.
struct TangentTable {
  float x[256];
  float y[256];
  TangentTable() {
    for (int a = 0; a < 256; ++a) {
      const double t = (a + 64) * (2.0 * std::numbers::pi / 256.0);
      x[a] = float(std::cos(t));
      y[a] = float(std::sin(t));
    }
  }
};
const TangentTable kTangent;

// Which way along the tangent of every code each neighbour slot lies (edge_neighbours.h): 1
// ahead, -1 behind, 0 across (neither), filled once at load.
struct WayTable {
  std::int8_t of[256][9];
  WayTable() {
    for (int a = 0; a < 256; ++a)
      for (int slot = 0; slot < 9; ++slot) {
        const float along = float(EdgeletNeighbours::slotX(slot)) * kTangent.x[a] +
                            float(EdgeletNeighbours::slotY(slot)) * kTangent.y[a];
        of[a][slot] = std::int8_t(along > 0.0f ? 1 : along < 0.0f ? -1 : 0);
      }
  }
};
const WayTable kWay;

// Farthest a tip's new position lies from its pixel's centre: a pixel, less a margin for the
// rounding of single-precision positions.
constexpr float kMost = 0.999f;

// The least turns towards the neighbours ahead of an edgelet and behind it along its edge,
// and those neighbours; a side without a neighbour keeps the sentinel.
struct Turns {
  static constexpr int kNone = 1000;
  int ahead = kNone, behind = kNone;
  std::size_t aheadAt = 0, behindAt = 0;

  void add(const vcEdgelet& e, const vcEdgelet& m, std::size_t at, int slot) {
    const int a = e.angle().plain(), b = m.angle().plain();
    const int turn = signedTurn(a, b);
    if (std::abs(turn) > 64) return;  // another edge
    const int way = kWay.of[a][slot];
    if (way == 0) return;
    // Behind the edgelet the turn runs from the neighbour to it.
    const bool isAhead = way > 0;
    int& side = isAhead ? ahead : behind;
    const int signedWay = isAhead ? turn : -turn;
    if (std::abs(signedWay) < std::abs(side)) {
      side = signedWay;
      (isAhead ? aheadAt : behindAt) = at;
    }
  }

  bool tip() const {
    // The end of a run, whose other side lies beyond its 8 neighbours.
    if ((ahead == kNone) != (behind == kNone))
      return std::abs(ahead == kNone ? behind : ahead) >= kTipTurnCodes;
    if (ahead == kNone || behind == kNone) return false;
    if ((ahead > 0) != (behind > 0)) return false;
    const int a = std::abs(ahead), b = std::abs(behind);
    return a >= kTipTurnCodes && b >= kTipTurnCodes && a + b >= kCornerTurnCodes;
  }

  // The neighbour the tip turns least towards (ahead on a tie), the other neighbour (or
  // `none` at the end of a run), and the turn across both.
  std::size_t straighter() const {
    return std::abs(ahead) <= std::abs(behind) ? aheadAt : behindAt;
  }
  std::size_t other(std::size_t none) const {
    if (ahead == kNone || behind == kNone) return none;
    return std::abs(ahead) <= std::abs(behind) ? behindAt : aheadAt;
  }
  int turn() const {
    return (ahead == kNone ? 0 : std::abs(ahead)) + (behind == kNone ? 0 : std::abs(behind));
  }
};

}  // namespace

void commitCornerTips(const EdgeletNeighbours& near, std::vector<vcEdgelet>& edges,
                      std::vector<float>& positions) {
  const std::size_t n = edges.size();
  if (n < 3) return;
  VC_ASSERT(near.size() == n);

  // The turns of edgelet k towards the edgelets of its 8 neighbouring pixels, in raster order
  // of the pixels; for the few edgelets along the sides of tips.
  const auto turnsOf = [&](std::size_t k) {
    Turns turns;
    near.forEachByRows(k, [&](std::size_t m, int slot) { turns.add(edges[k], edges[m], m, slot); });
    return turns;
  };

  // Every edgelet with the edgelets of its 8 neighbouring pixels, those of its own row first.
  // Most edgelets have a neighbour of their edge that turns less than a tip's least turn and
  // are passed over at once. Tips are gathered first.
  struct Tip {
    std::size_t k, m, o;  // the tip, its neighbour turning least and the other one (or n)
    int turn;             // the turn across its two neighbours
  };
  std::vector<Tip> tips;
  for (std::size_t k = 0; k < n; ++k) {
    const vcEdgelet& e = edges[k];
    const int a = e.angle().plain();
    if (near.any(k, [&](std::size_t m) {
          return std::abs(signedTurn(a, edges[m].angle().plain())) < kTipTurnCodes;
        }))
      continue;
    Turns turns;
    near.forEachRowFirst(k, [&](std::size_t m, int slot) { turns.add(e, edges[m], m, slot); });
    if (turns.tip()) tips.push_back({k, turns.straighter(), turns.other(n), turns.turn()});
  }

  // Each tip takes its neighbour's direction, and its position moves onto the side's edge
  // line, level with where it was along the edge: the tip's own position is that of the
  // rounded corner, on neither side. The changes are applied once all are known, so that each
  // is made from the edgelets as detected.
  const bool aside = !positions.empty();
  const auto px = [&](std::size_t k) { return aside ? positions[2 * k] : edges[k].posQuickX(); };
  const auto py = [&](std::size_t k) {
    return aside ? positions[2 * k + 1] : edges[k].posQuickY();
  };
  struct Change {
    std::size_t k;
    vcAngle8 code;
    float x, y;
  };
  std::vector<Change> changes;
  changes.reserve(tips.size());
  // The edgelet kSideSteps on along a side from its first edgelet `at` away from the tip k,
  // past the rounding of the corner; the last one found on a shorter side.
  const auto sideEdgelet = [&](std::size_t k, std::size_t at) {
    std::size_t from = k;
    for (int s = 0; s < kSideSteps; ++s) {
      const Turns turns = turnsOf(at);
      const std::size_t b = turns.behind == Turns::kNone ? n : turns.behindAt;
      const std::size_t a = turns.ahead == Turns::kNone ? n : turns.aheadAt;
      const std::size_t next = b == from ? a : a == from ? b : n;
      if (next >= n || next == k) break;
      from = at;
      at = next;
    }
    return at;
  };
  for (const auto& [k, m, o, turn] : tips) {
    const vcAngle8 code = edges[m].angle();
    // A corner turns at its tip more than along its sides, where a small curve turns all
    // along; and its sides point apart by at least as much, where noise on a straight edge
    // turns it back.
    const std::size_t at = sideEdgelet(k, m);
    const vcAngle8 lineCode = edges[at].angle();
    if (std::abs(signedTurn(code.plain(), lineCode.plain())) >= turn ||
        (o < n &&
         std::abs(signedTurn(edges[sideEdgelet(k, o)].angle().plain(), lineCode.plain())) < turn))
      continue;
    const float tx = kTangent.x[lineCode.plain()], ty = kTangent.y[lineCode.plain()];
    const float along = (px(k) - px(at)) * tx + (py(k) - py(at)) * ty;
    // A side line farther than kFarthestSide from the tip's pixel centre is not the corner's
    // (noise turned the side, or the walk went round another corner); and every position
    // stays within a pixel of its pixel's centre, so a tip moves at most that far towards it.
    const float cx = float(edges[k].get_i()) + 0.5f, cy = float(edges[k].get_j()) + 0.5f;
    const float x = px(at) + along * tx - cx, y = py(at) + along * ty - cy;
    const float d2 = x * x + y * y;
    if (d2 > kFarthestSide * kFarthestSide) continue;
    const float reach = d2 > kMost * kMost ? kMost / std::sqrt(d2) : 1.0f;
    changes.push_back({k, code, cx + x * reach, cy + y * reach});
  }
  for (const Change& c : changes) {
    const vcEdgelet& e = edges[c.k];
    // While positions are held aside, an edgelet sits at its pixel's centre.
    const float x = aside ? e.posQuickX() : c.x, y = aside ? e.posQuickY() : c.y;
    edges[c.k] = vcEdgelet(e.get_i(), e.get_j(), e.magnitude(), c.code, x, y);
    if (aside) {
      positions[2 * c.k] = c.x;
      positions[2 * c.k + 1] = c.y;
    }
  }
}

}  // namespace vc_edge_detail
