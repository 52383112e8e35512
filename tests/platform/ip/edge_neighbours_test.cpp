// The neighbour index of the edge detector's later steps finds the same neighbours, in the
// same orders, as a search of a pixel map, and refuses lists it cannot index.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "platform/base/exception.h"
#include "platform/ip/edge_neighbours.h"

namespace {

using vc_edge_detail::EdgeletNeighbours;

// Edgelets on a random share of the pixels of a width x height window whose rows start at y0,
// in raster order.
std::vector<vcEdgelet> scatter(long width, long height, long y0, double share, unsigned seed) {
  std::mt19937 rng(seed);
  std::bernoulli_distribution on(share);
  std::vector<vcEdgelet> edges;
  for (long j = 0; j < height; ++j)
    for (long i = 0; i < width; ++i)
      if (on(rng))
        edges.emplace_back(std::uint16_t(i), std::uint16_t(j + y0), 10, vcAngle8(std::uint8_t(0)),
                           float(i) + 0.5f, float(j + y0) + 0.5f);
  return edges;
}

using Visit = std::pair<std::size_t, int>;  // neighbour, slot

// The neighbours of edgelet k from a pixel map: rows above and below in column order, the
// edgelet's own row in between, or before them when rowFirst.
std::vector<Visit> searched(const std::vector<vcEdgelet>& edges,
                            const std::vector<long>& map, long width, long height, long y0,
                            std::size_t k, bool rowFirst) {
  const long i = edges[k].get_i(), j = long(edges[k].get_j()) - y0;
  std::vector<Visit> visits;
  const auto look = [&](long dj) {
    for (long di = -1; di <= 1; ++di) {
      if ((di == 0 && dj == 0) || i + di < 0 || i + di >= width || j + dj < 0 || j + dj >= height)
        continue;
      const long m = map[std::size_t((j + dj) * width + i + di)];
      if (m >= 0) visits.emplace_back(std::size_t(m), int(3 * (dj + 1) + di + 1));
    }
  };
  if (rowFirst) look(0);
  look(-1);
  if (!rowFirst) look(0);
  look(1);
  return visits;
}

// Every edgelet's neighbours, both orders, and every pixel's edgelet, as a pixel map search
// finds them.
void expectLikeSearch(const EdgeletNeighbours& near, const std::vector<vcEdgelet>& edges,
                      long width, long height, long y0) {
  std::vector<long> map(std::size_t(width * height), -1);
  for (std::size_t k = 0; k < edges.size(); ++k)
    map[std::size_t((long(edges[k].get_j()) - y0) * width + edges[k].get_i())] = long(k);
  ASSERT_EQ(near.size(), edges.size());
  for (std::size_t k = 0; k < edges.size(); ++k) {
    std::vector<Visit> byRows, rowFirst;
    near.forEachByRows(k, [&](std::size_t m, int slot) { byRows.emplace_back(m, slot); });
    near.forEachRowFirst(k, [&](std::size_t m, int slot) { rowFirst.emplace_back(m, slot); });
    EXPECT_EQ(byRows, searched(edges, map, width, height, y0, k, false)) << "edgelet " << k;
    EXPECT_EQ(rowFirst, searched(edges, map, width, height, y0, k, true)) << "edgelet " << k;
    EXPECT_EQ(near.alone(k), byRows.empty());
  }
  // Every pixel of the window, and rows and columns beyond it, in raster order.
  std::size_t earlier = 0;  // edgelets before the pixel
  for (long j = -1; j <= height; ++j)
    for (long i = -1; i <= width; ++i) {
      const bool inside = i >= 0 && i < width && j >= 0 && j < height;
      const long m = inside ? map[std::size_t(j * width + i)] : -1;
      EXPECT_EQ(near.find(edges, i, j + y0), m >= 0 ? std::size_t(m) : edges.size())
          << "pixel " << i << ", " << j;
      EXPECT_EQ(near.atOrAfter(edges, i, j + y0), earlier) << "pixel " << i << ", " << j;
      if (m >= 0) ++earlier;
    }
}

TEST(EdgeNeighbours, FindsWhatAPixelMapSearchFinds) {
  // Sparse to full windows, narrow and wide, with rows counted from an offset; the window's
  // first and last rows and columns have fewer neighbours.
  for (const double share : {0.05, 0.3, 0.7, 1.0})
    for (const long width : {1L, 2L, 9L, 40L})
      for (const long y0 : {0L, 17L}) {
        const long height = 13;
        const std::vector<vcEdgelet> edges =
            scatter(width, height, y0, share, unsigned(1000 * share) + unsigned(width));
        EdgeletNeighbours near;
        near.build(y0, height, edges);
        expectLikeSearch(near, edges, width, height, y0);
      }
}

TEST(EdgeNeighbours, UpdatedAfterAdditionsOrRemovalsFindsWhatASearchFinds) {
  // Edgelets added to sparse and dense windows, or removed from them: in single rows, in rows
  // next to each other, in the first and last rows, and a row that had none or has none left.
  for (const double share : {0.1, 0.5, 0.9})
    for (const unsigned seed : {1u, 2u, 3u}) {
      const long width = 20, height = 11, y0 = 4;
      std::vector<vcEdgelet> all = scatter(width, height, y0, 1.0, 0);
      std::mt19937 rng(seed);
      std::bernoulli_distribution kept(share), rowAdded(0.3);
      std::vector<bool> adds(static_cast<std::size_t>(height), false);
      for (long j = 0; j < height; ++j) adds[std::size_t(j)] = rowAdded(rng);
      adds[std::size_t(seed % 2 == 0 ? 0 : height - 1)] = true;
      std::vector<vcEdgelet> before, after;
      for (const vcEdgelet& e : all) {
        const bool inBefore = kept(rng) && !(seed == 3 && e.get_j() == y0 + 5);
        const bool inAfter = inBefore || (adds[std::size_t(e.get_j() - y0)] && kept(rng));
        if (inBefore) before.push_back(e);
        if (inAfter) after.push_back(e);
      }
      EdgeletNeighbours near;
      near.build(y0, height, before);
      near.update(after);
      expectLikeSearch(near, after, width, height, y0);
      near.build(y0, height, after);
      near.update(before);
      expectLikeSearch(near, before, width, height, y0);
      // The same removals, and additions, marked edgelet by edgelet.
      std::vector<std::uint8_t> gone;
      for (std::size_t k = 0, b = 0; k < after.size(); ++k) {
        const bool kept = b < before.size() && before[b].get_i() == after[k].get_i() &&
                          before[b].get_j() == after[k].get_j();
        gone.push_back(kept ? 0 : 1);
        b += kept ? 1 : 0;
      }
      near.build(y0, height, after);
      near.remove(gone);
      expectLikeSearch(near, before, width, height, y0);
      // And the additions.
      near.build(y0, height, before);
      near.insert(after, gone);
      expectLikeSearch(near, after, width, height, y0);
    }
}

TEST(EdgeNeighbours, IndexesAnEmptyList) {
  EdgeletNeighbours near;
  near.build(5, 3, {});
  EXPECT_EQ(near.size(), 0u);
  EXPECT_EQ(near.find({}, 0, 6), 0u);
}

TEST(EdgeNeighbours, RefusesListsOutOfRasterOrderAndRowsThatGrowAndShrink) {
  const auto at = [](int i, int j) {
    return vcEdgelet(std::uint16_t(i), std::uint16_t(j), 10, vcAngle8(std::uint8_t(0)), 0.5f,
                     0.5f);
  };
  EdgeletNeighbours near;
  EXPECT_THROW(near.build(0, 4, {at(3, 1), at(2, 1)}), vcAssertionFailure);  // columns back
  EXPECT_THROW(near.build(0, 4, {at(2, 1), at(2, 1)}), vcAssertionFailure);  // one pixel twice
  EXPECT_THROW(near.build(0, 4, {at(2, 2), at(5, 1)}), vcAssertionFailure);  // rows back
  EXPECT_THROW(near.build(2, 4, {at(2, 1)}), vcAssertionFailure);            // above the rows
  EXPECT_THROW(near.build(0, 4, {at(2, 4)}), vcAssertionFailure);            // below them
  // An update adds edgelets only or removes them only; a refused one leaves the index as it
  // was.
  const std::vector<vcEdgelet> two = {at(1, 1), at(2, 2)};
  near.build(0, 4, two);
  EXPECT_THROW(near.update({at(1, 1), at(3, 3)}), vcAssertionFailure);
  EXPECT_THROW(near.update({at(2, 2), at(1, 1)}), vcAssertionFailure);
  EXPECT_THROW(near.remove({0}), vcAssertionFailure);                           // a mark short
  EXPECT_THROW(near.insert({at(1, 1), at(2, 2)}, {0, 1}), vcAssertionFailure);  // one too few
  // Added out of raster order, or below the rows.
  EXPECT_THROW(near.insert({at(1, 1), at(0, 1), at(2, 2)}, {0, 1, 0}), vcAssertionFailure);
  EXPECT_THROW(near.insert({at(1, 1), at(2, 2), at(1, 4)}, {0, 0, 1}), vcAssertionFailure);
  EXPECT_EQ(near.size(), 2u);
  EXPECT_EQ(near.find(two, 2, 2), 1u);
}

}  // namespace
