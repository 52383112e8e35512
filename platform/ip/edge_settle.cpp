#include "platform/ip/edge_settle.h"

#include <algorithm>
#include <cstdint>

namespace vc_edge_detail {

namespace {

// How far from its pixel's centre a position must lie to move the edgelet: 0.02 pixel
// beyond the pixel's border.
constexpr double kBeyond = 0.52;

}  // namespace

void settleInPixels(long x0, long y0, long width, long height, std::vector<vcEdgelet>& edges,
                    std::vector<float>& positions) {
  const bool aside = !positions.empty();
  const auto x = [&](std::size_t k) { return aside ? positions[2 * k] : edges[k].posQuickX(); };
  const auto y = [&](std::size_t k) { return aside ? positions[2 * k + 1] : edges[k].posQuickY(); };

  // Which pixels hold an edgelet, one bit each.
  std::vector<std::uint64_t> held(std::size_t((width * height + 63) / 64), 0);
  const auto bit = [&](long i, long j) { return std::size_t((j - y0) * width + (i - x0)); };
  for (const vcEdgelet& e : edges) {
    const std::size_t b = bit(e.get_i(), e.get_j());
    held[b >> 6] |= 1ull << (b & 63);
  }

  const std::size_t n = edges.size();
  std::vector<std::size_t> moved;  // edgelets that changed rows, in order
  for (std::size_t k = 0; k < n; ++k) {
    const long i = edges[k].get_i(), j = edges[k].get_j();
    // A position on the border between two pixels, as of an edge along a pixel boundary, stays
    // where the peak search put it.
    const auto step = [](double offset) {
      return offset > kBeyond ? 1 : offset < -kBeyond ? -1 : 0;
    };
    const long ti = i + step(x(k) - (double(i) + 0.5)), tj = j + step(y(k) - (double(j) + 0.5));
    if (ti == i && tj == j) continue;
    if (ti < x0 || ti >= x0 + width || tj < y0 || tj >= y0 + height) continue;
    const std::size_t to = bit(ti, tj), from = bit(i, j);
    if ((held[to >> 6] >> (to & 63)) & 1) continue;
    held[to >> 6] |= 1ull << (to & 63);
    held[from >> 6] &= ~(1ull << (from & 63));
    const vcEdgelet& e = edges[k];
    // While positions are held aside, an edgelet sits at its pixel's centre.
    const float ex = aside ? float(ti) + 0.5f : e.posQuickX();
    const float ey = aside ? float(tj) + 0.5f : e.posQuickY();
    edges[k] = vcEdgelet(std::uint16_t(ti), std::uint16_t(tj), e.magnitude(), e.angle(), ex, ey);
    if (tj != j) moved.push_back(k);
  }
  // A move along a row keeps the order: the pixel moved into was free, so no edgelet of the
  // row lies between the old and the new column. So the edgelets that stayed in their rows are
  // still in raster order, and those that changed rows, few, are sorted and merged in; no two
  // share a pixel, so the raster order is one order.
  if (moved.empty()) return;
  const auto key = [&](std::size_t k) {
    return (std::uint32_t(edges[k].get_j()) << 16) | std::uint32_t(edges[k].get_i());
  };
  std::vector<std::size_t> arrivals(moved);
  std::sort(arrivals.begin(), arrivals.end(),
            [&](std::size_t a, std::size_t b) { return key(a) < key(b); });
  std::vector<vcEdgelet> sorted;
  std::vector<float> sortedPositions;
  sorted.reserve(n);
  sortedPositions.reserve(positions.size());
  const auto take = [&](std::size_t k) {
    sorted.push_back(edges[k]);
    if (aside) {
      sortedPositions.push_back(positions[2 * k]);
      sortedPositions.push_back(positions[2 * k + 1]);
    }
  };
  std::size_t next = 0, arrival = 0;  // in moved, in arrivals
  for (std::size_t k = 0; k < n; ++k) {
    if (next < moved.size() && moved[next] == k) {
      ++next;
      continue;
    }
    const std::uint32_t at = key(k);
    while (arrival < arrivals.size() && key(arrivals[arrival]) < at) take(arrivals[arrival++]);
    take(k);
  }
  while (arrival < arrivals.size()) take(arrivals[arrival++]);
  edges.swap(sorted);
  positions.swap(sortedPositions);
}

}  // namespace vc_edge_detail
