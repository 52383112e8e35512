// The line tracker: index order along a line, the angle tolerance's boundary, one-edgelet
// lines, cuts on curves, auxResults, client conversion, conversion from chains, pools,
// refused input and diagnostics.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/base/exception.h"
#include "platform/diag/diag_object.h"
#include "scenes/canvas.h"
#include "tavshsl/chain_tracker.h"
#include "tavshsl/line_tracker.h"

namespace {

// A w x h image, dark above row `at` (left of column `at` when vertical), light after it.
vcPelBuffer<unsigned char> step(long w, long h, long at, bool vertical) {
  vcPelBuffer<unsigned char> image(w, h, 32);
  for (long y = 0; y < h; ++y)
    for (long x = 0; x < w; ++x) image.put(x, y, (vertical ? x : y) < at ? 50 : 200);
  return image;
}

const vcEdgelet& edgelet(const vcLineTrackerResultSet& set, const vcLineTrackerResult& r,
                         long k) {
  return set.edges()[std::size_t(r.edgeletIndexes()[k])];
}

void expectNear(const vcVector<2>& a, const vcVector<2>& b, double tol) {
  EXPECT_NEAR(a.x(), b.x(), tol);
  EXPECT_NEAR(a.y(), b.y(), tol);
}

TEST(LineTracker, IndexesRunMonotonicallyAlongTheLine) {
  // Horizontal: traced +x from the leftmost edgelet, reversed, so it runs right to left.
  vcLineTrackerResultSet set;
  vfLineTracker(step(30, 12, 6, false), vcLineTrackerRunParams(), set, nullptr, 0);
  ASSERT_EQ(set.results().size(), 1u);
  const vcLineTrackerResult& row = set.results()[0];
  ASSERT_EQ(row.numEdgelets(), 30);
  for (long k = 0; k < 30; ++k) EXPECT_EQ(edgelet(set, row, k).get_i(), 29 - k);
  EXPECT_GT(row.p1().x(), row.p2().x());

  // Vertical: top to bottom.
  vfLineTracker(step(12, 30, 6, true), vcLineTrackerRunParams(), set, nullptr, 0);
  ASSERT_EQ(set.results().size(), 1u);
  for (long k = 0; k < 30; ++k) EXPECT_EQ(edgelet(set, set.results()[0], k).get_j(), k);

  // Diagonal steps (either sense) make one line too.
  for (bool rising : {false, true}) {
    vcSceneCanvas canvas(40, 40, 50.0);
    canvas.drawHalfPlane(vcVector<2>(20.0, 20.0), vcVector<2>(rising ? -1.0 : 1.0, 1.0), 200.0);
    vfLineTracker(canvas.image(), vcLineTrackerRunParams(), set, nullptr, 0);
    ASSERT_EQ(set.results().size(), 1u);
    EXPECT_GE(set.results()[0].numEdgelets(), 38);
  }
}

TEST(LineTracker, AngleToleranceIsExclusiveAndLoneEdgeletsFollowTheirTangent) {
  const vcPelBuffer<unsigned char> image = step(20, 10, 5, false);
  vcLineTrackerResultSet set;

  // One code (360 / 256 degrees): equal codes differ by 0 < 1 and join.
  vcLineTrackerRunParams oneCode(15.0, vcDegree(360.0 / 256.0), 1.0, 1);
  vfLineTracker(image, oneCode, set, nullptr, 0);
  ASSERT_EQ(set.results().size(), 1u);
  EXPECT_EQ(set.results()[0].numEdgelets(), 20);

  // Zero: a difference of exactly the tolerance (0) is refused, every edgelet is a line.
  vcLineTrackerRunParams zero(15.0, vcDegree(0.0), 1.0, 1);
  vfLineTracker(image, zero, set, nullptr, 0);
  ASSERT_EQ(set.results().size(), 20u);
  for (const vcLineTrackerResult& r : set.results()) {
    ASSERT_EQ(r.numEdgelets(), 1);
    const vcEdgelet& e = edgelet(set, r, 0);
    vcVector<2> a, b;
    e.endpoints(a, b, true);
    expectNear(r.p1(), a, 1e-9);
    expectNear(r.p2(), b, 1e-9);
    EXPECT_NEAR(r.distanceFrom(e.position()), 0.0, 1e-5);
    EXPECT_NEAR(std::fabs(r.sinAngle()), 0.0, 1e-9);  // along the horizontal tangent
  }
  // The default minimum of 2 drops them all.
  zero.minNumEdgelets(2);
  vfLineTracker(image, zero, set, nullptr, 0);
  EXPECT_TRUE(set.results().empty());
}

TEST(LineTracker, CurvedEdgesAreCutWhereTheyLeaveTheRefittedLine) {
  // An arc of radius 120 over about 60 degrees.
  vcSceneCanvas canvas(140, 80, 50.0);
  canvas.drawDisc(vcVector<2>(70.0, 135.0), 120.0, 200.0);
  canvas.blur(1.0);
  const vcEdgeletMap map(canvas.image(), 15.0);
  vcLineTrackerResultSet tight, loose;
  vfLineTracker(map, vcLineTrackerRunParams(), tight, nullptr, 0);
  ASSERT_GE(tight.results().size(), 3u);
  for (const vcLineTrackerResult& r : tight.results()) EXPECT_LT(r.endToEndError(), 2.0);

  vcLineTrackerRunParams wide;
  wide.distanceTol(4.0);
  vfLineTracker(map, wide, loose, nullptr, 0);
  EXPECT_LT(loose.results().size(), tight.results().size());
}

TEST(LineTracker, AuxResultsSelectTheExtraMeasures) {
  // A slightly tilted step: dark above, light below, gradient near +y (90 degrees).
  vcSceneCanvas canvas(60, 30, 50.0);
  canvas.drawHalfPlane(vcVector<2>(30.0, 15.0), vcVector<2>(-0.05, 1.0), 200.0);
  const vcPelBuffer<unsigned char> image = canvas.image();

  vcLineTrackerResultSet none, all;
  vfLineTracker(image, vcLineTrackerRunParams(15.0, vcDegree(35.0), 1.0, 2, 0), none, nullptr, 0);
  vfLineTracker(image, vcLineTrackerRunParams(), all, nullptr, 0);
  ASSERT_EQ(none.results().size(), 1u);
  ASSERT_EQ(all.results().size(), 1u);

  const vcLineTrackerResult& r0 = none.results()[0];
  EXPECT_EQ(r0.magnitude(), 0.0);
  EXPECT_EQ(r0.error(), 0.0);
  EXPECT_EQ(r0.endToEndError(), 0.0);
  EXPECT_EQ(r0.avgDarkPel(), 0.0);
  EXPECT_EQ(r0.avgLightPel(), 0.0);
  expectNear(r0.p1(), edgelet(none, r0, 0).position(), 0.0);
  expectNear(r0.p2(), edgelet(none, r0, r0.numEdgelets() - 1).position(), 0.0);
  EXPECT_EQ(r0.gradiantAngle().toDouble(),
            edgelet(none, r0, r0.numEdgelets() / 2).angle().toDouble());

  const vcLineTrackerResult& r = all.results()[0];
  EXPECT_NEAR(r.magnitude(), 75.0, 3.0);
  EXPECT_GT(r.error(), 0.0);
  EXPECT_GT(r.endToEndError(), 0.0);
  EXPECT_LT(r.endToEndError(), 0.5);
  EXPECT_NEAR(r.avgDarkPel(), 50.0, 1.0);
  EXPECT_NEAR(r.avgLightPel(), 200.0, 1.0);
  EXPECT_NEAR(r.distanceFrom(r.p1()), 0.0, 1e-9);  // projected onto the line
  EXPECT_NEAR(r.distanceFrom(r.p2()), 0.0, 1e-9);
  EXPECT_NEAR(r.gradiantAngle().toDouble(), std::atan2(1.0, -0.05) * 180.0 / M_PI, 0.2);

  // A client transform (rotation by 90 degrees, scale 2, shift) moves end points and angle;
  // the fitted line stays in image coordinates.
  vcPelBuffer<unsigned char> placed = vcPelBuffer<unsigned char>(image);
  const vcXform<2> clientFromImage(vcVector<2>(5.0, -3.0), vcRadian(M_PI / 2), vcRadian(M_PI / 2),
                                   2.0, 2.0);
  placed.clientFromImageXform(clientFromImage);
  vcLineTrackerResultSet mapped;
  vfLineTracker(placed, vcLineTrackerRunParams(), mapped, nullptr, 0);
  ASSERT_EQ(mapped.results().size(), 1u);
  const vcLineTrackerResult& m = mapped.results()[0];
  expectNear(m.p1(), clientFromImage.mapPoint(r.p1()), 1e-9);
  expectNear(m.p2(), clientFromImage.mapPoint(r.p2()), 1e-9);
  EXPECT_NEAR(m.gradiantAngle().toDouble(), r.gradiantAngle().toDouble() + 90.0, 1e-9);
  EXPECT_NEAR(m.distance(), r.distance(), 1e-12);

  // A mirror (y flipped) turns the angle the other way; unequal scales map it directly.
  const vcXform<2> mirror(vcVector<2>(0.0, 30.0), vcRadian(0.0), vcRadian(M_PI), 1.0, 1.0);
  placed.clientFromImageXform(mirror);
  vfLineTracker(placed, vcLineTrackerRunParams(), mapped, nullptr, 0);
  EXPECT_NEAR(mapped.results()[0].gradiantAngle().toDouble(),
              360.0 - r.gradiantAngle().toDouble(), 1e-9);
  const vcXform<2> stretch(vcVector<2>(0.0, 0.0), vcRadian(0.0), vcRadian(0.0), 1.0, 3.0);
  placed.clientFromImageXform(stretch);
  vfLineTracker(placed, vcLineTrackerRunParams(), mapped, nullptr, 0);
  EXPECT_NEAR(mapped.results()[0].gradiantAngle().toDouble(),
              vcDegree(stretch.mapAngle(r.gradiantAngle())).norm().toDouble(), 1e-9);
}

TEST(LineTracker, ChainsConvertOneLinePerResultProper) {
  // Five full-height vertical edges (40 edgelets) and a one-pixel tab giving three short
  // chains.
  vcPelBuffer<unsigned char> image(80, 40, 32);
  for (long y = 0; y < 40; ++y)
    for (long x = 0; x < 80; ++x) {
      const bool light = (x >= 10 && x < 20) || (x >= 30 && x < 40) || x >= 70 || (x == 50 && y < 6);
      image.put(x, y, light ? 200 : 50);
    }
  vcChainTrackerResultSet chains;
  vfChainTracker(image, vcChainTrackerRunParams(20), chains, nullptr, 0);
  ASSERT_EQ(chains.numResults(), 5);
  ASSERT_EQ(chains.results().size(), 8u);

  const vcLineTrackerResultSet lines(chains, vcLineTrackerRunParams());
  ASSERT_EQ(lines.results().size(), 5u);
  EXPECT_TRUE(lines.ownIndexPool());
  EXPECT_NE(lines.indexPool(), chains.indexPool());
  EXPECT_EQ(lines.poolSize(), chains.poolSize());
  for (std::size_t k = 0; k < 5; ++k) {
    const vcLineTrackerResult& l = lines.results()[k];
    EXPECT_EQ(l.numEdgelets(), 40);
    EXPECT_EQ(l.edgeletIndexes() - lines.indexPool(),
              chains.results()[k].edgeletIndexes() - chains.indexPool());
    EXPECT_NEAR(std::fabs(l.cosAngle()), 0.0, 1e-3);  // vertical
    EXPECT_LT(l.error(), 0.01);                        // per edgelet
  }

  // A shared chain pool stays shared.
  vcChainTrackerRunParams share(20);
  share.sharePool(true);
  vfChainTracker(image, share, chains, nullptr, 0);
  const vcLineTrackerResultSet sharedLines(chains, vcLineTrackerRunParams());
  EXPECT_FALSE(sharedLines.ownIndexPool());
  EXPECT_EQ(sharedLines.indexPool(), chains.indexPool());
}

TEST(LineTracker, PoolsAndMapRestoration) {
  const vcEdgeletMap map(step(30, 12, 6, false), 15.0);
  std::vector<std::int32_t> built;
  for (long x = 0; x < 30; ++x) built.push_back(map.get(x, 5));

  vcLineTrackerRunParams keep;
  keep.restoreEdgeletMap(false);
  keep.sharePool(true);
  vcLineTrackerResultSet shared, again;
  vfLineTracker(map, keep, shared, nullptr, 0);
  EXPECT_EQ(shared.indexPool(), map.cache()->indexPool());
  EXPECT_EQ(shared.poolSize(), 30);
  vfLineTracker(map, vcLineTrackerRunParams(), again, nullptr, 0);
  EXPECT_TRUE(again.results().empty());
  map.rollbackCache(30);

  // An owned pool survives the original set.
  vcLineTrackerResultSet copy;
  {
    vcLineTrackerResultSet owned;
    vfLineTracker(map, vcLineTrackerRunParams(), owned, nullptr, 0);
    copy = owned;
    EXPECT_NE(copy.indexPool(), owned.indexPool());
  }
  ASSERT_EQ(copy.results().size(), 1u);
  EXPECT_EQ(copy.results()[0].edgeletIndexes(), copy.indexPool());
  EXPECT_EQ(copy.indexPool()[0], built[29]);
}

TEST(LineTracker, BadInputThrowsAndChangesNothing) {
  const vcEdgeletMap map(step(30, 12, 6, false), 15.0);
  vcLineTrackerResultSet set;
  vfLineTracker(map, vcLineTrackerRunParams(), set, nullptr, 0);
  const long* pool = set.indexPool();

  EXPECT_THROW(vfLineTracker(vcEdgeletMap(), vcLineTrackerRunParams(), set, nullptr, 0),
               vcBadParamsError);
  EXPECT_THROW(vfLineTracker(vcPelBuffer_const<unsigned char>(), vcLineTrackerRunParams(), set,
                             nullptr, 0),
               vcBadParamsError);
  vcLineTrackerRunParams p;
  p.distanceTol(std::nan(""));
  EXPECT_THROW(vfLineTracker(map, p, set, nullptr, 0), vcBadParamsError);
  p = vcLineTrackerRunParams();
  p.angleTol(vcDegree(400.0));
  EXPECT_THROW(vfLineTracker(map, p, set, nullptr, 0), vcBadParamsError);
  EXPECT_EQ(set.indexPool(), pool);
  ASSERT_EQ(set.results().size(), 1u);
  for (long x = 0; x < 30; ++x) EXPECT_GE(map.get(x, 5), 0);
}

TEST(LineTracker, DiagnosticsRecordInputsEdgeletsAndLines) {
  const vcEdgeletMap map(step(30, 12, 6, false), 15.0);
  vcLineTrackerResultSet set;
  vcDiagObject diag;
  vfLineTracker(map, vcLineTrackerRunParams(15.0, vcDegree(0.0), 1.0, 1), set, &diag, 0x70000);
  ASSERT_EQ(diag.numRecords(), 1);
  const vcDiagRecord& record = diag.diagRecord(0);
  ASSERT_EQ(record.annotations().size(), 1u);
  EXPECT_EQ(record.annotations()[0], L"Line Tracker");
  ASSERT_EQ(record.entries().size(), 2u);
  EXPECT_EQ(record.entries()[0].label(), L"Edgelets");
  EXPECT_EQ(record.entries()[0].sketch().size(), 30);
  EXPECT_EQ(record.entries()[1].label(), L"Lines");
  EXPECT_EQ(record.entries()[1].sketch().size(), 30);  // one pixel per one-edgelet line

  vfLineTracker(map, vcLineTrackerRunParams(), set, &diag, 0x20000);
  ASSERT_EQ(diag.numRecords(), 2);
  ASSERT_EQ(diag.diagRecord(1).entries().size(), 1u);
  EXPECT_EQ(diag.diagRecord(1).entries()[0].sketch().size(), 1);
  EXPECT_TRUE(diag.diagRecord(1).annotations().empty());
}

}  // namespace
