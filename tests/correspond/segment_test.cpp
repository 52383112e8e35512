#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "platform/base/exception.h"
#include "tavshsl/segments.h"

namespace {

using Util = vcSegmentCorresponderUtil;
constexpr double kPi = std::numbers::pi;

vcLineSeg seg(double x1, double y1, double x2, double y2) {
  return vcLineSeg(vcVector<2>(x1, y1), vcVector<2>(x2, y2));
}

TEST(Segment, DirectionFollowsPolarityAndIsKeptUntilTheSegmentIsSet) {
  // The line angle ignores the order of the end points; vertical lines are +pi/2 both ways.
  EXPECT_DOUBLE_EQ(Util::segmentAngle(seg(0, 5, 0, 0)).plain(), kPi / 2);
  EXPECT_DOUBLE_EQ(Util::segmentAngle(seg(0, 0, -1, -1)).plain(), kPi / 4);
  EXPECT_DOUBLE_EQ(vcBaseSegment(seg(3, 4, 3, 4), vcSegmentDefs::eForward).lineAngle().plain(),
                   kPi / 2);  // a zero-length segment is measured without failing
  EXPECT_DOUBLE_EQ(vcBaseSegment(seg(0, 0, 10, 0), vcSegmentDefs::eUndirected).dirAngle().plain(),
                   0.0);

  // A reversed segment points the other way. Setting the polarity alone keeps the direction
  // computed for the old one, until the segment is set again.
  vcFoundSegment found(seg(0, 0, 10, 0), 7.0, vcSegmentDefs::eReverse, 3.0);
  EXPECT_DOUBLE_EQ(std::abs(found.dirAngle().plain()), kPi);
  found.polarity(vcSegmentDefs::eForward);
  EXPECT_DOUBLE_EQ(std::abs(found.dirAngle().plain()), kPi);
  found.segment(seg(0, 0, 0, 4));
  EXPECT_DOUBLE_EQ(found.dirAngle().plain(), kPi / 2);

  // A value that is no polarity is refused and changes nothing.
  const auto bogus = static_cast<vcSegmentDefs::veSegmentPolarity>(3);
  EXPECT_THROW(found.polarity(bogus), vcBadParamsError);
  EXPECT_EQ(found.polarity(), vcSegmentDefs::eForward);
  EXPECT_THROW(vcModelSegment(seg(0, 0, 1, 0), 1.0, bogus), vcBadParamsError);
}

TEST(SegmentUtil, OverlapIsSignedAndOrderFree) {
  const vcBaseSegment base(seg(0, 0, 10, 0), vcSegmentDefs::eForward);
  EXPECT_NEAR(Util::calculateOverlap(base, seg(5, 3, 15, 3)), 5.0, 1e-12);
  EXPECT_NEAR(Util::calculateOverlap(base, seg(15, 3, 5, 3)), 5.0, 1e-12);
  EXPECT_NEAR(Util::calculateOverlap(base, seg(12, 0, 20, 0)), -2.0, 1e-12);
  EXPECT_NEAR(Util::calculateOverlap(base, seg(10, 0, 20, 0)), 0.0, 1e-12);

  // On an oblique base the projection is along the base, not along x.
  const vcBaseSegment diagonal(seg(0, 0, 10, 10), vcSegmentDefs::eUndirected);
  EXPECT_NEAR(Util::calculateOverlap(diagonal, seg(0, 10, 10, 10)), 10.0 / std::sqrt(2.0), 1e-12);

  // The scorer of one model segment gives the very same overlaps.
  const vcModelSegment oblique(seg(1, 2, 7, 11), 1.0, vcSegmentDefs::eForward);
  const Util::PairingScorer scorer(oblique, 1.5);
  for (const vcLineSeg& s : {seg(0, 3, 6, 12), seg(9, 9, 2, 1), seg(20, 0, 30, 1)})
    EXPECT_EQ(scorer.overlap(s), Util::calculateOverlap(oblique, s));
}

TEST(SegmentUtil, PairingScoreGatesAndWeighsDistance) {
  const vcModelSegment model(seg(0, 0, 10, 0), 1.0, vcSegmentDefs::eForward);
  const auto found = [](double x1, double y1, double x2, double y2) {
    return vcFoundSegment(seg(x1, y1, x2, y2), 1.0, vcSegmentDefs::eUndirected, 0.0);
  };
  EXPECT_NEAR(Util::scoreSegmentPairing(model, found(2, 1, 8, 1), 1.0), 6.0 * std::exp(-0.5),
              1e-12);
  // The gate is strict: 4 sigma still scores, anything beyond gives 0.
  EXPECT_GT(Util::scoreSegmentPairing(model, found(2, 4, 8, 4), 1.0), 0.0);
  EXPECT_EQ(Util::scoreSegmentPairing(model, found(2, 4.5, 8, 4.5), 1.0), 0.0);
  // Disjoint projections give 0, not a negative score.
  EXPECT_EQ(Util::scoreSegmentPairing(model, found(12, 0, 20, 0), 1.0), 0.0);
  // An oblique crossing is weighed by the mean of its end distances (1 and 3 here), not by the
  // larger one; polarity and angle play no part.
  const double oblique = Util::scoreSegmentPairing(model, found(2, -1, 8, 3), 1.0);
  EXPECT_NEAR(oblique, 6.0 * std::exp(-2.0), 1e-12);
}

}  // namespace
