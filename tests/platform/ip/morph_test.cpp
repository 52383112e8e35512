#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/base/exception.h"
#include "platform/base/pel_ops.h"
#include "platform/ip/morph.h"

namespace {

// The maximum over each pixel's 3 x 3 block (square) or cross inside the image, pixel by pixel.
vcPelBuffer<unsigned char> referenceDilate(const vcPelBuffer_const<unsigned char>& img,
                                           bool square) {
  vcPelBuffer<unsigned char> out(img.width(), img.height(), 32);
  for (long y = 0; y < img.height(); ++y)
    for (long x = 0; x < img.width(); ++x)
      for (long v = std::max(y - 1, 0L); v <= std::min(y + 1, img.height() - 1); ++v)
        for (long u = std::max(x - 1, 0L); u <= std::min(x + 1, img.width() - 1); ++u)
          if (square || u == x || v == y) out.put(x, y, std::max(out.get(x, y), img.get(u, v)));
  return out;
}

// The number of pixels in which two images of one size differ.
long differences(const vcPelBuffer_const<unsigned char>& a,
                 const vcPelBuffer_const<unsigned char>& b) {
  long n = 0;
  for (long y = 0; y < a.height(); ++y)
    for (long x = 0; x < a.width(); ++x) n += a.get(x, y) != b.get(x, y);
  return n;
}

}  // namespace

TEST(GMorph, DilationMatchesReferenceStepByStepAlsoInPlace) {
  std::mt19937 rng(11);
  for (const auto size :
       {vcPair<long>(13, 9), vcPair<long>(1, 5), vcPair<long>(6, 1), vcPair<long>(1, 1)}) {
    vcPelBuffer<unsigned char> img(size.x(), size.y(), 32);
    for (long y = 0; y < img.height(); ++y)
      for (long x = 0; x < img.width(); ++x) img.put(x, y, static_cast<unsigned char>(rng() % 256));
    const vcPelBuffer<unsigned char> copy = vfPelCopy(img), cross = referenceDilate(img, false);
    SCOPED_TRACE(testing::Message() << size.x() << " x " << size.y());
    vcPelBuffer<unsigned char> out;
    vcGMorphElement(vcGMorph3x3Element(1)).dilate(img, out);
    EXPECT_EQ(differences(out, cross), 0);
    vcGMorphElement(vcGMorph3x3Element(2)).dilate(img, out);
    EXPECT_EQ(differences(out, referenceDilate(img, true)), 0);

    // Two steps in turn, into an image that shares the source's pixels; the source stays.
    vcGMorphElement both(vcGMorph3x3Element(1));
    both.append(vcGMorph3x3Element(2));
    out = img;
    both.dilate(out, out);
    EXPECT_EQ(differences(out, referenceDilate(cross, true)), 0);
    EXPECT_EQ(differences(img, copy), 0);
  }
}

TEST(GMorph, RefusesBadInput) {
  EXPECT_THROW(vcGMorph3x3Element(0), vcBadParamsError);
  EXPECT_THROW(vcGMorph3x3Element(3), vcBadParamsError);
  vcPelBuffer<unsigned char> img(4, 4, 32), out(2, 2, 32);
  EXPECT_THROW(vcGMorphElement().dilate(img, out), vcBadParamsError);
  EXPECT_THROW(vcGMorphElement(vcGMorph3x3Element(2)).dilate(vcPelBuffer<unsigned char>(), out),
               vcBadParamsError);
  EXPECT_EQ(out.width(), 2);
}
