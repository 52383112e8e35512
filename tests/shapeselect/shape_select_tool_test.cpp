// The shape selection tool: training checks and what training builds, the run's checks, and
// the pieces of the search that stand alone (edge direction rule, circle result, merge).

#include <gtest/gtest.h>

#include <cmath>

#include "expect_error.h"
#include "platform/base/polyline.h"
#include "platform/diag/diag_object.h"
#include "scenes/canvas.h"
#include "shapeselect/shape_select_impl.h"
#include "shapeselect/shape_select_search.h"
#include "tavshsl/shape_select_tool.h"

struct vcShapeSelectToolTestAccess {
  static const vcShapeSelectImpl& impl(const vcShapeSelectTool& tool) { return *tool.impl_; }
};

namespace {

using Defs = vcShapeSelectDefs;
using Vec = vcVector<2>;
using Handle = vcPtrHandle<vcShapeSelectTemplate>;
using Access = vcShapeSelectToolTestAccess;

Handle circle(double r, Vec center = Vec(0, 0)) {
  return Handle(new vcShapeSelectTemplateCircle(r, center));
}

Handle polygon(const std::vector<Vec>& vertices) {
  return Handle(new vcShapeSelectTemplateBoundary(vcPolyline(vertices, true)));
}

Handle square(bool clockwiseOnScreen = true) {
  std::vector<Vec> v = {Vec(0, 0), Vec(40, 0), Vec(40, 40), Vec(0, 40)};
  if (!clockwiseOnScreen) v = {Vec(0, 0), Vec(0, 40), Vec(40, 40), Vec(40, 0)};
  return polygon(v);
}

Handle ell() {
  return Handle(new vcShapeSelectTemplateStroke(
      {vcLineSeg(Vec(0, 0), Vec(60, 0)), vcLineSeg(Vec(0, 0), Vec(0, 50))}, {10.0, 10.0}));
}

// Settings a circle template can train with: translation only.
vcShapeSelectTemplateParams circleDofs() {
  vcShapeSelectTemplateParams p;
  p.zoneEnable(Defs::eTranslationX | Defs::eTranslationY);
  return p;
}

vcShapeSelectTemplateParams withZone(vcShapeSelectTemplateParams p, Defs::DOF dof, double low,
                                     double high) {
  p.zone(dof, low, high);
  p.zoneEnable(p.zoneEnable() | unsigned(dof));
  return p;
}

vcShapeSelectTrainParams trainDofs(const std::vector<vcShapeSelectTemplateParams>& dofs) {
  vcShapeSelectTrainParams p;
  p.trainDOFs(dofs);
  return p;
}

const vc2XformLinear kIdentity;

TEST(ShapeSelectTrain, RefusalsStoreNothing) {
  // A trained tool whose training must survive every refused one.
  vcShapeSelectTool tool;
  EXPECT_FALSE(tool.isTrained());
  tool.train(trainDofs({{}}), {square()}, kIdentity, nullptr, 0);
  ASSERT_TRUE(tool.isTrained());
  const vcShapeSelectImpl& impl = Access::impl(tool);
  const auto corresponder = impl.corresponder();

  const vcShapeSelectTemplateParams strokeWidth = withZone({}, Defs::eStrokeWidth, 0.8, 1.2);
  EXPECT_ERROR(tool.train(trainDofs({{}}), {square(), ell()}, kIdentity, nullptr, 0),
               Defs::BadParams, L"Number of train dofs must much number of templates");
  EXPECT_ERROR(tool.train(trainDofs({{}, strokeWidth}), {ell(), square()}, kIdentity, nullptr, 0),
               Defs::InvalidDOF, L"Boundary template cannot use stroke width DOF");
  EXPECT_ERROR(tool.train(trainDofs({withZone(circleDofs(), Defs::eStrokeWidth, 0.8, 1.2)}),
                          {circle(5)}, kIdentity, nullptr, 0),
               Defs::InvalidDOF, L"Circle template cannot use stroke width DOF");
  // The default settings enable the angle zone, which a circle cannot use.
  EXPECT_ERROR(tool.train(trainDofs({{}}), {circle(5)}, kIdentity, nullptr, 0), Defs::InvalidDOF,
               L"Circle template cannot use angle DOF");
  // A later template's aspect zone fails while models are built, after the earlier ones.
  vcShapeSelectTemplateParams aspect;
  aspect.zoneEnable(aspect.zoneEnable() | Defs::eAspect);
  EXPECT_ERROR(tool.train(trainDofs({{}, aspect}), {square(), ell()}, kIdentity, nullptr, 0),
               Defs::NotImplemented, L"Aspect range is not currently supported");
  // A stroke lying wholly inside a wide bar owns no side of the outline, so its pose could
  // never be fitted: refused, naming the template and the stroke.
  const Handle hidden(new vcShapeSelectTemplateStroke(
      {vcLineSeg(Vec(0, 0), Vec(100, 0)), vcLineSeg(Vec(50, 0), Vec(55, 5))}, {30.0, 4.0}));
  EXPECT_ERROR(tool.train(trainDofs({{}, {}}), {square(), hidden}, kIdentity, nullptr, 0),
               Defs::BadParams,
               L"Stroke template 1: stroke 1 lies inside the others and has no outline side");
  // An L whose first listed end is its joint, with the first corner inside the joint: the
  // outline closes at once around nothing.
  const Handle inner(new vcShapeSelectTemplateStroke(
      {vcLineSeg(Vec(60, 0), Vec(0, 0)), vcLineSeg(Vec(60, 0), Vec(60, 60))}, {10.0, 10.0}));
  EXPECT_ERROR(tool.train(trainDofs({{}}), {inner}, kIdentity, nullptr, 0), Defs::BadParams,
               L"Stroke template 0: the outline closes at once around nothing: the first "
               L"stroke end inside no other stroke lies on the inner side of a joint");
  // A scale zone the models cannot sample fails in the model.
  EXPECT_THROW(tool.train(trainDofs({withZone({}, Defs::eScale, 0.01, 2)}), {square()},
                          kIdentity, nullptr, 0),
               vcAssertionFailure);

  EXPECT_TRUE(tool.isTrained());
  EXPECT_EQ(impl.templates().size(), 1u);
  EXPECT_TRUE(impl.corresponder() == corresponder);
  EXPECT_EQ(impl.numBoundaries(), 1);
  EXPECT_EQ(impl.numStrokes(), 0);

  // A refused first training leaves the tool untrained; the inputs are drawn all the same.
  vcShapeSelectTool fresh;
  vcDiagObject diag;
  EXPECT_THROW(fresh.train(trainDofs({}), {circle(5), ell()}, kIdentity, &diag, 0x10000),
               Defs::BadParams);
  EXPECT_FALSE(fresh.isTrained());
  ASSERT_EQ(diag.numRecords(), 1);
  EXPECT_EQ(diag.diagRecord(0).annotations().at(0), L"Shape Select Train Inputs");
  ASSERT_EQ(diag.diagRecord(0).entries().size(), 2u);
  EXPECT_EQ(diag.diagRecord(0).entries()[1].label(), L"Trained Model (Stroke)");
}

TEST(ShapeSelectTrain, CircleTemplates) {
  // Only the first circle template is searched; its scale zone, enabled or not, scales the
  // radius into the range searched. An aspect zone is never read for circles.
  vcShapeSelectTemplateParams scaled = withZone(circleDofs(), Defs::eScale, 0.8, 1.25);
  scaled.zoneEnable(scaled.zoneEnable() | Defs::eAspect);
  vcShapeSelectTool tool;
  tool.train(trainDofs({{}, scaled, circleDofs()}), {square(), circle(20), circle(7)}, kIdentity,
             nullptr, 0);
  const vcShapeSelectImpl& impl = Access::impl(tool);
  EXPECT_EQ(impl.circleTemplateIndex(), 1);
  EXPECT_EQ(impl.circleRadius(), 20.0);
  EXPECT_DOUBLE_EQ(impl.circleRadiusRange().start(), 16.0);
  EXPECT_DOUBLE_EQ(impl.circleRadiusRange().end(), 25.0);
  EXPECT_EQ(impl.numCircles(), 2);
  EXPECT_EQ(impl.modelTemplateIndex(), std::vector<long>{0});

  // The default scale zone [1, 1] searches the nominal radius alone.
  tool.train(trainDofs({circleDofs()}), {circle(20)}, kIdentity, nullptr, 0);
  EXPECT_EQ(impl.circleRadiusRange().start(), 20.0);
  EXPECT_EQ(impl.circleRadiusRange().end(), 20.0);
  EXPECT_TRUE(impl.modelTemplateIndex().empty());
}

TEST(ShapeSelectTrain, ModelsLookupAndPerturbation) {
  // Opposite tracings give opposite polarity labels: the same sides seen from either end.
  vcShapeSelectTool tool;
  const vc2XformLinear fine(Vec(3, 4), vcRadian(0), vcRadian(0), 0.05, 0.05);
  tool.train(trainDofs({{}, {}, {}}), {square(true), ell(), square(false)}, fine, nullptr, 0);
  const vcShapeSelectImpl& impl = Access::impl(tool);
  const auto& models = impl.corresponder()->trainParams().models();
  ASSERT_EQ(models.size(), 3u);
  EXPECT_EQ(impl.modelTemplateIndex(), (std::vector<long>{0, 1, 2}));
  EXPECT_EQ(models[0]->boundarySegments()[0].polarity(), vcSegmentDefs::eReverse);
  EXPECT_EQ(models[2]->boundarySegments()[0].polarity(), vcSegmentDefs::eForward);
  EXPECT_EQ(models[1]->modelType(), vcSegmentCorresponderModel::eSkeletonModel);
  // Ten pixels at 0.05 client units per pixel.
  EXPECT_DOUBLE_EQ(impl.corresponder()->trainParams().maxPerturbationDist(), 0.5);
  EXPECT_TRUE(impl.corresponder()->trainParams().implyScale());

  // Training builds the distance table (its values are checked where it is made).
  EXPECT_EQ(impl.distanceLut().get(3, 4), 10);
}

TEST(ShapeSelectRun, ChecksAgainstTraining) {
  vcShapeSelectTool tool;
  const vcPelBuffer<unsigned char> image(64, 48);
  vcShapeSelectResultSet results;
  vcShapeSelectRunParams params;
  EXPECT_ERROR(tool.run(results, image, params, nullptr, 0), Defs::NotTrained, L"");

  tool.train(trainDofs({{}, circleDofs()}), {square(), circle(10)}, kIdentity, nullptr, 0);
  // A stale result stays when a run is refused.
  const vcShapeSelectResult stale(true, 0, 1.0, vcShapeSelectTemplateXform(), *square());
  results.results({stale});

  params.selectDOFs({{}});
  EXPECT_ERROR(tool.run(results, image, params, nullptr, 0), Defs::BadParams,
               L"When supplied, selectDOFs must have size equal to number of trained templates.");
  params.selectDOFs({});
  for (const long bad : {-1L, 2L}) {
    params.templateIndexList({0, bad});
    EXPECT_ERROR(tool.run(results, image, params, nullptr, 0), Defs::BadIndex, L"");
  }
  params.templateIndexList({1, 0});
  params.selectDOFs({withZone({}, Defs::eScale, 0.9, 1.1), circleDofs()});
  EXPECT_ERROR(tool.run(results, image, params, nullptr, 0), Defs::BadParams,
               L"Run DOFs must be contained within trained DOF ranges.");
  EXPECT_EQ(results.numResults(), 1);

  // Accepted checks on a blank image, a 1 x N image and an empty one: no results.
  vcShapeSelectTemplateParams narrower;
  narrower.zone(Defs::eAngle, -10, 10);
  params.selectDOFs({narrower, circleDofs()});
  for (const vcPelBuffer<unsigned char>& blank :
       {image, vcPelBuffer<unsigned char>(1, 40), vcPelBuffer<unsigned char>(0, 0)}) {
    results.results({stale});
    tool.run(results, blank, params, nullptr, 0);
    EXPECT_EQ(results.numResults(), 0);
  }
  EXPECT_THROW(tool.run(results, vcPelBuffer<unsigned char>(), params, nullptr, 0),
               vcBadParamsError);
}

TEST(ShapeSelectSearch, EdgeDirectionRule) {
  using vc_shapeselect::edgePolarity;
  // Gradient along +y: its +90 degree turn points along -x.
  const vcDegree down(90.0);
  EXPECT_EQ(edgePolarity(down, Vec(10, 0), Vec(0, 0)), vcSegmentDefs::eForward);
  EXPECT_EQ(edgePolarity(down, Vec(0, 0), Vec(10, 0)), vcSegmentDefs::eReverse);
  EXPECT_EQ(edgePolarity(down, Vec(0, 0), Vec(0, 10)), vcSegmentDefs::eReverse);
}

TEST(ShapeSelectSearch, CircleResultAndMerge) {
  // A circle template of radius 5 about (10, 0), found with radius 10 at (100, 100).
  const vcShapeSelectTemplateCircle tmpl(5.0, Vec(10, 0));
  const vc_shapeselect::vsCircleCandidate found{vcCircle(Vec(100, 100), 10.0), 0.7};
  const vcShapeSelectResult r = vc_shapeselect::circleResult(found, 5.0, 3, tmpl, 0.7);
  EXPECT_TRUE(r.isFound());
  EXPECT_EQ(r.templateIndex(), 3);
  EXPECT_EQ(r.location(), Vec(100, 100));
  EXPECT_DOUBLE_EQ(r.uniformScale(), 2.0);
  EXPECT_TRUE(r.poseStrokeWidthFactors().empty());
  const auto* mapped = dynamic_cast<const vcShapeSelectTemplateCircle*>(r.foundTemplate().get());
  ASSERT_NE(mapped, nullptr);
  EXPECT_DOUBLE_EQ(mapped->nominalRadius(), 10.0);
  EXPECT_EQ(mapped->center(), Vec(120, 100));
  EXPECT_FALSE(vc_shapeselect::circleResult(found, 5.0, 3, tmpl, 0.71).isFound());

  // Circles first on equal scores; the rest of either list once the other is used up.
  const auto order = vc_shapeselect::mergeOrder({0.9, 0.7, 0.5, 0.4}, {0.7, 0.6});
  const std::vector<std::pair<bool, std::size_t>> expected = {
      {false, 0}, {true, 0}, {false, 1}, {true, 1}, {false, 2}, {false, 3}};
  ASSERT_EQ(order.size(), expected.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(order[i].circle, expected[i].first) << i;
    EXPECT_EQ(order[i].index, expected[i].second) << i;
  }
  EXPECT_TRUE(vc_shapeselect::mergeOrder({}, {}).empty());
}

TEST(ShapeSelectRun, FindsDiscsAndRecordsThem) {
  // Two light discs and a dark one of radius 18 to 22 on a 160 x 120 image; the circle template
  // has radius 20 and scale zone [0.85, 1.15]. A disc of radius 12 lies outside the range.
  vcSceneCanvas canvas(160, 120, 60.0);
  canvas.drawDisc(Vec(40.3, 40.6), 18.0, 180.0);
  canvas.drawDisc(Vec(110.5, 35.2), 22.0, 10.0);
  canvas.drawDisc(Vec(70.0, 90.0), 20.0, 170.0);
  canvas.drawDisc(Vec(130.0, 95.0), 12.0, 170.0);
  canvas.blur(1.0);
  vcSceneRandom random(3);
  canvas.addNoise(2.0, random);
  vcPelBuffer<unsigned char> image = canvas.image();

  vcShapeSelectTool tool;
  tool.train(trainDofs({withZone(circleDofs(), Defs::eScale, 0.85, 1.15), {}}),
             {circle(20), ell()}, kIdentity, nullptr, 0);
  vcShapeSelectRunParams params;  // maxNumResults 1 limits correspondences, not circles
  vcShapeSelectResultSet results;
  vcDiagObject diag;
  tool.run(results, image, params, &diag, 0x30000);
  ASSERT_EQ(results.numResults(), 3);
  std::vector<std::pair<Vec, double>> truth = {
      {Vec(40.3, 40.6), 18.0}, {Vec(110.5, 35.2), 22.0}, {Vec(70.0, 90.0), 20.0}};
  for (const vcShapeSelectResult& r : results.results()) {
    EXPECT_TRUE(r.isFound());
    EXPECT_EQ(r.templateIndex(), 0);
    bool matched = false;
    for (const auto& [c, radius] : truth)
      if ((r.location() - c).len() < 0.5 && std::abs(r.uniformScale() * 20 - radius) < 0.5)
        matched = true;
    EXPECT_TRUE(matched) << r.location().x() << ", " << r.location().y();
  }
  EXPECT_GE(results.results()[0].score(), results.results()[2].score());

  // The "Results" record with one found pose per result, then the input/results record.
  ASSERT_EQ(diag.numRecords(), 2);
  EXPECT_EQ(diag.diagRecord(0).annotations().at(0), L"Results");
  EXPECT_EQ(diag.diagRecord(0).entries().size(), 2u + 3u);
  EXPECT_EQ(diag.diagRecord(1).annotations().at(0), L"Shape Select Input/Results");
  EXPECT_EQ(diag.diagRecord(1).entries().back().label(), L"Result 2");

  // Recording changes nothing.
  vcShapeSelectResultSet plain;
  tool.run(plain, image, params, nullptr, 0);
  ASSERT_EQ(plain.numResults(), 3);
  for (long k = 0; k < 3; ++k)
    EXPECT_EQ(plain.results()[k].location(), results.results()[k].location());
}

}  // namespace
