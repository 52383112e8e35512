#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numbers>
#include <random>

#include "geom_near.h"
#include "platform/base/archive.h"
#include "platform/base/xform.h"
#include "platform/base/xform_linear.h"

namespace {

constexpr double kPi = std::numbers::pi;

vcXform<2> randomXform(std::mt19937& rng) {
  std::uniform_real_distribution<double> pos(-50, 50), ang(-kPi, kPi), sc(0.3, 3.0);
  return vcXform<2>(vcVector<2>(pos(rng), pos(rng)), vcRadian(ang(rng)), vcRadian(ang(rng)),
                    sc(rng), sc(rng));
}

TEST(GeomXform, AxisFormAndScaleFormRoundTrip) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> ang(-3 * kPi, 3 * kPi), sc(0.05, 20.0);
  for (int i = 0; i < 200; ++i) {
    const vcRadian xr(ang(rng)), yr(ang(rng));
    const double xs = sc(rng), ys = sc(rng);
    const vcXform<2> x(vcVector<2>(1, 2), xr, yr, xs, ys);
    EXPECT_THAT(x.xRot(), SameDirection(xr, 1e-12));
    EXPECT_THAT(x.yRot(), SameDirection(yr, 1e-12));
    EXPECT_NEAR(x.xScale(), xs, 1e-12 * xs);
    EXPECT_NEAR(x.yScale(), ys, 1e-12 * ys);
    // The scale form (scale, aspect, shear in [-pi, pi), rotation) builds the same transform.
    EXPECT_THAT(vcXform<2>(vcVector<2>(1, 2), x.scale(), x.aspect(), x.shear(), x.rotation()),
                NearXform(x, 1e-9));
    EXPECT_TRUE(x.shear().plain() >= -kPi && x.shear().plain() < kPi);
  }
  // Scale 2, aspect 0.5, shear 0.2, rotation 1: axes at 1 and 1.2 radians, scaled 2 and 1.
  const vcXform<2> y(vcVector<2>(-3, 4), 2.0, 0.5, vcRadian(0.2), vcRadian(1.0));
  EXPECT_THAT(y,
              NearXform(vcXform<2>(vcVector<2>(-3, 4), vcRadian(1.0), vcRadian(1.2), 2, 1), 1e-12));

  // A rotation by -t is the matrix (-t, -t, 1, 1): the x axis goes to angle -t.
  const vcMatrix<2> r(vcRadian(-0.5), vcRadian(-0.5), 1.0, 1.0);
  EXPECT_THAT(r * vcVector<2>(1, 0), NearVec(vcVector<2>(std::cos(0.5), -std::sin(0.5)), 1e-15));
  EXPECT_THAT(r * vcVector<2>(0, 1), NearVec(vcVector<2>(std::sin(0.5), std::cos(0.5)), 1e-15));
  // A mirror shows as a shear of half a turn.
  const vcXform<2> mirror(vcMatrix<2>::fromElements(1, 0, 0, -1), vcVector<2>());
  EXPECT_THAT(mirror.shear(), SameDirection(vcRadian(kPi), 1e-15));
  EXPECT_DOUBLE_EQ(mirror.scale(), 1.0);
}

TEST(GeomXform, CompositionAndInverse) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> pos(-100, 100);
  for (int i = 0; i < 100; ++i) {
    const vcXform<2> aFromB = randomXform(rng), bFromC = randomXform(rng);
    const vcVector<2> p(pos(rng), pos(rng));
    EXPECT_THAT((aFromB * bFromC).mapPoint(p), NearVec(aFromB.mapPoint(bFromC.mapPoint(p)), 1e-9));
    EXPECT_THAT(aFromB.invMapPoint(aFromB.mapPoint(p)), NearVec(p, 1e-9));
    EXPECT_THAT(aFromB * aFromB.inverse(), NearXform(vcXform<2>(), 1e-12));
    // Vectors ignore the translation.
    EXPECT_THAT(aFromB.mapVector(p),
                NearVec(aFromB.mapPoint(p) - aFromB.mapPoint(vcVector<2>()), 1e-9));
  }
  EXPECT_FALSE(vcXform<2>(vcMatrix<2>(), vcVector<2>(0, 1e-300)).isIdentity());

  // A singular transform refuses to invert and stays as it was.
  const vcXform<2> flat(vcMatrix<2>::fromElements(1, 2, 2, 4), vcVector<2>(1, 1));
  const vcXform<2> copy = flat;
  EXPECT_THROW(flat.inverse(), vcBadParamsError);
  EXPECT_THROW(flat.invMapPoint(vcVector<2>(1, 1)), vcBadParamsError);
  EXPECT_EQ(flat, copy);
  EXPECT_THROW(vcXform<2>(vcMatrix<2>::fromElements(0, 0, 0, 1), vcVector<2>()).aspect(),
               vcBadParamsError);
  EXPECT_THROW(vcMatrix<2>().element(2, 0), vcBadParamsError);
}

TEST(GeomXform, MapAngleFollowsMappedDirection) {
  // A similarity adds its rotation; a non-uniform scale bends directions towards the long axis.
  const vcXform<2> sim(vcVector<2>(5, 5), 2.0, 1.0, vcRadian(0), vcRadian(0.3));
  EXPECT_THAT(sim.mapAngle(vcRadian(3.0)), SameDirection(vcRadian(3.3), 1e-12));
  EXPECT_NEAR(sim.mapAngle(vcDegree(10)).plain(), 10 + 0.3 * 180 / kPi, 1e-9);
  const vcXform<2> stretch(vcMatrix<2>::fromElements(2, 0, 0, 1), vcVector<2>());
  EXPECT_NEAR(stretch.mapAngle(vcRadian(kPi / 4)).plain(), std::atan2(1.0, 2.0), 1e-15);
  const vcXform<2> mirror(vcMatrix<2>::fromElements(1, 0, 0, -1), vcVector<2>());
  EXPECT_THAT(mirror.mapAngle(vcRadian(0.4)), SameDirection(vcRadian(-0.4), 1e-15));
  const vcXform<2> flat(vcMatrix<2>::fromElements(1, 0, 0, 0), vcVector<2>());
  EXPECT_THROW(flat.mapAngle(vcRadian(kPi / 2)), vcBadParamsError);
}

TEST(GeomXform, LinearKindRoundTripsThroughAnArchive) {
  std::mt19937 rng(3);
  const vcXform<2> x = randomXform(rng);
  // Written through the registry, read back as the same class with the same numbers.
  vcMemoryArchive out;
  out.writeObject(vc2XformLinear(x));
  vcMemoryArchive in(out.bytes());
  EXPECT_THAT(in.readObjectAs<vc2XformLinear>()->xform(), NearXform(x, 0.0));
  EXPECT_EQ(in.remaining(), 0u);

  // A truncated read changes nothing.
  const std::size_t data = 4 + std::string("vc2XformLinear").size();  // after the class name
  vc2XformLinear target(x.inverse());
  vcMemoryArchive truncated({out.bytes().begin() + data, out.bytes().end() - 3});
  EXPECT_THROW(target.dispatchSerialize(truncated), vcArchive::Error);
  EXPECT_THAT(target.xform(), NearXform(x.inverse(), 0.0));
}

}  // namespace
