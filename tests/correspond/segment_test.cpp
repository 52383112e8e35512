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

TEST(Segment, CachedAnglesFollowPolarity) {
  const vcLineSeg horizontal = seg(0, 0, 10, 0);
  const vcBaseSegment fwd(horizontal, vcSegmentDefs::eForward);
  const vcBaseSegment rev(horizontal, vcSegmentDefs::eReverse);
  const vcBaseSegment und(horizontal, vcSegmentDefs::eUndirected);
  EXPECT_DOUBLE_EQ(fwd.length(), 10.0);
  EXPECT_DOUBLE_EQ(fwd.lineAngle().plain(), 0.0);
  EXPECT_DOUBLE_EQ(fwd.dirAngle().plain(), 0.0);
  EXPECT_DOUBLE_EQ(std::abs(rev.dirAngle().plain()), kPi);
  EXPECT_DOUBLE_EQ(und.dirAngle().plain(), 0.0);

  // The line angle ignores the order of the end points; vertical lines are +pi/2 both ways.
  EXPECT_DOUBLE_EQ(Util::segmentAngle(seg(0, 0, 0, 5)).plain(), kPi / 2);
  EXPECT_DOUBLE_EQ(Util::segmentAngle(seg(0, 5, 0, 0)).plain(), kPi / 2);
  EXPECT_DOUBLE_EQ(Util::segmentAngle(seg(0, 0, -1, -1)).plain(), kPi / 4);

  // A zero-length segment is measured without failing.
  const vcBaseSegment point(seg(3, 4, 3, 4), vcSegmentDefs::eForward);
  EXPECT_EQ(point.length(), 0.0);
  EXPECT_DOUBLE_EQ(point.lineAngle().plain(), kPi / 2);
}

TEST(Segment, FoundSegmentSettersAndPolarityQuirk) {
  // Magnitude comes before polarity in the constructor, width last.
  vcFoundSegment found(seg(0, 0, 10, 0), 7.0, vcSegmentDefs::eReverse, 3.0);
  EXPECT_EQ(found.magnitude(), 7.0);
  EXPECT_EQ(found.width(), 3.0);
  EXPECT_DOUBLE_EQ(std::abs(found.dirAngle().plain()), kPi);

  // Setting the polarity alone keeps the direction computed for the old one...
  found.polarity(vcSegmentDefs::eForward);
  EXPECT_DOUBLE_EQ(std::abs(found.dirAngle().plain()), kPi);
  // ...until the segment is set again.
  found.segment(seg(0, 0, 0, 4));
  EXPECT_DOUBLE_EQ(found.dirAngle().plain(), kPi / 2);
  EXPECT_DOUBLE_EQ(found.length(), 4.0);

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
