#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "platform/base/exception.h"
#include "tavshsl/corresponding_hash_table.h"

namespace {

using vcSegmentDefs::eForward;
using vcSegmentDefs::eUndirected;

vcLineSeg seg(double x1, double y1, double x2, double y2) {
  return vcLineSeg(vcVector<2>(x1, y1), vcVector<2>(x2, y2));
}

vcFoundSegment found(const vcLineSeg& s, vcSegmentDefs::veSegmentPolarity p = eForward) {
  return vcFoundSegment(s, 10.0, p, 0.0);
}

std::vector<long> indexes(const std::vector<vcCorrespondingHashTableMatchData>& m) {
  std::vector<long> out;
  for (const auto& d : m) out.push_back(d.foundIndex);
  return out;
}

constexpr double kDistTol = 2.0;
const vcRadian kAngleTol(vcDegree(5.0));

TEST(CorrespondingHashTable, FindsNearbyParallelSegmentsWithinTheRectangleOnly) {
  // Found segments parallel to the model side at 1.5 and 5 times distTol, and one far away
  // that extends the grid over the side.
  const std::vector<vcFoundSegment> segs = {found(seg(20, 13, 60, 13)), found(seg(20, 20, 60, 20)),
                                            found(seg(100, 0, 120, 90))};
  vcCorrespondingHashTable table(1.0, segs, kDistTol, kAngleTol);
  std::vector<vcCorrespondingHashTableMatchData> out;
  const vcModelSegment side(seg(10, 10, 50, 10), 1.0, eForward);
  table.match(out, side, 0);
  ASSERT_EQ(indexes(out), (std::vector<long>{0}));
  // Overlap 30 along the side, Gaussian of a 1.5 distTol offset.
  EXPECT_NEAR(out[0].score, 30.0 * std::exp(-0.5 * 1.5 * 1.5), 1e-9);

  // A side partly outside the grid still finds what lies near its in-grid part.
  table.match(out, vcModelSegment(seg(-500, 10, 50, 10), 1.0, eForward), 1);
  EXPECT_EQ(indexes(out), (std::vector<long>{0}));
}

TEST(CorrespondingHashTable, OppositeDirectionsMatchOnlyWithAnUndirectedSide) {
  const std::vector<vcFoundSegment> segs = {found(seg(40, 10, 0, 10), eForward),
                                            found(seg(40, 11, 0, 11), eUndirected),
                                            found(seg(0, 12, 40, 12), eForward)};
  vcCorrespondingHashTable table(2.0, segs, kDistTol, kAngleTol);
  std::vector<vcCorrespondingHashTableMatchData> out;

  // Directed side against directed found: the reversed one (difference pi) never matches.
  table.match(out, vcModelSegment(seg(0, 10, 40, 10), 1.0, eForward), 0);
  EXPECT_EQ(indexes(out), (std::vector<long>{1, 2}));
  // An undirected side folds the difference: all three match.
  table.match(out, vcModelSegment(seg(0, 10, 40, 10), 1.0, eUndirected), 0);
  EXPECT_EQ(indexes(out).size(), 3u);
  // A side turned by 20 degrees is beyond 2 x 5 degrees.
  table.match(out, vcModelSegment(seg(0, 10, 40, 10 + 40 * std::tan(0.35)), 1.0, eUndirected), 0);
  EXPECT_TRUE(out.empty());
}

TEST(CorrespondingHashTable, ListsEachFoundSegmentOnceInWalkOrder) {
  // Long segments fill many cells along the side; the walk meets index 1 first.
  const std::vector<vcFoundSegment> segs = {found(seg(30, 5, 90, 5)), found(seg(0, 5.5, 50, 5.5))};
  vcCorrespondingHashTable table(1.0, segs, kDistTol, kAngleTol);
  std::vector<vcCorrespondingHashTableMatchData> out;
  table.match(out, vcModelSegment(seg(0, 5, 90, 5), 1.0, eForward), 0);
  EXPECT_EQ(indexes(out), (std::vector<long>{1, 0}));
  // A second query starts afresh.
  table.match(out, vcModelSegment(seg(0, 5, 90, 5), 1.0, eForward), 0);
  EXPECT_EQ(out.size(), 2u);

  // Where both rectangles (2 distTol either side) cover a cell it lists them by index. The
  // grid of cells of 1 starts at (-2, 3), distTol before the least end point coordinates.
  EXPECT_EQ(table.width(), 95);
  EXPECT_EQ(table.height(), 5);
  EXPECT_EQ(table.cell(42, 2), (std::vector<long>{0, 1}));
  EXPECT_EQ(table.cell(72, 2), (std::vector<long>{0}));
  EXPECT_EQ(table.cell(5, 2), (std::vector<long>{1}));
}

TEST(CorrespondingHashTable, RefusesBadInput) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<vcFoundSegment> none;
  const std::vector<vcFoundSegment> one = {found(seg(0, 0, 10, 0))};
  EXPECT_THROW(vcCorrespondingHashTable(1.0, none, kDistTol, kAngleTol), vcBadParamsError);
  EXPECT_THROW(vcCorrespondingHashTable(0.0, one, kDistTol, kAngleTol), vcBadParamsError);
  EXPECT_THROW(vcCorrespondingHashTable(1.0, one, 0.0, kAngleTol), vcBadParamsError);
  EXPECT_THROW(vcCorrespondingHashTable(1.0, {found(seg(0, 0, nan, 0))}, kDistTol, kAngleTol),
               vcBadParamsError);
  EXPECT_THROW(vcCorrespondingHashTable(1e-6, {found(seg(0, 0, 1e6, 1e6))}, kDistTol, kAngleTol),
               vcBadParamsError);
  vcCorrespondingHashTable table(1.0, one, kDistTol, kAngleTol);
  std::vector<vcCorrespondingHashTableMatchData> out;
  EXPECT_THROW(table.match(out, vcModelSegment(seg(0, 0, nan, 0), 1.0, eForward), 0),
               vcBadParamsError);
}

}  // namespace
