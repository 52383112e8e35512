#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "platform/base/exception.h"
#include "platform/ip/median.h"

namespace {

vcPelBuffer<unsigned char> randomImage(long w, long h, unsigned seed, int levels = 256) {
  std::mt19937 rng(seed);
  vcPelBuffer<unsigned char> img(w, h, 32);
  for (long y = 0; y < h; ++y)
    for (long x = 0; x < w; ++x) img.put(x, y, static_cast<unsigned char>(rng() % levels));
  return img;
}

// Sorting reference: window of w x h around (x, y) with replicated border and clamped values,
// upper median.
unsigned char referenceMedian(const vcPelBuffer_const<unsigned char>& img, long x, long y, long w,
                              long h, long low, long high) {
  std::vector<long> values;
  for (long r = y - (h - 1) / 2; r <= y + h / 2; ++r)
    for (long c = x - (w - 1) / 2; c <= x + w / 2; ++c)
      values.push_back(std::clamp<long>(img.get(std::clamp(c, 0L, img.width() - 1),
                                                std::clamp(r, 0L, img.height() - 1)), low, high));
  std::sort(values.begin(), values.end());
  return static_cast<unsigned char>(values[values.size() / 2]);
}

}  // namespace

TEST(PelMedian, MatchesSortingReferenceOnRandomImages) {
  struct Case { long width, height, w, h, low, high; int levels; };
  // 9 x 9 as used, even and odd sides, the 8-bit/16-bit count boundary (255 and 256 pixels),
  // a window larger than the image, a clamped value range, few grey levels (many ties), and
  // an image wider than the 9 x 9 filter's strips.
  for (const Case c : {Case{37, 23, 9, 9, 0, 255, 256}, Case{20, 31, 4, 6, 0, 255, 256},
                       Case{19, 18, 15, 17, 0, 255, 256}, Case{21, 20, 16, 16, 0, 255, 256},
                       Case{5, 3, 9, 9, 0, 255, 256}, Case{24, 16, 9, 9, 40, 180, 256},
                       Case{30, 12, 9, 9, 0, 255, 3}, Case{7, 6, 1, 1, 0, 255, 256},
                       Case{300, 11, 9, 9, 0, 255, 256}}) {
    const vcPelBuffer<unsigned char> img = randomImage(c.width, c.height, 7 + c.w * c.h, c.levels);
    const vcPelBuffer<unsigned char> out = vfPelMedian(
        img, vcPelMedianParams(vcPair<long>(c.w, c.h), vcPair<long>(c.low, c.high), false));
    ASSERT_EQ(out.width(), c.width);
    ASSERT_EQ(out.height(), c.height);
    long mismatches = 0;
    for (long y = 0; y < c.height; ++y)
      for (long x = 0; x < c.width; ++x)
        mismatches += out.get(x, y) != referenceMedian(img, x, y, c.w, c.h, c.low, c.high);
    EXPECT_EQ(mismatches, 0) << c.w << " x " << c.h << " on " << c.width << " x " << c.height;
  }
}

// Shrinking keeps only whole windows, each pixel at its image coordinates; a window of the
// input and its copies keep client coordinates.
TEST(PelMedian, ShrinkToValidKeepsImageCoordinates) {
  const vcPelBuffer<unsigned char> root = randomImage(40, 30, 3);
  vcPelBuffer<unsigned char> win = root.window(5, 4, 25, 20);
  win.clientFromImageXform(vcXform<2>(vcVector<2>(1, 2), vcRadian(0), vcRadian(0), 2.0, 2.0));
  const vcPelBuffer<unsigned char> full = vfPelMedian(win, vcPelMedianParams(vcPair<long>(9, 5)));
  const vcPelBuffer<unsigned char> valid = vfPelMedian(win, vcPelMedianParams(vcPair<long>(9, 5), vcPair<long>(0, 255), true));
  EXPECT_EQ(full.offset(), win.offset());
  EXPECT_EQ(valid.width(), 17);
  EXPECT_EQ(valid.height(), 16);
  EXPECT_EQ(valid.offset(), win.offset() + vcPair<long>(4, 2));
  EXPECT_TRUE(valid.clientFromImageXform() == win.clientFromImageXform());
  for (long y = 0; y < valid.height(); ++y)
    for (long x = 0; x < valid.width(); ++x) ASSERT_EQ(valid.get(x, y), full.get(x + 4, y + 2));
}

TEST(PelMedian, RefusesBadInput) {
  const vcPelBuffer<unsigned char> img = randomImage(8, 8, 1);
  EXPECT_THROW(vfPelMedian(vcPelBuffer<unsigned char>(), vcPelMedianParams()), vcBadParamsError);
  EXPECT_THROW(vfPelMedian(img, vcPelMedianParams(vcPair<long>(9, 9), vcPair<long>(0, 255), true)), vcBadParamsError);
  EXPECT_THROW(vcPelMedianParams(vcPair<long>(0, 9)), vcBadParamsError);
  EXPECT_THROW(vcPelMedianParams(vcPair<long>(9, 256)), vcBadParamsError);
  EXPECT_THROW(vcPelMedianParams(vcPair<long>(9, 9), vcPair<long>(200, 100)), vcBadParamsError);
  vcPelMedianParams params;
  EXPECT_THROW(params.valueRange(vcPair<long>(-1, 255)), vcBadParamsError);
  EXPECT_EQ(params.valueRange(), vcPair<long>(0, 255));
}
