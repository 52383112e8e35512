#include "platform/ip/edge_hysteresis.h"

#include <algorithm>
#include <cstdlib>

namespace vc_edge_detail {

void keepConnected(long x0, long y0, long width, long height, std::vector<std::uint8_t>& strong,
                   std::vector<vcEdgelet>& edges, std::vector<float>& positions) {
  const std::size_t n = edges.size();
  std::size_t weak = 0;
  for (std::size_t k = 0; k < n; ++k) weak += !strong[k];
  if (weak == 0) return;

  // The weaker edgelets by pixel, so that each neighbour is one look-up.
  std::vector<std::int32_t> weakAt(std::size_t(width * height), -1);
  const auto cell = [&](long i, long j) { return std::size_t((j - y0) * width + (i - x0)); };
  for (std::size_t k = 0; k < n; ++k)
    if (!strong[k]) weakAt[cell(edges[k].get_i(), edges[k].get_j())] = std::int32_t(k);

  // Grow from every strong edgelet over weaker ones within 2 pixels that point the same way.
  std::vector<std::uint8_t> kept(strong);
  std::vector<std::size_t> todo;
  for (std::size_t k = 0; k < n; ++k)
    if (kept[k]) todo.push_back(k);
  while (!todo.empty() && weak > 0) {
    const vcEdgelet e = edges[todo.back()];
    todo.pop_back();
    const long i = e.get_i(), j = e.get_j();
    for (long v = std::max(j - 2, y0); v <= std::min(j + 2, y0 + height - 1); ++v)
      for (long u = std::max(i - 2, x0); u <= std::min(i + 2, x0 + width - 1); ++u) {
        std::int32_t& m = weakAt[cell(u, v)];
        if (m < 0) continue;
        const int d = std::abs(int(edges[std::size_t(m)].angle().plain()) - int(e.angle().plain()));
        if (std::min(d, 256 - d) > kJoinCodes) continue;
        kept[std::size_t(m)] = 1;
        todo.push_back(std::size_t(m));
        m = -1;  // taken
        --weak;
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
