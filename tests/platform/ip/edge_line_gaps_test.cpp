// Gaps between two runs of one straight edge, and one-pixel holes in a curved one: filled along
// the edge where the gap still has the edge's gradient (and, for holes, the runs bend on one
// circle), left where it does not.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "platform/ip/edge_line_gaps.h"

namespace {

using vc_edge_detail::EdgeletNeighbours;

// A 20 x 24 image, 100 left of column 10 and 110 from it on, except rows 8 to 11, which are
// 100 all across when `flatGap`. The Sobel gradient of the step is 40 at columns 9 and 10.
vcPelBuffer<unsigned char> stepImage(bool flatGap) {
  vcPelBuffer<unsigned char> image(20, 24, 32);
  for (long y = 0; y < 24; ++y)
    for (long x = 0; x < 20; ++x)
      image.pointToRow(y)[x] = x >= 10 && !(flatGap && y >= 8 && y <= 11) ? 110 : 100;
  return image;
}

// Edgelets of the step in column 9, rows 0 to 7 and 12 to 19, pointing to +x, at the step.
std::vector<vcEdgelet> twoRuns() {
  std::vector<vcEdgelet> edges;
  for (long j = 0; j < 20; ++j)
    if (j < 8 || j >= 12)
      edges.emplace_back(std::uint16_t(9), std::uint16_t(j), std::uint16_t(40), vcAngle8(0), 9.95f,
                         float(j) + 0.5f);
  return edges;
}

std::vector<vcEdgelet> filled(bool flatGap, vc_edge_detail::GapEnds ends = {}) {
  const vcPelBuffer<unsigned char> image = stepImage(flatGap);
  std::vector<vcEdgelet> edges = twoRuns();
  std::vector<float> positions;
  EdgeletNeighbours near;
  near.build(0, 24, edges);
  vc_edge_detail::EdgeLinks links(near, edges);
  vc_edge_detail::fillLineGaps(image, 40 * 40, 1.0f, near, edges, positions, links, ends);
  EXPECT_EQ(near.size(), edges.size());
  return edges;
}

TEST(EdgeLineGaps, FillsAGapThatHasTheEdgesGradientOnly) {
  // The gap of rows 8 to 11 gets one edgelet per row in column 9, on the chord, pointing the
  // runs' way, in raster order among the rest.
  const std::vector<vcEdgelet> edges = filled(false);
  ASSERT_EQ(edges.size(), 20u);
  for (long j = 0; j < 20; ++j) {
    const vcEdgelet& e = edges[std::size_t(j)];
    EXPECT_EQ(e.get_i(), 9) << j;
    EXPECT_EQ(e.get_j(), j);
    EXPECT_EQ(e.angle().plain(), 0) << j;
    EXPECT_NEAR(e.posQuickX(), 9.95, 1e-3) << j;
    EXPECT_NEAR(e.posQuickY(), j + 0.5, 1e-3) << j;
  }
  // Where the step stops in the gap, the gap is no edge and stays.
  EXPECT_EQ(filled(true).size(), 16u);
  // Limited to fainter ends (quiet images), the gap between these ends of magnitude 40 stays.
  EXPECT_EQ(filled(false, {vc_edge_detail::kQuietGapCodes, 41}).size(), 20u);
  EXPECT_EQ(filled(false, {vc_edge_detail::kQuietGapCodes, 40}).size(), 16u);
}

// A disc of radius 20 about (32, 32), 100 inside and 140 outside, in a 64 x 64 image, and one
// edgelet per pixel of its rim, on the circle, pointing out along the radius, in raster order,
// except the pixel (32, 12) at the top of the rim: a one-pixel hole.
struct RimWithHole {
  vcPelBuffer<unsigned char> image{64, 64, 64};
  std::vector<vcEdgelet> edges;
  RimWithHole() {
    for (long y = 0; y < 64; ++y)
      for (long x = 0; x < 64; ++x)
        image.pointToRow(y)[x] = std::hypot(x + 0.5 - 32, y + 0.5 - 32) < 20 ? 100 : 140;
    std::vector<long> taken;
    for (int s = 0; s < 4096; ++s) {
      const double turn = s * (2.0 * std::numbers::pi / 4096);
      const double x = 32 + 20 * std::cos(turn), y = 32 + 20 * std::sin(turn);
      const long i = long(std::floor(x)), j = long(std::floor(y));
      if ((i == 32 && j == 12) || std::find(taken.begin(), taken.end(), j * 64 + i) != taken.end())
        continue;
      taken.push_back(j * 64 + i);
      edges.emplace_back(std::uint16_t(i), std::uint16_t(j), std::uint16_t(40),
                         vcAngle8(std::uint8_t(std::lround(s / 16.0) & 255)), float(x), float(y));
    }
    std::sort(edges.begin(), edges.end(), [](const vcEdgelet& a, const vcEdgelet& b) {
      return a.get_j() != b.get_j() ? a.get_j() < b.get_j() : a.get_i() < b.get_i();
    });
  }
};

TEST(EdgeLineGaps, FillsAOnePixelHoleInACurvedRimOnly) {
  // The hole at the top of a disc's rim gets an edgelet.
  RimWithHole rim;
  std::vector<float> positions;
  EdgeletNeighbours near;
  near.build(0, 64, rim.edges);
  vc_edge_detail::EdgeLinks links(near, rim.edges);
  const std::size_t before = rim.edges.size();
  vc_edge_detail::fillArcHoles(rim.image, 40 * 40, 1.0f, near, rim.edges, positions, links);
  ASSERT_EQ(rim.edges.size(), before + 1);
  EXPECT_EQ(near.size(), rim.edges.size());
  EXPECT_NE(near.find(rim.edges, 32, 12), rim.edges.size());
  // The links follow the new edgelet as if found afresh.
  const vc_edge_detail::EdgeLinks fresh(near, rim.edges);
  EXPECT_EQ(links.ahead, fresh.ahead);
  EXPECT_EQ(links.behind, fresh.behind);
  // A one-pixel hole in a straight edge, long runs either side, is left to the straight gap
  // fill.
  vcPelBuffer<unsigned char> image(20, 40, 32);
  for (long y = 0; y < 40; ++y)
    for (long x = 0; x < 20; ++x) image.pointToRow(y)[x] = x >= 10 ? 110 : 100;
  std::vector<vcEdgelet> edges;
  for (long j = 0; j < 40; ++j)
    if (j != 20)
      edges.emplace_back(std::uint16_t(9), std::uint16_t(j), std::uint16_t(40), vcAngle8(0), 9.95f,
                         float(j) + 0.5f);
  near.build(0, 40, edges);
  links = vc_edge_detail::EdgeLinks(near, edges);
  vc_edge_detail::fillArcHoles(image, 40 * 40, 1.0f, near, edges, positions, links);
  EXPECT_EQ(edges.size(), 39u);
}

}  // namespace
