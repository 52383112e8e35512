#include "platform/ip/edge_hysteresis.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <utility>

#include "platform/ip/edge_list.h"
namespace vc_edge_detail {

namespace {

// Whether two direction codes differ by at most kJoinCodes.
bool pointSameWay(std::uint8_t a, std::uint8_t b) {
  const int d = std::abs(int(a) - int(b));
  return std::min(d, 256 - d) <= kJoinCodes;
}

}  // namespace

void keepConnected(long x0, long y0, long width, long height, std::vector<std::uint8_t>& strong,
                   std::vector<vcEdgelet>& edges, std::vector<float>& positions,
                   long leastSpan) {
  const std::size_t n = edges.size();
  // Images without weaker edgelets need nothing done.
  if (n == 0 || std::memchr(strong.data(), 0, n) == nullptr) return;

  // The strong edgelets and the weaker ones not yet visited, one bit per pixel each, in rows
  // padded by 2 zero bits and 2 zero rows on each side, so that the 5 x 5 window around any
  // pixel is 5 reads of 5 bits without bounds checks. Which edgelet a set bit stands for is in
  // a pixel map written only where the bits are set. One pass without branches writes both.
  const long stride = (width + 4) / 64 + 2;  // words per row, one spare for the unaligned read
  const std::size_t size = std::size_t(stride * (height + 4));
  std::vector<std::uint64_t> bits(2 * size, 0);
  std::uint64_t* const strongBits = bits.data();
  std::uint64_t* const weakBits = bits.data() + size;
  const auto at = [&](long i, long j) {
    return std::pair<std::size_t, long>(std::size_t((j - y0 + 2) * stride), i - x0 + 2);
  };
  const auto pixel = [&](long i, long j) { return std::size_t((j - y0) * width + (i - x0)); };
  std::unique_ptr<std::uint32_t[]> indexAt(new std::uint32_t[std::size_t(width * height)]);
  std::unique_ptr<std::uint32_t[]> weakList(new std::uint32_t[n]);  // the weaker ones, in order
  std::size_t numWeak = 0;
  for (std::size_t k = 0; k < n; ++k) {
    const long i = edges[k].get_i(), j = edges[k].get_j();
    const auto [row, b] = at(i, j);
    const std::size_t isWeak = strong[k] == 0;
    bits[isWeak * size + row + std::size_t(b >> 6)] |= 1ull << (b & 63);
    indexAt[pixel(i, j)] = std::uint32_t(k);
    weakList[numWeak] = std::uint32_t(k);
    numWeak += isWeak;
  }
  const std::span<const std::uint32_t> weak(weakList.get(), numWeak);
  // The 5 bits of a window row of `plane` starting at row offset r, column bit b.
  const auto window = [&](const std::uint64_t* plane, std::size_t r, long b) {
    const std::uint64_t* w = &plane[r + std::size_t(b >> 6)];
    const unsigned s = unsigned(b & 63);
    // Two shifts for the bits of the next word, so that s = 0 needs no branch.
    const std::uint64_t v = (w[0] >> s) | ((w[1] << 1) << (63 - s));
    return unsigned(v & 31);
  };

  // Two edgelets join when they lie within 2 pixels in each direction and point the same way,
  // a symmetric relation. A weaker edgelet is kept when a chain of joined weaker edgelets leads
  // from it to one that joins a strong edgelet: each group of weaker edgelets joined among
  // themselves is kept whole or dropped whole. Weaker edgelets are few, so the groups are
  // grown from them rather than from the strong ones.
  std::vector<std::uint32_t> dropped, group, todo;
  for (const std::uint32_t seed : weak) {
    {
      const auto [row, b] = at(edges[seed].get_i(), edges[seed].get_j());
      std::uint64_t& word = weakBits[row + std::size_t(b >> 6)];
      if (!((word >> (b & 63)) & 1)) continue;  // in a group already
      word &= ~(1ull << (b & 63));
    }
    bool joinsStrong = false;
    // The pixels of the strong edgelets joined, when their span counts.
    long leftmost = LONG_MAX, rightmost = LONG_MIN, top = LONG_MAX, bottom = LONG_MIN;
    group.clear();
    todo.push_back(seed);
    while (!todo.empty()) {
      const std::uint32_t k = todo.back();
      todo.pop_back();
      group.push_back(k);
      const vcEdgelet e = edges[k];
      const long i = e.get_i(), j = e.get_j();
      const auto [centre, b] = at(i, j);  // window rows start 2 rows up, columns at i - 2
      for (long dv = 0; dv < 5; ++dv) {
        const std::size_t r = centre + std::size_t((dv - 2) * stride);
        const long v = j - 2 + dv;
        for (unsigned found = joinsStrong && leastSpan == 0 ? 0 : window(strongBits, r, b - 2);
             found != 0; found &= found - 1) {
          const long u = i - 2 + std::countr_zero(found);
          if (pointSameWay(edges[indexAt[pixel(u, v)]].angle().plain(), e.angle().plain())) {
            joinsStrong = true;
            if (leastSpan == 0) break;
            leftmost = std::min(leftmost, u);
            rightmost = std::max(rightmost, u);
            top = std::min(top, v);
            bottom = std::max(bottom, v);
          }
        }
        for (unsigned found = window(weakBits, r, b - 2); found != 0; found &= found - 1) {
          const long u = i - 2 + std::countr_zero(found);
          const std::uint32_t m = indexAt[pixel(u, v)];
          if (!pointSameWay(edges[std::size_t(m)].angle().plain(), e.angle().plain())) continue;
          todo.push_back(m);
          const long bu = b - 2 + std::countr_zero(found);
          weakBits[r + std::size_t(bu >> 6)] &= ~(1ull << (bu & 63));  // visited
        }
      }
    }
    if (leastSpan > 0 && joinsStrong)
      joinsStrong = std::max(rightmost - leftmost, bottom - top) >= leastSpan;
    if (!joinsStrong) dropped.insert(dropped.end(), group.begin(), group.end());
  }
  if (dropped.empty()) return;

  // Compact, in order: the runs between dropped edgelets move down as blocks.
  std::sort(dropped.begin(), dropped.end());
  const bool aside = !positions.empty();
  std::size_t w = dropped[0];
  for (std::size_t d = 0; d < dropped.size(); ++d) {
    const std::size_t from = dropped[d] + 1, to = d + 1 < dropped.size() ? dropped[d + 1] : n;
    moveDown(edges, positions, from, to, w);
    std::copy(strong.begin() + std::ptrdiff_t(from), strong.begin() + std::ptrdiff_t(to),
              strong.begin() + std::ptrdiff_t(w));
    w += to - from;
  }
  edges.resize(w);
  strong.resize(w);
  if (aside) positions.resize(2 * w);
}

}  // namespace vc_edge_detail
