#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "platform/base/exception.h"
#include "scenes/canvas.h"

namespace {

using V = vcVector<2>;

// Sum of the canvas values divided by the grey level: the drawn area when the background is 0.
double drawnArea(const vcSceneCanvas& canvas, double grey) {
  double sum = 0.0;
  for (long y = 0; y < canvas.height(); ++y)
    for (long x = 0; x < canvas.width(); ++x) sum += canvas.value(x, y);
  return sum / grey;
}

// Largest difference over all pixels between the canvas coverage and a slow reference: the
// share of the pixel inside the shape by 64 x 64 point sampling (error <= 1/64).
template <class Inside>
double worstCoverageError(const vcSceneCanvas& canvas, double grey, Inside inside) {
  double worst = 0.0;
  for (long y = 0; y < canvas.height(); ++y)
    for (long x = 0; x < canvas.width(); ++x) {
      int hits = 0;
      for (int k = 0; k < 4096; ++k)
        hits += inside(V(x + (k % 64 + 0.5) / 64.0, y + (k / 64 + 0.5) / 64.0)) ? 1 : 0;
      worst = std::max(worst, std::fabs(canvas.value(x, y) / grey - hits / 4096.0));
    }
  return worst;
}

}  // namespace

TEST(SceneCanvas, ShapesCoverExactlyTheirArea) {
  // Every boundary pixel of a disc against the sampled reference; a ring keeps the background in
  // its hole.
  const double pi = std::numbers::pi;
  vcSceneCanvas disc(16, 16, 0.0);
  disc.drawDisc(V(7.9, 8.3), 5.6, 255.0);
  EXPECT_LT(
      worstCoverageError(disc, 255.0, [](const V& p) { return p.distance(V(7.9, 8.3)) < 5.6; }),
      0.02);
  vcSceneCanvas ring(40, 40, 0.0);
  ring.drawRing(V(19.6, 20.2), 12.0, 8.5, 250.0);
  EXPECT_NEAR(drawnArea(ring, 250.0), pi * (144.0 - 72.25), 0.1);
  EXPECT_NEAR(ring.value(19, 20), 0.0, 1e-6);

  // A square with quarter-pixel borders, listed either way round: a corner pixel is covered
  // 0.75 x 0.75.
  const std::vector<V> square = {V(2.25, 8.75), V(7.75, 8.75), V(7.75, 3.25), V(2.25, 3.25)};
  for (const std::vector<V>& corners : {square, std::vector<V>(square.rbegin(), square.rend())}) {
    vcSceneCanvas canvas(12, 12, 0.0);
    canvas.drawPolygon(corners, 100.0);
    EXPECT_NEAR(drawnArea(canvas, 100.0), 5.5 * 5.5, 1e-3);
    EXPECT_NEAR(canvas.value(2, 3), 100.0 * 0.75 * 0.75, 1e-3);
  }

  // A stroke of length 10 and width 3 at 30 degrees covers 30 pixels.
  vcSceneCanvas stroke(24, 24, 0.0);
  const V d(std::cos(pi / 6.0), std::sin(pi / 6.0));
  stroke.drawStroke(V(12.0, 12.0) - d * 5.0, V(12.0, 12.0) + d * 5.0, 3.0, 200.0);
  EXPECT_NEAR(drawnArea(stroke, 200.0), 30.0, 1e-3);
}

TEST(SceneCanvas, HalfPlaneEdgesLieWhereDrawnAndStayThereUnderBlur) {
  // A slanted edge, filled on the side the normal points to, against the reference.
  const V point(6.4, 3.1), normal(-0.6, 1.7);
  vcSceneCanvas slanted(14, 10, 0.0);
  slanted.drawHalfPlane(point, normal, 255.0);
  EXPECT_LT(
      worstCoverageError(slanted, 255.0, [&](const V& p) { return (p - point) * normal >= 0.0; }),
      0.02);

  // A step on the pixel boundary x = 20 stays symmetric about it under blur: mirrored pixels sum
  // to the step height, and the profile rises monotonically through the middle level.
  vcSceneCanvas step(40, 3, 0.0);
  step.drawHalfPlane(V(20.0, 0.0), V(1.0, 0.0), 200.0);
  step.blur(2.0);
  for (long k = 0; k < 12; ++k) {
    EXPECT_NEAR(step.value(20 + k, 1) + step.value(19 - k, 1), 200.0, 1e-3);
    EXPECT_LE(step.value(19 - k, 1), step.value(20 - k, 1));
  }
  EXPECT_GT(step.value(18, 1), 1.0);  // the blur reaches beyond the neighbour pixel
  // A flat canvas stays flat up to its borders.
  vcSceneCanvas flat(9, 7, 77.0);
  flat.blur(3.0);
  EXPECT_NEAR(flat.value(0, 0), 77.0, 1e-4);
  EXPECT_NEAR(flat.value(8, 6), 77.0, 1e-4);
}

TEST(SceneCanvas, BadArgumentsThrowAndLeaveTheCanvasAlone) {
  EXPECT_THROW(vcSceneCanvas(0, 10, 0.0), vcBadParamsError);
  vcSceneCanvas canvas(10, 10, 50.0);
  EXPECT_THROW(canvas.drawDisc(V(5.0, 5.0), 0.0, 100.0), vcBadParamsError);
  EXPECT_THROW(canvas.drawDisc(V(NAN, 5.0), 2.0, 100.0), vcBadParamsError);
  EXPECT_THROW(canvas.drawPolygon(std::vector<V>{V(1.0, 1.0), V(5.0, 1.0)}, 100.0),
               vcBadParamsError);
  EXPECT_THROW(canvas.drawHalfPlane(V(1.0, 1.0), V(0.0, 0.0), 100.0), vcBadParamsError);
  EXPECT_THROW(canvas.blur(-0.5), vcBadParamsError);
  EXPECT_THROW(canvas.value(10, 0), vcBadParamsError);
  EXPECT_EQ(drawnArea(canvas, 50.0), 100.0);
}
