#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "expect_error.h"
#include "tavshsl/shape_select_template.h"

namespace {

using Vec = vcVector<2>;

vcLineSeg seg(double x1, double y1, double x2, double y2) {
  return vcLineSeg(Vec(x1, y1), Vec(x2, y2));
}

std::vector<vcLineSeg> outlineOf(const std::vector<vcLineSeg>& skeleton,
                                 const std::vector<double>& widths) {
  return vcShapeSelectTemplateStroke(skeleton, widths).boundarySegments();
}

void expectOutline(const std::vector<vcLineSeg>& actual, const std::vector<Vec>& corners) {
  ASSERT_EQ(actual.size(), corners.size());
  for (std::size_t k = 0; k < corners.size(); ++k) {
    EXPECT_LT(actual[k].p1().distance(corners[k]), 1e-9) << "segment " << k;
    EXPECT_LT(actual[k].p2().distance(corners[(k + 1) % corners.size()]), 1e-9) << "segment " << k;
  }
}

// Every segment starts where the previous one ended, and the last ends at the first's start.
void expectClosedChain(const std::vector<vcLineSeg>& outline) {
  ASSERT_FALSE(outline.empty());
  for (std::size_t k = 0; k < outline.size(); ++k) {
    const vcLineSeg& next = outline[(k + 1) % outline.size()];
    EXPECT_LT(outline[k].p2().distance(next.p1()), 1e-8) << "gap after segment " << k;
  }
}

// The area enclosed by a closed chain; positive when the figure lies on the +90 degree side of
// every segment's direction.
double enclosedArea(const std::vector<vcLineSeg>& outline) {
  double twice = 0.0;
  for (const vcLineSeg& s : outline) twice += s.p1().cross(s.p2());
  return 0.5 * twice;
}

TEST(StrokeOutline, StraightLTAndShortEndingStrokesAreExact) {
  // An L: the joint leaves a zero-length segment at the outer corner, which stays.
  const std::vector<vcLineSeg> l = outlineOf({seg(0, 0, 10, 0), seg(10, 0, 10, 10)}, {2, 2});
  expectOutline(l, {{-1, -1}, {11, -1}, {11, 1}, {11, 1}, {11, 11}, {9, 11}, {9, 1}, {-1, 1}});
  EXPECT_EQ(l[2].p1(), l[2].p2());

  // A right-angled T with the stem ending inside the bar: inner corners on both offsets.
  expectOutline(outlineOf({seg(-10, 0, 10, 0), seg(0, 0, 0, -10)}, {2, 2}),
                {{-11, -1}, {-1, -1}, {-1, -11}, {1, -11}, {1, -1}, {11, -1}, {11, 1}, {-11, 1}});

  // A bar ending half a unit short of an upright's centre-line: the walk along the bar's side
  // crosses that line and must follow the upright away from the bar, around the whole union.
  expectOutline(
      outlineOf({seg(0, 0, 10, 0), seg(10.5, -5, 10.5, 5)}, {2, 2}),
      {{-1, -1}, {9.5, -1}, {9.5, -6}, {11.5, -6}, {11.5, 6}, {9.5, 6}, {9.5, 1}, {-1, 1}});
}

TEST(StrokeOutline, FiguresCloseAndEncloseTheUnionOfTheirStrokes) {
  const struct {
    const char* name;
    std::vector<vcLineSeg> skeleton;
    std::vector<double> widths;
    double area;
  } figures[] = {
      // Two bars of width 2 and length 20 (22 with the caps): 2 * 44 - 4.
      {"plus", {seg(-10, 0, 10, 0), seg(0, -10, 0, 10)}, {2, 2}, 84.0},
      // Crossbar ends touch the uprights' sides: uprights 2 x 22, crossbar 8 x 2 between them.
      {"H", {seg(0, 0, 0, 20), seg(10, 0, 10, 20), seg(0, 10, 10, 10)}, {2, 2, 2}, 104.0},
      // Strokes of different widths end to end, each end at a joint lengthened by half the width
      // of the stroke it meets: uprights 2 x 13, base 4 x 12, overlapping in two 2 x 4 patches.
      {"U",
       {seg(0, 0, 0, 10), seg(0, 10, 10, 10), seg(10, 10, 10, 0)},
       {2.0, 4.0, 2.0},
       2 * 2 * 13.0 + 4.0 * 12.0 - 2 * 2.0 * 4.0}};
  for (const auto& f : figures) {
    SCOPED_TRACE(f.name);
    const auto outline = outlineOf(f.skeleton, f.widths);
    expectClosedChain(outline);
    EXPECT_NEAR(enclosedArea(outline), f.area, 1e-9);
  }
  EXPECT_EQ(outlineOf(figures[0].skeleton, figures[0].widths).size(), 12u);
}

TEST(StrokeOutline, WalkStartsAtTheFirstEndInsideNoOtherStroke) {
  // That end may be a joint. An L listed from its joint, with the first corner on the outside:
  // the walk goes round the union of the two 12 x 2 bars.
  const std::vector<vcLineSeg> outside = outlineOf({seg(0, 0, 10, 0), seg(0, 0, 0, 10)}, {2, 2});
  expectClosedChain(outside);
  EXPECT_EQ(outside.size(), 6u);
  EXPECT_NEAR(enclosedArea(outside), 44.0, 1e-9);

  // The same L listed from its joint the other way round puts the first corner inside the
  // joint: the walk turns onto the upright and is back at once, around nothing.
  const std::vector<vcLineSeg> inside = outlineOf({seg(10, 0, 0, 0), seg(10, 0, 10, 10)}, {2, 2});
  ASSERT_EQ(inside.size(), 1u);
  EXPECT_EQ(inside[0].p1(), inside[0].p2());

  // A Y and a V listed from their joint start between two arms and never come back.
  for (const std::vector<vcLineSeg>& fromJoint :
       {std::vector<vcLineSeg>{seg(0, 0, 0, 10), seg(0, 0, -8, -6), seg(0, 0, 8, -6)},
        std::vector<vcLineSeg>{seg(0, 0, -6, -8), seg(0, 0, 6, -8)}})
    EXPECT_ERROR(outlineOf(fromJoint, std::vector<double>(fromJoint.size(), 2.0)),
                 vcShapeSelectDefs::BadParams, L"Invalid stroke width: Model is degenerate.");
}

TEST(StrokeOutline, WalkThatCannotComeBackIsRefused) {
  // A wide bar crossed inside it by two thin strokes that also cross each other: from every
  // start the walk falls into the loop of the three crossings inside the bar and never comes
  // back to its first corner.
  const std::vector<vcLineSeg> trapped = {seg(6, 4, -7, -7), seg(-4, -2, 5, -9),
                                          seg(-2, 2, -9, -7)};
  vcShapeSelectTemplateStroke figure(trapped, {4, 1, 2});
  EXPECT_ERROR(figure.boundarySegments(), vcShapeSelectDefs::BadParams,
               L"Invalid stroke width: Model is degenerate.");
  // The failure is not cached: a later call walks again, and a good figure set afterwards is
  // traced normally.
  EXPECT_ERROR(figure.numBoundarySegments(), vcShapeSelectDefs::BadParams,
               L"Invalid stroke width: Model is degenerate.");
  figure.set({seg(0, 10, 0, 0), seg(0, 0, -8, -6), seg(0, 0, 8, -6)}, {2, 2, 2});
  EXPECT_EQ(figure.numBoundarySegments(), 9);
}

}  // namespace
