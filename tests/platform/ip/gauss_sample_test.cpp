#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "platform/base/exception.h"
#include "platform/ip/gauss_sample.h"

// A bump centred where the reduced grid is symmetric about it must land, through the reduced
// image's own transform, on the same client point as in the source, window offsets included.
TEST(GaussSample, KeepsClientCoordinatesOfAScenePoint) {
  vcPelBuffer<unsigned char> root(80, 60, 32);
  root.clientFromImageXform(
      vcXform<2>(vcVector<2>(12.5, -4.0), vcRadian(0.3), vcRadian(0.3), 0.25, 0.25));
  // The window starts at (wx, wy); the bump centre sits at window coordinate factor * (k + 0.5).
  for (const auto& [factor, kernel, wx, wy, cx, cy] : {std::tuple(2L, 2L, 0L, 0L, 21.0, 15.0),
                                                       {2L, 3L, 6L, 4L, 6 + 21.0, 4 + 15.0},
                                                       {3L, 3L, 9L, 3L, 9 + 22.5, 3 + 19.5},
                                                       {3L, 2L, 9L, 3L, 9 + 22.5, 3 + 19.5},
                                                       {4L, 4L, 2L, 2L, 2 + 30.0, 2 + 26.0}}) {
    // A smooth bright bump on a background of 20, symmetric about image point (cx, cy).
    vcPelBuffer<unsigned char> win = root.window(wx, wy, 60, 48);
    for (long y = 0; y < 48; ++y)
      for (long x = 0; x < 60; ++x) {
        const double dx = wx + x + 0.5 - cx, dy = wy + y + 0.5 - cy;
        win.put(x, y, static_cast<unsigned char>(20 + 200 * std::exp(-(dx * dx + dy * dy) / 18.0)));
      }
    const vcPelBuffer<unsigned char> small =
        vfGaussSample(win, vcGaussSampleParams(factor, kernel));
    EXPECT_EQ(small.width(), 60 / factor);
    EXPECT_EQ(small.height(), 48 / factor);

    // The intensity centroid above the background, in image coordinates.
    double sum = 0, sx = 0, sy = 0;
    for (long y = 0; y < small.height(); ++y)
      for (long x = 0; x < small.width(); ++x) {
        const double w = small.get(x, y) - 20.0;
        sum += w;
        sx += w * (small.offset().x() + x + 0.5);
        sy += w * (small.offset().y() + y + 0.5);
      }
    const vcVector<2> expected = root.clientFromImageXform().mapPoint(vcVector<2>(cx, cy));
    const vcVector<2> found = small.clientFromImageXform().mapPoint(vcVector<2>(sx, sy) / sum);
    SCOPED_TRACE(testing::Message() << "factor " << factor << " kernel " << kernel);
    EXPECT_NEAR(found.x(), expected.x(), 0.02);
    EXPECT_NEAR(found.y(), expected.y(), 0.02);
  }
}

// Normalised weights and replicated borders: a uniform image stays uniform up to its edges, and
// a step keeps its grey levels on both sides.
TEST(GaussSample, PreservesGreyLevels) {
  vcPelBuffer<unsigned char> img(33, 17, 32);
  for (long y = 0; y < 17; ++y)
    for (long x = 0; x < 33; ++x) img.put(x, y, x < 16 ? 100 : 200);
  for (bool round : {true, false}) {
    const vcPelBuffer<unsigned char> small =
        vfGaussSample(img, vcGaussSampleParams(2, 3, 1.0, round));
    ASSERT_EQ(small.width(), 16);
    ASSERT_EQ(small.height(), 8);
    for (long y = 0; y < 8; ++y) {
      EXPECT_NEAR(small.get(0, y), 100, 1);
      EXPECT_NEAR(small.get(15, y), 200, 1);
      EXPECT_GT(small.get(8, y), small.get(7, y));  // the step stays a rising step
    }
  }
  const vcPelBuffer<unsigned char> same = vfGaussSample(img, vcGaussSampleParams(1, 1));
  EXPECT_EQ(same.get(15, 3), 100);
  EXPECT_EQ(same.get(16, 3), 200);
}

TEST(GaussSample, RefusesBadInput) {
  EXPECT_THROW(vfGaussSample(vcPelBuffer<unsigned char>(), vcGaussSampleParams(2, 2)),
               vcBadParamsError);
  EXPECT_THROW(vfGaussSample(vcPelBuffer<unsigned char>(5, 5, 32), vcGaussSampleParams(6, 2)),
               vcBadParamsError);
  EXPECT_THROW(vfGaussSample(vcPelBuffer<unsigned char>(0, 4, 32), vcGaussSampleParams(1, 1)),
               vcBadParamsError);
  for (const auto& [factor, kernel, sigma] :
       {std::tuple(0L, 2L, 1.0), {2L, 0L, 1.0}, {2L, 2L, 0.0}, {2L, 2L, NAN}})
    EXPECT_THROW(vcGaussSampleParams(factor, kernel, sigma), vcBadParamsError);
  vcGaussSampleParams params(3, 4);
  EXPECT_THROW(params.factor(-1), vcBadParamsError);
  EXPECT_EQ(params.factor(), 3);
}
