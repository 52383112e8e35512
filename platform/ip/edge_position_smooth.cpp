#include "platform/ip/edge_position_smooth.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "platform/ip/edge_angle_code.h"
#include "platform/ip/edge_direction_smooth.h"

namespace vc_edge_detail {

namespace {

// Farthest a moved position lies from its pixel's centre: a pixel, less a margin for the
// rounding of single-precision positions.
constexpr double kMost = 0.999;

}  // namespace

void smoothPositions(const EdgeletNeighbours& near, std::vector<vcEdgelet>& edges,
                     std::vector<float>& positions, int below) {
  const bool aside = !positions.empty();
  const std::size_t n = edges.size();
  std::vector<float> was(2 * n);
  for (std::size_t k = 0; k < n; ++k) {
    was[2 * k] = aside ? positions[2 * k] : edges[k].posQuickX();
    was[2 * k + 1] = aside ? positions[2 * k + 1] : edges[k].posQuickY();
  }
  for (std::size_t k = 0; k < n; ++k) {
    if (edges[k].magnitude() >= below) continue;
    const int a = edges[k].angle().plain();
    const double turn = a * (std::numbers::pi / 128.0);
    const double nx = std::cos(turn), ny = std::sin(turn);
    const double x = was[2 * k], y = was[2 * k + 1];
    double offset = 0.0;
    int count = 1;
    near.forEachByRows(k, [&](std::size_t m, int) {
      if (std::abs(signedTurn(a, edges[m].angle().plain())) > kSmoothCodes) return;
      offset += (was[2 * m] - x) * nx + (was[2 * m + 1] - y) * ny;
      ++count;
    });
    if (count == 1) continue;
    const double mx = x + offset / count * nx, my = y + offset / count * ny;
    // Every edgelet stays within a pixel of its pixel's centre.
    const double ox = mx - (edges[k].get_i() + 0.5), oy = my - (edges[k].get_j() + 0.5);
    if (ox * ox + oy * oy > kMost * kMost) continue;
    if (aside) {
      positions[2 * k] = float(mx);
      positions[2 * k + 1] = float(my);
    } else {
      const vcEdgelet& e = edges[k];
      edges[k] = vcEdgelet(e.get_i(), e.get_j(), e.magnitude(), e.angle(), float(mx), float(my));
    }
  }
}

}  // namespace vc_edge_detail
