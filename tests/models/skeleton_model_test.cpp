#include <numeric>
#include <vector>

#include <gtest/gtest.h>

#include "model_test_util.h"
#include "platform/base/exception.h"
#include "platform/diag/diag_object.h"
#include "tavshsl/corresponder_models.h"

namespace {

using namespace models_test;
using Model = vcSegmentCorresponderModel;
using Skeleton = vcSegmentCorresponderSkeletonModel;

std::vector<vcModelSegment> strokes(const std::vector<vcLineSeg>& centreLines) {
  std::vector<vcModelSegment> out;
  for (const vcLineSeg& s : centreLines) out.emplace_back(s, 1.0, vcSegmentDefs::eUndirected);
  return out;
}

// An "F" about 100 pixels tall, centred near the origin: an L corner where two stroke ends
// meet (stroke 0 and 1), a T where stroke 2 ends inside stroke 0, and three free ends. Listed
// from the free foot of the upright, where the outline walk starts.
std::vector<vcModelSegment> letterF() {
  return strokes({seg(-40, 50, -40, -50), seg(-40, -50, 40, -50), seg(-40, 0, 20, 0)});
}
const std::vector<double> kFWidths = {8.0, 8.0, 6.0};

double perimeter(const std::vector<vcModelSegment>& outline) {
  return std::accumulate(outline.begin(), outline.end(), 0.0,
                         [](double sum, const vcModelSegment& s) { return sum + s.length(); });
}

// The outline of the model drawn at the given width factors and posed, as found segments;
// outline segment i of the drawing lies on model boundary segment i.
std::vector<vcFoundSegment> drawn(const Skeleton& model, const vcXform<2>& pose,
                                  const std::vector<double>& factors) {
  std::vector<vcModelSegment> outline;
  model.transformModel(outline, pose, factors);
  EXPECT_EQ(outline.size(), model.boundarySegments().size());
  return foundFrom(outline, vcXform<2>());
}

TEST(SkeletonModel, OutlineOfOneStrokeIsItsCappedRectangle) {
  const Skeleton model(strokes({seg(0, 0, 10, 0)}), {2.0}, true);
  const std::vector<vcLineSeg> expected = {seg(-1, -1, 11, -1), seg(11, -1, 11, 1),
                                           seg(11, 1, -1, 1), seg(-1, 1, -1, -1)};
  ASSERT_EQ(model.boundarySegments().size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(model.boundarySegments()[i].segment(), expected[i]) << i;
    EXPECT_EQ(model.boundarySegments()[i].polarity(), vcSegmentDefs::eReverse);
    EXPECT_EQ(model.boundaryTypes()[i], i % 2 == 0 ? Skeleton::eStrokeSide : Skeleton::eStrokeEnd);
    EXPECT_EQ(model.boundaryStrokes()[i], 0);
  }
  EXPECT_EQ(Skeleton(strokes({seg(0, 0, 10, 0)}), {2.0}, false).boundarySegments()[0].polarity(),
            vcSegmentDefs::eForward);

  // A factor beyond the width range is clamped to it; the factor count must match the strokes.
  std::vector<vcModelSegment> out;
  Skeleton ranged = model;
  ranged.setDOFRange(Model::eStrokeWidth, vcRange(0.5, 1.5));
  ranged.transformModel(out, vcXform<2>(), {2.0});
  EXPECT_EQ(out[0].segment(), seg(-1.5, -1.5, 11.5, -1.5));
  EXPECT_THROW(model.transformModel(out, vcXform<2>(), {}), vcAssertionFailure);

  // The samples carry the centre-line, not the outline.
  ranged.setDOFRange(Model::eScale, vcRange(0.9, 1.1));
  std::vector<vcSegmentCorresponderDofModel> samples;
  ranged.iterateDOFs(samples, 1.0, false);
  ASSERT_EQ(samples.size(), 3u);
  EXPECT_EQ(samples[0].segments[0].segment(), seg(0, 0, 9, 0));
}

TEST(SkeletonModel, JunctionsOfJoinedStrokes) {
  // An X: adjacent, meeting at the crossing.
  const Skeleton x(strokes({seg(0, 0, 10, 10), seg(0, 10, 10, 0)}), {2.0, 2.0}, true);
  ASSERT_TRUE(x.adjacency()[1][0]);
  EXPECT_NEAR(x.junctionPoints()[1][0].pos().distance(pt(5, 5)), 0.0, 1e-12);

  // The F: L corner, T junction; strokes 0-1 and 0-2 meet, the disjoint 1-2 do not. Its outline is
  // the boundary of the union, 510 long.
  const Skeleton f(letterF(), kFWidths, true);
  EXPECT_NEAR(perimeter(f.boundarySegments()), 510.0, 1e-9);
  EXPECT_TRUE(f.adjacency()[1][0]);
  EXPECT_TRUE(f.adjacency()[2][0]);
  EXPECT_FALSE(f.adjacency()[2][1]);
  EXPECT_EQ(f.junctionPoints()[2][0].pos(), pt(-40, 0));

  // Bad construction input reaches the assertion hook.
  EXPECT_THROW(Skeleton(letterF(), {8.0, 8.0}, true), vcAssertionFailure);
  EXPECT_THROW(Skeleton(letterF(), {8.0, 0.0, 6.0}, true), vcAssertionFailure);
  EXPECT_THROW(Skeleton({}, {}, true), vcAssertionFailure);

  // Stroke width is a DOF of this model, with the limits of scale.
  Skeleton g = f;
  g.setDOFRange(Model::eStrokeWidth, vcRange(0.5, 2.0));
  EXPECT_THROW(g.setDOFRange(Model::eStrokeWidth, vcRange(0.5, 12.0)), vcAssertionFailure);
  EXPECT_EQ(g.dofRange(Model::eStrokeWidth), vcRange(0.5, 2.0));
}

TEST(SkeletonModel, PoseAndWidthFactorsOfDrawnStrokes) {
  Skeleton model(letterF(), kFWidths, true);
  model.setDOFRange(Model::eScale, vcRange(0.5, 2.0));
  const vcXform<2> truth = makePose(14.0, -9.5, 37.0, 1.25);
  const std::size_t n = model.boundarySegments().size();

  // Strokes drawn at half, the nominal and twice their width; then different widths per
  // stroke with the rigid DOFs only.
  const Skeleton rigid(letterF(), kFWidths, true);
  struct Case {
    const Skeleton& model;
    vcXform<2> truth;
    std::vector<double> factors;
    double scaleTol;
  };
  for (const Case& c :
       {Case{model, truth, {0.5, 0.5, 0.5}, 1e-3}, Case{model, truth, {1.0, 1.0, 1.0}, 1e-3},
        Case{model, truth, {2.0, 2.0, 2.0}, 1e-3},
        Case{rigid, makePose(-3.0, 5.0, -100.0), {0.7, 1.4, 1.0}, 1e-9}}) {
    SCOPED_TRACE(c.factors[0]);
    const Fit f = fit(c.model, drawn(c.model, c.truth, c.factors), oneToOne(n));
    ASSERT_FALSE(f.fitFailed);
    EXPECT_FALSE(f.outOfRange);
    expectNearPose(f.pose, c.truth, 0.05, 0.05, c.scaleTol);
    ASSERT_EQ(f.factors.size(), 3u);
    for (std::size_t s = 0; s < 3; ++s) EXPECT_NEAR(f.factors[s] / c.factors[s], 1.0, 0.05);
  }

  // Twice the width against a width range that ends at 1.5: out of range, pose still given.
  const std::vector<vcFoundSegment> twice = drawn(model, truth, {2.0, 2.0, 2.0});
  model.setDOFRange(Model::eStrokeWidth, vcRange(0.5, 1.5));
  const Fit wide = fit(model, twice, oneToOne(n));
  EXPECT_FALSE(wide.fitFailed);
  EXPECT_TRUE(wide.outOfRange);
  EXPECT_NEAR(wide.factors[0], 2.0, 0.1);
  expectNearPose(wide.pose, truth, 0.05, 0.05, 1e-3);
}

TEST(SkeletonModel, PerturbedStrokesDegradeGracefully) {
  Skeleton model(letterF(), kFWidths, true);
  model.setDOFRange(Model::eScale, vcRange(0.5, 2.0));
  const vcXform<2> truth = makePose(20.0, 8.0, 12.0, 0.9);
  const std::vector<vcFoundSegment> exact = drawn(model, truth, {1.0, 1.0, 1.0});
  const std::size_t n = exact.size();
  const auto first = [&](long stroke, Skeleton::veBoundarySegmentType type) {
    for (std::size_t b = 0; b < n; ++b)
      if (model.boundaryStrokes()[b] == stroke && model.boundaryTypes()[b] == type &&
          exact[b].length() > 0.0)
        return b;
    return n;
  };

  // The free end of stroke 2 unseen: its position comes from the ends of its sides.
  const std::size_t droppedEnd = first(2, Skeleton::eStrokeEnd);
  const Fit end = fit(model, exact, oneToOne(n, [&](std::size_t b) { return b == droppedEnd; }));
  ASSERT_FALSE(end.fitFailed);
  expectNearPose(end.pose, truth, 0.05, 0.05, 1e-3);

  // Sides shortened and split, and every end point jittered by up to 0.5 pixel.
  Degraded seen(99);
  for (std::size_t b = 0; b < n; ++b) {
    if (exact[b].length() == 0.0) continue;
    const bool side = model.boundaryTypes()[b] == Skeleton::eStrokeSide;
    seen.add(static_cast<long>(b), exact[b].segment(), side ? 0.05 : 0.0,
             side ? 1 + static_cast<int>(b % 3) : 1, 0.03, 0.5);
  }
  const Fit f = fit(model, seen.found, assign(static_cast<long>(n), seen.owner));
  ASSERT_FALSE(f.fitFailed);
  // Jitter of half a pixel on strokes this short moves the scale by up to 1.6 % over 30 draws.
  expectNearPose(f.pose, truth, 0.5, 0.5, 0.02);
  for (const double got : f.factors) EXPECT_NEAR(got, 1.0, 0.2);
}

TEST(SkeletonModel, FailuresDiagnosticsAndRuleViolations) {
  const Skeleton model(letterF(), kFWidths, true);
  const std::vector<vcFoundSegment> found = drawn(model, makePose(1, 2, 3), {1.0, 1.0, 1.0});
  const std::size_t n = found.size();

  // Stroke 2 without any side evidence: its own fit is singular, and so is the pose.
  const auto ofStroke2 = [&](std::size_t b) { return model.boundaryStrokes()[b] == 2; };
  const Fit f = fit(model, found, oneToOne(n, ofStroke2), makePose(7, 7, 7));
  EXPECT_TRUE(f.fitFailed);
  EXPECT_EQ(f.pose, makePose(7, 7, 7));
  EXPECT_EQ(f.factors, (std::vector<double>{7.0, 0.0, 0.0}));  // resized, new entries 0

  // Nothing assigned at all fails the same way.
  EXPECT_TRUE(fit(model, found, oneToOne(n, [](std::size_t) { return true; })).fitFailed);

  // Diagnostics go to the last record, or a new one when there is none.
  vcDiagObject diag;
  fit(model, found, oneToOne(n), vcXform<2>(), &diag, 0x20000);
  ASSERT_EQ(diag.numRecords(), 1);
  diag.newDiagRecord();
  fit(model, found, oneToOne(n), vcXform<2>(), &diag, 0x20000);
  ASSERT_EQ(diag.numRecords(), 2);
  ASSERT_EQ(diag.diagRecord(1).entries().size(), 1u);
  EXPECT_EQ(diag.diagRecord(1).entries()[0].label(), L"Final fitted skeleton");
  EXPECT_EQ(diag.diagRecord(1).entries()[0].graphics().size(), 3);
  fit(model, found, oneToOne(n), vcXform<2>(), &diag, 0);
  EXPECT_EQ(diag.diagRecord(1).entries().size(), 1u);

  // An arrow, heads at 40 degrees to the shaft, drawn at unequal widths: the walk takes another
  // path and draws fewer outline segments than the model has. A correspondence against that
  // drawing gives no pose, and no error that would end the corresponder's stage.
  Skeleton arrow(strokes({seg(-40, 0, 40, 0), seg(40, 0, -2.83, -36.08), seg(40, 0, -2.83, 36.08)}),
                 {12.0, 12.0, 12.0}, true);
  arrow.setDOFRange(Model::eStrokeWidth, vcRange(0.5, 2.0));
  std::vector<vcModelSegment> other;
  arrow.transformModel(other, vcXform<2>(), {0.6, 0.8, 0.6});
  ASSERT_NE(other.size(), arrow.boundarySegments().size());
  const Fit g =
      fit(arrow, foundFrom(other, vcXform<2>()), oneToOne(other.size()), makePose(7, 7, 7));
  EXPECT_TRUE(g.fitFailed);
  EXPECT_FALSE(g.outOfRange);
  EXPECT_EQ(g.pose, makePose(7, 7, 7));
  EXPECT_EQ(g.factors, (std::vector<double>{7.0, 0.0, 0.0}));

  // Aspect needs two strokes; a single stroke refuses it before touching the outputs.
  Skeleton one(strokes({seg(0, 0, 10, 0)}), {2.0}, true);
  one.setDOFRange(Model::eAspect, vcRange(0.5, 2.0));
  expectRefused<vcAssertionFailure>(one, foundFrom(one.boundarySegments(), vcXform<2>()),
                                    oneToOne(4));
}

}  // namespace
