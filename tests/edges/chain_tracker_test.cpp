// The chain tracker: tracing order, short chains, closure, line and trend modes, map
// restoration, sorting, pixel probe, pool ownership, refused input and diagnostics.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "edges/edge_scenes.h"
#include "platform/base/exception.h"
#include "platform/diag/diag_object.h"
#include "tavshsl/chain_tracker.h"

namespace {

using namespace edgetest;
using Defs = vcChainTrackerDefs;
using Params = vcChainTrackerRunParams;

// A light disc of the given radius, centred off the pixel grid of a size x size image.
vcEdgeletMap discMap(long size, double radius) {
  return vcEdgeletMap(
      discs(size, size, {{{size / 2.0 + 0.3, size / 2.0 - 0.2}, radius, 200.0}}, 40.0, 3), 15.0);
}

TEST(ChainTracker, StraightEdgesRunForwardFromTheirFirstEdgeletInRasterOrder) {
  vcChainTrackerResultSet set;
  for (bool vertical : {false, true}) {
    vfChainTracker(vertical ? step(12, 30, 6, true) : step(30, 12, 6, false), Params(), set,
                   nullptr, 0);
    ASSERT_EQ(set.numResults(), 1);
    ASSERT_EQ(set.results().size(), 1u);
    const vcChainTrackerResult& c = set.results()[0];
    ASSERT_EQ(c.numEdgelets(), 30);
    EXPECT_FALSE(c.isClosed());
    for (long k = 0; k < 30; ++k)
      EXPECT_EQ(vertical ? edgeletOf(set, c, k).get_j() : edgeletOf(set, c, k).get_i(), k);
  }
}

TEST(ChainTracker, ShortChainsFollowTheResultsProper) {
  // A ring of one long chain, and a small dot whose 8 edgelets differ too much to link.
  vcSceneCanvas canvas(32, 16, 40.0);
  canvas.drawDisc(vcVector<2>(8.0, 8.0), 3.0, 200.0);
  canvas.drawDisc(vcVector<2>(24.0, 8.0), 1.5, 200.0);
  canvas.blur(0.7);
  vcChainTrackerResultSet set;
  const auto rasterKey = [&set](std::size_t k) {
    const vcEdgelet& e = edgeletOf(set, set.results()[k], 0);
    return long(e.get_j()) * 100000 + e.get_i();
  };
  vfChainTracker(canvas.image(), Params(), set, nullptr, 0);
  ASSERT_EQ(set.numResults(), 1);
  ASSERT_EQ(set.results().size(), 9u);
  EXPECT_EQ(set.poolSize(), long(set.edges().size()));
  EXPECT_TRUE(set.results()[0].isClosed());
  // Single edgelets, last found first: raster order decreases along the short part.
  for (std::size_t k = 1; k < 9; ++k) EXPECT_EQ(set.results()[k].numEdgelets(), 1);
  for (std::size_t k = 2; k < 9; ++k) EXPECT_LT(rasterKey(k), rasterKey(k - 1));

  // Sorted by length, the short chains come after the long ones in discovery order.
  vfChainTracker(canvas.image(), Params(2, 15.0, vcDegree(35.0), false, Defs::eSortByLength), set,
                 nullptr, 0);
  ASSERT_EQ(set.results().size(), 9u);
  EXPECT_EQ(set.results()[0].numEdgelets(), 16);
  for (std::size_t k = 2; k < 9; ++k) EXPECT_GT(rasterKey(k), rasterKey(k - 1));
}

TEST(ChainTracker, ClosureNeedsEightEdgeletsWithNeighbouringEnds) {
  vcChainTrackerResultSet set;
  // The chain of n edgelets round a small light polygon.
  const auto chainOf = [&set](std::vector<vcVector<2>> vertices, long n) {
    vcSceneCanvas canvas(12, 12, 40.0);
    canvas.drawPolygon(vertices, 200.0);
    vfChainTracker(canvas.image(), Params(1, 15.0, vcDegree(60.0)), set, nullptr, 0);
    return std::find_if(set.results().begin(), set.results().end(),
                        [n](const vcChainTrackerResult& c) { return c.numEdgelets() == n; });
  };
  // A quadrilateral traced all the way round in 8 edgelets is closed.
  const auto eight = chainOf({{6.91, 4.59}, {6.88, 7.43}, {4.86, 7.23}, {4.86, 4.77}}, 8);
  ASSERT_NE(eight, set.results().end());
  EXPECT_TRUE(eight->isClosed());

  // A triangle whose chain of 7 also ends next to its start is not.
  const auto seven = chainOf({{7.14, 6.96}, {4.61, 5.48}, {7.17, 5.08}}, 7);
  ASSERT_NE(seven, set.results().end());
  const vcEdgelet &first = edgeletOf(set, *seven, 0), &last = edgeletOf(set, *seven, 6);
  ASSERT_LE(std::abs(first.get_i() - last.get_i()), 1);
  ASSERT_LE(std::abs(first.get_j() - last.get_j()), 1);
  EXPECT_FALSE(seven->isClosed());
}

TEST(ChainTracker, LineModeCutsACircleIntoPiecesWithinTheTolerance) {
  // The plain and the trend tracer follow a disc's outline whole (the closed ring above; the
  // circle finder's closed circles, traced in trend mode). Line mode cuts it into many pieces,
  // each within the tolerance (25 codes) of its first edgelet.
  const vcEdgeletMap map = discMap(80, 30.0);
  vcChainTrackerResultSet set;
  vfChainTracker(map, Params(2, 15.0, vcDegree(35.0), true), set, nullptr, 0);
  EXPECT_GE(set.numResults(), 8);
  for (const vcChainTrackerResult& c : set.results()) {
    const int a = edgeletOf(set, c, 0).angle().plain();
    for (long k = 1; k < c.numEdgelets(); ++k) {
      const int d = std::abs(int(edgeletOf(set, c, k).angle().plain()) - a);
      EXPECT_LE(std::min(d, 256 - d), 25);
    }
  }
}

TEST(ChainTracker, AnArcTopComesBackAsOneChainPerSide) {
  // The top of a large disc cut off by the image's bottom: the tracer meets it first at the left
  // end of its top row, where the edge still rises to the right. It follows the left side down
  // whole from there (not one row per chain over its first few rows), and the right side from
  // the top row's next edgelet.
  vcSceneCanvas canvas(200, 90, 40.0);
  canvas.drawDisc(vcVector<2>(100.3, 100.2), 70.0, 200.0);
  canvas.blur(0.7);
  vcChainTrackerResultSet set;
  vfChainTracker(canvas.image(), Params(), set, nullptr, 0);
  ASSERT_EQ(set.results().size(), 2u);
  for (const vcChainTrackerResult& c : set.results()) {
    EXPECT_LE(edgeletOf(set, c, 0).get_j(), 31);
    EXPECT_GE(edgeletOf(set, c, c.numEdgelets() - 1).get_j(), 88);
  }
}

TEST(ChainTracker, SortKeysOrderTheResultsProper) {
  // Bars of different lengths and contrasts on a mid-grey background.
  vcSceneCanvas canvas(160, 120, 100.0);
  canvas.drawStroke(vcVector<2>(10, 10), vcVector<2>(150, 14), 6.0, 220.0);
  canvas.drawStroke(vcVector<2>(12, 40), vcVector<2>(70, 46), 6.0, 10.0);
  canvas.drawStroke(vcVector<2>(20, 80), vcVector<2>(120, 100), 8.0, 160.0);
  canvas.drawDisc(vcVector<2>(135, 75), 12.0, 30.0);
  canvas.blur(1.0);
  vcSceneRandom random(11);
  canvas.addNoise(2.0, random);
  const vcEdgeletMap map(canvas.image(), 15.0);

  const auto lengths = [](const vcChainTrackerResultSet& s) {
    std::vector<long> out;
    for (long k = 0; k < s.numResults(); ++k) out.push_back(s.results()[k].numEdgelets());
    std::sort(out.begin(), out.end());
    return out;
  };
  Params params(2, 15.0, vcDegree(35.0), false, Defs::eUnsorted, vcDegree(20.0), 0, 2, true);
  vcChainTrackerResultSet unsorted, sorted;
  vfChainTracker(map, params, unsorted, nullptr, 0);
  ASSERT_GE(unsorted.numResults(), 6);

  for (Defs::SortBy key :
       {Defs::eSortByLength, Defs::eSortByLightPel, Defs::eSortByDarkPel, Defs::eSortByMagnitude}) {
    params.sortBy(key);
    vfChainTracker(map, params, sorted, nullptr, 0);
    EXPECT_EQ(lengths(sorted), lengths(unsorted)) << key;
    for (long k = 1; k < sorted.numResults(); ++k) {
      const vcChainTrackerResult &a = sorted.results()[k - 1], &b = sorted.results()[k];
      const bool ordered = key == Defs::eSortByLength     ? a.numEdgelets() >= b.numEdgelets()
                           : key == Defs::eSortByLightPel ? a.avgLightPel() >= b.avgLightPel()
                           : key == Defs::eSortByDarkPel  ? a.avgDarkPel() <= b.avgDarkPel()
                                                          : a.magnitude() >= b.magnitude();
      EXPECT_TRUE(ordered) << "key " << key << " at " << k;
    }
  }
}

TEST(ChainTracker, PixelProbeReadsBothSidesAndStopsAtTheBorder) {
  // A step in mid-image, and one in the first column where the dark walk ends on the border
  // pixel. A sharp step's magnitude is its height.
  Params params;
  params.probePelVal(true);
  vcChainTrackerResultSet set;
  for (const auto& [at, left, right] : {std::tuple(10, 50, 200), std::tuple(1, 90, 30)}) {
    vfChainTracker(step(20, 20, at, true, left, right), params, set, nullptr, 0);
    ASSERT_EQ(set.numResults(), 1);
    EXPECT_DOUBLE_EQ(set.results()[0].avgDarkPel(), std::min(left, right));
    EXPECT_DOUBLE_EQ(set.results()[0].avgLightPel(), std::max(left, right));
    EXPECT_NEAR(set.results()[0].magnitude(), std::abs(right - left), 2.0);
  }
}

TEST(ChainTracker, PoolsMapRestorationRefusedInputAndDiagnostics) {
  const vcEdgeletMap map = discMap(40, 12.0);
  const std::vector<std::int32_t> built = cells(map);

  // A copy duplicates an owned pool and outlives the original, its chains in its own pool.
  vcChainTrackerResultSet copy;
  {
    vcChainTrackerResultSet owned;
    vfChainTracker(map, Params(), owned, nullptr, 0);
    ASSERT_GE(owned.numResults(), 1);
    EXPECT_EQ(cells(map), built);
    copy = owned;
    EXPECT_TRUE(copy.ownIndexPool());
    EXPECT_NE(copy.indexPool(), owned.indexPool());
  }
  for (const vcChainTrackerResult& r : copy.results()) {
    EXPECT_GE(r.edgeletIndexes(), copy.indexPool());
    EXPECT_LE(r.edgeletIndexes() + r.numEdgelets(), copy.indexPool() + copy.poolSize());
  }
  EXPECT_EQ(copy.indexPool()[0], copy.results()[0].edgeletIndexes()[0]);

  // Refused parameters leave the results, their pool and the map as they were. Trend buffers
  // of 2 x (W + F + 2) entries must fit in miscPool (257 entries here).
  const std::size_t before = copy.results().size();
  const long* pool = copy.indexPool();
  const vcDegree a(35.0), t(20.0);
  // The image form refuses the same, and a negative threshold, before it empties the set.
  for (const Params& p :
       {Params(2, 15.0, vcDegree(-1.0)), Params(2, 15.0, a, false, Defs::SortBy(7)),
        Params(2, 15.0, a, false, Defs::eUnsorted, t, 100, 27),
        Params(2, 15.0, a, false, Defs::eUnsorted, t, 5, -1), Params(2, -1.0)}) {
    if (p.magThresh() >= 0.0) {
      EXPECT_THROW(vfChainTracker(map, p, copy, nullptr, 0), vcBadParamsError);
    }
    EXPECT_THROW(vfChainTracker(map.image(), p, copy, nullptr, 0), vcBadParamsError);
    EXPECT_EQ(copy.results().size(), before);
    EXPECT_EQ(copy.indexPool(), pool);
    EXPECT_EQ(cells(map), built);
  }
  vcChainTrackerResultSet set, second;
  EXPECT_NO_THROW(
      vfChainTracker(map, Params(2, 15.0, a, false, Defs::eUnsorted, t, 100, 26), set, nullptr, 0));

  // A shared pool is the map's, and so is a copy's.
  Params share;
  share.sharePool(true);
  vfChainTracker(map, share, set, nullptr, 0);
  EXPECT_FALSE(set.ownIndexPool());
  EXPECT_EQ(set.indexPool(), map.cache()->indexPool());
  EXPECT_EQ(vcChainTrackerResultSet(set).results()[0].edgeletIndexes(),
            set.results()[0].edgeletIndexes());

  // Marks left in the map hide its edgelets from the next run. They are still listed in the
  // pool, so rolling back restores the map.
  Params keepMarks;
  keepMarks.restoreEdgeletMap(false);
  vfChainTracker(map, keepMarks, set, nullptr, 0);
  EXPECT_GE(set.numResults(), 1);
  vfChainTracker(map, Params(), second, nullptr, 0);
  EXPECT_EQ(second.results().size(), 0u);
  EXPECT_EQ(second.poolSize(), 0);
  map.rollbackCache(long(map.edges().size()));
  EXPECT_EQ(cells(map), built);

  // A map without cache is a no-op.
  vfChainTracker(vcEdgeletMap(), Params(), set, nullptr, 0);
  EXPECT_EQ(set.edgeletMap().cache(), map.cache());

  // Diagnostics: nothing without flags or without an object; the chains alone, or the image,
  // edgelets and chains.
  vcDiagObject diag;
  vfChainTracker(map, Params(), set, &diag, 0);
  vfChainTracker(map, Params(), set, nullptr, 0x70000);
  vfChainTracker(map, Params(), set, &diag, 0x20000);
  vfChainTracker(map, Params(1), set, &diag, 0x70000);
  ASSERT_EQ(diag.numRecords(), 2);
  const vcDiagRecord &chains = diag.diagRecord(0), &all = diag.diagRecord(1);
  EXPECT_FALSE(chains.image().isBound());
  ASSERT_EQ(chains.entries().size(), 1u);
  EXPECT_EQ(chains.entries()[0].label(), L"Chains");
  EXPECT_TRUE(all.image().sharesPixels(map.image()));
  EXPECT_EQ(all.annotations(), std::vector<std::wstring>{L"Line Tracker"});
  ASSERT_EQ(all.entries().size(), 2u);
  EXPECT_EQ(all.entries()[0].sketch().size(), long(map.edges().size()));
  EXPECT_EQ(all.entries()[1].sketch().size(), long(set.results().size()));
}

}  // namespace
