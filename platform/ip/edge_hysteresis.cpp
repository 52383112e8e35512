#include "platform/ip/edge_hysteresis.h"

#include <algorithm>
#include <cstdlib>

namespace vc_edge_detail {

void keepConnected(std::vector<std::uint8_t>& strong, std::vector<vcEdgelet>& edges,
                   std::vector<float>& positions) {
  const std::size_t n = edges.size();
  if (n == 0) return;

  // Where each row's edgelets start in the list, rows counted from the first edgelet's.
  const long firstRow = edges.front().get_j(), rows = edges.back().get_j() - firstRow + 1;
  std::vector<std::size_t> rowStart(std::size_t(rows + 1), 0);
  for (const vcEdgelet& e : edges) ++rowStart[std::size_t(e.get_j() - firstRow + 1)];
  for (long r = 0; r < rows; ++r) rowStart[std::size_t(r + 1)] += rowStart[std::size_t(r)];

  // How many weaker edgelets each row holds that are not kept yet: rows without any are
  // passed over, which on clean images is most of them.
  std::vector<long> weakLeft(std::size_t(rows), 0);
  for (std::size_t k = 0; k < n; ++k)
    weakLeft[std::size_t(edges[k].get_j() - firstRow)] += !strong[k];

  // Grow from every strong edgelet over weaker ones within 2 pixels that point the same way.
  std::vector<std::uint8_t> kept(strong);
  std::vector<std::size_t> todo;
  for (std::size_t k = 0; k < n; ++k)
    if (kept[k]) todo.push_back(k);
  while (!todo.empty()) {
    const vcEdgelet e = edges[todo.back()];
    todo.pop_back();
    const long i = e.get_i(), r = e.get_j() - firstRow;
    for (long s = std::max(r - 2, 0L); s <= std::min(r + 2, rows - 1); ++s) {
      if (weakLeft[std::size_t(s)] == 0) continue;
      // The row's edgelets from column i - 2 on, found by bisection.
      const auto begin = edges.begin() + long(rowStart[std::size_t(s)]);
      const auto end = edges.begin() + long(rowStart[std::size_t(s + 1)]);
      auto it = std::partition_point(begin, end,
                                     [&](const vcEdgelet& o) { return long(o.get_i()) < i - 2; });
      for (; it != end && long(it->get_i()) <= i + 2; ++it) {
        const std::size_t m = std::size_t(it - edges.begin());
        if (kept[m]) continue;
        const int d = std::abs(int(it->angle().plain()) - int(e.angle().plain()));
        if (std::min(d, 256 - d) > kJoinCodes) continue;
        kept[m] = 1;
        --weakLeft[std::size_t(s)];
        todo.push_back(m);
      }
    }
  }

  // Compact, in order.
  std::size_t w = 0;
  const bool aside = !positions.empty();
  for (std::size_t k = 0; k < n; ++k) {
    if (!kept[k]) continue;
    edges[w] = edges[k];
    strong[w] = strong[k];
    if (aside) {
      positions[2 * w] = positions[2 * k];
      positions[2 * w + 1] = positions[2 * k + 1];
    }
    ++w;
  }
  edges.resize(w);
  strong.resize(w);
  if (aside) positions.resize(2 * w);
}

}  // namespace vc_edge_detail
