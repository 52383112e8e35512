// Directions steadied along an edge: noise between neighbours evens out, a neighbour of a
// different direction does not pull, and pixels, positions and magnitudes stay; the bent ends
// of a steady run take its direction.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/ip/edge_direction_smooth.h"

namespace {

using vc_edge_detail::EdgeletNeighbours;

vcEdgelet at(long i, long j, int code) {
  return vcEdgelet(std::uint16_t(i), std::uint16_t(j), std::uint16_t(20 + i),
                   vcAngle8(std::uint8_t(code)), float(i) + 0.5f, float(j) + 0.25f);
}

std::vector<vcEdgelet> smoothed(std::vector<vcEdgelet> edges) {
  EdgeletNeighbours near;
  near.build(0, 4, edges);
  vc_edge_detail::smoothDirections(near, edges);
  return edges;
}

TEST(EdgeDirectionSmooth, EvensOutNoiseAlongARowAndKeepsTheRest) {
  // A row of edgelets whose directions alternate 6 codes either side of 64, across code 0 for
  // the second row (250 and 6 average to 0, not 128).
  std::vector<vcEdgelet> edges;
  for (long i = 0; i < 8; ++i) edges.push_back(at(i, 1, i % 2 ? 70 : 58));
  for (long i = 0; i < 8; ++i) edges.push_back(at(i, 3, i % 2 ? 6 : 250));
  const std::vector<vcEdgelet> out = smoothed(edges);
  for (std::size_t k = 0; k < out.size(); ++k) {
    const int centre = k < 8 ? 64 : 0;
    const int interior = k % 8 != 0 && k % 8 != 7;
    const int off = std::int8_t(std::uint8_t(out[k].angle().plain() - centre));
    EXPECT_LE(std::abs(off), interior ? 2 : 4) << k;
    EXPECT_EQ(out[k].get_i(), edges[k].get_i());
    EXPECT_EQ(out[k].get_j(), edges[k].get_j());
    EXPECT_EQ(out[k].magnitude(), edges[k].magnitude());
    EXPECT_EQ(out[k].posQuickX(), edges[k].posQuickX());
    EXPECT_EQ(out[k].posQuickY(), edges[k].posQuickY());
  }
}

TEST(EdgeDirectionSmooth, NeighbourOfAnotherDirectionDoesNotPull) {
  // Two edges meeting square: each keeps its own direction.
  const std::vector<vcEdgelet> out = smoothed({at(1, 1, 64), at(2, 1, 64), at(3, 2, 0)});
  EXPECT_EQ(out[0].angle().plain(), 64);
  EXPECT_EQ(out[1].angle().plain(), 64);
  EXPECT_EQ(out[2].angle().plain(), 0);
}

TEST(EdgeDirectionSmooth, EndsOfASteadyRunTakeItsDirection) {
  // Row 1: a straight run whose first three edgelets bend away as at a rounded corner; they take
  // the run's direction, the rest stay within a code of their own. Row 3: a run turning 8 codes
  // a step, like a small circle, is not steady and keeps every direction.
  std::vector<vcEdgelet> edges;
  const int bent[] = {90, 80, 72};
  for (long i = 0; i < 14; ++i) edges.push_back(at(i, 1, i < 3 ? bent[i] : 64 + int(i % 2)));
  for (long i = 0; i < 10; ++i) edges.push_back(at(i, 3, 8 * int(i)));
  EdgeletNeighbours near;
  near.build(0, 4, edges);
  std::vector<vcEdgelet> out = edges;
  vc_edge_detail::steadyEdgeEnds(near, out);
  for (std::size_t k = 0; k < edges.size(); ++k) {
    const int own = k < 3 ? 65 : edges[k].angle().plain();
    EXPECT_LE(std::abs(out[k].angle().plain() - own), k < 14 ? 1 : 0) << k;
  }
}

}  // namespace
