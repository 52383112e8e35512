#pragma once

// Each edgelet's neighbours along its edge, for the steps of the edge detector that walk an
// edge from edgelet to edgelet (edge_corner_gaps.h, edge_straight_runs.h):
//
//   vc_edge_detail::EdgeletNeighbours near;  near.build(y0, height, edges);
//   const vc_edge_detail::EdgeLinks links(near, edges);
//   std::size_t from = k, at = links.ahead[k];
//   while (at != vc_edge_detail::kNoLink) {
//     const std::size_t next = links.next(edges, from, at);
//     from = at;
//     at = next;
//   }

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/ip/edge_angle_code.h"
#include "platform/ip/edge_neighbours.h"
#include "platform/ip/edgelet.h"

namespace vc_edge_detail {

inline constexpr std::size_t kNoLink = SIZE_MAX;

// The direction code of the step to each neighbour slot (edge_neighbours.h); slot 4 is the
// pixel itself.
inline constexpr int kStepCode[9] = {160, 192, 224, 128, 0, 0, 96, 64, 32};

// Which side of an edgelet of every code each neighbour slot lies on: 1 ahead (the step turns
// less than 90 degrees from the tangent, code + 64), 0 behind, -1 across (exactly 90 degrees).
inline constexpr auto kLinkSide = [] {
  std::array<std::array<std::int8_t, 9>, 256> side{};
  for (int a = 0; a < 256; ++a)
    for (int slot = 0; slot < 9; ++slot) {
      const int turn = ((kStepCode[slot] - (a + 64)) % 256 + 256) % 256;  // as signedTurn
      const int off = turn >= 128 ? 256 - turn : turn;
      side[std::size_t(a)][std::size_t(slot)] = std::int8_t(off < 64 ? 1 : off == 64 ? -1 : 0);
    }
  return side;
}();

// Each edgelet's neighbour along its edge ahead of it (along its tangent, the gradient turned
// by +90 degrees) and behind it: of the edgelets of its 8 neighbouring pixels that point within
// 90 degrees of it, the one turning least on each side; kNoLink where there is none.
struct EdgeLinks {
  std::vector<std::size_t> ahead, behind;

  // The choice of one edgelet's links, its neighbours offered in the order of forEachByRows
  // with their turns from it (signedTurn).
  struct Choice {
    const std::array<std::int8_t, 9>& sides;
    int bestAhead = 65, bestBehind = 65;
    std::size_t ahead = kNoLink, behind = kNoLink;

    explicit Choice(int code) : sides(kLinkSide[std::size_t(code)]) {}
    void offer(std::size_t m, int slot, int turn) {
      turn = std::abs(turn);
      if (turn > 64) return;  // another edge
      const int side = sides[std::size_t(slot)];
      if (side < 0) return;  // across the edge
      int& best = side > 0 ? bestAhead : bestBehind;
      if (turn < best) {
        best = turn;
        (side > 0 ? ahead : behind) = m;
      }
    }
  };

  // Links for `count` edgelets, none found yet.
  explicit EdgeLinks(std::size_t count) : ahead(count, kNoLink), behind(count, kNoLink) {}

  EdgeLinks(const EdgeletNeighbours& near, const std::vector<vcEdgelet>& edges)
      : EdgeLinks(edges.size()) {
    for (std::size_t k = 0; k < edges.size(); ++k) find(near, edges, k);
  }

  // Links `edges`, the list linked with the edgelets k with added[k] set added in raster order
  // (`near` indexing it): only those and their neighbours are linked anew, the others keep
  // their links, renumbered.
  void insert(const EdgeletNeighbours& near, const std::vector<vcEdgelet>& edges,
              const std::vector<std::uint8_t>& added) {
    // Every edgelet's new index, and those added.
    const std::size_t before = ahead.size();
    std::vector<std::size_t> to(before), fresh;
    for (std::size_t q = 0, k = 0; q < edges.size(); ++q)
      if (added[q])
        fresh.push_back(q);
      else
        to[k++] = q;
    // Renumbered in place from the back: every edgelet moves up or stays.
    const auto moved = [&](std::size_t m) { return m == kNoLink ? kNoLink : to[m]; };
    ahead.resize(edges.size());
    behind.resize(edges.size());
    for (std::size_t k = before; k-- > 0;) {
      const std::size_t a = ahead[k], b = behind[k];
      ahead[to[k]] = moved(a);
      behind[to[k]] = moved(b);
    }
    for (const std::size_t q : fresh) {
      find(near, edges, q);
      near.forEachByRows(q, [&](std::size_t m, int) { find(near, edges, m); });
    }
  }

  // Links edgelet k alone.
  void find(const EdgeletNeighbours& near, const std::vector<vcEdgelet>& edges, std::size_t k) {
    const int a = edges[k].angle().plain();
    Choice choice(a);
    near.forEachByRows(k, [&](std::size_t m, int slot) {
      choice.offer(m, slot, signedTurn(a, edges[m].angle().plain()));
    });
    ahead[k] = choice.ahead;
    behind[k] = choice.behind;
  }

  // The neighbour of `at` along the edge away from `from`: the link that does not lead back,
  // or, where the links are not mutual, the one farther from `from`; kNoLink at the end.
  std::size_t next(const std::vector<vcEdgelet>& edges, std::size_t from, std::size_t at) const {
    const std::size_t a = ahead[at], b = behind[at];
    if (b == from) return a;
    if (a == from) return b;
    const auto away = [&](std::size_t m) {
      if (m == kNoLink) return 0;
      return std::max(std::abs(int(edges[m].get_i()) - int(edges[from].get_i())),
                      std::abs(int(edges[m].get_j()) - int(edges[from].get_j())));
    };
    const std::size_t far = away(a) >= away(b) ? a : b;
    return away(far) >= 2 ? far : kNoLink;
  }
};

}  // namespace vc_edge_detail
