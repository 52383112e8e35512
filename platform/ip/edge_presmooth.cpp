#include "platform/ip/edge_presmooth.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "platform/cpu/loop_hints.h"
#include "platform/ip/edge_avx2.h"

namespace vc_edge_detail {

namespace {

// The binomial weights of 2 r + 1 taps, summing to 2^(2 r).
template <std::size_t kTaps>
struct Binomial;
template <>
struct Binomial<5> {
  static constexpr std::array<std::uint16_t, 5> w{1, 4, 6, 4, 1};
};
template <>
struct Binomial<9> {
  static constexpr std::array<std::uint16_t, 9> w{1, 8, 28, 56, 70, 56, 28, 8, 1};
};

// The row filter over column sums c (readable from c[-r] to c[width + r], each stored with
// the bits of `flip` flipped) for pixels [from, width) of row.
template <std::size_t kTaps>
[[gnu::always_inline]] inline void rowFilterPortable(const std::uint16_t* c, long from, long width,
                                                     unsigned char* row, std::uint16_t flip) {
  constexpr std::array<std::uint16_t, kTaps> w = Binomial<kTaps>::w;
  constexpr long r = long(kTaps / 2);
  constexpr unsigned shift = 4 * unsigned(r);  // the weights of both passes sum to 2^shift
  VC_LOOP_INDEPENDENT
  for (long x = from; x < width; ++x) {
    const auto at = [&](long m) { return std::uint32_t(c[m] ^ flip); };
    std::uint32_t sum = std::uint32_t(w[std::size_t(r)]) * at(x);
    for (long k = 0; k < r; ++k)
      sum += std::uint32_t(w[std::size_t(k)]) * (at(x - r + k) + at(x + r - k));
    row[x] = static_cast<unsigned char>((sum + (1u << (shift - 1))) >> shift);
  }
}

// The column sums of pixels [from, width): the weighted sum over rows[0..kTaps) of each
// column, at most 255 x 2^(2 r), in 16 bits, stored with the bits of `flip` flipped.
template <std::size_t kTaps>
[[gnu::always_inline]] inline void columnSumsPortable(const unsigned char* const* rows, long from,
                                                      long width, std::uint16_t* c,
                                                      std::uint16_t flip) {
  constexpr std::array<std::uint16_t, kTaps> w = Binomial<kTaps>::w;
  VC_LOOP_INDEPENDENT
  for (long x = from; x < width; ++x) {
    std::uint16_t sum = 0;
    for (long k = 0; k < long(kTaps); ++k)
      sum = std::uint16_t(sum + w[std::size_t(k)] * rows[k][x]);
    c[x] = sum ^ flip;
  }
}

#if VC_EDGE_AVX2
// The AVX2 path multiplies and adds column sums as signed 16-bit values, so it keeps the sums
// that may reach 2^15 (filters wider than 5 taps) lowered by 2^15: their top bit flipped.
template <std::size_t kTaps>
inline constexpr std::uint16_t kAvx2Flip = kTaps > 5 ? 0x8000 : 0;

// Sixteen column sums from c + at on.
VC_EDGE_AVX2_INLINE __m256i sums16(const std::uint16_t* c, long at) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(c + at));
}

// The row filter of the sixteen pixels from x on, rounded, each as a byte: even pixels in the
// low and odd ones in the high byte of a 16-bit value in each 32-bit lane. Each lane
// multiplies and adds pairs of neighbouring column sums (kAvx2Flip); the 2^15 they were
// lowered by, times the weights' sum, is added back with the rounding.
template <std::size_t kTaps>
VC_EDGE_AVX2_INLINE __m256i rowFilter16(const std::uint16_t* c, long x) {
  constexpr std::array<std::uint16_t, kTaps> w = Binomial<kTaps>::w;
  constexpr long r = long(kTaps / 2);
  constexpr unsigned shift = 4 * unsigned(r);
  constexpr std::int32_t lowered = kTaps > 5 ? std::int32_t(32768) << (2 * r) : 0;
  __m256i even = _mm256_set1_epi32(lowered + (std::int32_t(1) << (shift - 1))), odd = even;
  for (long k = 0; k < long(kTaps); k += 2) {
    const std::uint32_t second = k + 1 < long(kTaps) ? w[std::size_t(k + 1)] : 0;
    const __m256i pair = _mm256_set1_epi32(std::int32_t(w[std::size_t(k)] | (second << 16)));
    even = _mm256_add_epi32(even, _mm256_madd_epi16(sums16(c, x + k - r), pair));
    odd = _mm256_add_epi32(odd, _mm256_madd_epi16(sums16(c, x + k - r + 1), pair));
  }
  return _mm256_or_si256(_mm256_srli_epi32(even, shift),
                         _mm256_slli_epi32(_mm256_srli_epi32(odd, shift), 8));
}

// Sixteen pixels from p on, in 16-bit lanes.
VC_EDGE_AVX2_INLINE __m256i pels16(const unsigned char* p) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// The column sums 16 pixels at a time, the symmetric rows added before they are weighted.
template <std::size_t kTaps>
[[gnu::target("avx2")]] void columnSumsAvx2(const unsigned char* const* rows, long width,
                                            std::uint16_t* c) {
  constexpr std::array<std::uint16_t, kTaps> w = Binomial<kTaps>::w;
  constexpr long r = long(kTaps / 2);
  long x = 0;
  for (; x + 16 <= width; x += 16) {
    __m256i sum = _mm256_mullo_epi16(pels16(rows[r] + x), _mm256_set1_epi16(std::int16_t(w[r])));
    for (long k = 0; k < r; ++k) {
      const __m256i pair = _mm256_add_epi16(pels16(rows[k] + x), pels16(rows[kTaps - 1 - k] + x));
      sum = _mm256_add_epi16(sum, _mm256_mullo_epi16(pair, _mm256_set1_epi16(std::int16_t(w[k]))));
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(c + x),
                        _mm256_xor_si256(sum, _mm256_set1_epi16(std::int16_t(kAvx2Flip<kTaps>))));
  }
  columnSumsPortable<kTaps>(rows, x, width, c, kAvx2Flip<kTaps>);
}

template <std::size_t kTaps>
[[gnu::target("avx2")]] void rowFilterAvx2(const std::uint16_t* c, long width, unsigned char* row) {
  long x = 0;
  // The last load of a block reads c[x + 32 + r], at most the zero entry after the border.
  for (; x + 32 <= width; x += 32) {
    const __m256i packed =
        _mm256_packus_epi32(rowFilter16<kTaps>(c, x), rowFilter16<kTaps>(c, x + 16));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x),
                        _mm256_permute4x64_epi64(packed, 0xd8));
  }
  rowFilterPortable<kTaps>(c, x, width, row, kAvx2Flip<kTaps>);
}

#endif

// The separable filter with binomial weights w (2 r + 1 taps summing to 2^(2 r)) in both
// directions, rows [0, h) of out: column sums first, at most 255 x 2^(2 r), which fits the
// 16-bit lanes for r up to 4; with r entries of border repeat on each side, then the row filter
// over them in 32 bits, the symmetric taps added before they are weighted, rounded once. Every
// sum is exact, so any order of the additions gives the same bytes. With kAvx2 (chosen per call
// by vfUseAvx2()) the column sums take 16 pixels at a time and the row filter 32.
// column has width + 2 r + 1 entries, the last one zero.
template <std::size_t kTaps, bool kAvx2>
[[gnu::always_inline]] inline void binomialPass(const vcPelBuffer_const<unsigned char>& image,
                                                vcPelBuffer<unsigned char>& out,
                                                std::uint16_t* column) {
  constexpr long r = long(kTaps / 2);
  const long width = image.width(), h = image.height();
  std::uint16_t* c = column + r;
  const unsigned char* top = image.pointToRow(0);
  unsigned char* outTop = out.pointToRow(0);
  const long stride = image.rowUpdate(), outStride = out.rowUpdate();
  const unsigned char* rows[kTaps];
  for (long y = 0; y < h; ++y) {
    for (long k = 0; k < long(kTaps); ++k)
      rows[k] = top + std::clamp(y - r + k, 0L, h - 1) * stride;
#if VC_EDGE_AVX2
    if constexpr (kAvx2)
      columnSumsAvx2<kTaps>(rows, width, c);
    else
#endif
      columnSumsPortable<kTaps>(rows, 0, width, c, 0);
    for (long k = 1; k <= r; ++k) {
      c[-k] = c[0];
      c[width - 1 + k] = c[width - 1];
    }
    unsigned char* row = outTop + y * outStride;
#if VC_EDGE_AVX2
    if constexpr (kAvx2)
      rowFilterAvx2<kTaps>(c, width, row);
    else
#endif
      rowFilterPortable<kTaps>(c, 0, width, row, 0);
  }
}

#if VC_EDGE_AVX2
[[gnu::target("avx2")]] void binomial5Avx2(const vcPelBuffer_const<unsigned char>& image,
                                           vcPelBuffer<unsigned char>& out, std::uint16_t* column) {
  binomialPass<5, true>(image, out, column);
}
[[gnu::target("avx2")]] void binomial9Avx2(const vcPelBuffer_const<unsigned char>& image,
                                           vcPelBuffer<unsigned char>& out, std::uint16_t* column) {
  binomialPass<9, true>(image, out, column);
}
#endif

template <std::size_t kTaps>
vcPelBuffer<unsigned char> binomial(const vcPelBuffer_const<unsigned char>& image) {
  vcPelBuffer<unsigned char> out(image.width(), image.height(), 32, vcUnsetPels{});
  out.offset(image.offset());
  out.copyXforms(image);
  std::vector<std::uint16_t> column(std::size_t(image.width()) + kTaps);
#if VC_EDGE_AVX2
  if (vfUseAvx2()) {
    if constexpr (kTaps == 5) binomial5Avx2(image, out, column.data());
    if constexpr (kTaps == 9) binomial9Avx2(image, out, column.data());
    return out;
  }
#endif
  binomialPass<kTaps, false>(image, out, column.data());
  return out;
}

}  // namespace

vcPelBuffer<unsigned char> presmooth(const vcPelBuffer_const<unsigned char>& image) {
  return binomial<5>(image);
}

vcPelBuffer<unsigned char> presmoothWide(const vcPelBuffer_const<unsigned char>& image) {
  return binomial<9>(image);
}

}  // namespace vc_edge_detail
