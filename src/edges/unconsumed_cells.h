#pragma once

// The raster scan of the trackers over an edgelet-map window: every unconsumed edgelet cell,
// row by row, in order. The cells are read once, at the start, into one bit per cell (set
// where the cell is not negative): a dense map cell by cell, a sparse one at its edgelets'
// cells only (on a map as built only those cells can hold a value that is not negative). A
// tracker clears a cell's bit as it consumes the cell, so that the scan jumps from start to start
// by counting zero bits instead of stepping over every run of empty and consumed cells, which on
// textured images costs a mispredicted branch per run. The runs' skip counts are not needed: every
// cell of a run is negative.
//
//   UnconsumedCells cells(origin, stride, w, h, edges, offset);
//   cells.scan(numEdges, L"vfLineTracker", [&](long x, long y) {
//     ... consume cell (x, y) and more, calling cells.consume(x', y') for each ...
//   });

#include <cstdint>
#include <vector>

#include "platform/base/pair.h"
#include "platform/ip/edgelet.h"

namespace vc_tracker_detail {

// Whether edgelet e lies at cell (x, y) of a window with offset `offset`. A cell that holds
// the index of an edgelet lying elsewhere was written by a caller, and the trackers refuse it
// (throwBadCell) instead of taking the edgelet twice or at the wrong place.
inline bool liesAt(const vcEdgelet& e, long x, long y, vcPair<long> offset) {
  return long(e.get_i()) == x + offset.x() && long(e.get_j()) == y + offset.y();
}

// Throws vcBadParamsError naming `tool`, the cell (x, y) of the window and its value v.
[[noreturn]] void throwBadCell(const wchar_t* tool, long x, long y, std::int32_t v);

class UnconsumedCells {
 public:
  // The w by h window with row stride `stride` and first cell `origin`, as it reads now, of a
  // map of the edgelets `edges` whose window has the offset `offset`.
  UnconsumedCells(const std::int32_t* origin, long stride, long w, long h,
                  const std::vector<vcEdgelet>& edges, vcPair<long> offset);

  // Clears the bit of cell (x, y) of the window.
  void consume(long x, long y) {
    bits_[std::size_t(y * words_ + (x >> 6))] &= ~(std::uint64_t(1) << (x & 63));
  }

  // Calls start(x, y) at every cell whose bit is set, in raster order; the cell's bit is
  // cleared whatever start() does, and cells start() consumes are passed over. A cell that does
  // not hold the index of the edgelet at its pixel (below numEdges) throws vcBadParamsError
  // naming `tool` and the cell.
  template <class Start>
  void scan(std::uint32_t numEdges, const wchar_t* tool, Start&& start) {
    if (bits_.empty()) return;  // an empty window has no cells (and maybe no origin)
    for (long y = 0; y < h_; ++y) {
      std::uint64_t* row = bits_.data() + y * words_;
      const std::int32_t* cells = origin_ + y * stride_;
      for (long k = 0; k < words_; ++k) {
        for (std::uint64_t word = row[k]; word != 0; word = row[k]) {
          const long x = k * 64 + __builtin_ctzll(word);
          row[k] = word & (word - 1);
          const std::int32_t v = cells[x];
          if (std::uint32_t(v) >= numEdges || !liesAt(edges_[std::size_t(v)], x, y, offset_))
            throwBadCell(tool, x, y, v);
          start(x, y);
        }
      }
    }
  }

 private:
  const std::vector<vcEdgelet>& edges_;
  vcPair<long> offset_;
  const std::int32_t* origin_;
  long stride_, h_, words_;
  std::vector<std::uint64_t> bits_;  // words_ per row, bit x of a row at word x / 64
};

}  // namespace vc_tracker_detail
