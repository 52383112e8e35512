#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <vector>

#include "platform/base/exception.h"
#include "platform/cpu/simd.h"
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
      values.push_back(std::clamp<long>(
          img.get(std::clamp(c, 0L, img.width() - 1), std::clamp(r, 0L, img.height() - 1)), low,
          high));
  std::sort(values.begin(), values.end());
  return static_cast<unsigned char>(values[values.size() / 2]);
}

}  // namespace

TEST(PelMedian, MatchesSortingReferenceOnRandomImages) {
  // 9 x 9 as used, even and odd sides, the 8-bit/16-bit count boundary (255 and 256 pixels),
  // a window larger than the image, a clamped value range, few grey levels (many ties); for
  // 9 x 9 also single rows and columns, odd heights (a last output row alone), and widths
  // just around the 9 x 9 filter's strips and vectors. The 9 x 9 cases run on every vector
  // path the processor has.
  for (const auto& [width, height, w, h, low, high, levels] :
       {std::tuple(37L, 23L, 9L, 9L, 0L, 255L, 256),
        {20L, 31L, 4L, 6L, 0L, 255L, 256},
        {19L, 18L, 15L, 17L, 0L, 255L, 256},
        {21L, 20L, 16L, 16L, 0L, 255L, 256},
        {5L, 3L, 9L, 9L, 0L, 255L, 256},
        {24L, 16L, 9L, 9L, 40L, 180L, 256},
        {30L, 12L, 9L, 9L, 0L, 255L, 3},
        {7L, 6L, 1L, 1L, 0L, 255L, 256},
        {300L, 11L, 9L, 9L, 0L, 255L, 256},
        {1L, 20L, 9L, 9L, 0L, 255L, 256},
        {70L, 1L, 9L, 9L, 0L, 255L, 256},
        {65L, 2L, 9L, 9L, 0L, 255L, 4},
        {129L, 7L, 9L, 9L, 0L, 255L, 256},
        {31L, 14L, 9L, 9L, 0L, 255L, 256}}) {
    const vcPelBuffer<unsigned char> img = randomImage(width, height, 7 + w * h + width, levels);
    for (const vcSimdLevel level : {vcSimdLevel::portable, vcSimdLevel::avx2}) {
      if (level > vfSimdSupported() || (level != vcSimdLevel::portable && w != 9)) continue;
      const vcSimdLevel before = vfSetSimdCap(level);
      const vcPelBuffer<unsigned char> out =
          vfPelMedian(img, vcPelMedianParams(vcPair<long>(w, h), vcPair<long>(low, high)));
      vfSetSimdCap(before);
      ASSERT_EQ(out.width(), width);
      ASSERT_EQ(out.height(), height);
      long mismatches = 0;
      for (long y = 0; y < height; ++y)
        for (long x = 0; x < width; ++x)
          mismatches += out.get(x, y) != referenceMedian(img, x, y, w, h, low, high);
      EXPECT_EQ(mismatches, 0) << w << " x " << h << " on " << width << " x " << height
                               << " at level " << int(level);
    }
  }
}

// A window filters its own pixels only: its border is replicated, not read from the image
// around it.
TEST(PelMedian, WindowReplicatesItsOwnBorder) {
  const vcPelBuffer<unsigned char> root = randomImage(90, 40, 11);
  const vcPelBuffer<unsigned char> win = root.window(13, 7, 67, 19);
  const vcPelBuffer<unsigned char> out = vfPelMedian(win, vcPelMedianParams(vcPair<long>(9, 9)));
  EXPECT_EQ(out.offset(), win.offset());
  long mismatches = 0;
  for (long y = 0; y < win.height(); ++y)
    for (long x = 0; x < win.width(); ++x)
      mismatches += out.get(x, y) != referenceMedian(win, x, y, 9, 9, 0, 255);
  EXPECT_EQ(mismatches, 0);
}

// Shrinking keeps only whole windows, each pixel at its image coordinates; a window of the
// input and its copies keep client coordinates.
TEST(PelMedian, ShrinkToValidKeepsImageCoordinates) {
  vcPelBuffer<unsigned char> win = randomImage(40, 30, 3).window(5, 4, 25, 20);
  win.clientFromImageXform(vcXform<2>(vcVector<2>(1, 2), vcRadian(0), vcRadian(0), 2.0, 2.0));
  const vcPelBuffer<unsigned char> full = vfPelMedian(win, vcPelMedianParams(vcPair<long>(9, 5)));
  const vcPelBuffer<unsigned char> valid =
      vfPelMedian(win, vcPelMedianParams(vcPair<long>(9, 5), vcPair<long>(0, 255), true));
  EXPECT_EQ(full.offset(), win.offset());
  EXPECT_EQ(valid.offset(), win.offset() + vcPair<long>(4, 2));
  EXPECT_EQ(vcPair<long>(valid.width(), valid.height()), vcPair<long>(17, 16));
  EXPECT_TRUE(valid.clientFromImageXform() == win.clientFromImageXform());
  for (long y = 0; y < valid.height(); ++y)
    for (long x = 0; x < valid.width(); ++x) ASSERT_EQ(valid.get(x, y), full.get(x + 4, y + 2));
}

TEST(PelMedian, RefusesBadInput) {
  EXPECT_THROW(vfPelMedian(vcPelBuffer<unsigned char>(), vcPelMedianParams()), vcBadParamsError);
  EXPECT_THROW(vfPelMedian(vcPelBuffer<unsigned char>(8, 8, 32),
                           vcPelMedianParams(vcPair<long>(9, 9), vcPair<long>(0, 255), true)),
               vcBadParamsError);
  EXPECT_THROW(vcPelMedianParams(vcPair<long>(0, 9)), vcBadParamsError);
  EXPECT_THROW(vcPelMedianParams(vcPair<long>(9, 256)), vcBadParamsError);
  EXPECT_THROW(vcPelMedianParams(vcPair<long>(9, 9), vcPair<long>(200, 100)), vcBadParamsError);
  vcPelMedianParams params;
  EXPECT_THROW(params.valueRange(vcPair<long>(-1, 255)), vcBadParamsError);
  EXPECT_EQ(params.valueRange(), vcPair<long>(0, 255));
}
