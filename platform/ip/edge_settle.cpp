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

  // Where each row's edgelets start, before any moves.
  const std::size_t n = edges.size();
  std::vector<std::size_t> rowStart(std::size_t(height + 1), 0);
  for (const vcEdgelet& e : edges) ++rowStart[std::size_t(e.get_j() - y0 + 1)];
  for (long r = 0; r < height; ++r) rowStart[std::size_t(r + 1)] += rowStart[std::size_t(r)];

  bool rowsChanged = false;
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
    rowsChanged = rowsChanged || tj != j;
  }
  // A move along a row keeps the order: the pixel moved into was free, so no edgelet of the
  // row lies between the old and the new column.
  if (!rowsChanged) return;

  // Raster order again. Row r now holds edgelets that were in rows r - 1, r and r + 1; those
  // of each source row come in column order, and the three runs are merged.
  std::vector<vcEdgelet> sorted;
  std::vector<float> sortedPositions;
  sorted.reserve(n);
  sortedPositions.reserve(positions.size());
  for (long r = 0; r < height; ++r) {
    const long row = y0 + r;
    std::size_t at[3], end[3];
    for (long s = 0; s < 3; ++s) {
      const long source = std::clamp(r - 1 + s, 0L, height - 1);
      const bool inside = r - 1 + s == source;
      at[s] = inside ? rowStart[std::size_t(source)] : 0;
      end[s] = inside ? rowStart[std::size_t(source + 1)] : 0;
    }
    const auto skipOthers = [&](long s) {
      while (at[s] < end[s] && edges[at[s]].get_j() != row) ++at[s];
    };
    for (long s = 0; s < 3; ++s) skipOthers(s);
    for (;;) {
      long next = -1;
      for (long s = 0; s < 3; ++s)
        if (at[s] < end[s] && (next < 0 || edges[at[s]].get_i() < edges[at[next]].get_i()))
          next = s;
      if (next < 0) break;
      const std::size_t k = at[next]++;
      sorted.push_back(edges[k]);
      if (aside) {
        sortedPositions.push_back(positions[2 * k]);
        sortedPositions.push_back(positions[2 * k + 1]);
      }
      skipOthers(next);
    }
  }
  // Two edgelets of one row that moved down crosswise, each into the other's column, are the
  // one case the merge leaves out of order.
  for (std::size_t k = 1; k < sorted.size(); ++k)
    for (std::size_t m = k; m > 0 && sorted[m - 1].get_j() == sorted[m].get_j() &&
                            sorted[m - 1].get_i() > sorted[m].get_i();
         --m) {
      std::swap(sorted[m - 1], sorted[m]);
      if (aside) {
        std::swap(sortedPositions[2 * m - 2], sortedPositions[2 * m]);
        std::swap(sortedPositions[2 * m - 1], sortedPositions[2 * m + 1]);
      }
    }
  edges.swap(sorted);
  positions.swap(sortedPositions);
}

}  // namespace vc_edge_detail
