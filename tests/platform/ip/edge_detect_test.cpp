// The edge detector's readings, peak selection, order, coordinates and argument checks.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "platform/base/exception.h"
#include "platform/ip/edge_angle_code.h"
#include "platform/ip/edge_detect.h"
#include "scenes/canvas.h"

namespace {

// An image whose pixel (x, y) is f(x, y).
template <class F>
vcPelBuffer<unsigned char> drawn(long w, long h, F f) {
  vcPelBuffer<unsigned char> image(w, h, 32);
  for (long y = 0; y < h; ++y)
    for (long x = 0; x < w; ++x) image.put(x, y, (unsigned char)f(x, y));
  return image;
}

vcEdgeletSet detect(const vcPelBuffer_const<unsigned char>& image, double magThresh,
                    double magScale = 1.0) {
  vcEdgeletParams params(magScale, magThresh, 1);
  vcEdgeletSet set;
  vfEdgeDetect(image, params, set, nullptr, 0);
  return set;
}

TEST(EdgeDetect, MagnitudeReadsGreyLevelsPerPixelAndAngleFollowsTheLightSide) {
  // A ramp of slope 1 reads 1 inside; a step of contrast 100 peaks at 50.
  vcPelBuffer<unsigned char> magnitude, angle;
  const vcEdgeletParams params;
  vfEdgeDetect(drawn(12, 6, [](long x, long) { return 3 * x; }), vcEdgeletParams(1.0 / 3.0),
               magnitude, angle);
  EXPECT_EQ(magnitude.get(5, 3), 1);
  vfEdgeDetect(drawn(12, 6, [](long x, long) { return x < 6 ? 50 : 150; }), params, magnitude,
               angle);
  EXPECT_EQ(magnitude.get(5, 3), 50);
  EXPECT_EQ(magnitude.get(6, 3), 50);
  EXPECT_EQ(magnitude.get(2, 3), 0);

  // Light to the right, below, left, above: codes 0, 64, 128, 192.
  const long codes[] = {0, 64, 128, 192};
  for (int k = 0; k < 4; ++k) {
    const auto light = [k](long x, long y) {
      const long side[] = {x - 6, y - 6, 5 - x, 5 - y};
      return side[k] >= 0 ? 200 : 40;
    };
    vfEdgeDetect(drawn(12, 12, light), params, magnitude, angle);
    EXPECT_EQ(angle.get(6, 6), codes[k]) << "direction " << k;
    const vcEdgeletSet set = detect(drawn(12, 12, light), 20.0);
    ASSERT_FALSE(set.edges().empty());
    EXPECT_EQ(set.edges().front().angle().plain(), codes[k]);
  }

  // magScale scales the readings; the 8-bit image saturates at 255, the edgelets at 65535.
  vfEdgeDetect(drawn(12, 6, [](long x, long) { return x < 6 ? 0 : 200; }),
               vcEdgeletParams(1000.0, 20.0, 1), magnitude, angle);
  EXPECT_EQ(magnitude.get(5, 3), 255);
  const vcEdgeletSet loud =
      detect(drawn(12, 6, [](long x, long) { return x < 6 ? 0 : 200; }), 20.0, 1000.0);
  ASSERT_FALSE(loud.edges().empty());
  EXPECT_EQ(loud.edges().front().magnitude(), 65535);
  const vcEdgeletSet doubled =
      detect(drawn(12, 6, [](long x, long) { return x < 6 ? 0 : 100; }), 20.0, 2.0);
  EXPECT_EQ(doubled.edges().front().magnitude(), 100);
}

TEST(EdgeDetect, AngleTableGivesTheNearestCode) {
  // Against atan2 over every gradient of a grid, away from exact half-code ties.
  const vc_edge_detail::AngleCoder& coder = vc_edge_detail::AngleCoder::instance();
  long checked = 0;
  for (int gx = -1020; gx <= 1020; gx += 7)
    for (int gy = -1020; gy <= 1020; gy += 11) {
      if (gx == 0 && gy == 0) continue;
      const double codes = std::atan2(gy, gx) * 128.0 / std::numbers::pi;
      if (std::fabs(codes - std::floor(codes) - 0.5) < 0.02) continue;
      const long expected = std::lround(codes) & 255;
      ASSERT_EQ(coder.code(gx, gy), expected) << gx << ", " << gy;
      ++checked;
    }
  EXPECT_GT(checked, 40000);
  EXPECT_EQ(coder.code(0, 0), 0);
}

TEST(EdgeDetect, OnePeakAcrossEachEdgeInRasterOrder) {
  // A dark bar 2 pixels wide: two edges of opposite directions, each a peak of its own, one
  // edgelet per row on each, at the bar's sides x = 7 and x = 9.
  vcEdgeletSet bar =
      detect(drawn(16, 10, [](long x, long) { return x == 7 || x == 8 ? 30 : 180; }), 20.0);
  bar.doEdgeInterp();
  ASSERT_EQ(bar.edges().size(), 20u);
  for (std::size_t k = 0; k < bar.edges().size(); ++k) {
    const vcEdgelet& e = bar.edges()[k];
    const bool left = k % 2 == 0;
    EXPECT_EQ(e.get_j(), k / 2);
    EXPECT_EQ(e.angle().plain(), left ? 128 : 0);
    EXPECT_NEAR(e.posQuickX(), left ? 7.0 : 9.0, 1e-5);
  }

  // A blurred disc with noise: strictly increasing raster positions, so one per pixel.
  vcSceneCanvas canvas(64, 64, 40.0);
  canvas.drawDisc(vcVector<2>(31.3, 32.8), 20.0, 200.0);
  canvas.blur(1.2);
  vcSceneRandom random(3);
  canvas.addNoise(4.0, random);
  const vcEdgeletSet disc = detect(canvas.image(), 15.0);
  ASSERT_GT(disc.edges().size(), 100u);
  for (std::size_t k = 1; k < disc.edges().size(); ++k) {
    const vcEdgelet& a = disc.edges()[k - 1];
    const vcEdgelet& b = disc.edges()[k];
    EXPECT_TRUE(a.get_j() < b.get_j() || (a.get_j() == b.get_j() && a.get_i() < b.get_i()));
  }

  // The threshold counts when reached exactly: a step of 40 peaks at 20.
  const auto step = drawn(10, 4, [](long x, long) { return x < 5 ? 0 : 40; });
  EXPECT_EQ(detect(step, 20.0).edges().size(), 4u);
  EXPECT_TRUE(detect(step, 20.01).edges().empty());
  EXPECT_TRUE(detect(drawn(10, 4, [](long, long) { return 90; }), 0.0).edges().empty());
}

TEST(EdgeDetect, WindowGivesTheRootsEdgeletsInImageCoordinates) {
  vcSceneCanvas canvas(60, 50, 50.0);
  canvas.drawDisc(vcVector<2>(30.2, 24.7), 14.0, 170.0);
  canvas.blur(1.0);
  vcPelBuffer<unsigned char> root = canvas.image();
  root.clientFromImageXform(
      vcXform<2>(vcVector<2>(5.0, -2.0), 0.5, 1.0, vcRadian(0.0), vcRadian(0.3)));
  vcEdgeletSet whole = detect(root, 15.0);
  vcEdgeletSet part = detect(root.window(5, 1, 50, 48), 15.0);
  whole.doEdgeInterp();
  part.doEdgeInterp();
  EXPECT_EQ(part.clientFromImageXform().mapPoint(vcVector<2>(1.0, 1.0)),
            root.clientFromImageXform().mapPoint(vcVector<2>(1.0, 1.0)));

  // The disc lies inside the window with 8 pixels to spare: the same edgelets, the same
  // positions.
  ASSERT_EQ(part.edges().size(), whole.edges().size());
  for (std::size_t k = 0; k < part.edges().size(); ++k) {
    EXPECT_EQ(part.edges()[k].get_i(), whole.edges()[k].get_i());
    EXPECT_EQ(part.edges()[k].get_j(), whole.edges()[k].get_j());
    EXPECT_EQ(part.edges()[k].posQuickX(), whole.edges()[k].posQuickX());
    EXPECT_EQ(part.edges()[k].posQuickY(), whole.edges()[k].posQuickY());
  }
}

TEST(EdgeDetect, InterpolationMovesAlongTheGradientOnce) {
  vcSceneCanvas canvas(20, 20, 60.0);
  const vcVector<2> normal(std::cos(0.4), std::sin(0.4));
  canvas.drawHalfPlane(vcVector<2>(10.3, 10.0), normal, 160.0);
  canvas.blur(0.8);
  vcEdgeletSet set = detect(canvas.image(), 10.0);
  ASSERT_FALSE(set.edges().empty());
  const vcEdgelet before = set.edges()[set.edges().size() / 2];
  EXPECT_EQ(before.position(), vcVector<2>(before.get_i() + 0.5, before.get_j() + 0.5));

  set.doEdgeInterp();
  const vcEdgelet after = set.edges()[set.edges().size() / 2];
  const vcVector<2> moved = after.position() - before.position();
  EXPECT_GT(moved.len(), 0.01);
  EXPECT_LE(moved.len(), 1.0);
  // Along the gradient: no component along the tangent beyond the code's rounding.
  const double code = after.angle().plain() * std::numbers::pi / 128.0;
  EXPECT_NEAR(moved.cross(vcVector<2>(std::cos(code), std::sin(code))), 0.0,
              0.02 * moved.len() + 1e-6);
  set.doEdgeInterp();
  EXPECT_EQ(set.edges()[set.edges().size() / 2].position(), after.position());

  // The tangent piece: unit length across the gradient, centred on the chosen point.
  vcVector<2> a, b;
  after.endpoints(a, b, true);
  EXPECT_NEAR(a.distance(b), 1.0, 1e-9);
  EXPECT_NEAR(((a + b) / 2.0).distance(after.position()), 0.0, 1e-9);
  EXPECT_NEAR((b - a) * vcVector<2>(std::cos(code), std::sin(code)), 0.0, 1e-9);
  after.endpoints(a, b, false);
  EXPECT_NEAR(((a + b) / 2.0).distance(vcVector<2>(after.get_i() + 0.5, after.get_j() + 0.5)), 0.0,
              1e-9);
}

TEST(EdgeDetect, BadArgumentsThrowAndLeaveResultsUnchanged) {
  EXPECT_THROW(vcEdgeletParams(0.0, 20.0, 1), vcBadParamsError);
  EXPECT_THROW(vcEdgeletParams(1.0, -1.0, 1), vcBadParamsError);
  EXPECT_THROW(vcEdgeletParams(1.0, 20.0, 2), vcBadParamsError);
  vcEdgeletParams params;
  EXPECT_THROW(params.magThresh(std::nan("")), vcBadParamsError);
  EXPECT_THROW(params.magScale(-2.0), vcBadParamsError);
  EXPECT_EQ(params.magThresh(), 20.0);
  EXPECT_EQ(params.magScale(), 1.0);

  // A set keeps its edgelets when the detector refuses an image.
  const auto step = drawn(10, 4, [](long x, long) { return x < 5 ? 0 : 100; });
  vcEdgeletSet set = detect(step, 20.0);
  ASSERT_EQ(set.edges().size(), 4u);
  EXPECT_THROW(vfEdgeDetect(vcPelBuffer_const<unsigned char>(), params, set), vcBadParamsError);
  vcPelBuffer<unsigned char> far = drawn(10, 4, [](long, long) { return 0; });
  far.offset(65530, 0);
  EXPECT_THROW(vfEdgeDetect(far, params, set), vcBadParamsError);
  EXPECT_EQ(set.edges().size(), 4u);
  vcPelBuffer<unsigned char> magnitude, angle;
  EXPECT_THROW(vfEdgeDetect(vcPelBuffer_const<unsigned char>(), params, magnitude, angle),
               vcBadParamsError);
  EXPECT_FALSE(magnitude.isBound());

  // Empty images have no edgelets.
  EXPECT_TRUE(detect(vcPelBuffer<unsigned char>(0, 5, 32), 1.0).edges().empty());
}

}  // namespace
