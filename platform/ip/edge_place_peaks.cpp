#include "platform/ip/edge_place_peaks.h"

#include <type_traits>

#include "platform/ip/edge_angle_code.h"
#include "platform/ip/edge_avx2.h"
#include "platform/ip/edge_sobel.h"

namespace vc_edge_detail {
namespace {

// Peaks from..n-1, one at a time.
void placePortable(const PeakList& peaks, const float* offsets, long from, long n,
                   const RowPlace& row, vcEdgelet* edges, float* positions) {
  const AngleCoder& coder = AngleCoder::instance();
  const float cy = float(row.y) + 0.5f;
  for (long j = from; j < n; ++j) {
    const std::int32_t gx = gradientX(peaks.gradient[j]), gy = gradientY(peaks.gradient[j]);
    const float magnitude = peaks.magnitude[j];
    const float nx = float(gx) / magnitude, ny = float(gy) / magnitude;
    // The peak's axis component of the unit gradient, without a branch.
    const float along = float(peaks.alongRow[j]);
    const float axis = along * nx + (1.0f - along) * ny;
    const float across = offsets[j] * axis;
    const long x = row.x0 + peaks.x[j];
    const float cx = float(x) + 0.5f;
    const float px = cx + across * nx, py = cy + across * ny;
    edges[j] = vcEdgelet(std::uint16_t(x), std::uint16_t(row.y),
                         std::uint16_t(scaledMagnitude(magnitude, row.scale, 65535)),
                         vcAngle8(coder.code(gx, gy)), positions ? cx : px, positions ? cy : py);
    if (positions) {
      positions[2 * j] = px;
      positions[2 * j + 1] = py;
    }
  }
}

#if VC_EDGE_AVX2

// Eight peaks at a time with the same arithmetic, step for step, so that both paths give the
// same bits. An edgelet is four 32-bit words: pixel (i, j), x, y, magnitude and code.
static_assert(sizeof(vcEdgelet) == 16 && std::is_trivially_copyable_v<vcEdgelet>);

template <bool kAside>
VC_EDGE_AVX2_INLINE long placeEight(const PeakList& peaks, const float* offsets, long n,
                                    const RowPlace& row, vcEdgelet* edges, float* positions) {
  const AngleCoder& coder = AngleCoder::instance();
  const __m256 half = _mm256_set1_ps(0.5f), one = _mm256_set1_ps(1.0f);
  const __m256 cy = _mm256_set1_ps(float(row.y) + 0.5f);
  const __m256i x0 = _mm256_set1_epi32(std::int32_t(row.x0));
  const __m256i rowBits = _mm256_set1_epi32(std::int32_t(row.y << 16));
  long j = 0;
  for (; j + 8 <= n; j += 8) {
    const __m256i pairs = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(peaks.gradient + j));
    const __m256 gx = _mm256_cvtepi32_ps(gradientX8(pairs));
    const __m256 gy = _mm256_cvtepi32_ps(gradientY8(pairs));
    const __m256 magnitude = _mm256_loadu_ps(peaks.magnitude + j);
    const __m256 nx = _mm256_div_ps(gx, magnitude), ny = _mm256_div_ps(gy, magnitude);
    const __m256 along = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(peaks.alongRow + j))));
    const __m256 axis =
        _mm256_add_ps(_mm256_mul_ps(along, nx), _mm256_mul_ps(_mm256_sub_ps(one, along), ny));
    const __m256 across = _mm256_mul_ps(_mm256_loadu_ps(offsets + j), axis);
    const __m256i x =
        _mm256_add_epi32(x0, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(peaks.x + j)));
    const __m256 cx = _mm256_add_ps(_mm256_cvtepi32_ps(x), half);
    const __m256i scaled = _mm256_cvttps_epi32(
        _mm256_min_ps(_mm256_add_ps(_mm256_mul_ps(magnitude, _mm256_set1_ps(row.scale)), half),
                      _mm256_set1_ps(65535.0f)));

    const __m256 px = _mm256_add_ps(cx, _mm256_mul_ps(across, nx));
    const __m256 py = _mm256_add_ps(cy, _mm256_mul_ps(across, ny));

    // The four words of the eight edgelets, then transposed into eight edgelets.
    const __m256i w0 = _mm256_or_si256(x, rowBits);
    const __m256i w1 = _mm256_castps_si256(kAside ? cx : px);
    const __m256i w2 = _mm256_castps_si256(kAside ? cy : py);
    const __m256i w3 = _mm256_or_si256(scaled, _mm256_slli_epi32(coder.codes8(pairs), 16));
    const __m256i t0 = _mm256_unpacklo_epi32(w0, w1), t1 = _mm256_unpackhi_epi32(w0, w1);
    const __m256i t2 = _mm256_unpacklo_epi32(w2, w3), t3 = _mm256_unpackhi_epi32(w2, w3);
    const __m256i e01 = _mm256_unpacklo_epi64(t0, t2), e23 = _mm256_unpackhi_epi64(t0, t2);
    const __m256i e45 = _mm256_unpacklo_epi64(t1, t3), e67 = _mm256_unpackhi_epi64(t1, t3);
    __m256i* out = reinterpret_cast<__m256i*>(edges + j);
    _mm256_storeu_si256(out, _mm256_permute2x128_si256(e01, e23, 0x20));
    _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(e45, e67, 0x20));
    _mm256_storeu_si256(out + 2, _mm256_permute2x128_si256(e01, e23, 0x31));
    _mm256_storeu_si256(out + 3, _mm256_permute2x128_si256(e45, e67, 0x31));

    // Positions, interleaved (x, y).
    if constexpr (kAside) {
      const __m256 lo = _mm256_unpacklo_ps(px, py), hi = _mm256_unpackhi_ps(px, py);
      _mm256_storeu_ps(positions + 2 * j, _mm256_permute2f128_ps(lo, hi, 0x20));
      _mm256_storeu_ps(positions + 2 * j + 8, _mm256_permute2f128_ps(lo, hi, 0x31));
    }
  }
  return j;
}

[[gnu::target("avx2")]] long placeAvx2(const PeakList& peaks, const float* offsets, long n,
                                       const RowPlace& row, vcEdgelet* edges, float* positions) {
  return positions ? placeEight<true>(peaks, offsets, n, row, edges, positions)
                   : placeEight<false>(peaks, offsets, n, row, edges, positions);
}

#endif

}  // namespace

void placePeaks(const PeakList& peaks, const float* offsets, long n, const RowPlace& row,
                vcEdgelet* edges, float* positions) {
  long from = 0;
#if VC_EDGE_AVX2
  if (vfUseAvx2()) from = placeAvx2(peaks, offsets, n, row, edges, positions);
#endif
  placePortable(peaks, offsets, from, n, row, edges, positions);
}

}  // namespace vc_edge_detail
