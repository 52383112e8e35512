#include "platform/ip/edge_direction_smooth.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>

namespace vc_edge_detail {

namespace {

struct UnitTable {
  std::array<double, 256> c{}, s{};
  UnitTable() {
    for (int a = 0; a < 256; ++a) {
      c[std::size_t(a)] = std::cos(a * 2.0 * std::numbers::pi / 256.0);
      s[std::size_t(a)] = std::sin(a * 2.0 * std::numbers::pi / 256.0);
    }
  }
};

int codeDifference(int a, int b) { return std::abs(std::int8_t(std::uint8_t(a - b))); }

}  // namespace

void smoothDirections(const EdgeletNeighbours& near, std::vector<vcEdgelet>& edges) {
  const UnitTable unit;  // 256 unit vectors, built per call: no shared state
  std::vector<std::uint8_t> codes(edges.size());
  for (std::size_t k = 0; k < edges.size(); ++k) {
    const int a = edges[k].angle().plain();
    double x = unit.c[std::size_t(a)], y = unit.s[std::size_t(a)];
    near.forEachByRows(k, [&](std::size_t m, int) {
      const int b = edges[m].angle().plain();
      if (codeDifference(a, b) > kSmoothCodes) return;
      x += unit.c[std::size_t(b)];
      y += unit.s[std::size_t(b)];
    });
    const double turns = std::atan2(y, x) / (2.0 * std::numbers::pi);
    codes[k] = std::uint8_t(long(std::lround(turns * 256.0)) & 255);
  }
  for (std::size_t k = 0; k < edges.size(); ++k) {
    const vcEdgelet& e = edges[k];
    edges[k] = vcEdgelet(e.get_i(), e.get_j(), e.magnitude(), vcAngle8(codes[k]),
                         e.posQuickX(), e.posQuickY());
  }
}

}  // namespace vc_edge_detail
