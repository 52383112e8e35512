#include "platform/ip/edge_presmooth.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vc_edge_detail {

vcPelBuffer<unsigned char> presmooth(const vcPelBuffer_const<unsigned char>& image) {
  const long w = image.width(), h = image.height();
  vcPelBuffer<unsigned char> out(w, h, 32, vcUnsetPels{});
  out.offset(image.offset());
  out.copyXforms(image);
  // Column sums of five rows (16 times the column-smoothed value, at most 4080), two entries
  // of border repeat on each side, then the row filter over them: 256 times the smoothed
  // value, rounded.
  std::vector<std::uint16_t> column(std::size_t(w + 4));
  std::uint16_t* c = column.data() + 2;
  for (long y = 0; y < h; ++y) {
    const unsigned char* r[5];
    for (long k = 0; k < 5; ++k) r[k] = image.pointToRow(std::clamp(y - 2 + k, 0L, h - 1));
    for (long x = 0; x < w; ++x)
      c[x] = std::uint16_t(r[0][x] + 4 * (r[1][x] + r[3][x]) + 6 * r[2][x] + r[4][x]);
    c[-2] = c[-1] = c[0];
    c[w] = c[w + 1] = c[w - 1];
    unsigned char* row = out.pointToRow(y);
    for (long x = 0; x < w; ++x) {
      const std::uint32_t sum =
          std::uint32_t(c[x - 2] + c[x + 2]) + 4u * (c[x - 1] + c[x + 1]) + 6u * c[x];
      row[x] = static_cast<unsigned char>((sum + 128u) >> 8);
    }
  }
  return out;
}

}  // namespace vc_edge_detail
