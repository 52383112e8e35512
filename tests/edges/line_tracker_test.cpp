// The line tracker: index order along a line, the angle tolerance's boundary, one-edgelet
// lines, cuts on curves, auxResults, client conversion, conversion from chains, pools,
// refused input and diagnostics.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "edges/edge_scenes.h"
#include "platform/base/exception.h"
#include "platform/diag/diag_object.h"
#include "tavshsl/chain_tracker.h"
#include "tavshsl/line_tracker.h"

namespace {

using namespace edgetest;
using Params = vcLineTrackerRunParams;

TEST(LineTracker, IndexesRunMonotonicallyAlongTheLine) {
  // Horizontal: traced +x from the leftmost edgelet, reversed, so it runs right to left.
  // Vertical: top to bottom.
  vcLineTrackerResultSet set;
  for (bool vertical : {false, true}) {
    vfLineTracker(vertical ? step(12, 30, 6, true) : step(30, 12, 6, false), Params(), set, nullptr,
                  0);
    ASSERT_EQ(set.results().size(), 1u);
    const vcLineTrackerResult& r = set.results()[0];
    ASSERT_EQ(r.numEdgelets(), 30);
    for (long k = 0; k < 30; ++k)
      EXPECT_EQ(vertical ? edgeletOf(set, r, k).get_j() : 29 - edgeletOf(set, r, k).get_i(), k);
    EXPECT_GT(vertical ? r.p2().y() : r.p1().x(), vertical ? r.p1().y() : r.p2().x());
  }
}

TEST(LineTracker, AngleToleranceIsExclusiveAndLoneEdgeletsFollowTheirTangent) {
  const vcPelBuffer<unsigned char> image = step(20, 10, 5, false);
  vcLineTrackerResultSet set;

  // One code (360 / 256 degrees): equal codes differ by 0 < 1 and join.
  vfLineTracker(image, Params(15.0, vcDegree(360.0 / 256.0), 1.0, 1), set, nullptr, 0);
  ASSERT_EQ(set.results().size(), 1u);
  EXPECT_EQ(set.results()[0].numEdgelets(), 20);

  // Zero: a difference of exactly the tolerance (0) is refused, every edgelet is a line.
  vfLineTracker(image, Params(15.0, vcDegree(0.0), 1.0, 1), set, nullptr, 0);
  ASSERT_EQ(set.results().size(), 20u);
  for (const vcLineTrackerResult& r : set.results()) {
    ASSERT_EQ(r.numEdgelets(), 1);
    const vcEdgelet& e = edgeletOf(set, r, 0);
    vcVector<2> a, b;
    e.endpoints(a, b, true);
    EXPECT_LT(r.p1().distance(a) + r.p2().distance(b), 1e-9);
    EXPECT_NEAR(r.distanceFrom(e.position()), 0.0, 1e-5);
    EXPECT_NEAR(std::fabs(r.sinAngle()), 0.0, 1e-9);  // along the horizontal tangent
  }
  // The default minimum of 2 drops them all.
  vfLineTracker(image, Params(15.0, vcDegree(0.0)), set, nullptr, 0);
  EXPECT_TRUE(set.results().empty());
}

TEST(LineTracker, CurvedEdgesAreCutWhereTheyLeaveTheRefittedLine) {
  // An arc of radius 120 over about 60 degrees.
  vcSceneCanvas canvas(140, 80, 50.0);
  canvas.drawDisc(vcVector<2>(70.0, 135.0), 120.0, 200.0);
  canvas.blur(1.0);
  const vcEdgeletMap map(canvas.image(), 15.0);
  vcLineTrackerResultSet tight, loose;
  vfLineTracker(map, Params(), tight, nullptr, 0);
  ASSERT_GE(tight.results().size(), 3u);
  for (const vcLineTrackerResult& r : tight.results()) EXPECT_LT(r.endToEndError(), 2.0);
  vfLineTracker(map, Params(15.0, vcDegree(35.0), 4.0), loose, nullptr, 0);
  EXPECT_LT(loose.results().size(), tight.results().size());
}

TEST(LineTracker, AuxResultsAndClientTransforms) {
  // A slightly tilted step: dark above, light below, gradient near +y (90 degrees).
  vcSceneCanvas canvas(60, 30, 50.0);
  canvas.drawHalfPlane(vcVector<2>(30.0, 15.0), vcVector<2>(-0.05, 1.0), 200.0);
  const vcPelBuffer<unsigned char> image = canvas.image();

  // auxResults 0: no measures, end points at the end edgelets, the middle edgelet's angle.
  vcLineTrackerResultSet none, all;
  vfLineTracker(image, Params(15.0, vcDegree(35.0), 1.0, 2, 0), none, nullptr, 0);
  ASSERT_EQ(none.results().size(), 1u);
  const vcLineTrackerResult& r0 = none.results()[0];
  for (double v :
       {r0.magnitude(), r0.error(), r0.endToEndError(), r0.avgDarkPel(), r0.avgLightPel()})
    EXPECT_EQ(v, 0.0);
  EXPECT_EQ(r0.p1(), edgeletOf(none, r0, 0).position());
  EXPECT_EQ(r0.p2(), edgeletOf(none, r0, r0.numEdgelets() - 1).position());
  EXPECT_EQ(r0.gradiantAngle().toDouble(),
            edgeletOf(none, r0, r0.numEdgelets() / 2).angle().toDouble());

  vfLineTracker(image, Params(), all, nullptr, 0);
  ASSERT_EQ(all.results().size(), 1u);
  const vcLineTrackerResult& r = all.results()[0];
  EXPECT_NEAR(r.magnitude(), 150.0, 6.0);  // a sharp step's magnitude is its contrast
  EXPECT_GT(r.error(), 0.0);
  EXPECT_GT(r.endToEndError(), 0.0);
  EXPECT_LT(r.endToEndError(), 0.5);
  EXPECT_NEAR(r.avgDarkPel(), 50.0, 1.0);
  EXPECT_NEAR(r.avgLightPel(), 200.0, 1.0);
  EXPECT_NEAR(r.distanceFrom(r.p1()), 0.0, 1e-9);  // projected onto the line
  EXPECT_NEAR(r.distanceFrom(r.p2()), 0.0, 1e-9);
  EXPECT_NEAR(r.gradiantAngle().toDouble(), std::atan2(1.0, -0.05) * 180.0 / M_PI, 0.2);

  // The line found in the same image under a client transform.
  vcLineTrackerResultSet mapped;
  const auto placedLine = [&](const vcXform<2>& clientFromImage) {
    vcPelBuffer<unsigned char> placed(image);
    placed.clientFromImageXform(clientFromImage);
    vfLineTracker(placed, Params(), mapped, nullptr, 0);
    EXPECT_EQ(mapped.results().size(), 1u);
    return mapped.results().at(0);
  };
  // Rotation by 90 degrees, scale 2 and a shift move end points and angle; the fitted line
  // stays in image coordinates.
  const vcXform<2> clientFromImage(vcVector<2>(5.0, -3.0), vcRadian(M_PI / 2), vcRadian(M_PI / 2),
                                   2.0, 2.0);
  const vcLineTrackerResult m = placedLine(clientFromImage);
  EXPECT_LT(m.p1().distance(clientFromImage.mapPoint(r.p1())), 1e-9);
  EXPECT_LT(m.p2().distance(clientFromImage.mapPoint(r.p2())), 1e-9);
  EXPECT_NEAR(m.gradiantAngle().toDouble(), r.gradiantAngle().toDouble() + 90.0, 1e-9);
  EXPECT_NEAR(m.distance(), r.distance(), 1e-12);

  // A mirror (y flipped) turns the angle the other way; unequal scales map it directly.
  const vcXform<2> mirror(vcVector<2>(0.0, 30.0), vcRadian(0.0), vcRadian(M_PI), 1.0, 1.0);
  EXPECT_NEAR(placedLine(mirror).gradiantAngle().toDouble(), 360.0 - r.gradiantAngle().toDouble(),
              1e-9);
  const vcXform<2> stretch(vcVector<2>(0.0, 0.0), vcRadian(0.0), vcRadian(0.0), 1.0, 3.0);
  EXPECT_NEAR(placedLine(stretch).gradiantAngle().toDouble(),
              vcDegree(stretch.mapAngle(r.gradiantAngle())).norm().toDouble(), 1e-9);
}

TEST(LineTracker, ChainsConvertOneLinePerResultProper) {
  // Five full-height vertical edges (40 edgelets) and a one-pixel tab giving short chains (how
  // many depends on which side the detector gives the tab's corner tips).
  vcPelBuffer<unsigned char> image(80, 40, 32);
  for (long y = 0; y < 40; ++y)
    for (long x = 0; x < 80; ++x) {
      const bool light =
          (x >= 10 && x < 20) || (x >= 30 && x < 40) || x >= 70 || (x == 50 && y < 6);
      image.put(x, y, light ? 200 : 50);
    }
  vcChainTrackerResultSet chains;
  vfChainTracker(image, vcChainTrackerRunParams(20), chains, nullptr, 0);
  ASSERT_EQ(chains.numResults(), 5);
  ASSERT_GT(chains.results().size(), 6u);

  const vcLineTrackerResultSet lines(chains, Params());
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
    EXPECT_LT(l.error(), 0.01);                       // per edgelet
  }

  // A shared chain pool stays shared.
  vcChainTrackerRunParams share(20);
  share.sharePool(true);
  vfChainTracker(image, share, chains, nullptr, 0);
  const vcLineTrackerResultSet sharedLines(chains, Params());
  EXPECT_FALSE(sharedLines.ownIndexPool());
  EXPECT_EQ(sharedLines.indexPool(), chains.indexPool());
}

TEST(LineTracker, TheScanPassesOverMarkedCellsAndRefusesBadOnes) {
  // The scan reads a dense map cell by cell and a sparse one at its edgelets: a 30 x 12 map
  // with one edge is dense, a 120 x 40 one sparse.
  for (const long w : {30L, 120L}) {
    // A caller may mark cells consumed (-1) to leave their edgelets out: the edge at row 5
    // then comes in two pieces.
    vcEdgeletMap map(step(w, w / 3 + 2, 6, false), 15.0);
    vcLineTrackerResultSet set;
    map.pointToRow(5)[10] = -1;
    vfLineTracker(map, Params(), set, nullptr, 0);
    ASSERT_EQ(set.results().size(), 2u);
    EXPECT_EQ(set.results()[0].numEdgelets() + set.results()[1].numEdgelets(), w - 1);

    // A cell holding no edgelet index is refused when the scan reaches it, after the line
    // before it was traced; the marks of that line are undone.
    map.pointToRow(5)[10] = 10;
    map.pointToRow(5)[20] = 1000;
    try {
      vfLineTracker(map, Params(), set, nullptr, 0);
      ADD_FAILURE() << "no exception";
    } catch (const vcBadParamsError& e) {
      EXPECT_NE(std::string(e.what()).find("map cell (20, 5) holds 1000"), std::string::npos)
          << e.what();
    }
    for (long x = 0; x < 20; ++x) EXPECT_EQ(map.get(x, 5), x);
    EXPECT_EQ(set.results().size(), 2u);
  }
}

TEST(LineTracker, PoolsMapRestorationRefusedInputAndDiagnostics) {
  const vcEdgeletMap map(step(30, 12, 6, false), 15.0);
  Params keep;
  keep.restoreEdgeletMap(false);
  keep.sharePool(true);
  vcLineTrackerResultSet shared, again;
  vfLineTracker(map, keep, shared, nullptr, 0);
  EXPECT_EQ(shared.indexPool(), map.cache()->indexPool());
  EXPECT_EQ(shared.poolSize(), 30);
  vfLineTracker(map, Params(), again, nullptr, 0);
  EXPECT_TRUE(again.results().empty());
  map.rollbackCache(30);

  // An owned pool survives the original set.
  vcLineTrackerResultSet copy;
  {
    vcLineTrackerResultSet owned;
    vfLineTracker(map, Params(), owned, nullptr, 0);
    copy = owned;
    EXPECT_NE(copy.indexPool(), owned.indexPool());
  }
  ASSERT_EQ(copy.results().size(), 1u);
  EXPECT_EQ(copy.results()[0].edgeletIndexes(), copy.indexPool());
  EXPECT_EQ(copy.indexPool()[0], map.get(29, 5));

  // Refused input leaves the results, their pool and the map as they were.
  const long* pool = copy.indexPool();
  EXPECT_THROW(vfLineTracker(vcEdgeletMap(), Params(), copy, nullptr, 0), vcBadParamsError);
  EXPECT_THROW(vfLineTracker(vcPelBuffer_const<unsigned char>(), Params(), copy, nullptr, 0),
               vcBadParamsError);
  const vcPelBuffer<unsigned char> image = step(30, 12, 6, false);
  for (const Params& p :
       {Params(15.0, vcDegree(35.0), std::nan("")), Params(15.0, vcDegree(400.0)), Params(-1.0)}) {
    if (p.magThresh() >= 0.0) {  // the map form has no threshold to refuse
      EXPECT_THROW(vfLineTracker(map, p, copy, nullptr, 0), vcBadParamsError);
    }
    EXPECT_THROW(vfLineTracker(image, p, copy, nullptr, 0), vcBadParamsError);
  }
  EXPECT_EQ(copy.indexPool(), pool);
  ASSERT_EQ(copy.results().size(), 1u);
  for (long x = 0; x < 30; ++x) EXPECT_GE(map.get(x, 5), 0);

  // Diagnostics: one sketch item per line (the image and edgelet entries are shared with the
  // chain tracker).
  vcLineTrackerResultSet set;
  vcDiagObject diag;
  vfLineTracker(map, Params(15.0, vcDegree(0.0), 1.0, 1), set, &diag, 0x20000);
  ASSERT_EQ(diag.numRecords(), 1);
  ASSERT_EQ(diag.diagRecord(0).entries().size(), 1u);
  EXPECT_EQ(diag.diagRecord(0).entries()[0].sketch().size(), 30);
}

}  // namespace
