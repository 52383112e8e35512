// The circle finder: parameter rules, result choice and order, closed chains, sub-sampling,
// images without chains, the expected-centre forms, what the map forms leave in the map,
// diagnostics and refused input.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>
#include <utility>
#include <vector>

#include "edges/edge_scenes.h"
#include "platform/base/exception.h"
#include "platform/diag/diag_object.h"
#include "scenes/canvas.h"
#include "tavshsl/circle_finder.h"

namespace {

using namespace edgetest;
using Defs = vcCircleFinderDefs;
using Params = vcCircleFinderRunParams;

TEST(CircleFinderParams, OutOfRangeValuesAreIgnoredSilently) {
  const auto values = [](const Params& q) {
    return std::tuple(q.maxNumResults(), q.subSample(), q.magThresh(), q.cstThresh(),
                      q.coverageThresh(), q.radiusRange().range());
  };
  Params p;
  p.maxNumResults(0);
  p.subSample(9);
  p.subSample(-2);
  p.magThresh(0.0);
  p.cstThresh(-1.0);
  p.coverageThresh(std::nan(""));
  p.radiusRange(vcRange(0.0, 10.0));
  EXPECT_EQ(values(p), values(Params()));

  // Edge values pass: the setter checks are looser than the constructor's.
  p.subSample(-1);
  p.cstThresh(0.0);
  p.coverageThresh(1.5);
  EXPECT_EQ(values(p), std::tuple(1L, -1L, 15.0, 0.0, 1.5, vcRange::eFull));

  // One bad constructor argument keeps every default.
  const Params bad(Defs::eDarkOnLight, vcRange(5.0, 9.0), 4, 15.0, 20.0, 1.5);
  EXPECT_EQ(bad.polarity(), Defs::eAnyPolarity);
  EXPECT_EQ(values(bad), values(Params()));
}

TEST(CircleFinder, LargestRadiusWinsAndTiesGoToTheLaterCandidate) {
  const vcPelBuffer<unsigned char> image =
      discs(160, 100, {{{40.3, 50.2}, 25.0, 200.0}, {{115.6, 49.7}, 14.0, 200.0}});
  vcCircleFinderResultSet found;

  // Defaults: one result, the largest circle.
  vfCircleFinder(image, Params(), found, nullptr, 0);
  ASSERT_EQ(found.results().size(), 1u);
  EXPECT_NEAR(found.results()[0].radius(), 25.0, 0.3);
  EXPECT_EQ(found.numCandidates(), 2);

  // Both are closed chains of coverage 1: by coverage the later candidate (the shorter chain,
  // seeded second) wins the tie.
  Params byCoverage;
  byCoverage.sortBy(Defs::eSortCoverage);
  vfCircleFinder(image, byCoverage, found, nullptr, 0);
  ASSERT_EQ(found.results().size(), 1u);
  EXPECT_EQ(found.results()[0].coverage(), 1.0);
  EXPECT_NEAR(found.results()[0].radius(), 14.0, 0.3);

  // Several results: largest first (the radius range is checked below).
  vfCircleFinder(image, Params(Defs::eAnyPolarity, vcRange(), 5), found, nullptr, 0);
  ASSERT_EQ(found.results().size(), 2u);
  EXPECT_GT(found.results()[0].radius(), found.results()[1].radius());
}

TEST(CircleFinder, ResultsLieWithinHalfAPixelOfTheRadiusRange) {
  // Discs of radius 4 to 13 in steps of 0.25: those well inside the range are found, and no
  // result lies more than half a pixel outside it.
  std::vector<Disc> drawn;
  for (int k = 0; k < 37; ++k)
    drawn.push_back({{15.3 + 32.0 * double(k % 12), 20.6 + 32.0 * double(k / 12)},
                     4.0 + 0.25 * double(k),
                     200.0});
  const vcPelBuffer<unsigned char> image = discs(390, 140, drawn);
  vcCircleFinderResultSet found;
  vfCircleFinder(image, Params(Defs::eAnyPolarity, vcRange(6.0, 10.0), 100), found, nullptr, 0);
  for (const vcCircleFinderResult& r : found.results()) {
    EXPECT_GE(r.radius(), 5.5);
    EXPECT_LE(r.radius(), 10.5);
  }
  for (const Disc& d : drawn) {
    if (d.radius < 6.5 || d.radius > 9.5) continue;
    EXPECT_TRUE(std::any_of(found.results().begin(), found.results().end(),
                            [&](const vcCircleFinderResult& r) {
                              return r.center().distance(d.center) < 0.3 &&
                                     std::abs(r.radius() - d.radius) < 0.3;
                            }))
        << "radius " << d.radius;
  }
}

TEST(CircleFinder, LargeFaintNoisyDiscIsFoundOnTheReducedImage) {
  // Contrast 28 under noise of sigma 8, found at full size (the faint rim's directions are
  // steadied, so its chains run long enough to seed a circle of this size) and reduced by the
  // factor the radius range asks for (8), where the rim is smooth, in client units of the full
  // image either way.
  vcSceneCanvas canvas(240, 240, 100.0);
  canvas.drawDisc({119.6, 121.3}, 104.0, 128.0);
  canvas.blur(1.0);
  vcSceneRandom random(3);
  canvas.addNoise(8.0, random);
  Params params(Defs::eAnyPolarity, vcRange(80.0, 126.0));
  for (const long subSample : {0L, -1L}) {
    params.subSample(subSample);
    vcCircleFinderResultSet found;
    vfCircleFinder(canvas.image(), params, found, nullptr, 0);
    ASSERT_EQ(found.results().size(), 1u) << subSample;
    EXPECT_LT(found.results()[0].center().distance({119.6, 121.3}), 2.0) << subSample;
    EXPECT_NEAR(found.results()[0].radius(), 104.0, 2.0) << subSample;
  }
}

TEST(CircleFinder, PolarityAndContrastSelectCircles) {
  const vcPelBuffer<unsigned char> image =
      discs(200, 100, {{{50.0, 50.0}, 20.0, 200.0}, {{150.0, 50.0}, 20.0, 30.0}}, 100.0);
  vcCircleFinderResultSet found;
  vfCircleFinder(image, Params(Defs::eDarkOnLight, vcRange(), 4), found, nullptr, 0);
  ASSERT_EQ(found.results().size(), 1u);
  EXPECT_NEAR(found.results()[0].center().x(), 150.0, 0.1);
  EXPECT_EQ(found.results()[0].polarity(), Defs::eDarkOnLight);
  EXPECT_NEAR(found.results()[0].avgDarkPel(), 30.0, 6.0);
  EXPECT_NEAR(found.results()[0].avgLightPel(), 100.0, 6.0);

  // A contrast threshold above the dark disc's 70 grey levels keeps only the light one (100).
  vfCircleFinder(image, Params(Defs::eAnyPolarity, vcRange(), 4, 15.0, 85.0), found, nullptr, 0);
  ASSERT_EQ(found.results().size(), 1u);
  EXPECT_EQ(found.results()[0].polarity(), Defs::eLightOnDark);
}

TEST(CircleFinder, OpenArcsAreGrabbedIntoOneCircle) {
  // A disc cut by three dark bars: four arcs, none closed, one circle.
  vcSceneCanvas canvas(120, 120, 40.0);
  canvas.drawDisc(vcVector<2>(60.4, 59.8), 40.0, 200.0);
  canvas.drawStroke(vcVector<2>(0.0, 30.0), vcVector<2>(120.0, 30.0), 5.0, 40.0);
  canvas.drawStroke(vcVector<2>(60.0, 60.0), vcVector<2>(60.0, 120.0), 5.0, 40.0);
  canvas.drawStroke(vcVector<2>(60.0, 60.0), vcVector<2>(120.0, 60.0), 5.0, 40.0);
  canvas.blur(1.0);
  Params params(Defs::eAnyPolarity, vcRange(30.0, 50.0));
  vcCircleFinderResultSet found;
  vfCircleFinder(canvas.image(), params, found, nullptr, 0);
  ASSERT_EQ(found.results().size(), 1u);
  const vcCircleFinderResult& c = found.results()[0];
  EXPECT_LT(c.center().distance(vcVector<2>(60.4, 59.8)), 0.1);
  EXPECT_NEAR(c.radius(), 40.0, 0.15);
  EXPECT_GT(c.coverage(), 0.5);
  EXPECT_LT(c.coverage(), 0.95);
  // The mean squared distance of the edgelets from the centre: the squared radius.
  EXPECT_NEAR(c.meanRadiusDevSqr(), 1600.0, 16.0);
  // The extremes lie where the arcs meet the bars, within a pixel of the rim.
  EXPECT_NEAR(c.minPointToCenter(), 40.0, 1.0);
  EXPECT_NEAR(c.maxPointToCenter(), 40.0, 1.0);

  // A coverage threshold above what is visible rejects it.
  params.coverageThresh(0.97);
  vfCircleFinder(canvas.image(), params, found, nullptr, 0);
  EXPECT_TRUE(found.results().empty());
}

TEST(CircleFinder, ImagesWithoutSeedChainsGiveNothing) {
  // Blank with noise below the edge threshold, at any radius; discs too small to give a seed
  // chain of coverageInitialFit x 2 pi x 30 = 18 edgelets; an unbound image.
  const Params any(Defs::eAnyPolarity, vcRange(), 3), large(Defs::eAnyPolarity, vcRange(30, 40), 3);
  vcCircleFinderResultSet found;
  for (const auto& [image, params] :
       {std::pair(discs(80, 60, {}), any),
        std::pair(discs(80, 60, {{{20.0, 20.0}, 2.0, 200.0}, {{60.0, 30.0}, 2.5, 200.0}}), large),
        std::pair(vcPelBuffer<unsigned char>(), large)}) {
    vfCircleFinder(image, params, found, nullptr, 0);
    EXPECT_EQ(found.numCandidates(), 0);
    EXPECT_TRUE(found.results().empty());
  }
}

TEST(CircleFinder, SubSampleFactorFollowsTheRadiusRange) {
  const vcPelBuffer<unsigned char> image = discs(240, 240, {{{120.3, 119.6}, 60.0, 200.0}});
  vcCircleFinderResultSet found;
  const auto recordedWidth = [&](const vcRange& range, long subSample) {
    Params params(Defs::eAnyPolarity, range);
    params.subSample(subSample);
    vcDiagObject diag;
    vfCircleFinder(image, params, found, &diag, vcDiagObject::eInputs);
    EXPECT_EQ(diag.numRecords(), 1);
    return diag.diagRecord(0).image().width();
  };
  EXPECT_EQ(recordedWidth(vcRange(4.0, 8.0), -1), 80);   // mid radius 6: factor 3
  EXPECT_EQ(recordedWidth(vcRange(1.0, 3.0), -1), 240);  // factor 1 smooths only
  EXPECT_EQ(recordedWidth(vcRange(), -1), 240);          // no range: no reduction
  EXPECT_EQ(recordedWidth(vcRange(), 4), 60);

  // Factor 30 clamped to 8; the reduced search still reports client units of the full image.
  EXPECT_EQ(recordedWidth(vcRange(40.0, 80.0), -1), 30);
  ASSERT_EQ(found.results().size(), 1u);
  EXPECT_NEAR(found.results()[0].center().x(), 120.3, 0.5);
  EXPECT_NEAR(found.results()[0].radius(), 60.0, 1.0);
}

TEST(CircleFinder, ExpectedCentreFormsAndWhatTheMapFormsLeave) {
  // A disc with a dark hole: around the expected centre both edges have a polarity.
  vcSceneCanvas canvas(120, 120, 40.0);
  canvas.drawRing(vcVector<2>(60.2, 59.7), 40.0, 20.0, 200.0);
  canvas.blur(1.0);
  const vcPelBuffer<unsigned char> image = canvas.image();
  Params params(Defs::eDarkOnLight, vcRange(), 4);
  vcCircleFinderResultSet found;
  vfCircleFinder(image, vcVector<2>(60.0, 60.0), params, found, nullptr, 0);
  ASSERT_EQ(found.results().size(), 1u);
  EXPECT_NEAR(found.results()[0].radius(), 20.0, 0.15);
  EXPECT_GE(found.numCandidates(), 1);

  // The map form without a centre restores the caller's map; with one, it stays marked.
  const vcEdgeletMap map(image, 15.0);
  const std::vector<std::int32_t> before = cells(map);
  params.polarity(Defs::eAnyPolarity);
  vfCircleFinder(map, params, found, nullptr, 0);
  EXPECT_EQ(found.results().size(), 2u);
  EXPECT_EQ(cells(map), before);
  vfCircleFinder(map, vcVector<2>(60.0, 60.0), params, found, nullptr, 0);
  EXPECT_EQ(found.results().size(), 2u);
  for (std::int32_t v : cells(map)) EXPECT_LT(v, 0);  // every edgelet consumed

  // Rolling back restores it.
  map.rollbackCache(long(map.edges().size()));
  EXPECT_EQ(cells(map), before);
}

TEST(CircleFinder, DiagnosticsOnlyWhenAskedAndRefusedInputChangesNothing) {
  const vcPelBuffer<unsigned char> image = discs(100, 100, {{{50.0, 50.0}, 30.0, 200.0}});
  vcCircleFinderResultSet found, plain;
  vcDiagObject diag;
  vfCircleFinder(image, Params(), found, &diag, 0x70000);
  vfCircleFinder(image, Params(), plain, nullptr, 0);
  ASSERT_EQ(diag.numRecords(), 1);
  const vcDiagRecord& rec = diag.diagRecord(0);
  EXPECT_EQ(rec.annotations(), std::vector<std::wstring>{L"Circle Finder"});
  ASSERT_EQ(rec.entries().size(), 3u);  // circle chains, unused chains, found circles
  EXPECT_EQ(rec.entries()[2].sketch().items().size(), 1u);
  ASSERT_EQ(found.results().size(), 1u);
  ASSERT_EQ(plain.results().size(), 1u);
  EXPECT_EQ(found.results()[0].center(), plain.results()[0].center());
  vfCircleFinder(image, Params(), found, &diag, 0);
  EXPECT_EQ(diag.numRecords(), 1);

  EXPECT_THROW(vfCircleFinder(image, vcVector<2>(std::nan(""), 1.0), Params(), found, nullptr, 0),
               vcBadParamsError);
  Params params;
  params.subSample(8);
  EXPECT_THROW(vfCircleFinder(vcPelBuffer<unsigned char>(5, 5), params, found, nullptr, 0),
               vcBadParamsError);
  EXPECT_EQ(found.results().size(), 1u);

  // The lock of the form is free again after the throw.
  vfCircleFinder(image, Params(), found, nullptr, 0);
  EXPECT_EQ(found.results().size(), 1u);
}

}  // namespace
