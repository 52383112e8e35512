#include "platform/ip/edge_neighbours.h"

#include <algorithm>

#include "platform/base/assert.h"

namespace vc_edge_detail {

void EdgeletNeighbours::build(long y0, long height, const std::vector<vcEdgelet>& edges) {
  const std::size_t n = edges.size();
  VC_ASSERT(height >= 0 && n < std::size_t(UINT32_MAX));
  const vcEdgelet* e = edges.data();
  y0_ = y0;
  // First edgelet of every row, and one past the last row; rows without edgelets start where
  // the next one does.
  rowStart_.assign(std::size_t(height + 1), std::uint32_t(n));
  long row = -1;
  for (std::size_t k = 0; k < n; ++k) {
    const long j = long(e[k].get_j()) - y0;
    if (k > 0 && j == row) {
      VC_ASSERT(e[k - 1].get_i() < e[k].get_i());
      continue;
    }
    VC_ASSERT(j > row && j >= 0 && j < height);
    while (row < j) rowStart_[std::size_t(++row)] = std::uint32_t(k);
  }

  // Row by row: neighbours along the row, then those in the row above, found by walking both
  // rows together; each neighbour above also has the edgelet below it as a neighbour there.
  around_.assign(n, Around{});
  Around* around = around_.data();
  for (long j = 0; j < height; ++j) {
    const std::size_t first = rowStart_[std::size_t(j)], last = rowStart_[std::size_t(j + 1)];
    if (first == last) continue;
    for (std::size_t k = first + 1; k < last; ++k)
      if (e[k - 1].get_i() + 1 == e[k].get_i()) {
        around[k].slots |= 1u << 3;
        around[k - 1].slots |= 1u << 5;
      }
    if (j == 0) continue;
    std::size_t up = rowStart_[std::size_t(j - 1)];
    const std::size_t upEnd = first;
    for (std::size_t k = first; k < last && up < upEnd; ++k) {
      const int i = e[k].get_i();
      while (up < upEnd && int(e[up].get_i()) + 1 < i) ++up;
      around[k].up = std::uint32_t(up);
      unsigned slots = around[k].slots;
      for (std::size_t m = up; m < upEnd && int(e[m].get_i()) <= i + 1; ++m) {
        const int di = int(e[m].get_i()) - i;
        slots |= 1u << (di + 1);
        // The first edgelet below m in raster order is where m's neighbours below begin.
        if ((around[m].slots & (7u << 6)) == 0) around[m].down = std::uint32_t(k);
        around[m].slots |= std::uint16_t(1u << (7 - di));
      }
      around[k].slots = std::uint16_t(slots);
    }
  }
}

std::size_t EdgeletNeighbours::find(const std::vector<vcEdgelet>& edges, long i, long j) const {
  VC_ASSERT(edges.size() == size());
  const long r = j - y0_;
  if (r < 0 || r + 1 >= long(rowStart_.size())) return edges.size();
  const auto first = edges.begin() + std::ptrdiff_t(rowStart_[std::size_t(r)]);
  const auto last = edges.begin() + std::ptrdiff_t(rowStart_[std::size_t(r + 1)]);
  const auto m = std::lower_bound(first, last, i, [](const vcEdgelet& e, long column) {
    return long(e.get_i()) < column;
  });
  return m != last && long(m->get_i()) == i ? std::size_t(m - edges.begin()) : edges.size();
}

}  // namespace vc_edge_detail
