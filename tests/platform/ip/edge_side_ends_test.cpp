// The edge detector carries the edgelets of straight sides on to their corners, convex and
// concave, and leaves round edges alone.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "platform/ip/edge_detect.h"
#include "scenes/canvas.h"

namespace {

constexpr double kPi = std::numbers::pi;

vcEdgeletSet detect(const vcPelBuffer_const<unsigned char>& image) {
  vcEdgeletSet set;
  vfEdgeDetectInterpolated(image, vcEdgeletParams(1.0, 15.0, 1), set);
  return set;
}

// How far short of its ends a side from a to b is covered by edgelets that point the side's
// way: its gradient (towards `light`) within 3 codes, within a pixel of its line. Each entry is
// positive when the edgelets stop short of that end.
struct Shortfall {
  double atA, atB;
};

Shortfall sideShortfall(const vcEdgeletSet& set, const vcVector<2>& a, const vcVector<2>& b,
                        const vcVector<2>& light) {
  const double length = (b - a).len();
  const vcVector<2> u = (b - a) / length;
  const vcVector<2> n = (u.perp() * light > 0.0) ? u.perp() : u.perp() * -1.0;
  const int code = int(std::lround(std::atan2(n.y(), n.x()) * 128.0 / kPi)) & 255;
  double lo = length, hi = 0.0;
  for (const vcEdgelet& e : set.edges()) {
    const int turn = int(std::int8_t(std::uint8_t(e.angle().plain() - code)));
    const vcVector<2> p = e.position() - a;
    if (std::abs(turn) > 3 || std::abs(p * n) > 1.0) continue;
    const double t = p * u;
    if (t < -3.0 || t > length + 3.0) continue;
    lo = std::min(lo, t);
    hi = std::max(hi, t);
  }
  return {lo, length - hi};
}

TEST(EdgeSideEnds, SidesOfBlurredSquaresReachTheirCorners) {
  // Turned squares of contrast 70 to 110 under blur 0.5 to 1.5: the edgelets pointing a side's
  // way run on to its corners, 0.24 pixel short on average, where the rounding by the smoothing
  // alone leaves them 3.7 pixels short. Of the two sides at a corner one holds the corner's
  // pixel; the other stops a pixel before it and its last edgelet moves towards the corner,
  // at the tip of a turned square by less (a line tracer could not reach a second pixel in
  // the top row), up to 3.5 pixels short.
  double sum = 0.0;
  int ends = 0;
  for (const double degrees : {0.0, 17.0, 33.0, 45.0, 71.0})
    for (const double blur : {0.5, 1.0, 1.5}) {
      const double contrast = 60.0 + 20.0 * blur;
      vcSceneCanvas canvas(64, 64, 80.0);
      const vcVector<2> centre(32.2, 31.7);
      std::vector<vcVector<2>> corners;
      for (int k = 0; k < 4; ++k)
        corners.push_back(centre + vcVector<2>(20.0, vcRadian(vcDegree(degrees + 90.0 * k))));
      canvas.drawPolygon(corners, 80.0 + contrast);
      canvas.blur(blur);
      const vcEdgeletSet set = detect(canvas.image());
      for (int k = 0; k < 4; ++k) {
        const vcVector<2> a = corners[std::size_t(k)], b = corners[std::size_t((k + 1) % 4)];
        const Shortfall s = sideShortfall(set, a, b, centre - (a + b) * 0.5);
        for (const double end : {s.atA, s.atB}) {
          EXPECT_LT(std::abs(end), 3.6) << degrees << " degrees, blur " << blur << ", side " << k;
          sum += std::abs(end);
          ++ends;
        }
      }
    }
  EXPECT_LT(sum / ends, 0.4) << sum / ends;
}

TEST(EdgeSideEnds, SidesOfACrossReachItsInnerCorners) {
  // A plus of two bars 12 pixels wide: the sides of each arm meet the other bar's sides at four
  // inner corners; each arm's side reaches its inner corner within 1.25 pixel (up to 3.4 pixels
  // short without being carried on; blurred by 1 pixel, the image gets the wide smoothing, which
  // rounds inner corners a few tenths of a pixel further than the narrow one).
  for (const double degrees : {0.0, 25.0}) {
    vcSceneCanvas canvas(80, 80, 70.0);
    const vcVector<2> centre(40.3, 39.6);
    const vcVector<2> u(1.0, vcRadian(vcDegree(degrees))), v = u.perp();
    canvas.drawStroke(centre - u * 30.0, centre + u * 30.0, 12.0, 150.0);
    canvas.drawStroke(centre - v * 30.0, centre + v * 30.0, 12.0, 150.0);
    canvas.blur(1.0);
    const vcEdgeletSet set = detect(canvas.image());
    // The side of each arm from its inner corner to 10 pixels along it, on both sides of it.
    for (const vcVector<2>& arm : {u, v, u * -1.0, v * -1.0})
      for (const double side : {-6.0, 6.0}) {
        const vcVector<2> across = arm.perp() * side;
        const vcVector<2> inner = centre + arm * 6.0 + across;
        const Shortfall s = sideShortfall(set, inner, inner + arm * 10.0, across * -1.0);
        EXPECT_LT(std::abs(s.atA), 1.25) << degrees << " degrees";
      }
  }
}

TEST(EdgeSideEnds, RoundEdgesGetNoStraightEnds) {
  // Discs of radius 8 to 30, sharp and blurred: every edgelet stays on the rim, within half a
  // pixel of it; none sticks out along a tangent.
  for (const double radius : {8.0, 15.0, 30.0})
    for (const double blur : {0.0, 1.0}) {
      vcSceneCanvas canvas(80, 80, 60.0);
      const vcVector<2> centre(40.4, 39.7);
      canvas.drawDisc(centre, radius, 160.0);
      if (blur > 0.0) canvas.blur(blur);
      const vcEdgeletSet set = detect(canvas.image());
      for (const vcEdgelet& e : set.edges())
        ASSERT_LT(std::abs((e.position() - centre).len() - radius), 0.5)
            << "radius " << radius << ", blur " << blur << " at " << e.get_i() << ", " << e.get_j();
    }
}

// Distance from p to the segment a-b.
double toSegment(const vcVector<2>& p, const vcVector<2>& a, const vcVector<2>& b) {
  const vcVector<2> d = b - a;
  const double t = std::clamp((p - a) * d / (d * d), 0.0, 1.0);
  return (p - (a + d * t)).len();
}

TEST(EdgeSideEnds, NoisyRoundEdgesAndBluntCornersAreNotCarriedOn) {
  // Noise makes a few pixels of a round rim look straight, and a blunt corner turns little;
  // carried on along their tangent, such edges would stick out of the outline by a pixel or
  // two. Rings of radius 14 to 30 and octagons (corners of 135 degrees) under blur and noise:
  // no edgelet near the outline lies more than 1.2 pixels off it.
  double worstRing = 0.0, worstOctagon = 0.0;
  for (std::uint32_t seed = 1; seed <= 6; ++seed) {
    vcSceneRandom random(seed);
    vcSceneCanvas canvas(96, 96, 90.0);
    const vcVector<2> centre(47.3, 48.6);
    const double outer = 14.0 + 3.0 * seed;
    canvas.drawRing(centre, outer, outer - 7.0, 160.0);
    canvas.blur(0.4 + 0.15 * seed);
    canvas.addNoise(7.0, random);
    const vcEdgeletSet set = detect(canvas.image());
    for (const vcEdgelet& e : set.edges()) {
      const double r = (e.position() - centre).len();
      const double off = std::min(std::abs(r - outer), std::abs(r - outer + 7.0));
      if (off < 4.0) worstRing = std::max(worstRing, off);
    }
  }
  for (std::uint32_t seed = 1; seed <= 6; ++seed) {
    vcSceneRandom random(seed + 10);
    vcSceneCanvas canvas(96, 96, 150.0);
    const vcVector<2> centre(48.4, 47.2);
    std::vector<vcVector<2>> corners;
    for (int k = 0; k < 8; ++k)
      corners.push_back(centre + vcVector<2>(36.0, vcRadian(vcDegree(7.0 * seed + 45.0 * k))));
    canvas.drawPolygon(corners, 70.0);
    canvas.blur(0.4 + 0.15 * seed);
    canvas.addNoise(4.0, random);
    const vcEdgeletSet set = detect(canvas.image());
    for (const vcEdgelet& e : set.edges()) {
      double off = 1e9;
      for (std::size_t k = 0; k < corners.size(); ++k)
        off = std::min(off, toSegment(e.position(), corners[k], corners[(k + 1) % corners.size()]));
      if (off < 4.0) worstOctagon = std::max(worstOctagon, off);
    }
  }
  EXPECT_LT(worstRing, 1.2) << worstRing;
  EXPECT_LT(worstOctagon, 1.2) << worstOctagon;
}

TEST(EdgeSideEnds, BusySceneKeepsTheEdgeletListInOrder) {
  // Many corners, bars and noise: the list stays in raster order with one edgelet per pixel,
  // every position within a pixel of its pixel's centre; holding positions aside gives the same.
  vcSceneCanvas canvas(120, 90, 90.0);
  for (int k = 0; k < 6; ++k) {
    const vcVector<2> c(20.0 + 17.0 * k, 20.0 + 9.0 * (k % 3));
    const vcVector<2> u(7.0, vcRadian(0.4 * k));
    const std::vector<vcVector<2>> square = {c + u, c + u.perp(), c - u, c - u.perp()};
    canvas.drawPolygon(square, k % 2 ? 160.0 : 30.0);
    canvas.drawStroke(c + vcVector<2>(0.0, 30.0), c + vcVector<2>(9.0, 55.0), 4.0 + k, 170.0);
  }
  canvas.blur(0.8);
  vcSceneRandom random(11);
  canvas.addNoise(4.0, random);
  const vcPelBuffer<unsigned char> image = canvas.image();
  const vcEdgeletSet placed = detect(image);
  const std::vector<vcEdgelet>& edges = placed.edges();
  ASSERT_GT(edges.size(), 500u);
  for (std::size_t k = 1; k < edges.size(); ++k)
    ASSERT_TRUE(
        edges[k - 1].get_j() < edges[k].get_j() ||
        (edges[k - 1].get_j() == edges[k].get_j() && edges[k - 1].get_i() < edges[k].get_i()))
        << k;
  for (const vcEdgelet& e : edges)
    ASSERT_LE(e.position().distance(vcVector<2>(e.get_i() + 0.5, e.get_j() + 0.5)), 1.0);
  vcEdgeletSet aside;
  vfEdgeDetect(image, vcEdgeletParams(1.0, 15.0, 1), aside);
  aside.doEdgeInterp();
  ASSERT_EQ(aside.edges().size(), edges.size());
  for (std::size_t k = 0; k < edges.size(); ++k)
    ASSERT_TRUE(aside.edges()[k].get_i() == edges[k].get_i() &&
                aside.edges()[k].angle() == edges[k].angle() &&
                aside.edges()[k].posQuickX() == edges[k].posQuickX() &&
                aside.edges()[k].posQuickY() == edges[k].posQuickY())
        << k;
}

}  // namespace
