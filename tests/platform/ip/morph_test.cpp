#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/base/exception.h"
#include "platform/ip/morph.h"

namespace {

// Maximum over the element's offsets inside the image, pixel by pixel.
unsigned char referenceDilate(const vcPelBuffer_const<unsigned char>& img, long x, long y, bool square) {
  unsigned char m = 0;
  for (long dy = -1; dy <= 1; ++dy)
    for (long dx = -1; dx <= 1; ++dx) {
      if (!square && dx != 0 && dy != 0) continue;
      const long u = x + dx, v = y + dy;
      if (u >= 0 && v >= 0 && u < img.width() && v < img.height()) m = std::max(m, img.get(u, v));
    }
  return m;
}

}  // namespace

TEST(GMorph, DilationMatchesReferenceAndGrowsSpots) {
  std::mt19937 rng(11);
  for (const auto size : {vcPair<long>(13, 9), vcPair<long>(1, 5), vcPair<long>(6, 1), vcPair<long>(1, 1)}) {
    vcPelBuffer<unsigned char> img(size.x(), size.y(), 32);
    for (long y = 0; y < img.height(); ++y)
      for (long x = 0; x < img.width(); ++x) img.put(x, y, static_cast<unsigned char>(rng() % 256));
    for (const long type : {1L, 2L}) {
      vcPelBuffer<unsigned char> out;
      vcGMorphElement(vcGMorph3x3Element(type)).dilate(img, out);
      for (long y = 0; y < img.height(); ++y)
        for (long x = 0; x < img.width(); ++x)
          ASSERT_EQ(out.get(x, y), referenceDilate(img, x, y, type == 2)) << x << "," << y;
    }
  }

  // A corner spot grows into the 2 x 2 part of its block; two square steps make a 5 x 5 block,
  // also when the destination shares the source's pixels.
  vcPelBuffer<unsigned char> spot(9, 9, 32);
  spot.put(0, 0, 200);
  spot.put(4, 4, 100);
  vcGMorphElement twice(vcGMorph3x3Element(2));
  twice.append(vcGMorph3x3Element(2));
  vcPelBuffer<unsigned char> out = spot;
  twice.dilate(out, out);
  long grown = 0;
  for (long y = 0; y < 9; ++y)
    for (long x = 0; x < 9; ++x) grown += out.get(x, y) == 100;
  EXPECT_EQ(grown, 25 - 1);  // the 5 x 5 block minus the corner the 200 spot outranks
  EXPECT_EQ(out.get(2, 2), 200);
  EXPECT_EQ(out.get(6, 6), 100);
  EXPECT_EQ(spot.get(4, 3), 0);  // the source image was not changed
}

TEST(GMorph, RefusesBadInput) {
  EXPECT_THROW(vcGMorph3x3Element(0), vcBadParamsError);
  EXPECT_THROW(vcGMorph3x3Element(3), vcBadParamsError);
  vcPelBuffer<unsigned char> img(4, 4, 32), out(2, 2, 32);
  EXPECT_THROW(vcGMorphElement().dilate(img, out), vcBadParamsError);
  EXPECT_EQ(out.width(), 2);
  EXPECT_THROW(vcGMorphElement(vcGMorph3x3Element(2)).dilate(vcPelBuffer<unsigned char>(), out), vcBadParamsError);
}
