#include <gtest/gtest.h>

#include <cmath>

#include "platform/base/exception.h"
#include "platform/ip/gauss_sample.h"

namespace {

// A smooth bright bump symmetric about image point (cx, cy), drawn into every pixel of img.
void drawBump(const vcPelBuffer<unsigned char>& img, double cx, double cy) {
  for (long y = 0; y < img.height(); ++y)
    for (long x = 0; x < img.width(); ++x) {
      const double dx = img.offset().x() + x + 0.5 - cx;
      const double dy = img.offset().y() + y + 0.5 - cy;
      img.put(x, y, static_cast<unsigned char>(20 + 200 * std::exp(-(dx * dx + dy * dy) / 18.0)));
    }
}

// Intensity centroid above the background level 20, in image coordinates.
vcVector<2> centroid(const vcPelBuffer_const<unsigned char>& img) {
  double sum = 0, sx = 0, sy = 0;
  for (long y = 0; y < img.height(); ++y)
    for (long x = 0; x < img.width(); ++x) {
      const double w = img.get(x, y) - 20.0;
      sum += w;
      sx += w * (img.offset().x() + x + 0.5);
      sy += w * (img.offset().y() + y + 0.5);
    }
  return vcVector<2>(sx / sum, sy / sum);
}

}  // namespace

// A bump centred where the reduced grid is symmetric about it must land, through the reduced
// image's own transform, on the same client point as in the source, window offsets included.
TEST(GaussSample, KeepsClientCoordinatesOfAScenePoint) {
  vcPelBuffer<unsigned char> root(80, 60, 32);
  root.clientFromImageXform(vcXform<2>(vcVector<2>(12.5, -4.0), vcRadian(0.3), vcRadian(0.3), 0.25, 0.25));
  struct Case { long factor, kernel; long wx, wy; double cx, cy; };
  // The window starts at (wx, wy); the bump centre sits at window coordinate factor * (k + 0.5).
  for (const Case c : {Case{2, 2, 0, 0, 21, 15}, Case{2, 3, 6, 4, 6 + 21, 4 + 15},
                       Case{3, 3, 9, 3, 9 + 22.5, 3 + 19.5}, Case{3, 2, 9, 3, 9 + 22.5, 3 + 19.5},
                       Case{4, 4, 2, 2, 2 + 30, 2 + 26}}) {
    vcPelBuffer<unsigned char> win = root.window(c.wx, c.wy, 60, 48);
    drawBump(win, c.cx, c.cy);
    const vcPelBuffer<unsigned char> small = vfGaussSample(win, vcGaussSampleParams(c.factor, c.kernel, 1.0, true));
    EXPECT_EQ(small.width(), 60 / c.factor);
    EXPECT_EQ(small.height(), 48 / c.factor);
    const vcVector<2> expected = root.clientFromImageXform().mapPoint(vcVector<2>(c.cx, c.cy));
    const vcVector<2> found = small.clientFromImageXform().mapPoint(centroid(small));
    EXPECT_NEAR(found.x(), expected.x(), 0.02) << "factor " << c.factor << " kernel " << c.kernel;
    EXPECT_NEAR(found.y(), expected.y(), 0.02) << "factor " << c.factor << " kernel " << c.kernel;
  }
}

// Normalised weights and replicated borders: a uniform image stays uniform up to its edges, and
// a step keeps its grey levels on both sides.
TEST(GaussSample, PreservesGreyLevels) {
  vcPelBuffer<unsigned char> img(33, 17, 32);
  for (long y = 0; y < 17; ++y)
    for (long x = 0; x < 33; ++x) img.put(x, y, x < 16 ? 100 : 200);
  for (bool round : {true, false}) {
    const vcPelBuffer<unsigned char> small = vfGaussSample(img, vcGaussSampleParams(2, 3, 1.0, round));
    ASSERT_EQ(small.width(), 16);
    ASSERT_EQ(small.height(), 8);
    for (long y = 0; y < 8; ++y) {
      EXPECT_NEAR(small.get(0, y), 100, 1);
      EXPECT_NEAR(small.get(15, y), 200, 1);
      EXPECT_GT(small.get(8, y), small.get(7, y));  // the step stays a rising step
    }
  }
  const vcPelBuffer<unsigned char> same = vfGaussSample(img, vcGaussSampleParams(1, 1, 1.0, true));
  EXPECT_EQ(same.get(15, 3), 100);
  EXPECT_EQ(same.get(16, 3), 200);
}

TEST(GaussSample, RefusesBadInput) {
  vcPelBuffer<unsigned char> img(5, 5, 32);
  EXPECT_THROW(vfGaussSample(vcPelBuffer<unsigned char>(), vcGaussSampleParams(2, 2)), vcBadParamsError);
  EXPECT_THROW(vfGaussSample(img, vcGaussSampleParams(6, 2)), vcBadParamsError);
  EXPECT_THROW(vfGaussSample(vcPelBuffer<unsigned char>(0, 4, 32), vcGaussSampleParams(1, 1)), vcBadParamsError);
  EXPECT_THROW(vcGaussSampleParams(0, 2), vcBadParamsError);
  EXPECT_THROW(vcGaussSampleParams(2, 0), vcBadParamsError);
  EXPECT_THROW(vcGaussSampleParams(2, 2, 0.0), vcBadParamsError);
  EXPECT_THROW(vcGaussSampleParams(2, 2, NAN), vcBadParamsError);
  vcGaussSampleParams params(3, 4);
  EXPECT_THROW(params.factor(-1), vcBadParamsError);
  EXPECT_EQ(params.factor(), 3);
}
