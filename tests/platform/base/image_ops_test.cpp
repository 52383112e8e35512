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

TEST(PelOps, SetFillsTheWindowAndCopyIsDeep) {
  vcPelBuffer<double> root = randomImage<double>(12, 7, 11);
  root.clientFromImageXform(vcXform<2>(vcVector<2>(1, 2), vcRadian(0.5), vcRadian(0.5), 3, 3));
  const vcPelBuffer<double> window = root.window(3, 2, 5, 4);
  const vcPelBuffer<double> copy = vfPelCopy(window);
  EXPECT_EQ(copy.offset(), window.offset());
  EXPECT_EQ(copy.clientFromImageXform(), root.clientFromImageXform());

  vfPelSet(window, -1.0);
  for (long y = 0; y < 7; ++y)
    for (long x = 0; x < 12; ++x) {
      const bool inside = x >= 3 && x < 8 && y >= 2 && y < 6;
      EXPECT_EQ(root.get(x, y) == -1.0, inside) << x << "," << y;
      EXPECT_TRUE(!inside || copy.get(x - 3, y - 2) >= 0.0);  // the copy kept its values
    }
  EXPECT_THROW(vfPelSet(vcPelBuffer<double>(), 1.0), vcBadParamsError);
}

TEST(PelOps, MinMatchesAPixelLoopAndRefusesMismatchedSizes) {
  const vcPelBuffer<unsigned char> a = randomImage<unsigned char>(17, 9, 1);
  const vcPelBuffer<unsigned char> big = randomImage<unsigned char>(20, 12, 2);
  const vcPelBuffer<unsigned char> b = big.window(2, 3, 17, 9);  // another stride and origin
  const vcPelBuffer<unsigned char> low = vfPelMin(a, b);
  for (long y = 0; y < 9; ++y)
    for (long x = 0; x < 17; ++x) EXPECT_EQ(low.get(x, y), std::min(a.get(x, y), b.get(x, y)));
  EXPECT_THROW(vfPelMin(a, big), vcBadParamsError);
}

TEST(PelOps, MapMatchesATableLookupInEveryOutputForm) {
  vcPelBuffer<unsigned char> image = randomImage<unsigned char>(13, 5, 3);
  image.offset(4, -2);
  std::array<unsigned char, 256> table{};
  for (int v = 0; v < 256; ++v) table[v] = static_cast<unsigned char>(v < 100 ? 0 : 255 - v);

  // Unbound output: a new image with the input's offset.
  vcPelBuffer<unsigned char> fresh;
  vfPelMap(image, table, fresh);
  EXPECT_EQ(fresh.offset(), image.offset());
  for (long y = 0; y < 5; ++y)
    for (long x = 0; x < 13; ++x) EXPECT_EQ(fresh.get(x, y), table[image.get(x, y)]);

  // Bound output: a window of a larger image, whose other pixels stay 0; then
  // in place.
  vcPelBuffer<unsigned char> canvas(15, 7, 32);
  vcPelBuffer<unsigned char> target = canvas.window(1, 1, 13, 5);
  vfPelMap(image, table, target);
  vfPelMap(target, table, target);
  EXPECT_EQ(canvas.get(0, 0), 0);
  EXPECT_EQ(canvas.get(5, 3), table[table[image.get(4, 2)]]);

  // Refusals leave the output untouched.
  vcPelBuffer<unsigned char> untouched;
  EXPECT_THROW(vfPelMap(image, std::vector<unsigned char>(255), untouched), vcBadParamsError);
  EXPECT_FALSE(untouched.isBound());
  vcPelBuffer<unsigned char> shifted = canvas.window(2, 1, 13, 5);
  EXPECT_THROW(vfPelMap(target, table, shifted), vcBadParamsError);
  EXPECT_EQ(canvas.get(2, 1), table[table[image.get(1, 0)]]);
}

}  // namespace
