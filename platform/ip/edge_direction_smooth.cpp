#include "platform/ip/edge_direction_smooth.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>

namespace vc_edge_detail {

namespace {

// The 256 unit vectors of the direction codes, filled once at load and only read after. Sums
// of them give mean directions.
struct UnitTable {
  std::array<double, 256> c{}, s{};
  UnitTable() {
    for (int a = 0; a < 256; ++a) {
      c[std::size_t(a)] = std::cos(a * 2.0 * std::numbers::pi / 256.0);
      s[std::size_t(a)] = std::sin(a * 2.0 * std::numbers::pi / 256.0);
    }
  }
};
const UnitTable kUnit;

// The directions halfway between neighbouring codes, c + 1/2 for c = 0 to 255, filled once at
// load.
struct BoundaryTable {
  std::array<double, 256> x{}, y{};
  BoundaryTable() {
    for (int c = 0; c < 256; ++c) {
      x[std::size_t(c)] = std::cos((c + 0.5) * (2.0 * std::numbers::pi / 256.0));
      y[std::size_t(c)] = std::sin((c + 0.5) * (2.0 * std::numbers::pi / 256.0));
    }
  }
};
const BoundaryTable kBoundary;

// The code of the direction of the vector (x, y), rounded.
std::uint8_t exactCodeOf(double x, double y) {
  const double turns = std::atan2(y, x) / (2.0 * std::numbers::pi);
  return std::uint8_t(long(std::lround(turns * 256.0)) & 255);
}

// The same, mostly without atan2: the code nearest an angle approximated to 1e-5 radian
// (Abramowitz and Stegun 4.4.49) is taken where the vector lies clearly between that code's
// boundaries with its neighbours, by the signs of two cross products with a margin far above
// their rounding; near a boundary (or for a zero or non-finite vector) exactCodeOf decides.
std::uint8_t codeOf(double x, double y) {
  const double ax = std::abs(x), ay = std::abs(y), big = std::max(ax, ay);
  if (big > 0.0 && big < 1e300) {
    const double z = std::min(ax, ay) / big, z2 = z * z;
    double t = z * (0.9998660 +
                    z2 * (-0.3302995 + z2 * (0.1801410 + z2 * (-0.0851330 + z2 * 0.0208351))));
    if (ay > ax) t = std::numbers::pi / 2.0 - t;
    if (x < 0.0) t = std::numbers::pi - t;
    if (y < 0.0) t = -t;
    // The nearest code, halves away from zero; only a guess that the products check.
    const double v = t * (256.0 / (2.0 * std::numbers::pi));
    const long c = long(v + (v < 0.0 ? -0.5 : 0.5));
    const std::size_t below = std::size_t((c - 1) & 255), above = std::size_t(c & 255);
    const double margin = 1e-9 * (ax + ay);
    if (kBoundary.x[below] * y - kBoundary.y[below] * x > margin &&
        kBoundary.x[above] * y - kBoundary.y[above] * x < -margin)
      return std::uint8_t(c & 255);
  }
  return exactCodeOf(x, y);
}

int codeDifference(int a, int b) { return std::abs(std::int8_t(std::uint8_t(a - b))); }

// Gives every edgelet its new direction code; pixels, magnitudes and positions stay.
void recode(const std::vector<std::uint8_t>& codes, std::vector<vcEdgelet>& edges) {
  for (std::size_t k = 0; k < edges.size(); ++k) {
    const vcEdgelet& e = edges[k];
    edges[k] = vcEdgelet(e.get_i(), e.get_j(), e.magnitude(), vcAngle8(codes[k]),
                         e.posQuickX(), e.posQuickY());
  }
}

// The one neighbour of edgelet k that takes its run on, away from edgelet `behind` (none for
// the first step): pointing the same way as k within kEndCodes, neither `behind` nor a
// neighbour of it. none when there is no such neighbour or more than one (where the run
// forks or is two edgelets thick).
std::size_t onward(const EdgeletNeighbours& near, const std::vector<vcEdgelet>& edges,
                   std::size_t k, std::size_t behind, std::size_t none) {
  const int a = edges[k].angle().plain();
  const auto besideBehind = [&](std::size_t m) {
    if (behind == none) return false;
    const long di = long(edges[m].get_i()) - long(edges[behind].get_i());
    const long dj = long(edges[m].get_j()) - long(edges[behind].get_j());
    return std::abs(di) <= 1 && std::abs(dj) <= 1;
  };
  // The search stops at a second such neighbour.
  std::size_t found = none;
  const bool fork = near.any(k, [&](std::size_t m) {
    if (m == behind || codeDifference(a, edges[m].angle().plain()) > kEndCodes ||
        besideBehind(m))
      return false;
    if (found != none) return true;
    found = m;
    return false;
  });
  return fork ? none : found;
}

}  // namespace

void smoothDirections(const EdgeletNeighbours& near, std::vector<vcEdgelet>& edges,
                      int below) {
  const UnitTable& unit = kUnit;
  std::vector<std::uint8_t> codes(edges.size());
  for (std::size_t k = 0; k < edges.size(); ++k) {
    const int a = edges[k].angle().plain();
    codes[k] = std::uint8_t(a);
    if (edges[k].magnitude() >= below) continue;
    double x = unit.c[std::size_t(a)], y = unit.s[std::size_t(a)];
    near.forEachByRows(k, [&](std::size_t m, int) {
      const int b = edges[m].angle().plain();
      if (codeDifference(a, b) > kSmoothCodes) return;
      x += unit.c[std::size_t(b)];
      y += unit.s[std::size_t(b)];
    });
    codes[k] = codeOf(x, y);
  }
  recode(codes, edges);
}

void steadyEdgeEnds(const EdgeletNeighbours& near, std::vector<vcEdgelet>& edges) {
  const UnitTable& unit = kUnit;
  const std::size_t none = edges.size();
  std::vector<std::uint8_t> codes(edges.size());
  for (std::size_t k = 0; k < edges.size(); ++k) codes[k] = edges[k].angle().plain();
  constexpr long kRun = kEndZone + kEndReach;
  for (std::size_t k = 0; k < edges.size(); ++k) {
    // k ends a run when the run leaves it through one neighbour only; the run after it, k
    // excluded, must go on alone for kRun edgelets.
    std::size_t run[kRun];
    run[0] = onward(near, edges, k, none, none);
    if (run[0] == none) continue;
    long length = 1;
    for (; length < kRun; ++length) {
      run[length] = onward(near, edges, run[length - 1], length == 1 ? k : run[length - 2], none);
      if (run[length] == none) break;
    }
    if (length < kRun) continue;
    // The mean direction of the run past the end zone, taken when the run points steadily
    // there: a straight edge, or one curving gently.
    double x = 0.0, y = 0.0;
    for (long s = kEndZone; s < kRun; ++s) {
      const int b = edges[run[s]].angle().plain();
      x += unit.c[std::size_t(b)];
      y += unit.s[std::size_t(b)];
    }
    const std::uint8_t mean = codeOf(x, y);
    bool steady = true;
    for (long s = kEndZone; s < kRun; ++s)
      steady = steady && codeDifference(mean, edges[run[s]].angle().plain()) <= kSteadyCodes;
    if (!steady) continue;
    codes[k] = mean;
    for (long s = 0; s + 1 < kEndZone; ++s) codes[run[s]] = mean;
  }
  recode(codes, edges);
}

}  // namespace vc_edge_detail
