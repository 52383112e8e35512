#include "edges/circle_pieces.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "edges/chain_codes.h"

namespace vc_circle_detail {

namespace {

constexpr long kWindow = 4;           // edgelets averaged on each side of a position
constexpr double kCornerNoise = 5.0;  // a corner stands this many noise deviations out
constexpr double kMinCorner = 10.0;   // and turns at least this far (codes, 14 degrees)
constexpr double kBendNoise = 2.5;    // a bend edgelet leaves its edge's trend this far
constexpr double kMinBend = 4.0;      // and at least this far (codes)
constexpr long kMaxBend = 3;          // bend edgelets on each side of a corner
constexpr long kMinChain = 6;         // shorter chains are never cut

// Joining: the widest gap bridged and the furthest either end may lie off the other's edge
// line (pixels), and the largest difference of the end gradients (codes, 22.5 degrees).
constexpr double kJoinGap = 5.0;
constexpr double kJoinOffset = 1.5;
constexpr int kJoinCodes = 16;
// Edgelets back from an end to the one that tells which way the run leaves it.
constexpr long kJoinBack = 2;

}  // namespace

double CornerCutter::strength_(long n, long b) const {
  // Mean code after b less mean code before b, less the chain's own turn between the two
  // window centres; its noise shrinks with the window sizes.
  const long wb = std::min(kWindow, b), wa = std::min(kWindow, n - b);
  const double step = mean_(b, wa) - mean_(b - wb, wb) - rate_ * double(wa + wb) / 2.0;
  const double thresh =
      std::max(kCornerNoise * noise_ * std::sqrt(1.0 / double(wa) + 1.0 / double(wb)), kMinCorner);
  return std::abs(step) / thresh;
}

bool CornerCutter::offTrend_(long j, long a, long w) const {
  // The window's mean code carried to j at the chain's turn rate.
  const double predicted = mean_(a, w) + rate_ * (double(j) - double(a) - double(w - 1) / 2.0);
  const double code = sum_[std::size_t(j) + 1] - sum_[std::size_t(j)];
  return std::abs(code - predicted) >
         std::max(kBendNoise * noise_ * std::sqrt(1.0 + 1.0 / double(w)), kMinBend);
}

void CornerCutter::cut(const std::vector<vcEdgelet>& edges, const long* idx, long n,
                       std::vector<ChainPiece>& pieces) {
  pieces.clear();
  if (n < kMinChain) {
    pieces.push_back({n, false});
    return;
  }

  // Unwrapped codes as prefix sums, and the mean turn per edgelet.
  sum_.resize(std::size_t(n) + 1);
  scratch_.resize(std::size_t(n) - 1);
  sum_[0] = 0.0;
  std::uint8_t prev = edges[std::size_t(idx[0])].angle().plain();
  double code = prev;
  for (long i = 0; i < n; ++i) {
    const std::uint8_t a = edges[std::size_t(idx[i])].angle().plain();
    if (i > 0) {
      const int turn = vc_tracker_detail::codeSignedDiff(a, prev);
      code += turn;
      scratch_[std::size_t(i - 1)] = double(turn);
    }
    prev = a;
    sum_[std::size_t(i) + 1] = sum_[std::size_t(i)] + code;
  }
  rate_ = (code - double(edges[std::size_t(idx[0])].angle().plain())) / double(n - 1);

  // Code noise of one edgelet from the median deviation of the step turns: a step turn
  // carries the noise of two edgelets, and its median absolute value is 0.95 deviations of
  // one edgelet for normal noise. The median ignores the few steps of a corner.
  for (double& t : scratch_) t = std::abs(t - rate_);
  const auto mid = scratch_.begin() + std::ptrdiff_t(scratch_.size() / 2);
  std::nth_element(scratch_.begin(), mid, scratch_.end());
  noise_ = *mid / 0.95;

  // Corners: positions stronger than 1 and than every position within a window of them (the
  // first of equals).
  for (long b = 1; b < n; ++b) scratch_[std::size_t(b - 1)] = strength_(n, b);
  long start = 0;  // where the current piece begins
  for (long b = 1; b < n; ++b) {
    const double s = scratch_[std::size_t(b - 1)];
    if (!(s > 1.0)) continue;
    bool peak = true;
    for (long o = std::max(1L, b - kWindow); o <= std::min(n - 1, b + kWindow) && peak; ++o)
      peak =
          o == b || (o < b ? scratch_[std::size_t(o - 1)] < s : scratch_[std::size_t(o - 1)] <= s);
    if (!peak || b <= start) continue;

    // The bend: edgelets next to the corner that leave the trend of the edge on their side.
    long lo = b, hi = b;
    while (b - lo < kMaxBend && lo - 1 > start) {
      const long w = std::min(kWindow, lo - 1 - start);
      if (!offTrend_(lo - 1, lo - 1 - w, w)) break;
      --lo;
    }
    while (hi - b < kMaxBend && hi + 1 < n) {
      const long w = std::min(kWindow, n - hi - 1);
      if (!offTrend_(hi, hi + 1, w)) break;
      ++hi;
    }
    if (lo > start) pieces.push_back({lo, false});
    if (hi > lo) pieces.push_back({hi, true});
    start = hi;
  }
  if (start < n) pieces.push_back({n, false});
}

void PieceLinker::link(const std::vector<vcEdgelet>& edges, const std::vector<PieceRun>& runs,
                       std::vector<LinkStep>& steps, std::vector<long>& stringEnds) {
  steps.clear();
  stringEnds.clear();
  const long numRuns = long(runs.size());
  ends_.assign(std::size_t(2 * numRuns), End());
  listed_.clear();

  // Ends: position, gradient, and the tangent that points out of the run.
  for (long r = 0; r < numRuns; ++r) {
    const PieceRun& run = runs[std::size_t(r)];
    if (!run.joinable) continue;
    for (long side = 0; side < 2; ++side) {
      const long at = side == 0 ? 0 : run.count - 1;
      const long in =
          side == 0 ? std::min(kJoinBack, run.count - 1) : std::max(0L, run.count - 1 - kJoinBack);
      const vcEdgelet& e = edges[std::size_t(run.idx[at])];
      const vcEdgelet& f = edges[std::size_t(run.idx[in])];
      End& end = ends_[std::size_t(2 * r + side)];
      end.x = double(e.posQuickX());
      end.y = double(e.posQuickY());
      end.code = e.angle().plain();
      end.gx = kCodeVectors.dx[end.code];
      end.gy = kCodeVectors.dy[end.code];
      const double outward =
          (end.x - double(f.posQuickX())) * -end.gy + (end.y - double(f.posQuickY())) * end.gx;
      end.tx = outward >= 0.0 ? -end.gy : end.gy;
      end.ty = outward >= 0.0 ? end.gx : -end.gx;
      listed_.push_back(2 * r + side);
    }
  }
  if (listed_.empty()) return;

  // A grid of cells at least the widest gap across, ends sorted into it by counting, so that
  // every end within reach of another lies in the 3 x 3 cells around it. The cells grow when
  // the ends are sparse, keeping the grid no larger than a few cells per end.
  double x0 = ends_[std::size_t(listed_[0])].x, y0 = ends_[std::size_t(listed_[0])].y;
  double x1 = x0, y1 = y0;
  for (const long e : listed_) {
    x0 = std::min(x0, ends_[std::size_t(e)].x);
    x1 = std::max(x1, ends_[std::size_t(e)].x);
    y0 = std::min(y0, ends_[std::size_t(e)].y);
    y1 = std::max(y1, ends_[std::size_t(e)].y);
  }
  double cell = kJoinGap;
  long gw = 0, gh = 0;
  for (;;) {
    gw = long((x1 - x0) / cell) + 1;
    gh = long((y1 - y0) / cell) + 1;
    if (double(gw) * double(gh) <= 4.0 * double(listed_.size()) + 64.0) break;
    cell *= 2.0;
  }
  const auto cellOf = [&](const End& e) {
    return std::pair(long((e.x - x0) / cell), long((e.y - y0) / cell));
  };
  cellStart_.assign(std::size_t(gw * gh + 1), 0);
  for (const long e : listed_) {
    const auto [cx, cy] = cellOf(ends_[std::size_t(e)]);
    ++cellStart_[std::size_t(cy * gw + cx) + 1];
  }
  for (std::size_t k = 1; k < cellStart_.size(); ++k) cellStart_[k] += cellStart_[k - 1];
  sorted_.resize(listed_.size());
  fill_.assign(cellStart_.begin(), cellStart_.end() - 1);
  for (const long e : listed_) {
    const auto [cx, cy] = cellOf(ends_[std::size_t(e)]);
    sorted_[std::size_t(fill_[std::size_t(cy * gw + cx)]++)] = e;
  }

  // Candidate pairs from the neighbouring cells.
  pairs_.clear();
  for (const long a : listed_) {
    const End& ea = ends_[std::size_t(a)];
    const auto [cx, cy] = cellOf(ea);
    for (long y = std::max(0L, cy - 1); y <= std::min(gh - 1, cy + 1); ++y)
      for (long x = std::max(0L, cx - 1); x <= std::min(gw - 1, cx + 1); ++x) {
        const std::size_t c = std::size_t(y * gw + x);
        for (long k = cellStart_[c]; k < cellStart_[c + 1]; ++k) {
          const long b = sorted_[std::size_t(k)];
          if (b <= a || runs[std::size_t(b / 2)].chain == runs[std::size_t(a / 2)].chain) continue;
          const End& eb = ends_[std::size_t(b)];
          const double gx = eb.x - ea.x, gy = eb.y - ea.y;
          const double gapSqr = gx * gx + gy * gy;
          if (!(gapSqr <= kJoinGap * kJoinGap)) continue;
          if (vc_tracker_detail::codeAbsDiff(ea.code, eb.code) > kJoinCodes ||
              !(ea.tx * eb.tx + ea.ty * eb.ty < 0.0))
            continue;
          // Each end ahead of the other, and both off the other's edge line by little.
          if (gx * ea.tx + gy * ea.ty < -1.0 || -(gx * eb.tx + gy * eb.ty) < -1.0) continue;
          if (std::abs(gx * ea.gx + gy * ea.gy) > kJoinOffset ||
              std::abs(gx * eb.gx + gy * eb.gy) > kJoinOffset)
            continue;
          pairs_.push_back({std::sqrt(gapSqr), a, b});
        }
      }
  }

  // Closest pairs first, each end linked once.
  std::sort(pairs_.begin(), pairs_.end(), [](const Pair& p, const Pair& q) {
    return p.gap < q.gap || (p.gap == q.gap && (p.a < q.a || (p.a == q.a && p.b < q.b)));
  });
  partner_.assign(std::size_t(2 * numRuns), -1);
  for (const Pair& p : pairs_) {
    if (partner_[std::size_t(p.a)] >= 0 || partner_[std::size_t(p.b)] >= 0) continue;
    partner_[std::size_t(p.a)] = p.b;
    partner_[std::size_t(p.b)] = p.a;
  }

  // Strings: from each run with a free end, then what is left (rings of runs), from its first.
  visited_.assign(std::size_t(numRuns), false);
  const auto walk = [&](long r, bool reversed) {
    const std::size_t begin = steps.size();
    for (;;) {
      visited_[std::size_t(r)] = true;
      steps.push_back({r, reversed});
      const long leave = 2 * r + (reversed ? 0 : 1);
      const long next = partner_[std::size_t(leave)];
      if (next < 0 || visited_[std::size_t(next / 2)]) break;
      r = next / 2;
      reversed = next % 2 == 1;
    }
    if (steps.size() - begin >= 2)
      stringEnds.push_back(long(steps.size()));
    else
      steps.resize(begin);
  };
  for (long r = 0; r < numRuns; ++r) {
    if (!runs[std::size_t(r)].joinable || visited_[std::size_t(r)]) continue;
    const bool firstFree = partner_[std::size_t(2 * r)] < 0;
    const bool lastFree = partner_[std::size_t(2 * r + 1)] < 0;
    if (firstFree || lastFree) walk(r, !firstFree);
  }
  for (long r = 0; r < numRuns; ++r)
    if (runs[std::size_t(r)].joinable && !visited_[std::size_t(r)]) walk(r, false);
}

}  // namespace vc_circle_detail
