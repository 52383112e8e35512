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
    const Vec& next = corners[(k + 1) % corners.size()];
    EXPECT_NEAR(actual[k].p1().x(), corners[k].x(), 1e-9) << "segment " << k;
    EXPECT_NEAR(actual[k].p1().y(), corners[k].y(), 1e-9) << "segment " << k;
    EXPECT_NEAR(actual[k].p2().x(), next.x(), 1e-9) << "segment " << k;
    EXPECT_NEAR(actual[k].p2().y(), next.y(), 1e-9) << "segment " << k;
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

TEST(StrokeOutline, StraightStrokeLShapeAndTJunctionAreExact) {
  // A single stroke: a rectangle lengthened by half the width at each end.
  expectOutline(outlineOf({seg(0, 0, 10, 0)}, {2.0}), {{-1, -1}, {11, -1}, {11, 1}, {-1, 1}});

  // An L: the joint leaves a zero-length segment at the outer corner, which stays.
  const std::vector<vcLineSeg> l = outlineOf({seg(0, 0, 10, 0), seg(10, 0, 10, 10)}, {2, 2});
  expectOutline(l, {{-1, -1}, {11, -1}, {11, 1}, {11, 1}, {11, 11}, {9, 11}, {9, 1}, {-1, 1}});
  EXPECT_EQ(l[2].p1(), l[2].p2());

  // A right-angled T with the stem ending inside the bar: inner corners on both offsets.
  expectOutline(outlineOf({seg(-10, 0, 10, 0), seg(0, 0, 0, -10)}, {2, 2}),
                {{-11, -1}, {-1, -1}, {-1, -11}, {1, -11}, {1, -1}, {11, -1}, {11, 1}, {-11, 1}});
}

TEST(StrokeOutline, FiguresCloseAndEncloseTheUnionOfTheirStrokes) {
  // A plus of two bars of width 2 and length 20 (22 with the caps): 2 * 44 - 4.
  const auto plus = outlineOf({seg(-10, 0, 10, 0), seg(0, -10, 0, 10)}, {2, 2});
  expectClosedChain(plus);
  EXPECT_EQ(plus.size(), 12u);
  EXPECT_NEAR(enclosedArea(plus), 84.0, 1e-9);

  // An X: the same at 45 degrees, bars of length 20 sqrt 2.
  const double bar = 2.0 * (20.0 * std::sqrt(2.0) + 2.0);
  const auto cross = outlineOf({seg(-10, -10, 10, 10), seg(-10, 10, 10, -10)}, {2, 2});
  expectClosedChain(cross);
  EXPECT_NEAR(enclosedArea(cross), 2.0 * bar - 4.0, 1e-9);

  // An H whose crossbar ends touch the sides of the uprights: each upright is 2 x 22, the
  // crossbar adds its part between them, 8 x 2.
  const auto h = outlineOf({seg(0, 0, 0, 20), seg(10, 0, 10, 20), seg(0, 10, 10, 10)}, {2, 2, 2});
  expectClosedChain(h);
  EXPECT_NEAR(enclosedArea(h), 2 * 44.0 + 16.0, 1e-9);

  // A U of three strokes of different widths meeting end to end: each end at a joint is
  // lengthened by half the width of the stroke it meets.
  const auto u =
      outlineOf({seg(0, 0, 0, 10), seg(0, 10, 10, 10), seg(10, 10, 10, 0)}, {2.0, 4.0, 2.0});
  expectClosedChain(u);
  // Uprights 2 x 13 (from the cap of the free end to the far side of the base), base 4 x 12
  // (lengthened by half an upright's width at each end), overlapping in two 2 x 4 patches.
  EXPECT_NEAR(enclosedArea(u), 2 * 2 * 13.0 + 4.0 * 12.0 - 2 * 2.0 * 4.0, 1e-9);

  // A Y of three strokes listed from the free end of its stem, branches at uneven angles:
  // corners are approximate there, but the outline still closes around more than the stem.
  const auto y = outlineOf({seg(0, 10, 0, 0), seg(0, 0, -8, -6), seg(0, 0, 8, -6)}, {2, 2, 2});
  expectClosedChain(y);
  EXPECT_GT(enclosedArea(y), 2.0 * 12.0);
}

TEST(StrokeOutline, WalkThatCannotComeBackIsRefused) {
  // The same Y listed from its joint: the walk starts at a corner that a neighbouring branch
  // covers, circles the figure without passing it again and gives up after its step bound.
  vcShapeSelectTemplateStroke y({seg(0, 0, 0, 10), seg(0, 0, -8, -6), seg(0, 0, 8, -6)}, {2, 2, 2});
  EXPECT_ERROR(y.boundarySegments(), vcShapeSelectDefs::BadParams,
               L"Invalid stroke width: Model is degenerate.");
  // The failure is not cached: a later call walks again, and a good figure set afterwards is
  // traced normally.
  EXPECT_ERROR(y.numBoundarySegments(), vcShapeSelectDefs::BadParams,
               L"Invalid stroke width: Model is degenerate.");
  y.set({seg(0, 10, 0, 0), seg(0, 0, -8, -6), seg(0, 0, 8, -6)}, {2, 2, 2});
  EXPECT_EQ(y.numBoundarySegments(), 9);
}

}  // namespace
