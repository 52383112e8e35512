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

  // Which pixels hold an edgelet, one bit each.
  std::vector<std::uint64_t> held(std::size_t((width * height + 63) / 64), 0);
  const auto bit = [&](long i, long j) { return std::size_t((j - y0) * width + (i - x0)); };
  for (const vcEdgelet& e : edges) {
    const std::size_t b = bit(e.get_i(), e.get_j());
    held[b >> 6] |= 1ull << (b & 63);
  }

  const std::size_t n = edges.size();
  std::vector<std::size_t> moved;  // edgelets that changed rows, in order
  // How far a position lies beyond its pixel's centre, as a step of -1, 0 or 1. A position on
  // the border between two pixels, as of an edge along a pixel boundary, stays where the peak
  // search put it.
  const auto step = [](double offset) { return long(offset > kBeyond) - long(offset < -kBeyond); };
  // The pass, built once for each place of the positions so that the loop reads them directly.
  const auto settle = [&](auto x, auto y) {
    for (std::size_t k = 0; k < n; ++k) {
      const long i = edges[k].get_i(), j = edges[k].get_j();
      const long ti = i + step(x(k) - (double(i) + 0.5)), tj = j + step(y(k) - (double(j) + 0.5));
      if (ti == i && tj == j) [[likely]]
        continue;
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
  };
  if (aside)
    settle([&](std::size_t k) { return positions[2 * k]; },
           [&](std::size_t k) { return positions[2 * k + 1]; });
  else
    settle([&](std::size_t k) { return edges[k].posQuickX(); },
           [&](std::size_t k) { return edges[k].posQuickY(); });
  // A move along a row keeps the order: the pixel moved into was free, so no edgelet of the
  // row lies between the old and the new column. So the edgelets that stayed in their rows are
  // still in raster order, and those that changed rows, few, are taken out, sorted and merged
  // back in; no two share a pixel, so the raster order is one order.
  if (moved.empty()) return;
  struct Arrival {
    vcEdgelet edgelet;
    float x, y;
  };
  // Sorted as integers: the pixel's raster key above the place in moved.
  std::vector<std::uint64_t> order(moved.size());
  for (std::size_t m = 0; m < moved.size(); ++m) {
    const vcEdgelet& e = edges[moved[m]];
    order[m] = (std::uint64_t(e.get_j()) << 48) | (std::uint64_t(e.get_i()) << 32) | m;
  }
  std::sort(order.begin(), order.end());
  std::vector<Arrival> arrivals;
  arrivals.reserve(moved.size());
  for (const std::uint64_t o : order) {
    const std::size_t k = moved[std::size_t(o & 0xffffffffu)];
    arrivals.push_back({edges[k], aside ? positions[2 * k] : 0.0f,
                        aside ? positions[2 * k + 1] : 0.0f});
  }
  const auto before = [](const vcEdgelet& a, const vcEdgelet& b) {
    return a.get_j() != b.get_j() ? a.get_j() < b.get_j() : a.get_i() < b.get_i();
  };

  // Out: the runs between moved edgelets move down as blocks.
  const auto shift = [&](std::size_t from, std::size_t to, std::size_t dest) {
    std::copy(edges.begin() + std::ptrdiff_t(from), edges.begin() + std::ptrdiff_t(to),
              edges.begin() + std::ptrdiff_t(dest));
    if (aside)
      std::copy(positions.begin() + std::ptrdiff_t(2 * from),
                positions.begin() + std::ptrdiff_t(2 * to),
                positions.begin() + std::ptrdiff_t(2 * dest));
  };
  std::size_t kept = moved[0];
  for (std::size_t m = 0; m < moved.size(); ++m) {
    const std::size_t from = moved[m] + 1, to = m + 1 < moved.size() ? moved[m + 1] : n;
    shift(from, to, kept);
    kept += to - from;
  }
  // In, from the back, so nothing is copied twice: each arrival's place among the edgelets
  // that stayed is found by a search back from the previous arrival's place, in steps that
  // double, then halve (arrivals are spread over the image, so their places are close), and
  // the edgelets after it move up as one block.
  std::size_t end = kept;
  for (std::size_t a = arrivals.size(); a-- > 0;) {
    const Arrival& arrival = arrivals[a];
    std::size_t at = end;  // every edgelet in [at, end) comes after the arrival
    for (std::size_t span = 1; at > 0; span *= 2) {
      const std::size_t probe = at > span ? at - span : 0;
      if (!before(arrival.edgelet, edges[probe])) {
        at = std::size_t(std::upper_bound(edges.begin() + std::ptrdiff_t(probe + 1),
                                          edges.begin() + std::ptrdiff_t(at), arrival.edgelet,
                                          before) -
                         edges.begin());
        break;
      }
      at = probe;
    }
    // Edgelets at..end-1 move up by a + 1 places, the arrival goes just below them.
    std::copy_backward(edges.begin() + std::ptrdiff_t(at), edges.begin() + std::ptrdiff_t(end),
                       edges.begin() + std::ptrdiff_t(end + a + 1));
    edges[at + a] = arrival.edgelet;
    if (aside) {
      std::copy_backward(positions.begin() + std::ptrdiff_t(2 * at),
                         positions.begin() + std::ptrdiff_t(2 * end),
                         positions.begin() + std::ptrdiff_t(2 * (end + a + 1)));
      positions[2 * (at + a)] = arrival.x;
      positions[2 * (at + a) + 1] = arrival.y;
    }
    end = at;
  }
}

}  // namespace vc_edge_detail
