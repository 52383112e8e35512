#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "model_test_util.h"
#include "platform/base/exception.h"
#include "tavshsl/corresponder_models.h"

namespace {

using namespace models_test;
using Model = vcSegmentCorresponderModel;
using Boundary = vcSegmentCorresponderBoundaryModel;
constexpr double kPi = std::numbers::pi;

// An irregular hexagon about 100 pixels across, centred near the origin.
std::vector<vcModelSegment> hexagon() {
  const vcVector<2> c[] = {pt(-50, -30), pt(10, -45), pt(48, -10),
                           pt(40, 35),   pt(-5, 48),  pt(-45, 20)};
  std::vector<vcModelSegment> out;
  for (int i = 0; i < 6; ++i)
    out.emplace_back(vcLineSeg(c[i], c[(i + 1) % 6]), 1.0, vcSegmentDefs::eForward);
  return out;
}

TEST(BoundaryModel, DOFRangesAreCheckedBeforeTheyAreStored) {
  Boundary model(hexagon());
  // Out-of-limit ranges reach the assertion hook and change nothing.
  for (const vcRange& bad : {vcRange(0.05, 2.0), vcRange(0.5, 20.0), vcRange()})
    EXPECT_THROW(model.setDOFRange(Model::eScale, bad), vcAssertionFailure);
  EXPECT_FALSE(model.isDOFEnabled(Model::eScale));
  model.setDOFRange(Model::eScale, vcRange(0.5, 2.0));
  EXPECT_THROW(model.setDOFRange(Model::eScale, vcRange(0.01, 1.0)), vcAssertionFailure);
  EXPECT_EQ(model.dofRange(Model::eScale), vcRange(0.5, 2.0));

  // Rotation limits are inclusive; a boundary has no stroke width; no made-up DOFs.
  model.setDOFRange(Model::eRotation, vcRange(-kPi, kPi));
  EXPECT_THROW(model.setDOFRange(Model::eRotation, vcRange(-kPi, 3.5)), vcAssertionFailure);
  for (const Model::DOF bad : {Model::eStrokeWidth, static_cast<Model::DOF>(3)})
    EXPECT_THROW(model.setDOFRange(bad, vcRange(0.5, 2.0)), vcAssertionFailure);
  EXPECT_FALSE(model.isDOFEnabled(Model::eStrokeWidth));
}

TEST(BoundaryModel, SamplesFollowTheAnchoredGridAndTransformsMapTheSides) {
  // Largest end-point distance 20: step 2 gives a scale spacing of 0.1.
  const std::vector<vcModelSegment> bar = {
      vcModelSegment(seg(0, 0, 20, 0), 1.0, vcSegmentDefs::eForward),
      vcModelSegment(seg(10, 0, 10, 5), 1.0, vcSegmentDefs::eForward)};
  Boundary model(bar);
  model.setDOFRange(Model::eScale, vcRange(0.8, 1.2));
  std::vector<vcSegmentCorresponderDofModel> samples;
  model.iterateDOFs(samples, 2.0, false);
  ASSERT_GE(samples.size(), 4u);
  ASSERT_LE(samples.size(), 5u);  // repeated addition may lose the last one
  for (std::size_t i = 0; i < samples.size(); ++i) {
    EXPECT_NEAR(samples[i].scale, 0.8 + 0.1 * static_cast<double>(i), 1e-12);
    EXPECT_EQ(samples[i].aspect, 1.0);
    EXPECT_NEAR(samples[i].segments[0].segment().p2().x(), 20.0 * samples[i].scale, 1e-9);
  }

  // With implyScale the scale is left to the corresponder: one sample, the model unchanged.
  model.iterateDOFs(samples, 2.0, true);
  ASSERT_EQ(samples.size(), 1u);
  EXPECT_EQ(samples[0].segments[0].segment(), bar[0].segment());

  // Aspect is sampled even with implyScale; its first value may lie below the range start.
  model.setDOFRange(Model::eAspect, vcRange(0.85, 1.1));
  model.iterateDOFs(samples, 2.0, true);
  ASSERT_EQ(samples.size(), 4u);
  EXPECT_NEAR(samples[0].aspect, 0.8, 1e-12);
  EXPECT_NEAR(samples[0].segments[1].segment().p2().y(), 5.0 * 0.8, 1e-12);

  // A sampled DOF needs a positive step that gives a usable number of samples.
  EXPECT_THROW(model.iterateDOFs(samples, -2.0, false), vcBadParamsError);
  EXPECT_THROW(model.iterateDOFs(samples, 1e-9, false), vcBadParamsError);
  EXPECT_EQ(samples.size(), 4u);

  // A model collapsed to one point has extent 0: the spacing is infinite, no sample results.
  Boundary dot({vcModelSegment(seg(3, 3, 3, 3), 1.0, vcSegmentDefs::eForward)});
  dot.setDOFRange(Model::eScale, vcRange(0.5, 2.0));
  dot.iterateDOFs(samples, 2.0, false);
  EXPECT_TRUE(samples.empty());

  // transformModel maps the sides; a boundary takes no width factors.
  std::vector<vcModelSegment> mapped;
  model.transformModel(mapped, makePose(5, -3, 30, 1.5), {});
  EXPECT_EQ(mapped[1].segment(), bar[1].segment().map(makePose(5, -3, 30, 1.5)));
  EXPECT_THROW(model.transformModel(mapped, vcXform<2>(), {1.0}), vcAssertionFailure);
}

TEST(BoundaryModel, ExactCorrespondenceRecoversThePose) {
  // Rigid; with scale; with scale and aspect; with aspect alone (scale exactly 1, no shear).
  struct Case {
    bool scale, aspect;
    vcXform<2> truth;
    double transTol, scaleTol;
  };
  for (const Case& c : {Case{false, false, makePose(5, -3, 0), 1e-9, 1e-12},
                        Case{true, false, makePose(12.3, -7.7, 23.5, 1.37), 0.05, 1e-3},
                        Case{true, true, makePose(-40.0, 22.0, -140.0, 0.8, 1.3), 0.05, 1e-3},
                        Case{false, true, makePose(3, 4, 10, 1.0, 1.2), 0.05, 1e-6}}) {
    SCOPED_TRACE(c.truth.trans().x());
    Boundary model(hexagon());
    if (c.scale) model.setDOFRange(Model::eScale, vcRange(0.5, 2.0));
    if (c.aspect) model.setDOFRange(Model::eAspect, vcRange(0.5, 2.0));
    const Fit f = fit(model, foundFrom(hexagon(), c.truth), oneToOne(6));
    EXPECT_FALSE(f.fitFailed || f.outOfRange);
    EXPECT_TRUE(f.factors.empty());
    expectNearPose(f.pose, c.truth, c.transTol, c.transTol, c.scaleTol);
    EXPECT_NEAR(f.pose.aspect(), c.truth.aspect(), c.scaleTol);
    EXPECT_NEAR(f.pose.shear().plain(), 0.0, 1e-12);
    EXPECT_TRUE(c.scale || f.pose.scale() == 1.0) << f.pose.scale();
  }
}

TEST(BoundaryModel, FailuresAreFlaggedNotThrown) {
  Boundary model(hexagon());
  const std::vector<vcFoundSegment> found = foundFrom(hexagon(), makePose(5, -3, 0));
  const vcXform<2> start = makePose(1, 1, 1);

  // Nothing assigned: the fit fails and the pose is untouched.
  const Fit none = fit(model, found, oneToOne(6, [](std::size_t) { return true; }), start);
  EXPECT_TRUE(none.fitFailed);
  EXPECT_EQ(none.pose, start);

  // A shift outside the x range is reported, and the shifted pose still returned.
  model.setDOFRange(Model::eTranslationX, vcRange(0.0, 1.0));
  const Fit shifted = fit(model, found, oneToOne(6), start);
  EXPECT_FALSE(shifted.fitFailed);
  EXPECT_TRUE(shifted.outOfRange);
  EXPECT_NEAR(shifted.pose.trans().x(), 5.0, 1e-9);

  // A result that does not fit the model or the found list is refused.
  expectRefused<vcBadParamsError>(model, found, assign(6, {0, 1, 2, 3, 4, 5, 0}));
}

TEST(BoundaryModel, PerturbedFoundSegmentsDegradeGracefully) {
  Boundary model(hexagon());
  model.setDOFRange(Model::eScale, vcRange(0.5, 2.0));
  const vcXform<2> truth = makePose(31.0, 17.5, -61.0, 1.2);
  const std::vector<vcFoundSegment> exact = foundFrom(hexagon(), truth);

  // Shortened, split into pieces with gaps, end points moved by up to 0.5 pixel, and one side
  // missing altogether.
  Degraded seen(1234);
  for (long i = 0; i < 6; ++i)
    if (i != 2)
      seen.add(i, exact[static_cast<std::size_t>(i)].segment(), 0.15, 1 + i % 3, 0.05, 0.5);
  const Fit f = fit(model, seen.found, assign(6, seen.owner));
  EXPECT_FALSE(f.fitFailed || f.outOfRange);
  expectNearPose(f.pose, truth, 0.5, 0.5, 0.01);
}

}  // namespace
