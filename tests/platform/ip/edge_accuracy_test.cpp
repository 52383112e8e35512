// Sub-pixel accuracy of the edge detector on anti-aliased straight edges and discs at many
// angles and sub-pixel offsets, blur 0.5 to 1.5 pixel, contrast 100.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "platform/ip/edge_detect.h"
#include "scenes/canvas.h"

namespace {

constexpr double kDark = 80.0;
constexpr double kLight = 180.0;  // contrast 100

// Root-mean-square of the values added so far; counts the values beyond an outlier limit
// separately instead of adding them.
struct Rms {
  double sum = 0.0;
  long count = 0, outliers = 0;
  void add(double v, double limit) {
    const bool outlier = std::fabs(v) > limit;
    outliers += outlier;
    count += !outlier;
    sum += outlier ? 0.0 : v * v;
  }
  double value() const { return count ? std::sqrt(sum / count) : 0.0; }
};

struct Errors {
  Rms position, angle, disc;
};

// At each blur, with Gaussian noise of the given deviation:
// - straight edges through the middle of a 48 x 48 image: signed position error across the
//   edge and gradient angle error (degrees) of every edgelet at least 4 pixels from the border;
// - discs of radius 20 to 40 pixels: error of the distance from the centre against the radius.
//   Blurring a circle moves its steepest gradient inwards by s^2 / (2 R) for a total variance
//   s^2; the detector places the edgelets of a curved edge on the outline instead.
Errors measure(double noise) {
  Errors err;
  // The interpolated edgelets of a canvas once blurred and made noisy.
  const auto edgelets = [noise](vcSceneCanvas& canvas, double blur, vcSceneRandom& random) {
    canvas.blur(blur);
    if (noise > 0.0) canvas.addNoise(noise, random);
    vcEdgeletSet set;
    vfEdgeDetect(canvas.image(), vcEdgeletParams(1.0, 10.0, 1), set, nullptr, 0);
    set.doEdgeInterp();
    return set.edges();
  };
  vcSceneRandom edgeRandom(11), discRandom(23);
  for (double blur : {0.5, 0.75, 1.0, 1.25, 1.5}) {
    for (int k = 0; k < 36; ++k) {
      const double theta = edgeRandom.uniform(0.0, 2.0 * std::numbers::pi);
      const vcVector<2> normal(std::cos(theta), std::sin(theta));
      const vcVector<2> point(24.0 + edgeRandom.uniform(), 24.0 + edgeRandom.uniform());
      vcSceneCanvas canvas(48, 48, kDark);
      canvas.drawHalfPlane(point, normal, kLight);
      for (const vcEdgelet& e : edgelets(canvas, blur, edgeRandom)) {
        if (e.get_i() < 4 || e.get_j() < 4 || e.get_i() > 43 || e.get_j() > 43) continue;
        err.position.add((e.position() - point) * normal, 1.5);
        const double degrees = e.angle().toDouble() - theta * 180.0 / std::numbers::pi;
        err.angle.add(std::remainder(degrees, 360.0), 90.0);
      }
    }
    for (int k = 0; k < 4; ++k) {
      const double radius = discRandom.uniform(20.0, 40.0);
      const vcVector<2> centre(45.0 + discRandom.uniform(), 45.0 + discRandom.uniform());
      vcSceneCanvas canvas(90, 90, kDark);
      canvas.drawDisc(centre, radius, kLight);
      for (const vcEdgelet& e : edgelets(canvas, blur, discRandom))
        err.disc.add(e.position().distance(centre) - radius, 1.5);
    }
  }
  return err;
}

TEST(EdgeDetectAccuracy, NoiseFreeEdgesAndDiscsWithinThreeHundredthsOfAPixel) {
  const Errors err = measure(0.0);
  EXPECT_GT(err.position.count, 5000);
  EXPECT_EQ(err.position.outliers, 0);
  EXPECT_LE(err.position.value(), 0.03);
  EXPECT_LE(err.angle.value(), 2.0);
  EXPECT_GT(err.disc.count, 2000);
  EXPECT_EQ(err.disc.outliers, 0);
  EXPECT_LE(err.disc.value(), 0.03);
  std::printf("noise-free: edges %.4f px, angle %.3f deg, discs %.4f px\n", err.position.value(),
              err.angle.value(), err.disc.value());
}

TEST(EdgeDetectAccuracy, NoiseOfFiveGreyLevelsWithinATenthOfAPixel) {
  const Errors err = measure(5.0);
  // Noise may add a few stray edgelets away from the edge; they must stay rare.
  EXPECT_LT(err.position.outliers, err.position.count / 100);
  EXPECT_LE(err.position.value(), 0.1);
  EXPECT_LT(err.disc.outliers, err.disc.count / 100);
  EXPECT_LE(err.disc.value(), 0.1);
  std::printf("noise 5: edges %.4f px (%ld stray), angle %.3f deg, discs %.4f px (%ld stray)\n",
              err.position.value(), err.position.outliers, err.angle.value(), err.disc.value(),
              err.disc.outliers);
}

}  // namespace
