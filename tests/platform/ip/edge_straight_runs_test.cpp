// The edge detector lays the edgelets of a straight edge on its line, so that no circle fits a
// straight edge by the scatter of its edgelets, and leaves the rims of circles where they are.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
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

// Noise cuts a long straight edge into pieces by direction; laid each on its own line, the
// pieces would leave the edge bent by their small differences, which is what a circle fits.
// The pieces come out on one line.
TEST(EdgeStraightRuns, LongNoisySidesLieOnOneLine) {
  for (const std::uint32_t seed : {3u, 4u, 5u, 6u}) {
    // A straight edge of contrast 50 across the image, turned by 8 degrees, blurred, in noise
    // of 10 grey levels sigma.
    vcSceneRandom random(seed);
    vcSceneCanvas canvas(240, 120, 70.0);
    const vcVector<2> point(120.3, 60.6), normal(vcVector<2>(1.0, vcRadian(vcDegree(8.0))).perp());
    canvas.drawHalfPlane(point, normal * -1.0, 120.0);
    canvas.blur(1.2);
    canvas.addNoise(10.0, random);
    const vcEdgeletSet set = detect(canvas.image());

    // The edge's edgelets, 30 pixels clear of the image's sides, and their line.
    std::vector<vcVector<2>> points;
    for (const vcEdgelet& e : set.edges()) {
      const vcVector<2> p = e.position();
      if (std::abs((p - point) * normal) < 1.5 && p.x() > 30.0 && p.x() < 210.0)
        points.push_back(p);
    }
    ASSERT_GE(points.size(), 170u) << "seed " << seed;
    vcVector<2> mean(0.0, 0.0);
    for (const vcVector<2>& p : points) mean += p;
    mean = mean / double(points.size());
    double sxx = 0.0, syy = 0.0, sxy = 0.0;
    for (const vcVector<2>& p : points) {
      sxx += (p.x() - mean.x()) * (p.x() - mean.x());
      syy += (p.y() - mean.y()) * (p.y() - mean.y());
      sxy += (p.x() - mean.x()) * (p.y() - mean.y());
    }
    const vcVector<2> along(1.0, vcRadian(0.5 * std::atan2(2.0 * sxy, sxx - syy)));
    // All but a stray edgelet or two lie on that line to within a fiftieth of a pixel, where
    // the noise alone scatters them by a tenth and the pieces' lines differ by as much.
    long onLine = 0;
    for (const vcVector<2>& p : points)
      onLine += std::abs((p - mean) * along.perp()) < 0.02 ? 1 : 0;
    EXPECT_GE(onLine, long(points.size()) - 2) << "seed " << seed;
  }
}

}  // namespace
