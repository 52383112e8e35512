#include "platform/ip/edge_blur.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "platform/ip/edge_avx2.h"

namespace vc_edge_detail {

namespace {

// Reach of the step measurement each way from the steepest pixel: the step of a profile of
// sigma 1.8 (a step blurred by 1.5 pixels, after the narrow filter) is 97 % complete there.
constexpr long kReach = 4;
// Rows and columns searched: every fourth.
constexpr long kLineStep = 4;

// The ratio of step to slope at pixel k of a line of pixels p[k * along], with q[k * along]
// and r[k * along] the pixels of the lines on either side (one line across), appended when the
// step there is isolated. k is the steepest pixel of its step (steepest() below). Differences
// are taken over two pixels (twice the slope) and compared in integers.
[[gnu::always_inline]] inline void addRatio(const unsigned char* p, const unsigned char* q,
                                            const unsigned char* r, long along, long k,
                                            std::vector<float>& ratios) {
  const auto at = [&](const unsigned char* line, long m) { return int(line[m * along]); };
  const auto rise = [&](long m) { return std::abs(at(p, m + 1) - at(p, m - 1)); };
  const int d = at(p, k + 1) - at(p, k - 1), size = std::abs(d);
  // Flat again at the reach on both sides (below 0.3 of the slope), and rising the same way
  // across the whole step.
  if (10 * rise(k - kReach) > 3 * size || 10 * rise(k + kReach) > 3 * size) return;
  const int step = at(p, k + kReach) - at(p, k - kReach);
  if ((step > 0) != (d > 0) || step == 0) return;
  // The rise across: the line crosses the edge at angle t, tan t = across / along, and the
  // profile along the line is 1 / cos t wider than across the edge. Lines more than 30
  // degrees off (cos^2 t below 3/4) are left out.
  const int across = at(r, k) - at(q, k);
  if (3 * across * across > d * d) return;
  const double cosine = double(size) / std::hypot(double(d), double(across));
  ratios.push_back(float(2.0 * double(step) / double(d) * cosine));
}

// Calls f(x) for every x in [from, to) with x - from a multiple of `spacing` (1 or 4), in
// increasing order, where the rise |c[x + along] - c[x - along]| reaches `least` (0 to 255) and
// x is the steepest pixel along the line through it (pixels c[x + m along]): its rise larger
// than the one before, at least the one after. These few places are all that is measured.
// Also built for AVX2, 32 places at a time, chosen per call by vfUseAvx2().
template <class F>
[[gnu::always_inline]] inline void steepestPortable(const unsigned char* c, long along, long from,
                                                    long to, long spacing, int least, F&& f) {
  for (long x = from; x < to; x += spacing) {
    const int size = std::abs(int(c[x + along]) - int(c[x - along]));
    if (size >= least && size > std::abs(int(c[x]) - int(c[x - 2 * along])) &&
        size >= std::abs(int(c[x + 2 * along]) - int(c[x])))
      f(x);
  }
}
#if VC_EDGE_AVX2
// |u - v| of 32 bytes.
VC_EDGE_AVX2_INLINE __m256i rise32(const unsigned char* u, const unsigned char* v) {
  const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(u));
  const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(v));
  return _mm256_or_si256(_mm256_subs_epu8(a, b), _mm256_subs_epu8(b, a));
}
template <class F>
[[gnu::target("avx2")]] void steepestAvx2(const unsigned char* c, long along, long from, long to,
                                          long spacing, int least, F&& f) {
  const __m256i floor = _mm256_set1_epi8(char(least));
  const unsigned places = spacing == 1 ? ~0u : 0x11111111u;
  long x = from;
  for (; x + 32 <= to; x += 32) {
    const unsigned char* at = c + x;
    const __m256i size = rise32(at + along, at - along);
    const __m256i before = rise32(at, at - 2 * along), after = rise32(at + 2 * along, at);
    // size >= least and size >= after: the maximum is size; size > before: it is not before.
    const __m256i reaches = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_max_epu8(size, floor), size),
                                             _mm256_cmpeq_epi8(_mm256_max_epu8(size, after), size));
    const __m256i notAbove = _mm256_cmpeq_epi8(_mm256_max_epu8(size, before), before);
    const unsigned bits = unsigned(_mm256_movemask_epi8(_mm256_andnot_si256(notAbove, reaches)));
    for (unsigned b = bits & places; b != 0; b &= b - 1) f(x + std::countr_zero(b));
  }
  steepestPortable(c, along, x, to, spacing, least, f);
}
#endif
template <class F>
void steepest(const unsigned char* c, long along, long from, long to, long spacing, int least,
              F&& f) {
#if VC_EDGE_AVX2
  if (vfUseAvx2()) return steepestAvx2(c, along, from, to, spacing, least, f);
#endif
  steepestPortable(c, along, from, to, spacing, least, f);
}

}  // namespace

double edgeWidth(const vcPelBuffer_const<unsigned char>& image, double minSlope) {
  const long w = image.width(), h = image.height();
  std::vector<float> ratios;
  if (w < 2 * kReach + 3 || h < 2 * kReach + 3) return 0.0;
  const long stride = image.rowUpdate();
  // A rise over two pixels of 256 or more never happens.
  const int least = std::max(0, int(std::ceil(2.0 * minSlope)));
  if (least > 255) return 0.0;
  // Each fourth row from row 1, then each fourth column from column 1, both searched a row at
  // a time; the median does not depend on the order of the ratios.
  for (long y = 1; y + 1 < h; y += kLineStep) {
    const unsigned char *p = image.pointToRow(y), *q = image.pointToRow(y - 1),
                        *r = image.pointToRow(y + 1);
    steepest(p, 1, kReach + 1, w - kReach - 1, 1, least,
             [&](long x) { addRatio(p, q, r, 1, x, ratios); });
  }
  const unsigned char* top = image.pointToRow(0);
  for (long y = kReach + 1; y + kReach + 1 < h; ++y)
    steepest(image.pointToRow(y), stride, 1, w - 1, kLineStep, least,
             [&](long x) { addRatio(top + x, top + x - 1, top + x + 1, stride, y, ratios); });
  if (long(ratios.size()) < kMinEdgeSamples) return 0.0;
  const auto middle = ratios.begin() + std::ptrdiff_t(ratios.size() / 2);
  std::nth_element(ratios.begin(), middle, ratios.end());
  return double(*middle) / std::sqrt(2.0 * std::numbers::pi);
}

}  // namespace vc_edge_detail
