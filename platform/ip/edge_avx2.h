#pragma once

// The AVX2 paths of the edge detector's hottest steps: compiled on x86 only, next to a
// portable path, and chosen per call with vfUseAvx2() (platform/cpu/avx2.h shows the form);
// and the helpers they share.

#include "platform/cpu/avx2.h"

#if VC_AVX2
#include <array>
#include <bit>
#include <cstdint>

#define VC_EDGE_AVX2 VC_AVX2
#define VC_EDGE_AVX2_INLINE VC_AVX2_INLINE

namespace vc_edge_detail {

// The gx and gy of eight gradient pairs, each pair a 32-bit lane with gx in the low and gy in
// the high 16 bits, as in the gradient rows.
VC_EDGE_AVX2_INLINE __m256i gradientX8(__m256i pairs) {
  return _mm256_srai_epi32(_mm256_slli_epi32(pairs, 16), 16);
}
VC_EDGE_AVX2_INLINE __m256i gradientY8(__m256i pairs) { return _mm256_srai_epi32(pairs, 16); }

// For each 8-bit mask, the positions of its set bits in increasing order, one per 4 bits from
// the lowest.
inline constexpr std::array<std::uint32_t, 256> kSetBitOrder = [] {
  std::array<std::uint32_t, 256> order{};
  for (unsigned mask = 0; mask < 256; ++mask)
    for (unsigned bit = 0, n = 0; bit < 8; ++bit)
      if (mask & (1u << bit)) order[mask] |= bit << (4 * n++);
  return order;
}();

// Appends first + k for the set bits k of the 8-bit mask at out + n, in increasing order,
// without a branch per bit: eight values are stored, the wanted ones first, and n moves by
// their number. Requires room for n + 8 values at out.
VC_EDGE_AVX2_INLINE void appendSetBits(unsigned mask, long first, std::int32_t* out, long& n) {
  const __m256i order =
      _mm256_and_si256(_mm256_srlv_epi32(_mm256_set1_epi32(std::int32_t(kSetBitOrder[mask])),
                                         _mm256_setr_epi32(0, 4, 8, 12, 16, 20, 24, 28)),
                       _mm256_set1_epi32(15));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + n),
                      _mm256_add_epi32(_mm256_set1_epi32(std::int32_t(first)), order));
  n += std::popcount(mask);
}

}  // namespace vc_edge_detail
#endif
