#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "geom_near.h"
#include "platform/base/circle.h"
#include "platform/base/fline.h"
#include "platform/base/line.h"
#include "platform/base/line_seg.h"
#include "platform/base/polyline.h"
#include "platform/base/range.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(GeomAngles, NormalisationRangesAndCodes) {
  for (double r : {0.0, 1.0, -1.0, 2 * kPi, -2 * kPi, 7 * kPi, -7 * kPi, 1e-17, -1e-17, 1e6}) {
    const double n = vcRadian(r).norm().plain();
    const double s = vcRadian(r).signedNorm().plain();
    EXPECT_TRUE(n >= 0.0 && n < 2 * kPi && s >= -kPi && s < kPi) << r;
    EXPECT_NEAR(std::remainder(n - r, 2 * kPi), 0.0, 1e-9) << r;
    EXPECT_NEAR(std::remainder(s - r, 2 * kPi), 0.0, 1e-9) << r;
  }
  EXPECT_EQ(vcRadian(2 * kPi).norm().plain(), 0.0);
  EXPECT_EQ(vcRadian(kPi).signedNorm().plain(), -kPi);

  // Codes: 256 per turn, 64 along +y, rounding to the nearest code (2 degrees is 1.42 codes)
  // and wrapping.
  for (const auto& [deg, code] : {std::pair(90.0, 64), {-90.0, 192}, {359.9, 0}, {2.0, 1}})
    EXPECT_EQ(vcAngle8(vcDegree(deg)).plain(), code) << deg;
  EXPECT_EQ((vcAngle8(std::uint8_t{3}) - vcAngle8(std::uint8_t{250})).plain(), 9);
  EXPECT_THROW(vcAngle8(vcRadian(NAN)), vcBadParamsError);

  // Vector directions: the third quadrant is negative.
  EXPECT_NEAR(vcVector<2>(-1, -1).angle().plain(), -3 * kPi / 4, 1e-15);
  EXPECT_THROW(vcVector<2>(0, 0).unit(), vcBadParamsError);
}

TEST(GeomRange, EndsScalingAndRefusals) {
  const vcRange full, empty = vcRange::EmptyRange(), r(0.5, 2.0);
  EXPECT_TRUE(full.isWithin(kInf));
  EXPECT_FALSE(full.isWithin(NAN));
  EXPECT_FALSE(empty.isWithin(0.0));
  EXPECT_TRUE(r.isWithin(0.5) && r.isWithin(2.0));
  EXPECT_FALSE(r.isWithin(std::nextafter(2.0, 3.0)));
  EXPECT_EQ(r.scale(-2.0), vcRange(-4.0, -1.0));  // a negative factor swaps the ends
  EXPECT_EQ(full.scale(0.0), full);
  EXPECT_EQ(empty.scale(3.0), empty);
  EXPECT_THROW(vcRange(2.0, 1.0), vcBadParamsError);
  EXPECT_THROW(vcRange(0.0, kInf), vcBadParamsError);
  EXPECT_THROW(r.scale(NAN), vcBadParamsError);
}

TEST(GeomLines, IntersectionsDistancesAndMapping) {
  const vcLine a(vcVector<2>(0, 0), vcVector<2>(2, 2));
  const vcLine b(vcVector<2>(4, 0), vcVector<2>(0, -5));
  EXPECT_THAT(a.intersect(b), NearVec(vcVector<2>(4, 4), 1e-12));
  EXPECT_NEAR(a.distToPoint(vcVector<2>(0, 2)), std::sqrt(2.0), 1e-12);
  EXPECT_THAT(a.proj(vcVector<2>(0, 2)), NearVec(vcVector<2>(1, 1), 1e-12));
  const vcLine parallel(vcVector<2>(0, 1), vcVector<2>(-3, -3));
  EXPECT_THROW(a.intersect(parallel), vcShapesError::LinesParallel);
  EXPECT_THROW(a.intersect(a), vcException);
  EXPECT_THROW(vcLine(vcVector<2>(), vcVector<2>()), vcBadParamsError);

  // Signed distance: positive on the side of the normal, the direction turned towards +y.
  const vcFLine f(vcDegree(0), vcVector<2>(0, 3));
  EXPECT_NEAR(f.distanceFrom(vcVector<2>(7, 5)), 2.0, 1e-15);
  EXPECT_NEAR(f.distanceFrom(vcVector<2>(7, 1)), -2.0, 1e-15);
  // With the normal given instead of the direction, the line runs 90 degrees earlier.
  EXPECT_NEAR(vcFLine(vcDegree(90), vcVector<2>(0, 3), false).angle().plain(), 0.0, 1e-15);

  // Closest point, along position and the two-point form fit together.
  const vcFLine g(vcVector<2>(1, 1), vcVector<2>(4, 5));
  const vcVector<2> p(-2, 7);
  const vcVector<2> c = g.closestPoint(p);
  EXPECT_NEAR(g.distanceFrom(c), 0.0, 1e-12);
  EXPECT_NEAR((p - c) * g.dir(), 0.0, 1e-12);
  EXPECT_NEAR(g.distanceAlong(c), g.distanceAlong(p), 1e-12);
  EXPECT_THROW(vcFLine(p, p), vcBadParamsError);

  const std::vector<vcVector<2>> x = f.intersection(g);
  ASSERT_EQ(x.size(), 1u);
  EXPECT_NEAR(f.distanceFrom(x[0]), 0.0, 1e-12);
  EXPECT_NEAR(g.distanceFrom(x[0]), 0.0, 1e-12);
  EXPECT_TRUE(f.intersection(vcFLine(vcRadian(kPi), -8.0)).empty());  // parallel, reversed
  EXPECT_TRUE(f.intersection(f).empty());

  // Mapped lines carry the mapped points, segments and lines alike.
  const vcXform<2> m(vcMatrix<2>::fromElements(1.5, 0.3, -0.4, 0.7), vcVector<2>(3, -2));
  const vcFLine gm = g.map(m);
  const vcLine lm = vcLineSeg(vcVector<2>(1, 1), vcVector<2>(4, 5)).line().map(m);
  for (double t : {-3.0, 0.0, 10.0}) {
    const vcVector<2> on = g.closestPoint(vcVector<2>()) + g.dir() * t;
    EXPECT_NEAR(gm.distanceFrom(m.mapPoint(on)), 0.0, 1e-12);
    EXPECT_NEAR(lm.distToPoint(m.mapPoint(on)), 0.0, 1e-12);
  }
  EXPECT_NEAR(gm.dir() * m.mapVector(g.dir()), m.mapVector(g.dir()).len(), 1e-12);  // same sense
  EXPECT_THROW(g.map(vcXform<2>(vcMatrix<2>::fromElements(0, 0, 0, 0), vcVector<2>())),
               vcBadParamsError);

  // A segment measures to its ends beyond them, and has no line when it has no length.
  const vcLineSeg s(vcVector<2>(0, 0), vcVector<2>(10, 0));
  EXPECT_NEAR(s.distToPoint(vcVector<2>(13, 4)), 5.0, 1e-12);
  EXPECT_NEAR(vcLineSeg(p, p).distToPoint(vcVector<2>(1, 3)), 5.0, 1e-12);
  EXPECT_THROW(vcLineSeg(p, p).line(), vcBadParamsError);
  EXPECT_THROW(s.isRightHanded(), vcBadParamsError);
}

TEST(GeomPolyline, HandednessNearestPointAndBadInput) {
  // Counter-clockwise on the screen means from +y towards +x, which is not right-handed.
  const vcPolyline square({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true);
  const vcPolyline reversed({{0, 10}, {10, 10}, {10, 0}, {0, 0}}, true);
  EXPECT_TRUE(square.isRightHanded());
  EXPECT_FALSE(reversed.isRightHanded());
  EXPECT_NEAR(square.signedArea(), 100.0, 1e-12);
  // A concave outline far from the origin keeps its sense; a mirror flips it, a rotation not.
  std::vector<vcVector<2>> ell;
  for (const auto& [x, y] : {std::pair(0, 0), {4, 0}, {4, 1}, {1, 1}, {1, 3}, {0, 3}})
    ell.emplace_back(1e7 + x, 1e7 + y);
  EXPECT_NEAR(vcPolyline(ell, true).signedArea(), 6.0, 1e-6);
  const vcXform<2> mirror(vcMatrix<2>::fromElements(-1, 0, 0, 1), vcVector<2>());
  const vcXform<2> turn(vcVector<2>(5, 5), 1.0, 1.0, vcRadian(0), vcRadian(2.5));
  EXPECT_FALSE(square.map(mirror).isRightHanded());
  EXPECT_TRUE(square.map(turn).isRightHanded());
  // A degenerate closed outline (all on a line) has no positive area.
  EXPECT_FALSE(vcPolyline({{0, 0}, {1, 1}, {2, 2}}, true).isRightHanded());

  // The closing side counts only for closed polylines.
  const vcPolyline open({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, false);
  EXPECT_NEAR(square.distanceToPoint(vcVector<2>(-1, 5)), 1.0, 1e-12);
  EXPECT_NEAR(open.distanceToPoint(vcVector<2>(-1, 5)), std::sqrt(26.0), 1e-12);
  EXPECT_THROW(open.isRightHanded(), vcBadParamsError);
  EXPECT_THROW(square.vertex(4), vcBadParamsError);
  EXPECT_THROW(vcPolyline().nearestPoint(vcVector<2>()), vcBadParamsError);

  // Circles: distance to the outline, also from the centre.
  const vcCircle c(vcVector<2>(1, 1), 2.0);
  EXPECT_NEAR(c.distanceToPoint(vcVector<2>(1, 1)), 2.0, 1e-15);
  EXPECT_THAT(c.nearestPoint(vcVector<2>(1, 9)), NearVec(vcVector<2>(1, 3), 1e-12));
  EXPECT_THROW(vcCircle(vcVector<2>(), -1.0), vcBadParamsError);
}

}  // namespace
