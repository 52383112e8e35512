// The edge detector's readings, peak selection, order, interpolation and argument checks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <tuple>
#include <vector>

#include "platform/base/exception.h"
#include "platform/ip/edge_angle_code.h"
#include "platform/ip/edge_detect.h"
#include "platform/ip/edge_noise.h"
#include "platform/ip/edge_side_ends.h"
#include "scenes/canvas.h"
#include "vector_paths.h"

namespace {

using vectortest::drawn;

// A vertical step from 0 to contrast between columns 5 and 6.
vcPelBuffer<unsigned char> step(int contrast) {
  return drawn(12, 4, [contrast](long x, long) { return x < 6 ? 0 : contrast; });
}

// Grey levels from a linear congruential sequence started at state, in raster order.
vcPelBuffer<unsigned char> lcgNoise(long w, long h, unsigned state) {
  return drawn(w, h, [&state](long, long) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) & 255;
  });
}

vcEdgeletSet detect(const vcPelBuffer_const<unsigned char>& image, double magThresh,
                    double magScale = 1.0) {
  vcEdgeletSet set;
  vfEdgeDetect(image, vcEdgeletParams(magScale, magThresh, 1), set);
  return set;
}

TEST(EdgeDetect, MagnitudeReadsContrastAndAngleCodesFollowTheLightSide) {
  // Magnitudes are on the contrast scale: a sharp step of contrast 100 peaks at 100 (101 after
  // the smoothed image's rounding), a ramp of slope 5 at 16 per pixel, read at scale 1/16 as 1;
  // saturation at 255 in the image, 65535 in an edgelet.
  vcPelBuffer<unsigned char> magnitude, angle;
  for (const auto& [image, scale, peak] :
       {std::tuple(drawn(12, 4, [](long x, long) { return 5 * x; }), 1.0 / 16.0, 1),
        {step(100), 1.0, 101},
        {step(200), 1000.0, 255}}) {
    vfEdgeDetect(image, vcEdgeletParams(scale), magnitude, angle);
    EXPECT_EQ(magnitude.get(5, 2), peak) << "scale " << scale;
  }
  EXPECT_EQ(detect(step(100), 20.0).edges().front().magnitude(), 101);
  EXPECT_EQ(detect(step(200), 20.0, 1000.0).edges().front().magnitude(), 65535);

  // Light to the right, below, left, above: codes 0, 64, 128, 192.
  for (int k = 0; k < 4; ++k) {
    const auto light = [k](long x, long y) {
      const long side[] = {x - 6, y - 6, 5 - x, 5 - y};
      return side[k] >= 0 ? 200 : 40;
    };
    vfEdgeDetect(drawn(12, 12, light), vcEdgeletParams(), magnitude, angle);
    EXPECT_EQ(angle.get(6, 6), 64 * k);
  }

  // The code table gives the nearest code: against atan2 over a grid of gradients, away from
  // exact half-code ties.
  const vc_edge_detail::AngleCoder& coder = vc_edge_detail::AngleCoder::instance();
  for (int gx = -1020; gx <= 1020; gx += 7)
    for (int gy = -1020; gy <= 1020; gy += 11) {
      const double codes = std::atan2(gy, gx) * 128.0 / std::numbers::pi;
      if (std::fabs(codes - std::floor(codes) - 0.5) < 0.02) continue;
      ASSERT_EQ(coder.code(gx, gy), std::lround(codes) & 255) << gx << ", " << gy;
    }
  EXPECT_EQ(coder.code(0, 0), 0);
}

TEST(EdgeDetect, EdgeletsOfBusyRowsAgreeWithTheGradientImages) {
  // Noise gives rows of many peaks, handled eight at a time where the processor allows, and a
  // width of 70 leaves a remainder: every edgelet, bridges included, has the magnitude that
  // the gradient images give its pixel, or, when it was moved into the pixel of its position,
  // the pixel beside it where the peak was found; and the code of that pixel, or, at a corner
  // tip, which takes its neighbour's direction, the code of a pixel one further, or, carried on
  // along a straight run to where it ends, the run's direction: within the run's turn of the
  // code of a pixel no farther than that reach.
  const vcPelBuffer<unsigned char> noise = lcgNoise(70, 30, 12345u);
  const vcEdgeletParams params(0.5, 10.0, 1);
  vcEdgeletSet set;
  vfEdgeDetect(noise, params, set);
  vcPelBuffer<unsigned char> magnitude, angle;
  vfEdgeDetect(noise, params, magnitude, angle);

  std::vector<int> perRow(30, 0);
  for (const vcEdgelet& e : set.edges()) {
    ++perRow[e.get_j()];
    bool fromPeak = false, codeNear = false;
    const long reach = long(vc_edge_detail::kReach) + 2;
    for (long dy = -reach; dy <= reach; ++dy)
      for (long dx = -reach; dx <= reach; ++dx) {
        const long x = e.get_i() + dx, y = e.get_j() + dy;
        if (x < 0 || x >= 70 || y < 0 || y >= 30) continue;
        const int turn = std::abs(int(std::int8_t(std::uint8_t(e.angle().plain() - angle.get(x, y)))));
        codeNear = codeNear || (std::abs(dx) <= 2 && std::abs(dy) <= 2 && turn == 0) ||
                   turn < vc_edge_detail::kRunTurnCodes;
        fromPeak = fromPeak || (std::abs(dx) <= 1 && std::abs(dy) <= 1 &&
                                std::min<int>(e.magnitude(), 255) == magnitude.get(x, y));
      }
    ASSERT_TRUE(fromPeak && codeNear) << e.get_i() << ", " << e.get_j();
    EXPECT_EQ(e.posQuickX(), e.get_i() + 0.5f);
    EXPECT_EQ(e.posQuickY(), e.get_j() + 0.5f);
  }
  EXPECT_GE(*std::max_element(perRow.begin(), perRow.end()), 16);

  // Detection with the positions taken at once gives what interpolating afterwards gives.
  set.doEdgeInterp();
  vcEdgeletSet placed;
  vfEdgeDetectInterpolated(noise, params, placed);
  ASSERT_EQ(placed.edges().size(), set.edges().size());
  for (std::size_t k = 0; k < set.edges().size(); ++k) {
    const vcEdgelet &a = set.edges()[k], &b = placed.edges()[k];
    ASSERT_TRUE(a.get_i() == b.get_i() && a.get_j() == b.get_j() &&
                a.magnitude() == b.magnitude() && a.angle() == b.angle() &&
                a.posQuickX() == b.posQuickX() && a.posQuickY() == b.posQuickY())
        << k;
  }

  // At threshold 0 some peaks are so weak that their neighbours along the edge point the other
  // way (one on this noise): they stay at their pixel centres, and every position is within a
  // pixel of its centre (that peak's was not a number).
  const vcPelBuffer<unsigned char> weakNoise = lcgNoise(64, 48, 3u * 2654435761u);
  vcEdgeletSet weakest;
  vfEdgeDetect(weakNoise, vcEdgeletParams(1.0, 0.0, 1), weakest);
  weakest.doEdgeInterp();
  for (const vcEdgelet& e : weakest.edges())
    ASSERT_LE(e.position().distance(vcVector<2>(e.get_i() + 0.5, e.get_j() + 0.5)), 1.0 + 1e-6)
        << e.get_i() << ", " << e.get_j();
}

TEST(EdgeDetect, OnePeakAcrossEachEdgeInRasterOrder) {
  // A dark bar 3 pixels wide: two edges of opposite directions, each found, one edgelet per
  // row on each, at the bar's sides x = 7 and x = 10 (a regression: the far side was lost
  // when neighbours of either direction competed). The detector's smoothing pushes the sides
  // of so thin a bar about 0.15 pixel apart.
  vcEdgeletSet bar =
      detect(drawn(16, 10, [](long x, long) { return x >= 7 && x <= 9 ? 30 : 180; }), 20.0);
  bar.doEdgeInterp();
  ASSERT_EQ(bar.edges().size(), 20u);
  for (std::size_t k = 0; k < bar.edges().size(); ++k) {
    const vcEdgelet& e = bar.edges()[k];
    EXPECT_EQ(e.get_j(), k / 2);
    EXPECT_EQ(e.angle().plain(), k % 2 == 0 ? 128 : 0);
    EXPECT_NEAR(e.posQuickX(), k % 2 == 0 ? 7.0 : 10.0, 0.2);
  }

  // A blurred disc with noise: strictly increasing raster positions, so one per pixel.
  vcSceneCanvas canvas(64, 64, 40.0);
  canvas.drawDisc(vcVector<2>(31.3, 32.8), 20.0, 200.0);
  canvas.blur(1.2);
  vcSceneRandom random(3);
  canvas.addNoise(4.0, random);
  const vcEdgeletSet disc = detect(canvas.image(), 15.0);
  ASSERT_GT(disc.edges().size(), 100u);
  const auto notBefore = [](const vcEdgelet& a, const vcEdgelet& b) {
    return std::pair(a.get_j(), a.get_i()) >= std::pair(b.get_j(), b.get_i());
  };
  EXPECT_TRUE(std::ranges::adjacent_find(disc.edges(), notBefore) == disc.edges().end());

  // The threshold counts when reached exactly: a step of 40 peaks at 40. Flat: nothing.
  EXPECT_EQ(detect(step(40), 40.0).edges().size(), 4u);
  EXPECT_TRUE(detect(step(40), 40.01).edges().empty());
  EXPECT_TRUE(detect(step(0), 0.0).edges().empty());

  // A step of contrast 40 over 4 rows that fades to 33 over the next 4: at threshold 38 the
  // fainter rows continue the edge and are kept; on their own they hold no edgelet.
  const vcPelBuffer<unsigned char> fading = drawn(12, 8, [](long x, long y) {
    return x < 6 ? 0 : y < 4 ? 40 : 33;
  });
  EXPECT_EQ(detect(fading, 38.0).edges().size(), 8u);
  EXPECT_TRUE(detect(step(33), 38.0).edges().empty());
}

TEST(EdgeDetect, NoisyBlurredEdgesStayEightConnected) {
  // Across a blurred noisy edge the gradient peak is flat, and the peaks of neighbouring rows
  // can land two columns apart; the detector joins such gaps, so every row of a steep edge
  // holds an edgelet next to one of the row above.
  long rows = 0, breaks = 0, bridged = 0;
  for (std::uint32_t seed = 1; seed <= 8; ++seed) {
    vcSceneCanvas canvas(48, 200, 60.0);
    canvas.drawHalfPlane(vcVector<2>(20.0 + seed * 0.37, 0.0), vcVector<2>(1.0, -0.01 * seed),
                         160.0);
    canvas.blur(1.5);
    vcSceneRandom random(seed);
    canvas.addNoise(12.0, random);
    const vcEdgeletSet set = detect(canvas.image(), 15.0);
    std::vector<std::vector<long>> columns(200);
    for (const vcEdgelet& e : set.edges())
      if (e.get_i() >= 4 && e.get_i() < 44 &&
          std::cos(e.angle().plain() * std::numbers::pi / 128.0) > 0.7)
        columns[e.get_j()].push_back(e.get_i());
    for (long y = 11; y < 190; ++y) {
      ++rows;
      bool linked = false;
      for (long x : columns[std::size_t(y)])
        for (long above : columns[std::size_t(y - 1)]) linked |= std::labs(x - above) <= 1;
      breaks += !linked;
      bridged += columns[std::size_t(y)].size() > 1;
    }
  }
  EXPECT_EQ(breaks, 0) << "of " << rows << " rows";
  EXPECT_GT(bridged, 0);  // the scenes do need bridges
}

TEST(EdgeDetect, InterpolationMovesAlongTheGradientOnce) {
  vcSceneCanvas canvas(20, 20, 60.0);
  canvas.drawHalfPlane(vcVector<2>(10.3, 10.0), vcVector<2>(std::cos(0.4), std::sin(0.4)), 160.0);
  canvas.blur(0.8);
  vcEdgeletSet set = detect(canvas.image(), 10.0);
  const vcEdgelet before = set.edges().at(set.edges().size() / 2);
  EXPECT_EQ(before.position(), vcVector<2>(before.get_i() + 0.5, before.get_j() + 0.5));
  set.doEdgeInterp();
  const vcEdgelet after = set.edges()[set.edges().size() / 2];
  set.doEdgeInterp();
  EXPECT_EQ(set.edges()[set.edges().size() / 2].position(), after.position());

  // Moved along the gradient (within the code's rounding), by less than a pixel.
  const vcVector<2> moved = after.position() - before.position();
  const double code = after.angle().plain() * std::numbers::pi / 128.0;
  const vcVector<2> gradient(std::cos(code), std::sin(code));
  EXPECT_TRUE(moved.len() > 0.01 && moved.len() <= 1.0) << moved.len();
  EXPECT_NEAR(moved.cross(gradient), 0.0, 0.02 * moved.len());

  // The tangent piece: unit length across the gradient, centred on the chosen point.
  vcVector<2> a, b;
  after.endpoints(a, b, true);
  EXPECT_NEAR(a.distance(b), 1.0, 1e-9);
  EXPECT_NEAR((b - a) * gradient, 0.0, 1e-9);
  EXPECT_NEAR(((a + b) / 2.0).distance(after.position()), 0.0, 1e-9);
  after.endpoints(a, b, false);
  EXPECT_NEAR(((a + b) / 2.0).distance(before.position()), 0.0, 1e-6);
}

TEST(EdgeDetect, NoisyImagesAreMeasuredAndKeepTheContrastScale) {
  // The noise estimate reads the noise drawn, edges and all, within a tenth: a scene with a
  // disc and a bar under noise of 0, 3 and 11 grey levels, and an image of 2 x 2 pixels.
  for (const double sigma : {0.0, 3.0, 11.0}) {
    vcSceneCanvas canvas(160, 120, 90.0);
    canvas.drawDisc(vcVector<2>(50.3, 60.8), 30.0, 170.0);
    canvas.drawStroke(vcVector<2>(100.0, 20.0), vcVector<2>(140.0, 100.0), 12.0, 20.0);
    canvas.blur(1.0);
    vcSceneRandom random(5);
    canvas.addNoise(sigma, random);
    EXPECT_NEAR(vc_edge_detail::noiseSigma(canvas.image()), sigma, 0.1 * sigma + 0.05);
  }
  EXPECT_EQ(vc_edge_detail::noiseSigma(drawn(2, 2, [](long x, long) { return 200 * x; })), 0.0);

  // Under noise of 11 grey levels, smoothed more widely, a sharp step of contrast 100 between
  // columns 19 and 20 still reads 100 on average on both columns.
  vcSceneCanvas canvas(40, 200, 60.0);
  canvas.drawHalfPlane(vcVector<2>(20.0, 0.0), vcVector<2>(1.0, 0.0), 160.0);
  vcSceneRandom random(7);
  canvas.addNoise(11.0, random);
  vcPelBuffer<unsigned char> magnitude, angle;
  vfEdgeDetect(canvas.image(), vcEdgeletParams(), magnitude, angle);
  double sum = 0.0;
  for (long y = 10; y < 190; ++y) sum += magnitude.get(19, y) + magnitude.get(20, y);
  EXPECT_NEAR(sum / 360.0, 100.0, 4.0);
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

  // Unbound images and pixel coordinates beyond 16 bits are refused; the set keeps its
  // edgelets, the output images stay unbound.
  vcEdgeletSet set = detect(step(100), 20.0);
  vcPelBuffer<unsigned char> far = step(100);
  far.offset(65530, 0);
  EXPECT_THROW(vfEdgeDetect(far, params, set), vcBadParamsError);
  EXPECT_THROW(vfEdgeDetect(vcPelBuffer_const<unsigned char>(), params, set), vcBadParamsError);
  EXPECT_EQ(set.edges().size(), 4u);
  vcPelBuffer<unsigned char> magnitude, angle;
  EXPECT_THROW(vfEdgeDetect(vcPelBuffer_const<unsigned char>(), params, magnitude, angle),
               vcBadParamsError);
  EXPECT_FALSE(magnitude.isBound());
  EXPECT_TRUE(detect(vcPelBuffer<unsigned char>(0, 5, 32), 1.0).edges().empty());
}

}  // namespace
