#pragma once

// Removing edgelets marked by a step of the edge detector, together with their positions:
//
//   std::vector<std::uint8_t> gone(edges.size(), 0);   // 1 for every edgelet to drop
//   vc_edge_detail::removeMarkedEdgelets(gone, edges, positions);

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/ip/edgelet.h"

namespace vc_edge_detail {

// Drops every edgelet k of `edges` with gone[k] set, and its x, y pair in `positions` unless
// `positions` is empty; the others keep their order. Requires: gone.size() == edges.size().
inline void removeMarkedEdgelets(const std::vector<std::uint8_t>& gone,
                                 std::vector<vcEdgelet>& edges, std::vector<float>& positions) {
  const bool aside = !positions.empty();
  std::size_t kept = 0;
  for (std::size_t k = 0; k < edges.size(); ++k) {
    if (gone[k]) continue;
    edges[kept] = edges[k];
    if (aside) {
      positions[2 * kept] = positions[2 * k];
      positions[2 * kept + 1] = positions[2 * k + 1];
    }
    ++kept;
  }
  edges.resize(kept);
  if (aside) positions.resize(2 * kept);
}

}  // namespace vc_edge_detail
