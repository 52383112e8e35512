#pragma once

// Writing the cells of an edgelet map, row by row (edgelet_map.cpp): each edgelet's index at its
// column, and before, between and after them the skip runs -(run length), ..., -1.
//
//   MapRowWriter writer(w);
//   for (long y = 0; y < h; ++y) k = writer.write(pointToRow(y), edges, k, ox, oy + y);

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/ip/edgelet.h"

namespace vc_tracker_detail {

class MapRowWriter {
 public:
  // A writer for rows of w cells.
  explicit MapRowWriter(long w);

  // Writes the w cells of `row` for the edgelets from edges[k] on whose get_j() is j, with
  // columns get_i() - ox; returns the index after them. Throws (assertion) unless their
  // columns increase and lie in the row.
  std::size_t write(std::int32_t* row, const std::vector<vcEdgelet>& edges, std::size_t k, long ox,
                    long j);

 private:
  long w_;
  bool avx2_;
  bool dense_ = false;  // whether the last row written was dense with edgelets
  // With AVX2, for a row dense with edgelets, per column: the column itself where an edgelet
  // is, else a value above any column; and the edgelet's index there. Eight columns of room
  // past the row's end.
  std::vector<std::int32_t> at_, index_;
};

// Writes the skip run -(to - from), ..., -1 into cells [from, to) of a row.
inline void fillRun(std::int32_t* row, long from, long to) {
  for (long c = from; c < to; ++c) row[c] = std::int32_t(c - to);
}

}  // namespace vc_tracker_detail
