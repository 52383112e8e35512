#include "edges/circle_pieces.h"

#include <algorithm>
#include <cmath>

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

}  // namespace vc_circle_detail
