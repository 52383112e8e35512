#include <gtest/gtest.h>

#include "platform/base/exception.h"
#include "platform/ip/true_peak.h"

namespace {

// vfTruePeak on a 12 x 10 ridge: magnitude profile[d] at distance d from a line (0 elsewhere),
// one gradient code everywhere; count receives the number of peaks kept.
template <class Distance>
vcPelBuffer<unsigned char> thinRidge(const int (&profile)[5], unsigned char code, Distance distance,
                                     long threshold, long* count) {
  vcPelBuffer<unsigned char> magnitude(12, 10, 32), angle(12, 10, 32);
  for (long y = 0; y < 10; ++y)
    for (long x = 0; x < 12; ++x) {
      const long d = distance(x, y);
      magnitude.put(x, y, d >= 0 && d < 5 ? static_cast<unsigned char>(profile[d]) : 0);
      angle.put(x, y, code);
    }
  return vfTruePeak(magnitude, angle, threshold, count);
}

}  // namespace

// Vertical, horizontal and diagonal ridges are thinned to their crest across the gradient;
// a two-pixel plateau keeps exactly one pixel; weak crests fall below the threshold.
TEST(TruePeak, KeepsOneCrestPixelAcrossTheEdge) {
  const int peak[5] = {10, 40, 90, 40, 10};
  const int plateau[5] = {10, 60, 60, 10, 0};
  const auto fromColumn3 = [](long x, long) { return x - 3; };
  long count = -1;

  const vcPelBuffer<unsigned char> v = thinRidge(peak, 0, fromColumn3, 20, &count);
  EXPECT_EQ(count, 8);  // column 5, rows 1..8 (border rows are never peaks)
  for (long y = 1; y < 9; ++y) {
    EXPECT_EQ(v.get(5, y), 90);
    EXPECT_EQ(v.get(4, y) + v.get(6, y), 0);
  }
  EXPECT_EQ(v.get(5, 0), 0);
  thinRidge(peak, 0, fromColumn3, 91, &count);
  EXPECT_EQ(count, 0);
  EXPECT_NO_THROW(thinRidge(peak, 0, fromColumn3, 20, nullptr));

  // Gradient across x but codes near +y: the ridge is not a crest along y, so nothing remains.
  thinRidge(peak, 64, fromColumn3, 20, &count);
  EXPECT_EQ(count, 0);

  const vcPelBuffer<unsigned char> h = thinRidge(
      plateau, 192, [](long, long y) { return y - 2; }, 20, &count);
  EXPECT_EQ(count, 10);  // one of the two plateau rows, columns 1..10
  for (long x = 1; x < 11; ++x) EXPECT_EQ((h.get(x, 3) == 60) + (h.get(x, 4) == 60), 1);
  // The kept pixel is the one against the gradient (on the dark side), for either sense.
  EXPECT_EQ(h.get(5, 4), 60);
  EXPECT_EQ(thinRidge(plateau, 64, [](long, long y) { return y - 2; }, 20, nullptr).get(5, 3), 60);

  // Along the diagonal gradient a step changes x + y by 2: draw the profile on even lines only.
  const vcPelBuffer<unsigned char> d = thinRidge(
      peak, 32, [](long x, long y) { return (x + y) % 2 ? -1 : (x + y - 4) / 2; }, 20, &count);
  for (long y = 1; y < 9; ++y)
    for (long x = 1; x < 11; ++x) EXPECT_EQ(d.get(x, y) != 0, x + y == 8) << x << "," << y;
}

TEST(TruePeak, RefusesBadInput) {
  const vcPelBuffer<unsigned char> a(6, 6, 32), b(6, 5, 32);
  EXPECT_THROW(vfTruePeak(a, b, 10, nullptr), vcBadParamsError);
  EXPECT_THROW(vfTruePeak(vcPelBuffer<unsigned char>(), a, 10, nullptr), vcBadParamsError);
  EXPECT_THROW(vfTruePeak(a, a, 256, nullptr), vcBadParamsError);
  EXPECT_THROW(vfTruePeak(a, a, -1, nullptr), vcBadParamsError);
}
