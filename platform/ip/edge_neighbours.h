#pragma once

// The edgelets of the 8 pixels around every edgelet, found once for the steps of the edge
// detector that follow an edge from edgelet to edgelet (edge_corners.h, edge_side_ends.h,
// edge_curvature.h):
//
//   vc_edge_detail::EdgeletNeighbours near;
//   near.build(y0, height, edges);     // edges in raster order, at most one per pixel
//   near.forEachByRows(k, [&](std::size_t m, int slot) { ... });
//   std::size_t m = near.find(edges, i, j);   // the edgelet of pixel (i, j), or edges.size()
//   near.update(edges);                // after edgelets were added, or removed
//   near.remove(gone);                 // as edgelets marked in gone are removed
//   near.insert(edges, added);         // after the edgelets marked in added were added
//
// In raster order the neighbours of an edgelet lie in short runs: the edgelets just before and
// just after it in the list (its own row), and up to three consecutive ones in each of the rows
// above and below. So every edgelet keeps one bit per neighbouring pixel and where its
// neighbours in the rows above and below begin; visiting them takes no search. The index holds
// pixels only: it stays valid while edgelets change their directions, magnitudes or positions,
// and must be updated once edgelets are added or removed.
//
// A neighbour's slot is 3 (dj + 1) + (di + 1) for its pixel (i + di, j + dj): 0 to 2 the row
// above, 3 left, 5 right, 6 to 8 the row below; slot 4 is the edgelet itself and never used.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/ip/edgelet.h"

namespace vc_edge_detail {

class EdgeletNeighbours {
 public:
  // The column and row step of every slot.
  static constexpr int slotX(int slot) { return slot % 3 - 1; }
  static constexpr int slotY(int slot) { return slot / 3 - 1; }

  // Indexes `edges`: raster order, at most one edgelet per pixel, rows y0 to y0 + height - 1
  // (pixel coordinates in the image's offset coordinates). Requires: that order and those rows
  // (checked; a fault throws).
  void build(long y0, long height, const std::vector<vcEdgelet>& edges);

  // Indexes `edges` again after edgelets were added to the list indexed, or removed from it,
  // not both, none moved: only the rows that changed and the rows next to them are searched
  // again. Requires: as build(), and no row with fewer edgelets than before while another has
  // more (checked; a fault throws).
  void update(const std::vector<vcEdgelet>& edges);

  // Indexes the list that is left when the edgelets k with gone[k] set are removed from the
  // list indexed, the others kept in order: only the neighbours of those removed change.
  // Requires: one flag per edgelet indexed (checked; a fault throws).
  void remove(const std::vector<std::uint8_t>& gone);

  // Indexes `edges`, the list indexed with the edgelets k with added[k] set added in raster
  // order: only the neighbours of those added change. Requires: as build(), and one flag per
  // edgelet with as many clear as edgelets indexed (checked, the order and rows where edgelets
  // were added; a fault throws).
  void insert(const std::vector<vcEdgelet>& edges, const std::vector<std::uint8_t>& added);

  // Number of edgelets indexed.
  std::size_t size() const { return around_.size(); }

  // Calls f(m, slot) for each neighbour m of edgelet k, in raster order of their pixels: the
  // row above, left, right, the row below.
  template <class F>
  void forEachByRows(std::size_t k, F&& f) const {
    const Around& a = around_[k];
    std::size_t up = a.up, down = a.down;
    for (unsigned bits = a.slots; bits != 0; bits &= bits - 1) {
      const int slot = std::countr_zero(bits);
      const std::size_t m = slot < 3 ? up++ : slot == 3 ? k - 1 : slot == 5 ? k + 1 : down++;
      f(m, slot);
    }
  }

  // As forEachByRows, but the neighbours in the edgelet's own row first: left, right, the row
  // above, the row below.
  template <class F>
  void forEachRowFirst(std::size_t k, F&& f) const {
    const Around& a = around_[k];
    if (a.slots & (1u << 3)) f(k - 1, 3);
    if (a.slots & (1u << 5)) f(k + 1, 5);
    std::size_t up = a.up, down = a.down;
    for (unsigned bits = a.slots & ~((1u << 3) | (1u << 5)); bits != 0; bits &= bits - 1) {
      const int slot = std::countr_zero(bits);
      f(slot < 3 ? up++ : down++, slot);
    }
  }

  // True when f(m) holds for a neighbour m of edgelet k; stops at the first that does, in the
  // order of forEachRowFirst.
  template <class F>
  bool any(std::size_t k, F&& f) const {
    const Around& a = around_[k];
    if ((a.slots & (1u << 3)) && f(k - 1)) return true;
    if ((a.slots & (1u << 5)) && f(k + 1)) return true;
    std::size_t up = a.up, down = a.down;
    for (unsigned bits = a.slots & ~((1u << 3) | (1u << 5)); bits != 0; bits &= bits - 1)
      if (f(std::countr_zero(bits) < 3 ? up++ : down++)) return true;
    return false;
  }

  // True when edgelet k has no neighbour.
  bool alone(std::size_t k) const { return around_[k].slots == 0; }
  // True when the pixel of `slot` next to edgelet k holds an edgelet.
  bool occupied(std::size_t k, int slot) const { return (around_[k].slots >> slot) & 1u; }

  // The edgelet of pixel (i, j) of `edges` (the list indexed), or edges.size() when the pixel
  // holds none or lies outside the rows indexed.
  std::size_t find(const std::vector<vcEdgelet>& edges, long i, long j) const;

  // The first edgelet of `edges` (the list indexed) at or after pixel (i, j) in raster order,
  // or edges.size() when there is none.
  std::size_t atOrAfter(const std::vector<vcEdgelet>& edges, long i, long j) const;

 private:
  struct Around {
    std::uint32_t up = 0, down = 0;  // first neighbour in the row above, below
    std::uint16_t slots = 0;         // bit per occupied slot
  };
  // Finds the neighbours between row j and itself (kOwn) and those between it and the row
  // above, for row j (kOwn) and for the row above (kAbove).
  template <bool kOwn, bool kAbove>
  void linkRow(const vcEdgelet* e, long j);

  long y0_ = 0;
  std::vector<std::uint32_t> rowStart_;  // first edgelet of every row, and one past the last
  std::vector<Around> around_;
};

}  // namespace vc_edge_detail
