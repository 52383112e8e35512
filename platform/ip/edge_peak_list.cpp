#include "platform/ip/edge_peak_list.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/ip/edge_avx2.h"

namespace vc_edge_detail {
namespace {

// Peaks from..n-1, one at a time.
bool describePortable(const std::int16_t* g, const std::int32_t* q, long from, long n,
                      PeakList& peaks) {
  bool steep = false;
  for (long j = from; j < n; ++j) {
    const long x = peaks.x[j];
    std::memcpy(&peaks.gradient[j], &g[2 * x], sizeof(std::int32_t));
    const bool alongRow = std::abs(g[2 * x]) >= std::abs(g[2 * x + 1]);
    peaks.magnitude[j] = std::sqrt(float(q[x]));
    peaks.alongRow[j] = alongRow;
    steep |= !alongRow;
  }
  return steep;
}

#if VC_EDGE_AVX2

// Eight peaks at a time, gathered by column; the square root is exact in both paths.
[[gnu::target("avx2")]] long describeAvx2(const std::int16_t* g, const std::int32_t* q, long n,
                                          PeakList& peaks, bool& steep) {
  __m256i anySteep = _mm256_setzero_si256();
  long j = 0;
  for (; j + 8 <= n; j += 8) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(peaks.x + j));
    const __m256i pairs = _mm256_i32gather_epi32(reinterpret_cast<const int*>(g), x, 4);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(peaks.gradient + j), pairs);
    const __m256 squared = _mm256_cvtepi32_ps(_mm256_i32gather_epi32(q, x, 4));
    _mm256_storeu_ps(peaks.magnitude + j, _mm256_sqrt_ps(squared));
    const __m256i ax = _mm256_abs_epi32(gradientX8(pairs));
    const __m256i ay = _mm256_abs_epi32(gradientY8(pairs));
    const __m256i isSteep = _mm256_cmpgt_epi32(ay, ax);
    anySteep = _mm256_or_si256(anySteep, isSteep);
    // 1 where along the row, as eight bytes in order.
    const __m256i along = _mm256_add_epi32(isSteep, _mm256_set1_epi32(1));
    const __m128i words =
        _mm_packs_epi32(_mm256_castsi256_si128(along), _mm256_extracti128_si256(along, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(peaks.alongRow + j),
                     _mm_packus_epi16(words, words));
  }
  steep = !_mm256_testz_si256(anySteep, anySteep);
  return j;
}

#endif

}  // namespace

bool describePeaks(const std::int16_t* g, const std::int32_t* q, long n, PeakList& peaks) {
  long from = 0;
  bool steep = false;
#if VC_EDGE_AVX2
  if (vfUseAvx2()) from = describeAvx2(g, q, n, peaks, steep);
#endif
  return describePortable(g, q, from, n, peaks) || steep;
}

}  // namespace vc_edge_detail
