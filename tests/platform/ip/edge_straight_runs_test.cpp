// The edge detector lays the edgelets of a straight edge on its line, so that no circle fits a
// straight edge by the scatter of its edgelets, and leaves the rims of circles where they are.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
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

TEST(EdgeStraightRuns, NoisyStraightEdgesLieOnALineAndRimsStayRound) {
  for (const double noise : {3.0, 6.0, 10.0}) {
    vcSceneRandom random(11);
    vcSceneCanvas canvas(200, 200, 70.0);
    // A straight edge across the top of the image, turned by 17 degrees, and a disc of
    // radius 40 below it.
    const vcVector<2> point(100.3, 40.6), normal(vcVector<2>(1.0, vcRadian(vcDegree(17.0))).perp());
    canvas.drawHalfPlane(point, normal * -1.0, 150.0);
    const vcVector<2> disc(100.4, 135.7);
    const double radius = 40.0;
    canvas.drawDisc(disc, radius, 160.0);
    canvas.blur(1.0);
    canvas.addNoise(noise, random);
    const vcEdgeletSet set = detect(canvas.image());

    // The edge's edgelets, 20 pixels clear of the image's sides, in order along it: most lie
    // on the line through their two neighbours to within a hundredth of a pixel, where the
    // noise alone scatters them by a tenth. (Noise may cut the edge into a few pieces, each on
    // a line of its own.)
    const vcVector<2> along = normal.perp();
    std::vector<std::pair<double, vcVector<2>>> points;
    for (const vcEdgelet& e : set.edges()) {
      const vcVector<2> p = e.position();
      if (std::abs((p - point) * normal) < 1.0 && p.x() > 20.0 && p.x() < 180.0)
        points.push_back({(p - point) * along, p});
    }
    ASSERT_GE(points.size(), 120u) << "noise " << noise;
    std::sort(points.begin(), points.end(),
              [](const auto& p, const auto& q) { return p.first < q.first; });
    long inLine = 0;
    for (std::size_t m = 1; m + 1 < points.size(); ++m) {
      const vcVector<2> chord = points[m + 1].second - points[m - 1].second;
      const double off = (points[m].second - points[m - 1].second) * chord.perp() / chord.len();
      inLine += std::abs(off) < 0.01 ? 1 : 0;
    }
    EXPECT_GE(double(inLine), 0.9 * double(points.size() - 2)) << "noise " << noise;

    // The rim: its edgelets keep their distance from the centre, on average and each.
    double sum = 0.0, worst = 0.0;
    long count = 0;
    for (const vcEdgelet& e : set.edges()) {
      const double d = e.position().distance(disc) - radius;
      if (std::abs(d) > 1.5) continue;
      sum += d;
      worst = std::max(worst, std::abs(d));
      ++count;
    }
    ASSERT_GT(count, 200) << "noise " << noise;
    EXPECT_LT(std::abs(sum / double(count)), 0.05) << "noise " << noise;
    EXPECT_LT(worst, 0.2 + 0.03 * noise) << "noise " << noise;
  }
}

}  // namespace
