// The edge detector parts an edge where it turns at a corner, so that no run of neighbouring
// edgelets of like direction goes round the corner, and leaves round edges in one piece.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "platform/ip/edge_detect.h"
#include "scenes/canvas.h"
#include "scenes/random.h"

namespace {

vcEdgeletSet detect(const vcPelBuffer_const<unsigned char>& image) {
  vcEdgeletSet set;
  vfEdgeDetectInterpolated(image, vcEdgeletParams(1.0, 15.0, 1), set);
  return set;
}

// The runs of an edgelet set: edgelets joined when they are 8-neighbours whose directions
// differ by at most 45 degrees, as a tracker that links like directions would join them. The
// run label of every edgelet.
std::vector<std::size_t> runsOf(const vcEdgeletSet& set) {
  const std::vector<vcEdgelet>& edges = set.edges();
  std::vector<std::size_t> parent(edges.size());
  std::iota(parent.begin(), parent.end(), std::size_t(0));
  const auto root = [&](std::size_t k) {
    while (parent[k] != k) k = parent[k] = parent[parent[k]];
    return k;
  };
  for (std::size_t a = 0; a < edges.size(); ++a)
    for (std::size_t b = a + 1; b < edges.size() && edges[b].get_j() <= edges[a].get_j() + 1; ++b) {
      const int di = std::abs(int(edges[a].get_i()) - int(edges[b].get_i()));
      const int turn =
          int(std::int8_t(std::uint8_t(edges[b].angle().plain() - edges[a].angle().plain())));
      if (di <= 1 && std::abs(turn) <= 32) parent[root(a)] = root(b);
    }
  std::vector<std::size_t> label(edges.size());
  for (std::size_t k = 0; k < edges.size(); ++k) label[k] = root(k);
  return label;
}

// The side of the polygon whose middle part (more than `margin` pixels from both corners)
// holds p within a pixel of its line, or -1.
int sideOf(const std::vector<vcVector<2>>& corners, const vcVector<2>& p, double margin) {
  for (std::size_t k = 0; k < corners.size(); ++k) {
    const vcVector<2> a = corners[k], b = corners[(k + 1) % corners.size()];
    const double length = (b - a).len();
    const vcVector<2> u = (b - a) / length;
    const double t = (p - a) * u;
    if (std::abs((p - a) * u.perp()) <= 1.0 && t > margin && t < length - margin) return int(k);
  }
  return -1;
}

TEST(EdgeCornerGaps, NoRunGoesRoundAPolygonCorner) {
  // Regular polygons of 8, 10 and 12 corners (turns of 45 down to 30 degrees), turned, sharp
  // and blurred: every run of like-direction edgelets holds the middle of one side at most.
  // Without the parting, the gradient turning by a few degrees per pixel round each rounded
  // corner joins the sides into one run.
  for (const int n : {8, 10, 12})
    for (const double degrees : {0.0, 13.0, 31.0})
      for (const double blur : {0.3, 1.0, 1.5}) {
        vcSceneCanvas canvas(96, 96, 70.0);
        const vcVector<2> centre(48.3, 47.8);
        std::vector<vcVector<2>> corners;
        for (int k = 0; k < n; ++k)
          corners.push_back(centre +
                            vcVector<2>(36.0, vcRadian(vcDegree(degrees + 360.0 * k / n))));
        canvas.drawPolygon(corners, 160.0);
        canvas.blur(blur);
        const vcEdgeletSet set = detect(canvas.image());
        const std::vector<std::size_t> runs = runsOf(set);
        std::vector<int> sideOfRun(set.edges().size(), -1);
        for (std::size_t k = 0; k < runs.size(); ++k) {
          const int side = sideOf(corners, set.edges()[k].position(), 5.0);
          if (side < 0) continue;
          int& first = sideOfRun[runs[k]];
          EXPECT_TRUE(first < 0 || first == side)
              << n << " corners, " << degrees << " degrees, blur " << blur << ": sides " << first
              << " and " << side << " in one run";
          first = side;
        }
      }
}

TEST(EdgeCornerGaps, BarEndsArePartedFromTheirSides) {
  // Bars 4 to 8 pixels wide, blurred: the end and the two long sides are runs of their own, so
  // the end and its corners do not pass for half a circle.
  for (const double width : {4.0, 6.0, 8.0})
    for (const double degrees : {0.0, 20.0, 45.0}) {
      vcSceneCanvas canvas(96, 96, 150.0);
      const vcVector<2> centre(48.4, 47.7);
      const vcVector<2> u(1.0, vcRadian(vcDegree(degrees)));
      canvas.drawStroke(centre - u * 30.0, centre + u * 30.0, width, 60.0);
      canvas.blur(1.5);
      const vcEdgeletSet set = detect(canvas.image());
      const std::vector<std::size_t> runs = runsOf(set);
      // Each long side's middle, and the run labels found there.
      std::vector<std::size_t> sideRuns[2];
      for (std::size_t k = 0; k < runs.size(); ++k) {
        const vcVector<2> p = set.edges()[k].position() - centre;
        const double along = p * u, across = p * u.perp();
        if (std::abs(along) < 20.0 && std::abs(std::abs(across) - width / 2) < 1.0)
          sideRuns[across > 0.0 ? 1 : 0].push_back(runs[k]);
      }
      ASSERT_FALSE(sideRuns[0].empty() || sideRuns[1].empty()) << width << ", " << degrees;
      bool joined = false;
      for (const std::size_t a : sideRuns[0])
        for (const std::size_t b : sideRuns[1]) joined = joined || a == b;
      EXPECT_FALSE(joined) << "width " << width << ", " << degrees << " degrees";
    }
}

// The share of the edgelets within 1.5 pixels of a circle's rim that lie in the largest run.
double largestRunShare(const vcEdgeletSet& set, const vcVector<2>& centre, double radius) {
  const std::vector<std::size_t> runs = runsOf(set);
  std::vector<long> count(runs.size(), 0);
  long rim = 0;
  for (std::size_t k = 0; k < runs.size(); ++k)
    if (std::abs(set.edges()[k].position().distance(centre) - radius) < 1.5) {
      ++count[runs[k]];
      ++rim;
    }
  return double(*std::max_element(count.begin(), count.end())) / double(std::max(rim, 1L));
}

TEST(EdgeCornerGaps, BinaryDiscsStayInOnePiece) {
  // Discs of two grey levels, each pixel in or out by its centre: the rim steps from pixel to
  // pixel and its direction turns in bursts between straight runs of pixels, most at the
  // axes, but the bursts are too small and too close to part it.
  for (const double radius : {6.0, 10.0, 20.0, 33.0, 60.0})
    for (const double shift : {0.0, 0.25, 0.5}) {
      const long size = long(2.0 * radius + 24.0);
      vcPelBuffer<unsigned char> image(size, size, 32);
      const vcVector<2> centre(size / 2.0 + shift, size / 2.0 + shift / 3.0);
      for (long y = 0; y < size; ++y)
        for (long x = 0; x < size; ++x)
          image.pointToRow(y)[x] =
              vcVector<2>(x + 0.5, y + 0.5).distance(centre) <= radius ? 210 : 40;
      EXPECT_GE(largestRunShare(detect(image), centre, radius), 0.98)
          << "radius " << radius << ", shift " << shift;
    }
}

TEST(EdgeCornerGaps, DiscsStayInOnePiece) {
  // Discs of radius 6 to 80, sharp to blurred, clean and with noise: the direction turns at one
  // rate all round, so no corner is found and the rim stays one run.
  for (const double radius : {6.0, 9.0, 15.0, 30.0, 50.0, 80.0})
    for (const double blur : {0.0, 0.3, 1.0, 1.5})
      for (const double noise : {0.0, 3.0}) {
        const long size = long(2.0 * radius + 24.0);
        vcSceneCanvas canvas(size, size, 80.0);
        const vcVector<2> centre(size / 2.0 + 0.3, size / 2.0 - 0.2);
        canvas.drawDisc(centre, radius, 170.0);
        if (blur > 0.0) canvas.blur(blur);
        vcSceneRandom random(std::uint32_t(radius * 10 + blur * 3));
        if (noise > 0.0) canvas.addNoise(noise, random);
        EXPECT_GE(largestRunShare(detect(canvas.image()), centre, radius), 0.98)
            << "radius " << radius << ", blur " << blur << ", noise " << noise;
      }
}

}  // namespace
