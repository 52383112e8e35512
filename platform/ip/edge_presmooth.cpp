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

// The separable filter with binomial weights w (2 r + 1 taps summing to 2^(2 r)) in both
// directions, rows [0, h) of out: column sums first, at most 255 x 2^(2 r), which fits the
// 16-bit lanes for r up to 4; with r entries of border repeat on each side, then the row filter
// over them in 32 bits, the symmetric taps added before they are weighted, rounded once. Every
// sum is exact, so any order of the additions gives the same bytes. Also built for AVX2 (twice
// the lanes), chosen per call by vfUseAvx2(). column has width + 2 r entries.
template <std::size_t kTaps>
[[gnu::always_inline]] inline void binomialPass(const vcPelBuffer_const<unsigned char>& image,
                                                vcPelBuffer<unsigned char>& out,
                                                std::uint16_t* column) {
  constexpr std::array<std::uint16_t, kTaps> w = Binomial<kTaps>::w;
  constexpr long r = long(kTaps / 2);
  constexpr unsigned shift = 4 * unsigned(r);  // the weights of both passes sum to 2^shift
  const long width = image.width(), h = image.height();
  std::uint16_t* c = column + r;
  const unsigned char* rows[kTaps];
  for (long y = 0; y < h; ++y) {
    for (long k = 0; k < long(kTaps); ++k)
      rows[k] = image.pointToRow(std::clamp(y - r + k, 0L, h - 1));
    VC_LOOP_INDEPENDENT
    for (long x = 0; x < width; ++x) {
      std::uint16_t sum = 0;
      for (long k = 0; k < long(kTaps); ++k)
        sum = std::uint16_t(sum + w[std::size_t(k)] * rows[k][x]);
      c[x] = sum;
    }
    for (long k = 1; k <= r; ++k) {
      c[-k] = c[0];
      c[width - 1 + k] = c[width - 1];
    }
    unsigned char* row = out.pointToRow(y);
    VC_LOOP_INDEPENDENT
    for (long x = 0; x < width; ++x) {
      std::uint32_t sum = std::uint32_t(w[std::size_t(r)]) * c[x];
      for (long k = 0; k < r; ++k)
        sum += std::uint32_t(w[std::size_t(k)]) * (std::uint32_t(c[x - r + k]) + c[x + r - k]);
      row[x] = static_cast<unsigned char>((sum + (1u << (shift - 1))) >> shift);
    }
  }
}

#if VC_EDGE_AVX2
[[gnu::target("avx2")]] void binomial5Avx2(const vcPelBuffer_const<unsigned char>& image,
                                           vcPelBuffer<unsigned char>& out, std::uint16_t* column) {
  binomialPass<5>(image, out, column);
}
[[gnu::target("avx2")]] void binomial9Avx2(const vcPelBuffer_const<unsigned char>& image,
                                           vcPelBuffer<unsigned char>& out, std::uint16_t* column) {
  binomialPass<9>(image, out, column);
}
#endif

template <std::size_t kTaps>
vcPelBuffer<unsigned char> binomial(const vcPelBuffer_const<unsigned char>& image) {
  vcPelBuffer<unsigned char> out(image.width(), image.height(), 32, vcUnsetPels{});
  out.offset(image.offset());
  out.copyXforms(image);
  std::vector<std::uint16_t> column(std::size_t(image.width()) + kTaps - 1);
#if VC_EDGE_AVX2
  if (vfUseAvx2()) {
    if constexpr (kTaps == 5) binomial5Avx2(image, out, column.data());
    if constexpr (kTaps == 9) binomial9Avx2(image, out, column.data());
    return out;
  }
#endif
  binomialPass<kTaps>(image, out, column.data());
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
