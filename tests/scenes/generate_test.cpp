#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "platform/base/exception.h"
#include "scenes/generate.h"

namespace {

using V = vcVector<2>;

double greyAt(const vsScene& scene, const V& p) {
  return scene.image.get(static_cast<long>(std::floor(p.x())),
                         static_cast<long>(std::floor(p.y())));
}

double lightLevel(const vsScene& s) { return std::max(s.foreground, s.background); }
double darkLevel(const vsScene& s) { return std::min(s.foreground, s.background); }

bool samePixels(const vcPelBuffer<unsigned char>& a, const vcPelBuffer<unsigned char>& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (long y = 0; y < a.height(); ++y)
    if (!std::equal(a.pointToRow(y), a.pointToRow(y) + a.width(), b.pointToRow(y))) return false;
  return true;
}

// Two pixels 2.5 pixels either side of each edge's middle: the light side must be lighter.
void expectEdgesSeparateLightFromDark(const vsScene& scene) {
  const double contrast = lightLevel(scene) - darkLevel(scene);
  for (const vsSceneEdge& e : scene.edges) {
    const V mid = (e.p1 + e.p2) * 0.5;
    EXPECT_NEAR(e.lightNormal.len(), 1.0, 1e-12);
    EXPECT_NEAR(e.lightNormal * (e.p2 - e.p1), 0.0, 1e-9);
    EXPECT_GT(greyAt(scene, mid + e.lightNormal * 2.5) - greyAt(scene, mid - e.lightNormal * 2.5),
              0.5 * contrast);
  }
}

}  // namespace

TEST(SceneGenerators, SeedsReproduceAndDiffer) {
  const vsSceneParams params{
      .width = 160, .height = 120, .seed = 12345, .minSize = 6.0, .maxSize = 20.0};
  for (auto generator :
       {scenes::circles, scenes::lines, scenes::polygons, scenes::strokes, scenes::mixed}) {
    const vsScene a = generator(params);
    const vsScene b = generator(params);
    EXPECT_TRUE(samePixels(a.image, b.image));
    EXPECT_EQ(a.edges.size(), b.edges.size());
    EXPECT_GT(a.circles.size() + a.polygons.size() + a.strokes.size(), 0u);
    vsSceneParams other = params;
    other.seed = 12346;
    EXPECT_FALSE(samePixels(a.image, generator(other).image));
  }
}

TEST(SceneGenerators, CircleTruthMatchesTheImage) {
  vsSceneParams params{.seed = 3,
                       .count = 10,
                       .minSize = 8.0,
                       .maxSize = 40.0,
                       .ringFraction = 0.5,
                       .background = 180.0,
                       .foreground = 30.0};
  const vsScene scene = scenes::circles(params);
  ASSERT_GE(scene.circles.size(), 10u);
  bool sawRing = false;
  for (const vsSceneCircle& c : scene.circles) {
    const bool lightInside = c.polarity == veScenePolarity::eLightOnDark;
    sawRing = sawRing || lightInside;  // dark discs: only a ring's hole is light inside
    for (int k = 0; k < 8; ++k) {
      const V dir(1.0, vcRadian(k * std::numbers::pi / 4.0));
      const double in = greyAt(scene, c.center + dir * (c.radius - 2.5));
      const double out = greyAt(scene, c.center + dir * (c.radius + 2.5));
      EXPECT_NEAR(lightInside ? in : out, lightLevel(scene), 12.0);
      EXPECT_NEAR(lightInside ? out : in, darkLevel(scene), 12.0);
    }
  }
  EXPECT_TRUE(sawRing);

  // Without blur and noise the grey sum is the drawn area, up to 8-bit rounding.
  params.blurSigma = 0.0;
  params.noiseSigma = 0.0;
  const vsScene clean = scenes::circles(params);
  double area = 0.0, drawn = 0.0;
  for (const vsSceneCircle& c : clean.circles)
    area += (c.polarity == veScenePolarity::eDarkOnLight ? 1.0 : -1.0) * std::numbers::pi *
            c.radius * c.radius;
  for (long y = 0; y < clean.image.height(); ++y)
    for (long x = 0; x < clean.image.width(); ++x)
      drawn += (clean.image.get(x, y) - clean.background) / (clean.foreground - clean.background);
  EXPECT_NEAR(drawn, area, 0.002 * area);
}

TEST(SceneGenerators, EdgePolygonAndStrokeTruthMatchTheImage) {
  vsSceneParams params{.seed = 99, .count = 8, .minSize = 20.0, .maxSize = 80.0};
  const vsScene bars = scenes::lines(params);
  EXPECT_EQ(bars.edges.size(), 4 * bars.polygons.size());
  expectEdgesSeparateLightFromDark(bars);

  params.foreground = 10.0;  // dark shapes: the normals turn outwards
  const vsScene shapes = scenes::polygons(params);
  EXPECT_GE(shapes.polygons.size(), 4u);
  expectEdgesSeparateLightFromDark(shapes);

  params.minWidth = 6.0;
  const vsScene strokes = scenes::strokes(params);
  EXPECT_GE(strokes.strokes.size(), 4u);
  for (const vsSceneStroke& s : strokes.strokes) {
    const V mid = (s.p1 + s.p2) * 0.5;
    const V across = (s.p2 - s.p1).unit().perp();
    EXPECT_NEAR(greyAt(strokes, mid), 10.0, 10.0);
    EXPECT_NEAR(greyAt(strokes, mid + across * (0.5 * s.width + 2.5)), 40.0, 10.0);
    EXPECT_NEAR(greyAt(strokes, s.p2 + (s.p2 - s.p1).unit() * 2.5), 40.0, 10.0);
  }
}

TEST(SceneGenerators, NoiseHasTheRequestedSigma) {
  const vsScene scene = scenes::circles(
      {.width = 256, .height = 256, .count = 0, .background = 100.0, .noiseSigma = 6.0});
  double sum = 0.0, sum2 = 0.0;
  for (long y = 0; y < 256; ++y)
    for (long x = 0; x < 256; ++x) {
      const double v = scene.image.get(x, y);
      sum += v;
      sum2 += v * v;
    }
  const double n = 256.0 * 256.0, mean = sum / n;
  // Rounding to integers adds a variance of 1/12.
  EXPECT_NEAR(mean, 100.0, 0.1);
  EXPECT_NEAR(std::sqrt(sum2 / n - mean * mean), std::sqrt(36.0 + 1.0 / 12.0), 0.1);
}

TEST(SceneGenerators, BadParametersThrowAndCrowdedImagesHoldFewerShapes) {
  // One bad field at a time, each through a different generator.
  const std::pair<void (*)(vsSceneParams&), vsScene (*)(const vsSceneParams&)> bad[] = {
      {[](vsSceneParams& p) { p.foreground = p.background; }, scenes::circles},
      {[](vsSceneParams& p) { p.maxSize = p.minSize - 1.0; }, scenes::lines},
      {[](vsSceneParams& p) { p.width = 4; }, scenes::strokes},
      {[](vsSceneParams& p) { p.blurSigma = -1.0; }, scenes::polygons},
      {[](vsSceneParams& p) { p.ringFraction = 1.5; }, scenes::mixed}};
  for (const auto& [spoil, generator] : bad) {
    vsSceneParams params;
    spoil(params);
    EXPECT_THROW(generator(params), vcBadParamsError);
  }

  const vsScene scene = scenes::circles(
      {.width = 64, .height = 64, .count = 50, .minSize = 8.0, .maxSize = 10.0});
  EXPECT_GE(scene.circles.size(), 1u);
  EXPECT_LT(scene.circles.size(), 50u);
  for (std::size_t a = 0; a < scene.circles.size(); ++a)
    for (std::size_t b = a + 1; b < scene.circles.size(); ++b) {
      if (scene.circles[a].center == scene.circles[b].center) continue;  // a ring's two circles
      EXPECT_GT(scene.circles[a].center.distance(scene.circles[b].center),
                scene.circles[a].radius + scene.circles[b].radius);
    }
}
