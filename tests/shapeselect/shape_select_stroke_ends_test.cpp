// Edge segments carried to the corners of the region they bound.

#include <gtest/gtest.h>

#include "scenes/canvas.h"
#include "scenes/random.h"
#include "shapeselect/shape_select_stroke_ends.h"

namespace {

using Vec = vcVector<2>;
using vc_shapeselect::edgesToCorners;

vcFoundSegment edge(const Vec& p1, const Vec& p2) {
  return vcFoundSegment(vcLineSeg(p1, p2), 50.0, vcSegmentDefs::eReverse, 0.0);
}

// A light L on a dark ground, blurred and noisy: a bar from x = 20 to 80 between y = 24 and 36,
// and a leg from y = 24 down to 90 between x = 20 and 32.
vcPelBuffer<unsigned char> lightL() {
  vcSceneCanvas canvas(120, 110, 60.0);
  canvas.drawPolygon(std::vector<Vec>{{20, 24}, {80, 24}, {80, 36}, {32, 36}, {32, 90}, {20, 90}},
                     110.0);
  canvas.blur(1.3);
  vcSceneRandom random(5);
  canvas.addNoise(3.0, random);
  return canvas.image();
}

void expectEnds(const vcFoundSegment& s, const Vec& p1, const Vec& p2, double tolerance) {
  EXPECT_LT(s.segment().p1().distance(p1), tolerance) << s.segment().p1().x() << ", " << s.segment().p1().y();
  EXPECT_LT(s.segment().p2().distance(p2), tolerance) << s.segment().p2().x() << ", " << s.segment().p2().y();
}

TEST(EdgesToCorners, EndsReachConvexAndConcaveCorners) {
  const vcPelBuffer<unsigned char> image = lightL();
  const std::vector<vcFoundSegment> out = edgesToCorners(
      image, {edge({25, 24}, {75.5, 24}),    // top: short of both convex corners
              edge({36, 36}, {82, 36}),      // under the bar: from the concave corner, past the end
              edge({32, 70}, {32, 50}),      // a piece of the leg's inner side: both ways to the corners
              edge({50, 60}, {70, 60})});    // no edge there at all
  ASSERT_EQ(out.size(), 4u);
  expectEnds(out[0], {20, 24}, {80, 24}, 0.3);
  expectEnds(out[1], {32, 36}, {80, 36}, 0.3);
  expectEnds(out[2], {32, 90}, {32, 36}, 0.3);
  expectEnds(out[3], {50, 60}, {70, 60}, 1e-12);
  EXPECT_EQ(out[0].magnitude(), 50.0);
  EXPECT_EQ(out[0].polarity(), vcSegmentDefs::eReverse);
}

TEST(EdgesToCorners, WindowsClientUnitsAndBorders) {
  // The same L seen through a window with an offset and a client transform of 2 units per
  // pixel: ends move in client units to the corners' client positions.
  vcPelBuffer<unsigned char> window = lightL().window(5, 4, 110, 100);
  const vcXform<2> clientFromImage(Vec(7, -3), vcRadian(0), vcRadian(0), 2.0, 2.0);
  window.clientFromImageXform(clientFromImage);
  const auto client = [&](double x, double y) { return clientFromImage.mapPoint(Vec(x, y)); };
  const std::vector<vcFoundSegment> out =
      edgesToCorners(window, {edge(client(26, 24), client(74, 24)),
                              // Searches that would leave the window keep their ends.
                              edge(client(5.5, 10), client(5.5, 50)), edge(client(100, 24), client(200, 24)),
                              edge(client(30, 24), client(31, 24))});  // too short to judge
  expectEnds(out[0], client(20, 24), client(80, 24), 0.6);
  expectEnds(out[1], client(5.5, 10), client(5.5, 50), 1e-9);
  expectEnds(out[2], client(100, 24), client(200, 24), 1e-9);
  expectEnds(out[3], client(30, 24), client(31, 24), 1e-9);
  EXPECT_TRUE(edgesToCorners(window, {}).empty());
  // Only the edges asked for move.
  const std::vector<vcFoundSegment> chosen =
      edgesToCorners(window, {out[0], edge(client(26, 24), client(74, 24))}, {false, true});
  expectEnds(chosen[0], out[0].segment().p1(), out[0].segment().p2(), 1e-12);
  expectEnds(chosen[1], client(20, 24), client(80, 24), 0.6);
  EXPECT_THROW(edgesToCorners(window, {out[0]}, {true, false}), vcBadParamsError);
  EXPECT_THROW(edgesToCorners(vcPelBuffer_const<unsigned char>(), {}), vcBadParamsError);
}

}  // namespace
