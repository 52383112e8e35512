#include "platform/ip/edge_hysteresis.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <memory>
#include <utility>

namespace vc_edge_detail {

void keepConnected(long x0, long y0, long width, long height, std::vector<std::uint8_t>& strong,
                   std::vector<vcEdgelet>& edges, std::vector<float>& positions) {
  const std::size_t n = edges.size();
  std::size_t weak = 0;
  for (std::size_t k = 0; k < n; ++k) weak += !strong[k];
  if (weak == 0) return;

  // The weaker edgelets not yet taken, one bit per pixel in rows padded by 2 zero bits and 2
  // zero rows on each side, so that the 5 x 5 window around any pixel is 5 reads of 5 bits
  // without bounds checks.
  // Which edgelet a set bit stands for is in a pixel map written only where the bits are set.
  const long stride = (width + 4) / 64 + 2;  // words per row, one spare for the unaligned read
  std::vector<std::uint64_t> bits(std::size_t(stride * (height + 4)), 0);
  const auto at = [&](long i, long j) {
    return std::pair<std::size_t, long>(std::size_t((j - y0 + 2) * stride), i - x0 + 2);
  };
  std::unique_ptr<std::int32_t[]> weakAt(new std::int32_t[std::size_t(width * height)]);
  for (std::size_t k = 0; k < n; ++k) {
    if (strong[k]) continue;
    const long i = edges[k].get_i(), j = edges[k].get_j();
    const auto [row, b] = at(i, j);
    bits[row + std::size_t(b >> 6)] |= 1ull << (b & 63);
    weakAt[std::size_t((j - y0) * width + (i - x0))] = std::int32_t(k);
  }
  // The 5 bits of the window's row starting at row offset r, column bit b.
  const auto window = [&](std::size_t r, long b) {
    const std::uint64_t* w = &bits[r + std::size_t(b >> 6)];
    const unsigned s = unsigned(b & 63);
    const std::uint64_t v = s == 0 ? w[0] : (w[0] >> s) | (w[1] << (64 - s));
    return unsigned(v & 31);
  };

  // The pixels with a weaker edgelet in their 5 x 5 window, one bit each as above: the bits
  // spread 2 columns and 2 rows each way. Most kept edgelets have none there and cost one test.
  std::vector<std::uint64_t> near(bits.size(), 0);
  for (long r = 2; r < height + 2; ++r)
    for (long k = 0; k < stride; ++k) {
      const std::size_t to = std::size_t(r * stride + k);
      std::uint64_t any = 0;
      for (long dr = -2; dr <= 2; ++dr) {
        const std::size_t from = std::size_t((r + dr) * stride + k);
        const std::uint64_t left = k > 0 ? bits[from - 1] : 0,
                            right = k + 1 < stride ? bits[from + 1] : 0;
        any |= bits[from] | (bits[from] << 1) | (bits[from] << 2) | (bits[from] >> 1) |
               (bits[from] >> 2) | (left >> 63) | (left >> 62) | (right << 63) | (right << 62);
      }
      near[to] = any;
    }

  // Grow from every strong edgelet over weaker ones within 2 pixels that point the same way.
  // What is kept is each strong edgelet's connected group under that symmetric relation, so the
  // order of the search does not matter.
  std::vector<std::uint8_t> kept(strong);
  std::vector<std::size_t> todo;
  for (std::size_t first = 0; first < n && weak > 0; ++first) {
    if (!strong[first]) continue;
    {
      const auto [row, b] = at(edges[first].get_i(), edges[first].get_j());
      if (!((near[row + std::size_t(b >> 6)] >> (b & 63)) & 1)) continue;
    }
    todo.push_back(first);
    while (!todo.empty()) {
      const vcEdgelet e = edges[todo.back()];
      todo.pop_back();
      const long i = e.get_i(), j = e.get_j();
      const auto [centre, b] = at(i, j);  // window rows start 2 rows up, columns at i - 2
      for (long dv = 0; dv < 5; ++dv) {
        const std::size_t r = centre + std::size_t((dv - 2) * stride);
        for (unsigned found = window(r, b - 2); found != 0; found &= found - 1) {
          const long u = i - 2 + std::countr_zero(found), v = j - 2 + dv;
          const std::int32_t m = weakAt[std::size_t((v - y0) * width + (u - x0))];
          const int d =
              std::abs(int(edges[std::size_t(m)].angle().plain()) - int(e.angle().plain()));
          if (std::min(d, 256 - d) > kJoinCodes) continue;
          kept[std::size_t(m)] = 1;
          todo.push_back(std::size_t(m));
          const long bu = b - 2 + std::countr_zero(found);
          bits[r + std::size_t(bu >> 6)] &= ~(1ull << (bu & 63));  // taken
          --weak;
        }
      }
    }
  }

  // Compact, in order.
  std::size_t w = 0;
  const bool aside = !positions.empty();
  for (std::size_t k = 0; k < n; ++k) {
    if (!kept[k]) continue;
    edges[w] = edges[k];
    strong[w] = strong[k];
    if (aside) {
      positions[2 * w] = positions[2 * k];
      positions[2 * w + 1] = positions[2 * k + 1];
    }
    ++w;
  }
  edges.resize(w);
  strong.resize(w);
  if (aside) positions.resize(2 * w);
}

}  // namespace vc_edge_detail
