#include "platform/ip/edge_rising_starts.h"

#include "platform/ip/edge_angle_code.h"

#include <cstdint>
#include <cstdlib>
#include <utility>

namespace vc_edge_detail {

namespace {

// The directions nearest the shallow rising ones whose tangents run along the rising diagonal:
// the tracers' tangent direction of a code a is ((a + 80) / 32) mod 8, which is the diagonal
// -x+y (3) or +x-y (7) up to codes 47 and 175, and the x axis (4 or 0) from 48 and 176 on.
constexpr int kDiagonalBelow = 47;
constexpr int kDiagonalAbove = 175;
// Largest turn a first edgelet takes: from a horizontal edge's direction (64 or 192) to the
// diagonal's, 24 degrees.
constexpr int kLargestTurn = 17;

// Neighbour slots (edge_neighbours.h).
constexpr int kAboveLeft = 0, kAbove = 1, kAboveRight = 2, kLeft = 3, kRight = 5, kBelowLeft = 6,
              kBelow = 7, kBelowRight = 8;

int codeDifference(int a, int b) { return std::abs(signedTurn(a, b)); }

class RisingStarts {
 public:
  RisingStarts(const EdgeletNeighbours& near, const std::vector<vcEdgelet>& edges)
      : near_(near), edges_(edges) {}

  // The diagonal code edgelet k takes, or -1 when it keeps its own.
  int turnedCode(std::size_t k) const {
    const int a = code(k);
    const int diagonal = a < 128 ? kDiagonalBelow : kDiagonalAbove;
    const int turn = a - diagonal;
    if (turn < 1 || turn > kLargestTurn) return -1;
    // The first edgelet of its edge in raster order, with the edge going on down-left.
    for (int slot : {kAboveLeft, kAbove, kAboveRight, kLeft})
      if (sameEdge(k, slot) != none()) return -1;
    if (!descendsLeft(k)) return -1;
    // An arc's top: the edge goes on down the right past the end of the top row, or, where
    // the arc is hidden there, its left side curves.
    std::size_t end = k;
    for (std::size_t next = sameEdge(end, kRight); next != none(); next = sameEdge(end, kRight))
      end = next;
    if (!descendsRight(end) && !curvesLeft(k)) return -1;
    return diagonal;
  }

 private:
  std::size_t none() const { return edges_.size(); }
  int code(std::size_t k) const { return edges_[k].angle().plain(); }

  // The neighbour of edgelet k in `slot` when it holds one of the same edge, else none().
  std::size_t sameEdge(std::size_t k, int slot) const {
    if (!near_.occupied(k, slot)) return none();
    std::size_t found = none();
    near_.forEachByRows(k, [&](std::size_t m, int s) {
      if (s == slot && codeDifference(code(k), code(m)) <= kRisingSameEdgeCodes) found = m;
    });
    return found;
  }

  // True when the edge goes on from edgelet k to the left and down-left, over kRisingRowsLeft
  // rows within kRisingWalk edgelets.
  bool descendsLeft(std::size_t k) const {
    std::size_t at = sameEdge(k, kBelowLeft);
    long rows = 2;
    for (long step = 1; at != none() && rows < kRisingRowsLeft && step < kRisingWalk; ++step) {
      const std::size_t left = sameEdge(at, kLeft);
      if (left != none()) {
        at = left;
        continue;
      }
      at = sameEdge(at, kBelowLeft);
      ++rows;
    }
    return at != none() && rows >= kRisingRowsLeft;
  }

  // True when the edge goes on from edgelet k, the right end of a top row, to the right and
  // downwards over kRisingRowsRight rows below it within kRisingWalk edgelets, turning by at
  // most kArcStepCodes from one edgelet to the next.
  bool descendsRight(std::size_t k) const {
    std::size_t at = k;
    long rows = 0;
    for (long step = 0; step < kRisingWalk && rows < kRisingRowsRight; ++step) {
      std::size_t next = step > 0 ? sameEdge(at, kRight) : none();
      for (int slot : {kBelowRight, kBelow}) {
        if (next != none()) break;
        next = sameEdge(at, slot);
        rows += next != none() ? 1 : 0;
      }
      if (next == none() || codeDifference(code(at), code(next)) > kArcStepCodes) return false;
      at = next;
    }
    return rows >= kRisingRowsRight;
  }

  // True when the edge goes on from edgelet k to the left and downwards for kCurveWalk
  // edgelets, turning by at most kArcStepCodes from one to the next, and its direction falls
  // (turns towards the side's) by kCurveCodes or more from the kCurveFrom-th edgelet to the
  // last, by at least a third of that over each half of the way.
  bool curvesLeft(std::size_t k) const {
    constexpr long kMiddle = (kCurveFrom + kCurveWalk) / 2;
    constexpr int kSteady = kCurveCodes / 3;
    std::size_t at = k;
    int from = 0, middle = 0;
    for (long step = 1; step <= kCurveWalk; ++step) {
      std::size_t next = none();
      for (int slot : {kLeft, kBelowLeft, kBelow}) {
        if (next != none()) break;
        next = sameEdge(at, slot);
      }
      if (next == none() || codeDifference(code(at), code(next)) > kArcStepCodes) return false;
      at = next;
      if (step == kCurveFrom) from = code(at);
      if (step == kMiddle) {
        middle = code(at);
        if (signedTurn(middle, from) < kSteady) return false;  // most straight sides end here
      }
    }
    return signedTurn(code(at), from) >= kCurveCodes && signedTurn(code(at), middle) >= kSteady;
  }

  const EdgeletNeighbours& near_;
  const std::vector<vcEdgelet>& edges_;
};

}  // namespace

void turnRisingStarts(const EdgeletNeighbours& near, std::vector<vcEdgelet>& edges) {
  // Every edgelet is judged on the directions as they were, then the turned ones change.
  std::vector<std::pair<std::size_t, int>> turned;
  {
    const RisingStarts starts(near, edges);
    for (std::size_t k = 0; k < edges.size(); ++k)
      if (const int diagonal = starts.turnedCode(k); diagonal >= 0)
        turned.emplace_back(k, diagonal);
  }
  for (const auto& [k, diagonal] : turned) {
    const vcEdgelet& e = edges[k];
    edges[k] = vcEdgelet(e.get_i(), e.get_j(), e.magnitude(), vcAngle8(std::uint8_t(diagonal)),
                         e.posQuickX(), e.posQuickY());
  }
}

}  // namespace vc_edge_detail
