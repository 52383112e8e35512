// The edge width measurement, and the wider smoothing it chooses for blurred images.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
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

// Rows of a faint edge (column 30, contrast c) without an edgelet, and edgelets of noise off
// both edges, over 8 scenes that also hold a strong edge (column 70), all blurred by 1.5 pixels,
// under noise of the given sigma.
struct FaintEdge {
  long rows = 0, missing = 0, stray = 0;
};
FaintEdge faintEdge(double contrast, double noise) {
  FaintEdge out;
  for (std::uint32_t seed = 1; seed <= 8; ++seed) {
    vcSceneCanvas canvas(100, 240, 80.0);
    canvas.drawHalfPlane(vcVector<2>(30.2, 0.0), vcVector<2>(1.0, -0.03), 80.0 + contrast);
    canvas.drawHalfPlane(vcVector<2>(70.6, 0.0), vcVector<2>(1.0, 0.02), 200.0);
    canvas.blur(1.5);
    vcSceneRandom random(seed);
    canvas.addNoise(noise, random);
    vcEdgeletSet set;
    vfEdgeDetect(canvas.image(), vcEdgeletParams(1.0, 15.0, 1), set);
    std::vector<bool> row(240, false);
    for (const vcEdgelet& e : set.edges()) {
      const long x = e.get_i();
      if (x >= 20 && x < 45) row[e.get_j()] = true;
      out.stray += (x >= 5 && x < 20) || (x >= 45 && x < 60);
    }
    for (long y = 10; y < 230; ++y, ++out.rows) out.missing += !row[std::size_t(y)];
  }
  return out;
}

TEST(EdgeBlur, FaintBlurredEdgesUnderNoiseStayWhole) {
  // The strong edge shows how blurred the image is. Under noise of 6 the image is smoothed with
  // the wide filter, under noise of 10 with the wider one: each halves the gradient noise or
  // more and costs the faint edge's peak a tenth only. The faint edge has an edgelet in nearly
  // every row, and noise makes hardly any edgelets beside the edges (with the filter one step
  // narrower, about one row in twelve, and one in twenty, has none, and noise of 10 makes
  // twice the edgelets).
  for (const auto& [contrast, noise] : {std::pair(22.0, 6.0), {26.0, 10.0}}) {
    const FaintEdge f = faintEdge(contrast, noise);
    EXPECT_LE(f.missing, f.rows / 100) << "of " << f.rows << ", noise " << noise;
    EXPECT_LE(f.stray, 4) << "noise " << noise;
  }
}

TEST(EdgeBlur, WiderSmoothingKeepsTheContrastScale) {
  // Two edges blurred by 1.5 pixels, then a sharp rectangle drawn over the blur, under noise of
  // 10: the image is smoothed with the wider filter, and the rectangle's sharp side of contrast
  // 120 still reads 120 on average (the largest magnitude of each row near it).
  vcSceneCanvas canvas(130, 200, 80.0);
  canvas.drawHalfPlane(vcVector<2>(20.3, 0.0), vcVector<2>(1.0, 0.02), 140.0);
  canvas.drawHalfPlane(vcVector<2>(50.6, 0.0), vcVector<2>(1.0, -0.02), 200.0);
  canvas.blur(1.5);
  const std::vector<vcVector<2>> rectangle{
      {95.0, 60.0}, {125.0, 60.0}, {125.0, 140.0}, {95.0, 140.0}};
  canvas.drawPolygon(rectangle, 80.0);
  vcSceneRandom random(9);
  canvas.addNoise(10.0, random);
  vcPelBuffer<unsigned char> magnitude, angle;
  vfEdgeDetect(canvas.image(), vcEdgeletParams(), magnitude, angle);
  double sum = 0.0;
  for (long y = 70; y < 130; ++y) {
    int peak = 0;
    for (long x = 91; x < 99; ++x) peak = std::max(peak, int(magnitude.get(x, y)));
    sum += peak;
  }
  EXPECT_NEAR(sum / 60.0, 120.0, 6.0);
}

}  // namespace
