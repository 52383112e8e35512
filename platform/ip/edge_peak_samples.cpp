#include "platform/ip/edge_peak_samples.h"

#include <cstring>

#include "platform/ip/edge_avx2.h"

namespace vc_edge_detail {
namespace {

void samplesPortable(const SmoothedGradients& smoothed, const PeakList& peaks, long n,
                     float* samples, long stride) {
  const std::int16_t *up = smoothed.around[0], *mid = smoothed.around[1],
                     *down = smoothed.around[2];
  for (long j = 0; j < n; ++j) {
    const long x = peaks.x[j];
    const std::int32_t gx = gradientX(peaks.gradient[j]), gy = gradientY(peaks.gradient[j]);
    const float inv = 0.25f / peaks.magnitude[j];
    for (long k = 0; k < 7; ++k) {
      std::int32_t sx, sy;
      if (peaks.alongRow[j]) {
        const long at = 2 * (x + k - 3);
        sx = up[at] + 2 * mid[at] + down[at];
        sy = up[at + 1] + 2 * mid[at + 1] + down[at + 1];
      } else {
        sx = smoothed.rows[k][2 * x];
        sy = smoothed.rows[k][2 * x + 1];
      }
      samples[k * stride + j] = float(sx * gx + sy * gy) * inv;
    }
  }
}

#if VC_EDGE_AVX2

// A gradient pair (gx, gy) as one 32-bit lane.
inline std::int32_t pairAt(const std::int16_t* s) {
  std::int32_t pair;
  std::memcpy(&pair, s, sizeof pair);
  return pair;
}

VC_EDGE_AVX2_INLINE __m256i eightPairs(const std::int16_t* s) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
}

// The eight projections of the gradient pairs onto the gradient of peak j, one multiply-add,
// scaled to the samples; the first seven go to the peak's column of the sample rows (out,
// stride apart), where the fit reads them as whole vectors.
VC_EDGE_AVX2_INLINE void project(__m256i pairs, const PeakList& peaks, long j, float* out,
                                 long stride) {
  const __m256i gradient = _mm256_set1_epi32(peaks.gradient[j]);
  const __m256 dots = _mm256_cvtepi32_ps(_mm256_madd_epi16(pairs, gradient));
  alignas(32) float lanes[8];
  _mm256_store_ps(lanes, _mm256_mul_ps(dots, _mm256_set1_ps(0.25f / peaks.magnitude[j])));
  for (long k = 0; k < 7; ++k) out[k * stride] = lanes[k];
}

// Peaks along the row read eight neighbouring pairs from each of the three rows around them,
// peaks along the column one pair from each of the seven rows smoothed along the row. The two
// kinds go in separate passes, so that the axis costs no unpredictable branch.
[[gnu::target("avx2")]] void samplesAvx2(const SmoothedGradients& smoothed, const PeakList& peaks,
                                         long n, float* samples, long stride,
                                         std::int32_t* scratch) {
  std::int32_t* flat = scratch;
  std::int32_t* steep = scratch + n;
  long numFlat = 0, numSteep = 0;
  long j = 0;
  for (; j + 8 <= n; j += 8) {
    const __m128i along = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(peaks.alongRow + j));
    const unsigned mask =
        unsigned(_mm_movemask_epi8(_mm_cmpgt_epi8(along, _mm_setzero_si128()))) & 0xffu;
    appendSetBits(mask, j, flat, numFlat);
    appendSetBits(~mask & 0xffu, j, steep, numSteep);
  }
  for (; j < n; ++j) {
    flat[numFlat] = steep[numSteep] = std::int32_t(j);
    numFlat += peaks.alongRow[j];
    numSteep += !peaks.alongRow[j];
  }
  for (long i = 0; i < numFlat; ++i) {
    const long j = flat[i];
    // Eight neighbouring pairs of the three rows, smoothed (1 2 1) down the columns.
    const long at = 2 * (peaks.x[j] - 3);
    const __m256i mid = eightPairs(&smoothed.around[1][at]);
    const __m256i pairs = _mm256_add_epi16(
        _mm256_add_epi16(eightPairs(&smoothed.around[0][at]), eightPairs(&smoothed.around[2][at])),
        _mm256_add_epi16(mid, mid));
    project(pairs, peaks, j, &samples[j], stride);
  }
  for (long i = 0; i < numSteep; ++i) {
    const long j = steep[i];
    const long at = 2 * peaks.x[j];
    const __m256i pairs = _mm256_setr_epi32(
        pairAt(&smoothed.rows[0][at]), pairAt(&smoothed.rows[1][at]), pairAt(&smoothed.rows[2][at]),
        pairAt(&smoothed.rows[3][at]), pairAt(&smoothed.rows[4][at]), pairAt(&smoothed.rows[5][at]),
        pairAt(&smoothed.rows[6][at]), 0);
    project(pairs, peaks, j, &samples[j], stride);
  }
}

#endif

}  // namespace

void axisSamples(const SmoothedGradients& smoothed, const PeakList& peaks, long n, float* samples,
                 long stride, std::int32_t* scratch) {
#if VC_EDGE_AVX2
  if (vfUseAvx2())
    return samplesAvx2(smoothed, peaks, n, samples, stride, scratch);
#endif
  samplesPortable(smoothed, peaks, n, samples, stride);
}

}  // namespace vc_edge_detail
