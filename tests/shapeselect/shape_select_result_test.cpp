#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "expect_error.h"
#include "tavshsl/shape_select_result.h"

namespace {

using Vec = vcVector<2>;

TEST(Result, CarriesTheMappedTemplateAndPoseViews) {
  const vcShapeSelectTemplateCircle circle(5.0, Vec(10, 0));
  const double turn = std::numbers::pi / 6;  // 30 degrees
  const vcShapeSelectTemplateXform pose(
      vc2XformLinear(Vec(100, 100), vcRadian(turn), vcRadian(turn), 2.0, 2.0), {});
  const vcShapeSelectResult result(true, 3, 0.8, pose, circle);

  EXPECT_NEAR(result.location().x(), 100.0, 1e-12);
  EXPECT_NEAR(result.angle().toDouble(), 30.0, 1e-9);
  EXPECT_NEAR(result.uniformScale(), 2.0, 1e-12);
  EXPECT_NEAR(result.aspect(), 1.0, 1e-12);
  const auto& found = dynamic_cast<const vcShapeSelectTemplateCircle&>(*result.foundTemplate());
  EXPECT_NEAR(found.nominalRadius(), 10.0, 1e-12);
  EXPECT_NEAR(found.center().x(), 100.0 + 20.0 * std::cos(turn), 1e-9);
  EXPECT_NEAR(found.center().y(), 100.0 + 20.0 * std::sin(turn), 1e-9);

  // Copies share the mapped template rather than cloning it.
  const vcShapeSelectResult copy = result;
  EXPECT_TRUE(copy.foundTemplate() == result.foundTemplate());
}

TEST(Result, StrokePoseWithoutOneFactorPerStrokeIsRefused) {
  const vcShapeSelectTemplateStroke stroke(
      {vcLineSeg(Vec(0, 0), Vec(10, 0)), vcLineSeg(Vec(10, 0), Vec(10, 10))}, {2.0, 2.0});
  const vcShapeSelectTemplateXform identityNoFactors;
  EXPECT_ERROR(vcShapeSelectResult(true, 0, 1.0, identityNoFactors, stroke),
               vcShapeSelectDefs::BadParams,
               L"Transform stroke count differs from template stroke count");

  const vcShapeSelectTemplateXform pose(vc2XformLinear(), {1.0, 2.0});
  const vcShapeSelectResult result(false, 0, 0.3, pose, stroke);
  const auto& found = dynamic_cast<const vcShapeSelectTemplateStroke&>(*result.foundTemplate());
  EXPECT_EQ(found.nominalStrokeWidths(), (std::vector<double>{2.0, 4.0}));
}

}  // namespace
