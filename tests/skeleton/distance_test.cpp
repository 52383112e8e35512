// The distance table and the distance transform of stroke masks.

#include <gtest/gtest.h>

#include "platform/base/exception.h"
#include "skeleton_images.h"
#include "src/skeleton/distance_lut.h"
#include "src/skeleton/distance_transform.h"

namespace {

TEST(DistanceLut, HoldsTwiceTheDistanceRoundedAndSaturated) {
  const vcPelBuffer<unsigned char> lut = vfMakeDistanceLut();
  ASSERT_EQ(lut.width(), 256);
  ASSERT_EQ(lut.height(), 256);
  EXPECT_EQ(lut.get(0, 0), 0);
  EXPECT_EQ(lut.get(1, 0), 2);
  EXPECT_EQ(lut.get(0, 1), 2);
  EXPECT_EQ(lut.get(1, 1), 3);  // 2.83
  EXPECT_EQ(lut.get(100, 0), 200);
  EXPECT_EQ(lut.get(3, 4), 10);
  EXPECT_EQ(lut.get(127, 0), 254);
  EXPECT_EQ(lut.get(90, 90), 255);  // 254.56
  EXPECT_EQ(lut.get(255, 255), 255);
}

// A horizontal stroke of 6 rows in a 30 x 20 mask.
vcPelBuffer<unsigned char> barMask(long thickness) {
  vcPelBuffer<unsigned char> mask = flatImage(30, 20, 0);
  fillRect(mask, 2, 7, 26, thickness, 255);
  return mask;
}

TEST(DistanceTransform, StrokeCentreReadsItsWidth) {
  vcPelBuffer<unsigned char> mask = barMask(6);
  mask.offset(40, 50);
  vcPelBuffer<unsigned char> distance(30, 20, 32);
  vc_skeleton::distanceTransform(mask, vfMakeDistanceLut(), distance);
  EXPECT_EQ(distance.offset().x(), 40);
  EXPECT_EQ(distance.offset().y(), 50);
  // Rows 7..12 across the middle column: 2 4 6 6 4 2; background stays 0.
  const unsigned char expected[] = {0, 2, 4, 6, 6, 4, 2, 0};
  for (long i = 0; i < 8; ++i) EXPECT_EQ(distance.get(15, 6 + i), expected[i]) << "row " << 6 + i;
  // A 10-pixel stroke peaks at 10.
  vc_skeleton::distanceTransform(barMask(10), vfMakeDistanceLut(), distance);
  EXPECT_EQ(distance.get(15, 11), 10);
  EXPECT_EQ(distance.get(15, 12), 10);
}

TEST(DistanceTransform, NoSourceOffTheBorderGivesZeros) {
  // Background only on the outermost rows and columns: nothing propagates.
  vcPelBuffer<unsigned char> mask = flatImage(12, 9, 0);
  fillRect(mask, 1, 1, 10, 7, 255);
  vcPelBuffer<unsigned char> distance = flatImage(12, 9, 77);
  vc_skeleton::distanceTransform(mask, vfMakeDistanceLut(), distance);
  for (long y = 0; y < 9; ++y)
    for (long x = 0; x < 12; ++x) ASSERT_EQ(distance.get(x, y), 0);
}

TEST(DistanceTransform, RefusesBadImages) {
  const vcPelBuffer<unsigned char> mask = barMask(6);
  vcPelBuffer<unsigned char> distance(29, 20, 32);
  EXPECT_THROW(vc_skeleton::distanceTransform(mask, vfMakeDistanceLut(), distance),
               vcBadParamsError);
  vcPelBuffer<unsigned char> sized(30, 20, 32);
  EXPECT_THROW(vc_skeleton::distanceTransform(mask, flatImage(255, 256, 0), sized),
               vcBadParamsError);
  EXPECT_THROW(
      vc_skeleton::distanceTransform(vcPelBuffer<unsigned char>(), vfMakeDistanceLut(), sized),
      vcBadParamsError);
}

}  // namespace
