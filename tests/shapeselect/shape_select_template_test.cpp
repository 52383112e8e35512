#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "expect_error.h"
#include "tavshsl/shape_select_result.h"
#include "tavshsl/shape_select_template.h"

namespace {

using Defs = vcShapeSelectDefs;
using Vec = vcVector<2>;

vcLineSeg seg(double x1, double y1, double x2, double y2) {
  return vcLineSeg(Vec(x1, y1), Vec(x2, y2));
}

// A pose turning by angle (radians), scaling by s and moving by (tx, ty).
vcShapeSelectTemplateXform pose(double tx, double ty, double angle, double s,
                                std::vector<double> factors = {}) {
  return vcShapeSelectTemplateXform(
      vc2XformLinear(Vec(tx, ty), vcRadian(angle), vcRadian(angle), s, s), factors);
}

void expectNear(const Vec& actual, const Vec& expected) {
  EXPECT_NEAR(actual.x(), expected.x(), 1e-9);
  EXPECT_NEAR(actual.y(), expected.y(), 1e-9);
}

TEST(TemplateXform, FactorsMustBePositive) {
  EXPECT_ERROR(pose(0, 0, 0, 1, {1.0, 0.0}), Defs::BadParams, L"Stroke width must be > 0");
  vcShapeSelectTemplateXform p = pose(0, 0, 0, 1, {2.0});
  EXPECT_ERROR(p.strokeWidthFactors({1.0, -1.0}), Defs::BadParams, L"Stroke width must be > 0");
  EXPECT_ERROR(p.strokeWidthFactors({std::nan("")}), Defs::BadParams, L"Stroke width must be > 0");
  EXPECT_EQ(p.strokeWidthFactors(), std::vector<double>{2.0});
}

TEST(TemplateCircle, RadiusCheckMapAndResult) {
  EXPECT_ERROR(vcShapeSelectTemplateCircle(0.0, Vec(0, 0)), Defs::BadParams,
               L"Radius must be greater than 0");
  vcShapeSelectTemplateCircle circle(5.0, Vec(10, 0));
  EXPECT_ERROR(circle.nominalRadius(-1.0), Defs::BadParams, L"Radius must be greater than 0");
  EXPECT_EQ(circle.nominalRadius(), 5.0);
  EXPECT_TRUE(circle.boundarySegments().empty());
  EXPECT_EQ(circle.numStrokeSegments(), 0);

  // The pose takes the template's origin to (100, 100), turns it by 30 degrees and doubles it;
  // factors are ignored.
  const double turn = std::numbers::pi / 6;
  const auto placed = circle.map(pose(100, 100, turn, 2, {3.0}));
  const auto* found = dynamic_cast<const vcShapeSelectTemplateCircle*>(placed.get());
  ASSERT_NE(found, nullptr);
  EXPECT_NEAR(found->nominalRadius(), 10.0, 1e-12);
  expectNear(found->center(), Vec(100 + 20 * std::cos(turn), 100 + 20 * std::sin(turn)));
  EXPECT_EQ(circle.center(), Vec(10, 0));

  // A result holds the mapped template, shared by its copies, and gives the angle in degrees.
  const vcShapeSelectResult result(true, 3, 0.8, pose(100, 100, turn, 2), circle);
  EXPECT_NEAR(result.angle().toDouble(), 30.0, 1e-9);
  EXPECT_NEAR(result.uniformScale(), 2.0, 1e-12);
  const auto& held = dynamic_cast<const vcShapeSelectTemplateCircle&>(*result.foundTemplate());
  EXPECT_NEAR(held.nominalRadius(), 10.0, 1e-12);
  EXPECT_TRUE(vcShapeSelectResult(result).foundTemplate() == result.foundTemplate());
}

TEST(TemplateBoundary, PolygonChecksSidesAndMap) {
  // Emptiness is checked before closedness.
  EXPECT_ERROR(vcShapeSelectTemplateBoundary(vcPolyline({}, false)), Defs::BadParams,
               L"Boundary cannot be empty");
  EXPECT_ERROR(vcShapeSelectTemplateBoundary(vcPolyline({{0, 0}, {4, 0}, {0, 3}}, false)),
               Defs::BadParams, L"Boundary must be closed");

  vcShapeSelectTemplateBoundary triangle(vcPolyline({{0, 0}, {4, 0}, {0, 3}}, true));
  const std::vector<vcLineSeg> expected = {seg(0, 0, 4, 0), seg(4, 0, 0, 3), seg(0, 3, 0, 0)};
  EXPECT_EQ(triangle.boundarySegments(), expected);
  EXPECT_ERROR(triangle.boundaryPoly(vcPolyline({{1, 1}}, false)), Defs::BadParams,
               L"Boundary must be closed");
  EXPECT_EQ(triangle.boundarySegments(), expected);

  // A quarter turn about the origin, then a shift by (1, 2).
  const auto placed = triangle.map(pose(1, 2, std::numbers::pi / 2, 1, {5.0}));
  const std::vector<vcLineSeg>& sides = placed->boundarySegments();
  ASSERT_EQ(sides.size(), 3u);
  expectNear(sides[0].p2(), Vec(1, 6));
  expectNear(sides[1].p2(), Vec(-2, 2));
}

TEST(TemplateStroke, SetChecksInOrderAndKeepsTheOldFigure) {
  vcShapeSelectTemplateStroke stroke({seg(0, 0, 10, 0)}, {2.0});
  const std::vector<vcLineSeg> outline = stroke.boundarySegments();

  EXPECT_ERROR(stroke.set({}, {}), Defs::BadParams, L"Skeletal segment list cannot be empty");
  EXPECT_ERROR(stroke.set({seg(0, 0, 1, 0)}, {1.0, -1.0}), Defs::BadParams,
               L"nominal stroke width count must match skeletal segment count");
  EXPECT_ERROR(stroke.set({seg(0, 0, 1, 0), seg(0, 0, 0, 1)}, {1.0, 0.0}), Defs::BadParams,
               L"Stroke widths must be > 0");
  EXPECT_ERROR(stroke.set({seg(0, 0, 1, 0), seg(3, 3, 3, 3)}, {1.0, 1.0}), Defs::BadParams,
               L"Skeletal segments must have non-zero length");
  EXPECT_EQ(stroke.numStrokeSegments(), 1);
  EXPECT_EQ(stroke.boundarySegments(), outline);

  // A successful set replaces the outline.
  stroke.set({seg(0, 0, 10, 0), seg(10, 0, 10, 10)}, {2.0, 2.0});
  EXPECT_EQ(stroke.numBoundarySegments(), 8);
}

TEST(TemplateStroke, MapScalesWidthsAndNeedsOneFactorPerStroke) {
  const vcShapeSelectTemplateStroke stroke({seg(0, 0, 10, 0), seg(10, 0, 10, 10)}, {2.0, 4.0});
  EXPECT_ERROR(stroke.map(pose(0, 0, 0, 1, {1.0})), Defs::BadParams,
               L"Transform stroke count differs from template stroke count");
  EXPECT_ERROR(stroke.map(pose(0, 0, 0, 1)), Defs::BadParams,
               L"Transform stroke count differs from template stroke count");

  // Scale 2 and factor 1.5 make a stroke three times as wide.
  const auto placed = stroke.map(pose(5, 0, std::numbers::pi / 2, 2, {1.5, 1.0}));
  const auto& mapped = dynamic_cast<const vcShapeSelectTemplateStroke&>(*placed);
  EXPECT_NEAR(mapped.nominalStrokeWidths()[0], 6.0, 1e-12);
  EXPECT_NEAR(mapped.nominalStrokeWidths()[1], 8.0, 1e-12);
  expectNear(mapped.skeletalSegments()[1].p1(), Vec(5, 20));
  expectNear(mapped.skeletalSegments()[1].p2(), Vec(-15, 20));
  EXPECT_EQ(stroke.nominalStrokeWidths()[0], 2.0);
}

}  // namespace
