#pragma once

// Block moves in the edge detector's edgelet list, which its later steps reorder in place: the
// edgelets in raster order and, while their sub-pixel positions are held aside, a parallel list
// of x, y pairs (empty otherwise) that moves with them.
//
//   moveDown(edges, positions, from, to, dest);            // [from, to) to dest <= from
//   insertBelow(edges, positions, at, end, gap, e, x, y);  // [at, end) up by gap, e below it

#include <algorithm>
#include <cstddef>
#include <vector>

#include "platform/ip/edgelet.h"

namespace vc_edge_detail {

// Copies edgelets [from, to) and their positions to dest, which lies at or before from.
inline void moveDown(std::vector<vcEdgelet>& edges, std::vector<float>& positions,
                     std::size_t from, std::size_t to, std::size_t dest) {
  std::copy(edges.begin() + std::ptrdiff_t(from), edges.begin() + std::ptrdiff_t(to),
            edges.begin() + std::ptrdiff_t(dest));
  if (!positions.empty())
    std::copy(positions.begin() + std::ptrdiff_t(2 * from),
              positions.begin() + std::ptrdiff_t(2 * to),
              positions.begin() + std::ptrdiff_t(2 * dest));
}

// Moves edgelets [at, end) and their positions up by gap places (gap >= 1; the lists must hold
// end + gap entries) and puts e, at (x, y), in the place just below them, at + gap - 1.
inline void insertBelow(std::vector<vcEdgelet>& edges, std::vector<float>& positions,
                        std::size_t at, std::size_t end, std::size_t gap, const vcEdgelet& e,
                        float x, float y) {
  std::copy_backward(edges.begin() + std::ptrdiff_t(at), edges.begin() + std::ptrdiff_t(end),
                     edges.begin() + std::ptrdiff_t(end + gap));
  edges[at + gap - 1] = e;
  if (!positions.empty()) {
    std::copy_backward(positions.begin() + std::ptrdiff_t(2 * at),
                       positions.begin() + std::ptrdiff_t(2 * end),
                       positions.begin() + std::ptrdiff_t(2 * (end + gap)));
    positions[2 * (at + gap - 1)] = x;
    positions[2 * (at + gap - 1) + 1] = y;
  }
}

}  // namespace vc_edge_detail
