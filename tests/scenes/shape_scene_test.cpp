// Stroke figures of the shape scenes: the clear run of each stroke, by which the benchmarks
// bucket their recall.

#include <algorithm>

#include <gtest/gtest.h>

#include "scenes/shape_scene.h"

namespace {

using V = vcVector<2>;

// A T of width 10: the bar (-40, 0)-(40, 0), the stem from the bar's centre down to (0, 60).
// The stem is drawn to y = 65 (free end) and is clear where it is more than 10 from the bar's
// centre-line: 55. The bar is drawn from -45 to 45 and is clear beyond 10 from the stem: 35 on
// either side. Turned and scaled by 2, every length doubles.
TEST(ShapeScene, ClearRunsOfATee) {
  vsSceneTemplate t;
  t.kind = veShapeKind::eStroke;
  t.skeleton = {{V(-40, 0), V(40, 0)}, {V(0, 0), V(0, 60)}};
  t.widths = {10.0, 10.0};
  vsSceneObject o;
  o.widthFactors = {1.0, 1.0};
  struct Case {
    double angle, scale;
  };
  for (const Case c : {Case{0.0, 1.0}, Case{33.0, 2.0}}) {
    o.angleDegrees = c.angle;
    o.scale = c.scale;
    const std::vector<double> runs = vfStrokeClearRuns(t, o);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_NEAR(runs[0], 35.0 * c.scale, 0.5);
    EXPECT_NEAR(runs[1], 55.0 * c.scale, 0.5);
  }
  // Other kinds have no strokes.
  t.kind = veShapeKind::ePolygon;
  EXPECT_TRUE(vfStrokeClearRuns(t, o).empty());
}

}  // namespace
