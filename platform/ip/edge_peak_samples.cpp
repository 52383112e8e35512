#include "platform/ip/edge_peak_samples.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VC_PEAK_SAMPLES_AVX2 1
#endif

namespace vc_edge_detail {
namespace {

// The samples of one peak from the seven smoothed gradients s[0..6] at its steps.
inline void samplesOf(const RowPeak& peak, const std::int16_t* const (&s)[7], float* out) {
  const float inv = 0.25f / peak.magnitude;
  for (int k = 0; k < 7; ++k) out[k] = float(s[k][0] * peak.gx + s[k][1] * peak.gy) * inv;
}

void samplesPortable(const SmoothedGradients& smoothed, const RowPeak* peaks, long n,
                     float* samples) {
  for (long j = 0; j < n; ++j) {
    const RowPeak& peak = peaks[j];
    const std::int16_t* s[7];
    for (int k = 0; k < 7; ++k)
      s[k] = peak.alongRow ? &smoothed.column[2 * (peak.x + k - 3)] : &smoothed.rows[k][2 * peak.x];
    samplesOf(peak, s, &samples[8 * j]);
  }
}

#if VC_PEAK_SAMPLES_AVX2

#define VC_AVX2 [[gnu::target("avx2"), gnu::always_inline]] inline

// A gradient pair (gx, gy) as one 32-bit lane.
inline std::int32_t pairAt(const std::int16_t* s) {
  std::int32_t pair;
  std::memcpy(&pair, s, sizeof pair);
  return pair;
}

// The eight projections of the gradient pairs onto the peak's gradient, one multiply-add, scaled
// to the samples.
VC_AVX2 void project(__m256i pairs, const RowPeak& peak, float* out) {
  const __m256i gradient = _mm256_set1_epi32(
      std::int32_t(std::uint32_t(peak.gy) << 16 | (std::uint32_t(peak.gx) & 0xffffu)));
  const __m256 dots = _mm256_cvtepi32_ps(_mm256_madd_epi16(pairs, gradient));
  _mm256_storeu_ps(out, _mm256_mul_ps(dots, _mm256_set1_ps(0.25f / peak.magnitude)));
}

// Peaks along the row read eight neighbouring pairs of the column-smoothed row in one load,
// peaks along the column one pair from each of the seven rows. The two kinds go in separate
// passes, so that the axis costs no unpredictable branch.
[[gnu::target("avx2")]] void samplesAvx2(const SmoothedGradients& smoothed, const RowPeak* peaks,
                                         long n, float* samples, std::int32_t* scratch) {
  std::int32_t* flat = scratch;
  std::int32_t* steep = scratch + n;
  long numFlat = 0, numSteep = 0;
  for (long j = 0; j < n; ++j) {
    flat[numFlat] = steep[numSteep] = std::int32_t(j);
    numFlat += peaks[j].alongRow;
    numSteep += !peaks[j].alongRow;
  }
  for (long i = 0; i < numFlat; ++i) {
    const RowPeak& peak = peaks[flat[i]];
    const __m256i pairs =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&smoothed.column[2 * (peak.x - 3)]));
    project(pairs, peak, &samples[8 * flat[i]]);
  }
  for (long i = 0; i < numSteep; ++i) {
    const RowPeak& peak = peaks[steep[i]];
    const long at = 2 * peak.x;
    const __m256i pairs = _mm256_setr_epi32(
        pairAt(&smoothed.rows[0][at]), pairAt(&smoothed.rows[1][at]), pairAt(&smoothed.rows[2][at]),
        pairAt(&smoothed.rows[3][at]), pairAt(&smoothed.rows[4][at]), pairAt(&smoothed.rows[5][at]),
        pairAt(&smoothed.rows[6][at]), 0);
    project(pairs, peak, &samples[8 * steep[i]]);
  }
}

#undef VC_AVX2

#endif

}  // namespace

void axisSamples(const SmoothedGradients& smoothed, const RowPeak* peaks, long n, float* samples,
                 std::int32_t* scratch) {
#if VC_PEAK_SAMPLES_AVX2
  if (__builtin_cpu_supports("avx2")) return samplesAvx2(smoothed, peaks, n, samples, scratch);
#endif
  samplesPortable(smoothed, peaks, n, samples);
}

}  // namespace vc_edge_detail
