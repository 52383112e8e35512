// The edge width measurement, and the wider smoothing it chooses for blurred images.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/ip/edge_blur.h"
#include "platform/ip/edge_detect.h"
#include "platform/ip/edge_presmooth.h"
#include "scenes/canvas.h"

namespace {

// A vertical edge of the given contrast, tilted slightly so that its position runs through the
// pixel phases, blurred and with noise.
vcPelBuffer<unsigned char> tiltedStep(double contrast, double blur, double noise,
                                      std::uint32_t seed = 3) {
  vcSceneCanvas canvas(60, 240, 80.0);
  canvas.drawHalfPlane(vcVector<2>(30.2, 0.0), vcVector<2>(1.0, -0.03), 80.0 + contrast);
  canvas.blur(blur);
  vcSceneRandom random(seed);
  canvas.addNoise(noise, random);
  return canvas.image();
}

double widthOf(const vcPelBuffer_const<unsigned char>& image) {
  return vc_edge_detail::edgeWidth(vc_edge_detail::presmooth(image), 4.0);
}

TEST(EdgeBlur, WidthGrowsWithTheBlurAsGaussianProfilesAdd) {
  // A sharp step measures the width of the smoothing alone; blur adds its variance (the profile
  // of a blurred step after smoothing is their convolution), within 0.15 pixel up to blur 1.5;
  // wider profiles are not complete 4 pixels out and measure narrower.
  const double sharp = widthOf(tiltedStep(100.0, 0.0, 0.0));
  EXPECT_NEAR(sharp, 1.24, 0.06);
  for (const double blur : {0.75, 1.5}) {
    const double width = widthOf(tiltedStep(100.0, blur, 0.0));
    EXPECT_NEAR(width, std::sqrt(sharp * sharp + blur * blur), 0.15) << "blur " << blur;
  }
  // The width does not depend on the contrast.
  EXPECT_NEAR(widthOf(tiltedStep(30.0, 1.0, 0.0)), widthOf(tiltedStep(150.0, 1.0, 0.0)), 0.05);
}

TEST(EdgeBlur, NoWidthWithoutEnoughSteepEdges) {
  // A blank image, an image too small for a step, steps below the slope asked for, and noise
  // alone held out by a slope threshold of 0.8 times its sigma.
  EXPECT_EQ(widthOf(vcSceneCanvas(50, 50, 90.0).image()), 0.0);
  EXPECT_EQ(widthOf(vcSceneCanvas(8, 8, 90.0).image()), 0.0);
  EXPECT_EQ(vc_edge_detail::edgeWidth(vc_edge_detail::presmooth(tiltedStep(20.0, 0.0, 0.0)), 20.0),
            0.0);
  vcSceneCanvas canvas(200, 200, 128.0);
  vcSceneRandom random(11);
  canvas.addNoise(11.0, random);
  EXPECT_EQ(vc_edge_detail::edgeWidth(vc_edge_detail::presmooth(canvas.image()), 0.8 * 11.0), 0.0);
}

TEST(EdgeBlur, FaintBlurredEdgeUnderNoiseStaysWhole) {
  // A faint edge (contrast 22) and a strong one, blurred by 1.5 pixels, under noise of 6. The
  // strong edge shows how blurred the image is, and the image is smoothed with the wide filter,
  // which halves the gradient noise and costs the faint edge's peak a tenth only: the faint edge
  // has an edgelet in nearly every row (with the narrow filter, about one row in twelve has none).
  long rows = 0, missing = 0;
  for (std::uint32_t seed = 1; seed <= 8; ++seed) {
    vcSceneCanvas canvas(100, 240, 80.0);
    canvas.drawHalfPlane(vcVector<2>(30.2, 0.0), vcVector<2>(1.0, -0.03), 102.0);
    canvas.drawHalfPlane(vcVector<2>(70.6, 0.0), vcVector<2>(1.0, 0.02), 200.0);
    canvas.blur(1.5);
    vcSceneRandom random(seed);
    canvas.addNoise(6.0, random);
    vcEdgeletSet set;
    vfEdgeDetect(canvas.image(), vcEdgeletParams(1.0, 15.0, 1), set);
    std::vector<bool> row(240, false);
    for (const vcEdgelet& e : set.edges())
      if (e.get_i() >= 20 && e.get_i() < 45) row[e.get_j()] = true;
    for (long y = 10; y < 230; ++y, ++rows) missing += !row[std::size_t(y)];
  }
  EXPECT_LE(missing, rows / 100) << "of " << rows;
}

}  // namespace
