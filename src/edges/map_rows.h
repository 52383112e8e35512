#pragma once

// Writing the cells of an edgelet map, row by row (edgelet_map.cpp): each edgelet's index at its
// column, and before, between and after them the skip runs -(run length), ..., -1.
//
//   const MapRowWriter write = mapRowWriter();
//   for (long y = 0; y < h; ++y) k = write(pointToRow(y), w, edges, k, ox, oy + y);

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/ip/edgelet.h"

namespace vc_tracker_detail {

// Writes the w cells of `row` for the edgelets from edges[k] on whose get_j() is j, with
// columns get_i() - ox; returns the index after them. Throws (assertion) unless their columns
// increase and lie in the row.
using MapRowWriter = std::size_t (*)(std::int32_t* row, long w, const std::vector<vcEdgelet>& edges,
                                     std::size_t k, long ox, long j);

// The writer for this processor: AVX2 where it has it. Both give the same cells.
MapRowWriter mapRowWriter();

// Writes the skip run -(to - from), ..., -1 into cells [from, to) of a row.
inline void fillRun(std::int32_t* row, long from, long to) {
  for (long c = from; c < to; ++c) row[c] = std::int32_t(c - to);
}

}  // namespace vc_tracker_detail
