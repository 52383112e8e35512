// Gaps between two runs of one straight edge: filled along the edge where the gap still has
// the edge's gradient, left where it does not.

#include <gtest/gtest.h>

#include <cstdint>
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

std::vector<vcEdgelet> filled(bool flatGap) {
  const vcPelBuffer<unsigned char> image = stepImage(flatGap);
  std::vector<vcEdgelet> edges = twoRuns();
  std::vector<float> positions;
  EdgeletNeighbours near;
  near.build(0, 24, edges);
  vc_edge_detail::fillLineGaps(image, 40 * 40, 1.0f, near, edges, positions);
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
}

}  // namespace
