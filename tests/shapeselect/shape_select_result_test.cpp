#include <numbers>

#include <gtest/gtest.h>

#include "tavshsl/shape_select_result.h"

namespace {

using Vec = vcVector<2>;

// The mapping itself, and its refusal of a stroke pose without one factor per stroke, are
// checked with the templates; here only that the result holds the mapped template.
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

  // Copies share the mapped template rather than cloning it.
  const vcShapeSelectResult copy = result;
  EXPECT_TRUE(copy.foundTemplate() == result.foundTemplate());
}

}  // namespace
