// The distance table and the distance transform of stroke masks.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/base/exception.h"
#include "scenes/random.h"
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

// The wave as the rule states it, plainly: records hold the pixel and its source; the current
// wave spreads in order to the neighbours up, left, right, down; a stroke pixel takes the table
// value when it has none or a larger one, and joins the next wave.
std::vector<unsigned char> plainWave(const vcPelBuffer<unsigned char>& mask) {
  const vcPelBuffer<unsigned char> lut = vfMakeDistanceLut();
  const long w = mask.width(), h = mask.height();
  std::vector<unsigned char> d(std::size_t(w * h), 0);
  struct Record {
    long x, y, sx, sy;
  };
  std::vector<Record> current, next;
  for (long y = 1; y + 1 < h; ++y)
    for (long x = 1; x + 1 < w; ++x)
      if (mask.get(x, y) == 0 &&
          (mask.get(x - 1, y) || mask.get(x + 1, y) || mask.get(x, y - 1) || mask.get(x, y + 1)))
        current.push_back({x, y, x, y});
  const long steps[4][2] = {{0, -1}, {-1, 0}, {1, 0}, {0, 1}};
  while (!current.empty()) {
    next.clear();
    for (const Record& r : current)
      for (const auto& step : steps) {
        const long nx = r.x + step[0], ny = r.y + step[1];
        if (nx < 0 || ny < 0 || nx >= w || ny >= h || mask.get(nx, ny) == 0) continue;
        const unsigned char v =
            lut.get(std::min(std::labs(nx - r.sx), 255L), std::min(std::labs(ny - r.sy), 255L));
        unsigned char& cell = d[std::size_t(ny * w + nx)];
        if (cell != 0 && v >= cell) continue;
        cell = v;
        next.push_back({nx, ny, r.sx, r.sy});
      }
    current.swap(next);
  }
  return d;
}

TEST(DistanceTransform, MatchesThePlainWave) {
  // Random masks of scattered and clustered stroke pixels, strokes on the border, and a band
  // 600 pixels long lit from one end only, so that offsets pass the table's 255.
  vcSceneRandom random(17);
  std::vector<vcPelBuffer<unsigned char>> masks;
  for (int k = 0; k < 12; ++k) {
    const long w = random.integer(1, 70), h = random.integer(1, 50);
    const long percent = k % 3 == 0 ? 50 : 90;
    vcPelBuffer<unsigned char> mask = flatImage(w, h, 0);
    for (long y = 0; y < h; ++y)
      for (long x = 0; x < w; ++x)
        if (random.integer(1, 100) <= percent) mask.put(x, y, 255);
    masks.push_back(mask);
  }
  vcPelBuffer<unsigned char> band = flatImage(600, 7, 255);
  fillRect(band, 0, 0, 600, 1, 0);
  fillRect(band, 0, 6, 600, 1, 0);
  band.put(1, 3, 0);
  masks.push_back(band);
  for (const vcPelBuffer<unsigned char>& mask : masks) {
    SCOPED_TRACE(std::to_string(mask.width()) + " x " + std::to_string(mask.height()));
    vcPelBuffer<unsigned char> distance(mask.width(), mask.height(), 32);
    vc_skeleton::distanceTransform(mask, vfMakeDistanceLut(), distance);
    std::vector<unsigned char> found;
    for (long y = 0; y < mask.height(); ++y)
      for (long x = 0; x < mask.width(); ++x) found.push_back(distance.get(x, y));
    EXPECT_EQ(found, plainWave(mask));
  }
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
