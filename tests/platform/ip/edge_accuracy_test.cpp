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
constexpr double kBlurs[] = {0.5, 0.75, 1.0, 1.25, 1.5};

// Root-mean-square of the values added so far; counts the values beyond an outlier limit
// separately instead of adding them.
struct Rms {
  double sum = 0.0;
  long count = 0;
  long outliers = 0;
  void add(double v, double limit) {
    if (std::fabs(v) > limit) {
      ++outliers;
      return;
    }
    sum += v * v;
    ++count;
  }
  double value() const { return count ? std::sqrt(sum / count) : 0.0; }
};

// Difference of an angle code from a direction in degrees, in (-180, 180].
double codeError(vcAngle8 code, double radians) {
  return std::remainder(code.toDouble() - radians * 180.0 / std::numbers::pi, 360.0);
}

vcEdgeletSet detect(const vcPelBuffer<unsigned char>& image, double magThresh) {
  vcEdgeletParams params(1.0, 20.0, 1);
  params.magThresh(magThresh);
  vcEdgeletSet set;
  vfEdgeDetect(image, params, set, nullptr, 0);
  set.doEdgeInterp();
  return set;
}

// Straight edges through the middle of a 48 x 48 image: signed position error across the edge
// and gradient angle error of every edgelet at least 4 pixels from the border.
void measureStraightEdges(double noise, Rms& position, Rms& angle) {
  vcSceneRandom random(11);
  for (double blur : kBlurs) {
    for (int k = 0; k < 36; ++k) {
      const double theta = random.uniform(0.0, 2.0 * std::numbers::pi);
      const vcVector<2> normal(std::cos(theta), std::sin(theta));
      const vcVector<2> point(24.0 + random.uniform(), 24.0 + random.uniform());
      vcSceneCanvas canvas(48, 48, kDark);
      canvas.drawHalfPlane(point, normal, kLight);
      canvas.blur(blur);
      if (noise > 0.0) canvas.addNoise(noise, random);
      const vcEdgeletSet set = detect(canvas.image(), 10.0);
      for (const vcEdgelet& e : set.edges()) {
        if (e.get_i() < 4 || e.get_j() < 4 || e.get_i() > 43 || e.get_j() > 43) continue;
        position.add((e.position() - point) * normal, 1.5);
        angle.add(codeError(e.angle(), theta), 90.0);
      }
    }
  }
}

// Discs of radius 20 to 40 pixels: error of the distance from the centre against the radius of
// steepest gradient. Blurring a circle moves its steepest gradient inwards by s^2 / (2 R) for
// a total variance s^2 (blur, plus 1/12 per axis from the pixel area).
void measureDiscs(double noise, Rms& position) {
  vcSceneRandom random(23);
  for (double blur : kBlurs) {
    for (int k = 0; k < 4; ++k) {
      const double radius = random.uniform(20.0, 40.0);
      const vcVector<2> centre(45.0 + random.uniform(), 45.0 + random.uniform());
      vcSceneCanvas canvas(90, 90, kDark);
      canvas.drawDisc(centre, radius, kLight);
      canvas.blur(blur);
      if (noise > 0.0) canvas.addNoise(noise, random);
      const double variance = blur * blur + 1.0 / 12.0 + 1.0 / 12.0;
      const double steepest = radius - variance / (2.0 * radius);
      const vcEdgeletSet set = detect(canvas.image(), 10.0);
      for (const vcEdgelet& e : set.edges())
        position.add(e.position().distance(centre) - steepest, 1.5);
    }
  }
}

TEST(EdgeDetectAccuracy, NoiseFreeEdgesAndDiscsWithinThreeHundredthsOfAPixel) {
  Rms position, angle, disc;
  measureStraightEdges(0.0, position, angle);
  measureDiscs(0.0, disc);
  EXPECT_GT(position.count, 5000);
  EXPECT_EQ(position.outliers, 0);
  EXPECT_LE(position.value(), 0.03);
  EXPECT_LE(angle.value(), 2.0);
  EXPECT_GT(disc.count, 2000);
  EXPECT_EQ(disc.outliers, 0);
  EXPECT_LE(disc.value(), 0.03);
  std::printf("noise-free: edges %.4f px, angle %.3f deg, discs %.4f px\n", position.value(),
              angle.value(), disc.value());
}

TEST(EdgeDetectAccuracy, NoiseOfFiveGreyLevelsWithinATenthOfAPixel) {
  Rms position, angle, disc;
  measureStraightEdges(5.0, position, angle);
  measureDiscs(5.0, disc);
  // Noise may add a few stray edgelets away from the edge; they must stay rare.
  EXPECT_LT(position.outliers, position.count / 100);
  EXPECT_LE(position.value(), 0.1);
  EXPECT_LT(disc.outliers, disc.count / 100);
  EXPECT_LE(disc.value(), 0.1);
  std::printf("noise 5: edges %.4f px (%ld stray), angle %.3f deg, discs %.4f px (%ld stray)\n",
              position.value(), position.outliers, angle.value(), disc.value(), disc.outliers);
}

}  // namespace
