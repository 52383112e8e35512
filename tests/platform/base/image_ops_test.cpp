#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "platform/base/pel_ops.h"

namespace {

// A w x h image of seeded random values in [0, 255].
template <class T>
vcPelBuffer<T> randomImage(long w, long h, unsigned seed) {
  std::mt19937 rng(seed);
  vcPelBuffer<T> image(w, h, 32);
  for (long y = 0; y < h; ++y)
    for (long x = 0; x < w; ++x) image.put(x, y, static_cast<T>(rng() % 256));
  return image;
}

const vcXform<2> kClientFromImage(vcVector<2>(1.0, 2.0), vcRadian(0.5), vcRadian(0.5), 3.0, 3.0);

TEST(PelOps, SetFillsExactlyTheWindow) {
  vcPelBuffer<unsigned char> image(9, 6, 32);
  vfPelSet(image.window(2, 1, 5, 3), 200);
  for (long y = 0; y < 6; ++y)
    for (long x = 0; x < 9; ++x) {
      const bool inside = x >= 2 && x < 7 && y >= 1 && y < 4;
      EXPECT_EQ(image.get(x, y), inside ? 200 : 0) << x << "," << y;
    }
  EXPECT_THROW(vfPelSet(vcPelBuffer<double>(), 1.0), vcBadParamsError);
}

TEST(PelOps, CopyIsDeepAndKeepsOffsetAndTransform) {
  vcPelBuffer<double> root = randomImage<double>(12, 7, 11);
  root.clientFromImageXform(kClientFromImage);
  const vcPelBuffer<double> window = root.window(3, 2, 5, 4);

  vcPelBuffer<double> copy = vfPelCopy(window);
  EXPECT_FALSE(copy.sharesPixels(root));
  EXPECT_EQ(copy.offset(), vcPair<long>(3, 2));
  EXPECT_EQ(copy.offsetRoot(), vcPair<long>(0, 0));
  EXPECT_EQ(copy.clientFromImageXform(), kClientFromImage);
  for (long y = 0; y < 4; ++y)
    for (long x = 0; x < 5; ++x) EXPECT_EQ(copy.get(x, y), window.get(x, y));

  // Writes to either side stay there.
  const double before = window.get(0, 0);
  copy.put(0, 0, -1.0);
  root.put(4, 3, -2.0);
  EXPECT_EQ(window.get(0, 0), before);
  EXPECT_NE(copy.get(1, 1), -2.0);

  EXPECT_FALSE(vfPelCopy(vcPelBuffer_const<unsigned char>()).isBound());
}

TEST(PelOps, MinMatchesAPixelLoopAndRefusesMismatchedSizes) {
  const vcPelBuffer<unsigned char> a = randomImage<unsigned char>(17, 9, 1);
  const vcPelBuffer<unsigned char> big = randomImage<unsigned char>(20, 12, 2);
  const vcPelBuffer<unsigned char> b = big.window(2, 3, 17, 9);  // strides differ from a's
  const vcPelBuffer<unsigned char> low = vfPelMin(a, b);
  for (long y = 0; y < 9; ++y)
    for (long x = 0; x < 17; ++x) EXPECT_EQ(low.get(x, y), std::min(a.get(x, y), b.get(x, y)));

  EXPECT_THROW(vfPelMin(a, big), vcBadParamsError);
  EXPECT_THROW(vfPelMin(a, vcPelBuffer<unsigned char>()), vcBadParamsError);
}

TEST(PelOps, MapMatchesATableLookupInEveryOutputForm) {
  vcPelBuffer<unsigned char> image = randomImage<unsigned char>(13, 5, 3);
  image.offset(4, -2);
  image.clientFromImageXform(kClientFromImage);
  std::array<unsigned char, 256> table{};
  for (int v = 0; v < 256; ++v) table[v] = static_cast<unsigned char>(v < 100 ? 0 : 255 - v);

  // Unbound output: a new image with the input's geometry.
  vcPelBuffer<unsigned char> fresh;
  vfPelMap(image, table, fresh);
  EXPECT_EQ(fresh.offset(), image.offset());
  EXPECT_EQ(fresh.clientFromImageXform(), kClientFromImage);
  for (long y = 0; y < 5; ++y)
    for (long x = 0; x < 13; ++x) EXPECT_EQ(fresh.get(x, y), table[image.get(x, y)]);

  // Bound output: a window of a larger image, whose other pixels stay 0.
  vcPelBuffer<unsigned char> canvas(15, 7, 32);
  vcPelBuffer<unsigned char> target = canvas.window(1, 1, 13, 5);
  vfPelMap(image, table, target);
  EXPECT_EQ(canvas.get(0, 0), 0);
  EXPECT_EQ(canvas.get(5, 3), table[image.get(4, 2)]);

  // In place.
  vcPelBuffer<unsigned char> expected = vfPelCopy(fresh);
  vfPelMap(fresh, table, fresh);
  EXPECT_EQ(fresh.get(7, 3), table[expected.get(7, 3)]);

  // Refusals leave the output untouched.
  vcPelBuffer<unsigned char> wrongSize(4, 4, 32);
  EXPECT_THROW(vfPelMap(image, table, wrongSize), vcBadParamsError);
  EXPECT_EQ(wrongSize.get(0, 0), 0);
  const std::vector<unsigned char> shortTable(255, 1);
  vcPelBuffer<unsigned char> untouched;
  EXPECT_THROW(vfPelMap(image, shortTable, untouched), vcBadParamsError);
  EXPECT_FALSE(untouched.isBound());
  vcPelBuffer<unsigned char> shifted = canvas.window(2, 1, 13, 5);
  EXPECT_THROW(vfPelMap(target, table, shifted), vcBadParamsError);
  EXPECT_THROW(vfPelMap(vcPelBuffer<unsigned char>(), table, untouched), vcBadParamsError);
}

}  // namespace
