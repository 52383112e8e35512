#include "platform/ip/edge_presmooth.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace vc_edge_detail {

namespace {

// The separable filter with binomial weights w (2 r + 1 taps summing to 2^(2 r)) in both
// directions: column sums first (at most 255 x 2^(2 r), which fits 16 bits for r up to 4),
// with r entries of border repeat on each side, then the row filter over them, rounded once.
template <std::size_t kTaps>
vcPelBuffer<unsigned char> binomial(const vcPelBuffer_const<unsigned char>& image,
                                    const std::array<std::uint32_t, kTaps>& w) {
  constexpr long r = long(kTaps / 2);
  constexpr unsigned shift = 4 * unsigned(r);  // the weights of both passes sum to 2^shift
  const long width = image.width(), h = image.height();
  vcPelBuffer<unsigned char> out(width, h, 32, vcUnsetPels{});
  out.offset(image.offset());
  out.copyXforms(image);
  std::vector<std::uint16_t> column(std::size_t(width + 2 * r));
  std::uint16_t* c = column.data() + r;
  const unsigned char* rows[kTaps];
  for (long y = 0; y < h; ++y) {
    for (long k = 0; k < long(kTaps); ++k)
      rows[k] = image.pointToRow(std::clamp(y - r + k, 0L, h - 1));
    for (long x = 0; x < width; ++x) {
      std::uint32_t sum = 0;
      for (long k = 0; k < long(kTaps); ++k) sum += w[std::size_t(k)] * rows[k][x];
      c[x] = std::uint16_t(sum);
    }
    for (long k = 1; k <= r; ++k) {
      c[-k] = c[0];
      c[width - 1 + k] = c[width - 1];
    }
    unsigned char* row = out.pointToRow(y);
    for (long x = 0; x < width; ++x) {
      std::uint32_t sum = 0;
      for (long k = 0; k < long(kTaps); ++k) sum += w[std::size_t(k)] * c[x - r + k];
      row[x] = static_cast<unsigned char>((sum + (1u << (shift - 1))) >> shift);
    }
  }
  return out;
}

}  // namespace

vcPelBuffer<unsigned char> presmooth(const vcPelBuffer_const<unsigned char>& image) {
  return binomial<5>(image, {1, 4, 6, 4, 1});
}

vcPelBuffer<unsigned char> presmoothWide(const vcPelBuffer_const<unsigned char>& image) {
  return binomial<9>(image, {1, 8, 28, 56, 70, 56, 28, 8, 1});
}

}  // namespace vc_edge_detail
