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

bool insidePolygon(const std::vector<V>& poly, const V& p) {
  bool in = false;
  for (std::size_t k = 0, m = poly.size() - 1; k < poly.size(); m = k++) {
    const V& a = poly[k];
    const V& b = poly[m];
    if ((a.y() > p.y()) != (b.y() > p.y()) &&
        p.x() < a.x() + (p.y() - a.y()) * (b.x() - a.x()) / (b.y() - a.y()))
      in = !in;
  }
  return in;
}

}  // namespace

TEST(SceneCanvas, DiscAndRingAreasAreExact) {
  const double pi = std::numbers::pi;
  for (double r : {0.3, 1.0, 2.5, 7.3, 15.0}) {
    vcSceneCanvas canvas(40, 40, 0.0);
    canvas.drawDisc(V(20.37, 19.81), r, 200.0);
    EXPECT_NEAR(drawnArea(canvas, 200.0), pi * r * r, 2e-3 * r * r) << "radius " << r;
  }
  // A disc centred on the canvas corner shows a quarter of its area.
  vcSceneCanvas corner(20, 20, 0.0);
  corner.drawDisc(V(0.0, 0.0), 10.0, 100.0);
  EXPECT_NEAR(drawnArea(corner, 100.0), pi * 25.0, 0.05);

  vcSceneCanvas ring(40, 40, 0.0);
  ring.drawRing(V(19.6, 20.2), 12.0, 8.5, 250.0);
  EXPECT_NEAR(drawnArea(ring, 250.0), pi * (144.0 - 72.25), 0.1);
  EXPECT_NEAR(ring.value(19, 20), 0.0, 1e-6);  // the hole keeps the background

  // Every boundary pixel against the sampled reference.
  vcSceneCanvas disc(16, 16, 0.0);
  disc.drawDisc(V(7.9, 8.3), 5.6, 255.0);
  EXPECT_LT(
      worstCoverageError(disc, 255.0, [](const V& p) { return p.distance(V(7.9, 8.3)) < 5.6; }),
      0.02);
}

TEST(SceneCanvas, PolygonCoverageIsExactAndOrientationFree) {
  // An axis-aligned square with quarter-pixel borders.
  vcSceneCanvas square(12, 12, 0.0);
  const std::vector<V> sq = {V(2.25, 3.25), V(7.75, 3.25), V(7.75, 8.75), V(2.25, 8.75)};
  square.drawPolygon(sq, 100.0);
  EXPECT_NEAR(drawnArea(square, 100.0), 5.5 * 5.5, 1e-3);
  EXPECT_NEAR(square.value(2, 3), 100.0 * 0.75 * 0.75, 1e-3);
  EXPECT_NEAR(square.value(5, 3), 75.0, 1e-3);
  EXPECT_NEAR(square.value(5, 5), 100.0, 1e-4);

  // A concave polygon reaching past the canvas, in both orientations, against the reference.
  const std::vector<V> star = {V(-3.0, 2.0), V(9.5, 4.2), V(17.3, -2.0),
                               V(13.1, 9.9), V(6.2, 7.1), V(2.4, 15.5)};
  const std::vector<V> reversed(star.rbegin(), star.rend());
  vcSceneCanvas a(14, 12, 0.0), b(14, 12, 0.0);
  a.drawPolygon(star, 255.0);
  b.drawPolygon(reversed, 255.0);
  EXPECT_LT(worstCoverageError(a, 255.0, [&](const V& p) { return insidePolygon(star, p); }), 0.02);
  for (long y = 0; y < 12; ++y)
    for (long x = 0; x < 14; ++x) ASSERT_NEAR(a.value(x, y), b.value(x, y), 1e-3);

  // A stroke of length 10 and width 3 at 30 degrees covers 30 pixels.
  vcSceneCanvas stroke(24, 24, 0.0);
  const V d(std::cos(std::numbers::pi / 6.0), std::sin(std::numbers::pi / 6.0));
  stroke.drawStroke(V(12.0, 12.0) - d * 5.0, V(12.0, 12.0) + d * 5.0, 3.0, 200.0);
  EXPECT_NEAR(drawnArea(stroke, 200.0), 30.0, 1e-3);
}

TEST(SceneCanvas, HalfPlaneEdgeLiesWhereItIsDrawn) {
  // A vertical edge at x = 10.3, light side to the right.
  vcSceneCanvas vertical(20, 6, 20.0);
  vertical.drawHalfPlane(V(10.3, 0.0), V(1.0, 0.0), 220.0);
  EXPECT_NEAR(vertical.value(9, 5), 20.0, 1e-4);
  EXPECT_NEAR(vertical.value(10, 5), 20.0 + 200.0 * 0.7, 1e-3);
  EXPECT_NEAR(vertical.value(11, 5), 220.0, 1e-4);
  // A slanted edge, filled side away from the normal's origin, against the reference.
  const V point(6.4, 3.1), normal(-0.6, 1.7);
  vcSceneCanvas slanted(14, 10, 0.0);
  slanted.drawHalfPlane(point, normal, 255.0);
  EXPECT_LT(
      worstCoverageError(slanted, 255.0, [&](const V& p) { return (p - point) * normal >= 0.0; }),
      0.02);
  // The normal's length does not matter, however small.
  vcSceneCanvas tiny(6, 4, 20.0);
  tiny.drawHalfPlane(V(3.0, 0.0), V(1e-300, 0.0), 220.0);
  EXPECT_NEAR(tiny.value(2, 1), 20.0, 1e-4);
  EXPECT_NEAR(tiny.value(3, 1), 220.0, 1e-4);
  // A half-plane that misses the canvas draws nothing.
  vcSceneCanvas missed(8, 8, 10.0);
  missed.drawHalfPlane(V(-5.0, 0.0), V(-1.0, 0.0), 200.0);
  EXPECT_EQ(drawnArea(missed, 10.0), 64.0);
}

TEST(SceneCanvas, BlurKeepsEdgesInPlaceAndGreyMass) {
  // A step on the pixel boundary x = 20 stays symmetric about it: mirrored pixels sum to the
  // step height, and the profile rises monotonically through the middle level.
  vcSceneCanvas step(40, 3, 0.0);
  step.drawHalfPlane(V(20.0, 0.0), V(1.0, 0.0), 200.0);
  step.blur(2.0);
  for (long k = 0; k < 12; ++k) {
    EXPECT_NEAR(step.value(20 + k, 1) + step.value(19 - k, 1), 200.0, 1e-3);
    EXPECT_LE(step.value(19 - k, 1), step.value(20 - k, 1));
  }
  EXPECT_LT(step.value(19, 1), 100.0);
  EXPECT_GT(step.value(18, 1), 1.0);  // the blur reaches beyond the neighbour pixel

  // Away from the borders the total grey is kept; a flat canvas stays flat to its borders.
  vcSceneCanvas disc(48, 48, 0.0);
  disc.drawDisc(V(24.2, 23.7), 8.0, 250.0);
  const double before = drawnArea(disc, 250.0);
  disc.blur(1.5);
  EXPECT_NEAR(drawnArea(disc, 250.0), before, 1e-3 * before);
  vcSceneCanvas flat(9, 7, 77.0);
  flat.blur(3.0);
  EXPECT_NEAR(flat.value(0, 0), 77.0, 1e-4);
  EXPECT_NEAR(flat.value(8, 6), 77.0, 1e-4);
}

TEST(SceneCanvas, BadArgumentsThrowAndLeaveTheCanvasAlone) {
  EXPECT_THROW(vcSceneCanvas(0, 10, 0.0), vcBadParamsError);
  EXPECT_THROW(vcSceneCanvas(10, 10, 256.0), vcBadParamsError);
  vcSceneCanvas canvas(10, 10, 50.0);
  EXPECT_THROW(canvas.drawDisc(V(5.0, 5.0), 0.0, 100.0), vcBadParamsError);
  EXPECT_THROW(canvas.drawDisc(V(NAN, 5.0), 2.0, 100.0), vcBadParamsError);
  EXPECT_THROW(canvas.drawPolygon(std::vector<V>{V(1.0, 1.0), V(5.0, 1.0), V(1e8, 3.0)}, 100.0),
               vcBadParamsError);
  EXPECT_THROW(canvas.drawRing(V(5.0, 5.0), 3.0, 3.0, 100.0), vcBadParamsError);
  EXPECT_THROW(canvas.drawPolygon(std::vector<V>{V(1.0, 1.0), V(5.0, 1.0)}, 100.0),
               vcBadParamsError);
  EXPECT_THROW(canvas.drawStroke(V(1.0, 1.0), V(1.0, 1.0), 2.0, 100.0), vcBadParamsError);
  EXPECT_THROW(canvas.drawHalfPlane(V(1.0, 1.0), V(0.0, 0.0), 100.0), vcBadParamsError);
  EXPECT_THROW(canvas.drawDisc(V(5.0, 5.0), 2.0, -1.0), vcBadParamsError);
  EXPECT_THROW(canvas.blur(-0.5), vcBadParamsError);
  vcSceneRandom random(1);
  EXPECT_THROW(canvas.addNoise(NAN, random), vcBadParamsError);
  EXPECT_THROW(canvas.value(10, 0), vcBadParamsError);
  EXPECT_EQ(drawnArea(canvas, 50.0), 100.0);
}
