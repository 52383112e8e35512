#pragma once

// Gradient direction codes from integer gradients, through a small arctangent table instead of
// atan2 per pixel.
//
//   const vc_edge_detail::AngleCoder& coder = vc_edge_detail::AngleCoder::instance();
//   std::uint8_t code = coder.code(gx, gy);   // nearest of 256 codes per turn
//
// The table holds the arctangent of the ratio of the smaller to the larger gradient component,
// quantised to 1/1024, in 1/256ths of a code; symmetries give the other seven octants. The
// ratio quantisation costs at most 0.03 degrees, far below the code step of 1.4 degrees.

#include <cstdint>
#include <cstdlib>

#include "platform/ip/edge_avx2.h"

namespace vc_edge_detail {

// Code b minus code a as a signed turn, -128 to 127 codes of 256 per turn.
inline int signedTurn(int a, int b) { return int(std::int8_t(std::uint8_t(b - a))); }

class AngleCoder {
 public:
  // The shared table, built on first use.
  static const AngleCoder& instance();

  // The code nearest to the direction of (gx, gy): 0 along +x, 64 along +y. 0 for a zero
  // gradient.
  std::uint8_t code(int gx, int gy) const {
    const unsigned ax = unsigned(std::abs(gx));
    const unsigned ay = unsigned(std::abs(gy));
    if (ax == 0 && ay == 0) return 0;
    const bool steep = ay > ax;
    const unsigned lo = steep ? ax : ay;
    const unsigned hi = steep ? ay : ax;
    int t =
        octant_[unsigned(float(lo) * (float(kSteps) / float(hi)) + 0.5f)];  // from the major axis
    if (steep) t = kQuarter - t;  // angle from +x in the first quadrant
    if (gx < 0) t = 2 * kQuarter - t;
    if (gy < 0) t = 4 * kQuarter - t;
    return std::uint8_t((t + 128) >> 8);  // round to the nearest code, modulo 256
  }

#if VC_EDGE_AVX2
  // The codes of eight gradients given as (gx, gy) pairs of 16-bit halves, gx low, in the low
  // byte of each 32-bit lane: the same steps as code(), eight at a time.
  VC_EDGE_AVX2_INLINE __m256i codes8(__m256i pairs) const {
    const __m256i gx = gradientX8(pairs);
    const __m256i gy = gradientY8(pairs);
    const __m256i ax = _mm256_abs_epi32(gx), ay = _mm256_abs_epi32(gy);
    const __m256i steep = _mm256_cmpgt_epi32(ay, ax);
    const __m256i lo = _mm256_min_epi32(ax, ay);
    // A zero gradient divides by 1 instead, which gives code 0 like code().
    const __m256i hi = _mm256_max_epi32(_mm256_max_epi32(ax, ay), _mm256_set1_epi32(1));
    const __m256 ratio =
        _mm256_mul_ps(_mm256_cvtepi32_ps(lo),
                      _mm256_div_ps(_mm256_set1_ps(float(kSteps)), _mm256_cvtepi32_ps(hi)));
    const __m256i step = _mm256_cvttps_epi32(_mm256_add_ps(ratio, _mm256_set1_ps(0.5f)));
    // 32-bit reads of the 16-bit table: the entry and the one after it (the table has a spare).
    __m256i t =
        _mm256_and_si256(_mm256_i32gather_epi32(reinterpret_cast<const int*>(octant_), step, 2),
                         _mm256_set1_epi32(0xffff));
    t = flipFrom(t, kQuarter, steep);
    t = flipFrom(t, 2 * kQuarter, _mm256_cmpgt_epi32(_mm256_setzero_si256(), gx));
    t = flipFrom(t, 4 * kQuarter, _mm256_cmpgt_epi32(_mm256_setzero_si256(), gy));
    return _mm256_and_si256(_mm256_srai_epi32(_mm256_add_epi32(t, _mm256_set1_epi32(128)), 8),
                            _mm256_set1_epi32(255));
  }
#endif

 private:
#if VC_EDGE_AVX2
  // base - v in the lanes where `when` is set.
  VC_EDGE_AVX2_INLINE static __m256i flipFrom(__m256i v, int base, __m256i when) {
    return _mm256_blendv_epi8(v, _mm256_sub_epi32(_mm256_set1_epi32(base), v), when);
  }
#endif

  AngleCoder();

  static constexpr unsigned kSteps = 1024;   // ratio steps in [0, 1]
  static constexpr int kQuarter = 64 * 256;  // a quarter turn in 1/256ths of a code
  // kSteps + 1 entries and a spare, so that the last one can be read as 32 bits.
  std::uint16_t octant_[kSteps + 2] = {};
};

}  // namespace vc_edge_detail
