// Maps and parameters that a careless or hostile caller can hand the edge tools: each is refused
// with vcBadParamsError (or handled) without touching memory outside the map, and the map's
// cells stay as they were.

#include <gmock/gmock.h>

#include <cmath>
#include <limits>
#include <vector>

#include "edges/edge_scenes.h"
#include "platform/base/exception.h"
#include "tavshsl/chain_tracker.h"
#include "tavshsl/circle_finder.h"
#include "tavshsl/line_tracker.h"

namespace {

using edgetest::cells;
using edgetest::discs;
using ::testing::HasSubstr;

// Every tool that takes a map refuses it.
void expectEveryMapToolRefuses(const vcEdgeletMap& map) {
  vcChainTrackerResultSet chains;
  EXPECT_THROW(vfChainTracker(map, vcChainTrackerRunParams(), chains, nullptr, 0),
               vcBadParamsError);
  vcLineTrackerResultSet lines;
  EXPECT_THROW(vfLineTracker(map, vcLineTrackerRunParams(), lines, nullptr, 0), vcBadParamsError);
  vcCircleFinderResultSet circles;
  const vcCircleFinderRunParams params;
  EXPECT_THROW(vfCircleFinder(map, params, circles, nullptr, 0), vcBadParamsError);
  EXPECT_THROW(vfCircleFinder(map, vcVector<2>(30.0, 30.0), params, circles, nullptr, 0),
               vcBadParamsError);
}

TEST(HostileMap, AnOffsetMovedAfterTheBuildIsRefused) {
  vcPelBuffer<unsigned char> image = discs(60, 60, {{{30.0, 30.0}, 15.0, 200.0}});
  image.offset(7, 3);
  vcEdgeletMap map(image, 15.0);
  ASSERT_FALSE(map.edges().empty());
  const std::vector<std::int32_t> before = cells(map, 1);

  // The map's own setter refuses a new offset and keeps the old one; the same one is fine.
  EXPECT_THROW(map.offset(0, 0), vcBadParamsError);
  EXPECT_THROW(map.offset(vcPair<long>(9, 3)), vcBadParamsError);
  EXPECT_NO_THROW(map.offset(7, 3));
  EXPECT_EQ(map.offset(), vcPair<long>(7, 3));

  // Moved through its pel-buffer base, a copy of it is refused by every tool and by rollback.
  vcEdgeletMap copy = map;
  static_cast<vcPelBuffer<std::int32_t>&>(copy).offset(-20, 40);
  expectEveryMapToolRefuses(copy);
  EXPECT_THROW(copy.rollbackCache(0), vcBadParamsError);
  // So is a map whose cells were swapped for a buffer without the frame.
  vcEdgeletMap swapped = map;
  static_cast<vcPelBuffer<std::int32_t>&>(swapped) = vcPelBuffer<std::int32_t>(60, 60);
  expectEveryMapToolRefuses(swapped);
  EXPECT_EQ(cells(map, 1), before);

  // The map itself still works.
  vcCircleFinderResultSet circles;
  vfCircleFinder(map, vcCircleFinderRunParams(), circles, nullptr, 0);
  EXPECT_EQ(circles.results().size(), 1u);
}

TEST(HostileMap, AnEmptyCellHoldingAnIndexIsRefused) {
  // A disc cut in two by a bar: its arcs are grabbed through a window around its centre. The
  // bad value goes into the empty cell right of the left arc on the middle row, where a scan
  // that skips runs of empty cells reads it.
  vcSceneCanvas canvas(60, 60, 40.0);
  canvas.drawDisc(vcVector<2>(30.0, 30.0), 15.0, 200.0);
  canvas.drawStroke(vcVector<2>(30.0, 5.0), vcVector<2>(30.0, 55.0), 5.0, 40.0);
  canvas.blur(1.0);
  const vcPelBuffer<unsigned char> image = canvas.image();
  {
    const vcEdgeletMap map(image, 15.0);
    vcCircleFinderResultSet circles;
    vfCircleFinder(map, vcCircleFinderRunParams(), circles, nullptr, 0);
    ASSERT_EQ(circles.results().size(), 1u);
  }
  for (std::int32_t bad : {0, 5, 1 << 20}) {
    const vcEdgeletMap map(image, 15.0);
    long x = 10;
    while (x < 30 && map.get(x, 30) < 0) ++x;
    ASSERT_LT(map.get(x + 1, 30), 0);
    map.put(x + 1, 30, bad);
    const std::vector<std::int32_t> before = cells(map, 1);
    vcCircleFinderResultSet circles;
    try {
      vfCircleFinder(map, vcCircleFinderRunParams(), circles, nullptr, 0);
      ADD_FAILURE() << bad << ": no exception";
    } catch (const vcBadParamsError& e) {
      // Values of no edgelet are passed over by the chain tracker and refused by the listing.
      if (bad >= long(map.edges().size())) {
        EXPECT_THAT(e.what(), HasSubstr("vfCircleFinder"));
      }
    }
    EXPECT_EQ(cells(map, 1), before) << bad;
  }

  // A cell of an edgelet that holds another edgelet's index.
  const vcEdgeletMap map(image, 15.0);
  const vcEdgelet& e = map.edges()[3];
  map.put(e.get_i(), e.get_j(), 4);
  vcChainTrackerResultSet chains;
  EXPECT_THROW(vfChainTracker(map, vcChainTrackerRunParams(), chains, nullptr, 0),
               vcBadParamsError);
  vcLineTrackerResultSet lines;
  EXPECT_THROW(vfLineTracker(map, vcLineTrackerRunParams(), lines, nullptr, 0), vcBadParamsError);
}

TEST(HostileMap, EmptyWindowsGiveNothing) {
  for (const auto& [w, h] : {std::pair{0L, 5L}, std::pair{5L, 0L}, std::pair{0L, 0L}}) {
    const vcPelBuffer<unsigned char> image(w, h, 32);
    vcChainTrackerResultSet chains;
    vfChainTracker(image, vcChainTrackerRunParams(), chains, nullptr, 0);
    EXPECT_TRUE(chains.results().empty());
    vcLineTrackerResultSet lines;
    vfLineTracker(image, vcLineTrackerRunParams(), lines, nullptr, 0);
    EXPECT_TRUE(lines.results().empty());
    vcCircleFinderResultSet circles;
    vfCircleFinder(image, vcCircleFinderRunParams(), circles, nullptr, 0);
    EXPECT_TRUE(circles.results().empty());
  }
}

TEST(HostileMap, LineModeIgnoresTheTrendParameters) {
  const vcPelBuffer<unsigned char> image = discs(60, 60, {{{30.0, 30.0}, 15.0, 200.0}});
  vcChainTrackerRunParams plain;
  plain.lineMode(true);
  vcChainTrackerRunParams extreme = plain;
  extreme.trendWindowSize(std::numeric_limits<long>::max());
  extreme.trendForwardStep(std::numeric_limits<long>::max());
  extreme.trendAngleTol(vcDegree(std::nan("")));
  vcChainTrackerResultSet a, b;
  vfChainTracker(image, plain, a, nullptr, 0);
  vfChainTracker(image, extreme, b, nullptr, 0);
  ASSERT_EQ(a.results().size(), b.results().size());
  EXPECT_GT(a.numResults(), 0);
  for (std::size_t k = 0; k < a.results().size(); ++k)
    EXPECT_EQ(a.results()[k].numEdgelets(), b.results()[k].numEdgelets());
}

TEST(HostileMap, NonFiniteClientTransformsAreRefused) {
  vcPelBuffer<unsigned char> image = discs(60, 60, {{{30.0, 30.0}, 15.0, 200.0}});
  const vcXform<2> good(vcMatrix<2>::fromElements(2.0, 0.0, 0.0, 2.0), vcVector<2>(5.0, 1.0));
  image.clientFromImageXform(good);
  for (double bad : {std::nan(""), std::numeric_limits<double>::infinity()}) {
    const vcXform<2> xform(vcMatrix<2>(), vcVector<2>(bad, 0.0));
    EXPECT_THROW(image.clientFromImageXform(xform), vcBadParamsError);
    EXPECT_THROW(image.imageFromClientXform(xform), vcBadParamsError);
    EXPECT_EQ(image.clientFromImageXform(), good);
  }
  // A transform so large that its inverse is not finite either.
  const vcXform<2> huge(vcMatrix<2>::fromElements(1e-300, 0.0, 0.0, 1e-300),
                        vcVector<2>(1e300, 0.0));
  EXPECT_THROW(image.clientFromImageXform(huge), vcBadParamsError);

  // With a reduction and an offset the circle finder maps through it and finds the disc.
  vcPelBuffer<unsigned char> window = image.window(10, 10, 40, 40);
  vcCircleFinderRunParams params;
  params.subSample(2);
  vcCircleFinderResultSet circles;
  vfCircleFinder(window, params, circles, nullptr, 0);
  ASSERT_EQ(circles.results().size(), 1u);
  EXPECT_NEAR(circles.results()[0].radius(), 30.0, 1.0);
}

}  // namespace
