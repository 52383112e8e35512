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
  const vsScene scene = scenes::circles({.seed = 3,
                                         .count = 10,
                                         .minSize = 8.0,
                                         .maxSize = 40.0,
                                         .ringFraction = 0.5,
                                         .background = 180.0,
                                         .foreground = 30.0});
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
}

TEST(SceneGenerators, BadParametersThrow) {
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
}

TEST(SceneGenerators, AccuracyScenesHideAtMostAThirdOfARim) {
  // The share of a rim that what is drawn over it covers, as measured on the scene, spans the
  // range the scenes promise (up to 0.3) and no more; the crowded share, which adds the rim
  // within 2 pixels of what covers it, is never smaller.
  double most = 0.0;
  long hiddenOnes = 0;
  for (std::uint32_t seed = 1; seed <= 10; ++seed) {
    const vsAccuracyScene scene = scenes::accuracyScene({.seed = seed});
    for (const vsAccuracyCircle& c : scene.circles) {
      EXPECT_LE(c.hidden, 0.3 + 1.0 / 1440.0) << "seed " << seed;
      EXPECT_GE(c.crowded, c.hidden) << "seed " << seed;
      most = std::max(most, c.hidden);
      hiddenOnes += c.hidden > 0.0;
    }
  }
  EXPECT_GT(most, 0.25);
  EXPECT_GE(hiddenOnes, 10);
}
