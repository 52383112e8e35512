#include "platform/ip/edge_settle.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <utility>

#include "platform/ip/edge_avx2.h"
#include "platform/ip/edge_list.h"

namespace vc_edge_detail {

namespace {

// How far from its pixel's centre a position must lie to move the edgelet: 0.02 pixel
// beyond the pixel's border.
constexpr double kBeyond = 0.52;

#if VC_EDGE_AVX2
// Bits (edgelet 0 lowest) of the eight edgelets at e whose positions, at e or as x, y pairs at
// positions, lie at least half a pixel from their pixel centres along x or y. The offsets are
// taken in single precision, which is exact or within 0.004 pixel, so every position beyond
// kBeyond of its centre is among them.
[[gnu::target("avx2")]] unsigned farFromCentre8(const vcEdgelet* e, const float* positions) {
  static_assert(sizeof(vcEdgelet) == 16, "an edgelet is four 32-bit words: ij, x, y, rest");
  // Two edgelets per register, then the words of edgelets 0, 2, 4, 6 | 1, 3, 5, 7 gathered.
  const __m256i* words = reinterpret_cast<const __m256i*>(e);
  const __m256i r0 = _mm256_loadu_si256(words), r1 = _mm256_loadu_si256(words + 1),
                r2 = _mm256_loadu_si256(words + 2), r3 = _mm256_loadu_si256(words + 3);
  const __m256i t0 = _mm256_unpacklo_epi32(r0, r1), t1 = _mm256_unpacklo_epi32(r2, r3);
  const __m256i pixels = _mm256_unpacklo_epi64(t0, t1);
  __m256 x, y;
  if (positions) {
    const __m256 p0 = _mm256_loadu_ps(positions), p1 = _mm256_loadu_ps(positions + 8);
    const __m256i xs = _mm256_setr_epi32(0, 4, 0, 0, 2, 6, 0, 0),
                  ys = _mm256_setr_epi32(1, 5, 0, 0, 3, 7, 0, 0);
    x = _mm256_castpd_ps(_mm256_unpacklo_pd(
        _mm256_castps_pd(_mm256_permutevar8x32_ps(p0, xs)),
        _mm256_castps_pd(_mm256_permutevar8x32_ps(p1, xs))));
    y = _mm256_castpd_ps(_mm256_unpacklo_pd(
        _mm256_castps_pd(_mm256_permutevar8x32_ps(p0, ys)),
        _mm256_castps_pd(_mm256_permutevar8x32_ps(p1, ys))));
  } else {
    const __m256i t2 = _mm256_unpackhi_epi32(r0, r1), t3 = _mm256_unpackhi_epi32(r2, r3);
    x = _mm256_castsi256_ps(_mm256_unpackhi_epi64(t0, t1));
    y = _mm256_castsi256_ps(_mm256_unpacklo_epi64(t2, t3));
  }
  const __m256 half = _mm256_set1_ps(0.5f), sign = _mm256_set1_ps(-0.0f);
  const __m256i low16 = _mm256_set1_epi32(0xffff);
  const __m256 ci = _mm256_add_ps(_mm256_cvtepi32_ps(_mm256_and_si256(pixels, low16)), half);
  const __m256 cj = _mm256_add_ps(_mm256_cvtepi32_ps(_mm256_srli_epi32(pixels, 16)), half);
  const __m256 far =
      _mm256_or_ps(_mm256_cmp_ps(_mm256_andnot_ps(sign, _mm256_sub_ps(x, ci)), half, _CMP_GE_OQ),
                   _mm256_cmp_ps(_mm256_andnot_ps(sign, _mm256_sub_ps(y, cj)), half, _CMP_GE_OQ));
  // Lanes hold edgelets 0, 2, 4, 6 then 1, 3, 5, 7: back into edgelet order.
  const __m256i inOrder = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  return unsigned(_mm256_movemask_ps(_mm256_permutevar8x32_ps(far, inOrder)));
}
#endif

}  // namespace

void settleInPixels(long x0, long y0, long width, long height, std::vector<vcEdgelet>& edges,
                    std::vector<float>& positions) {
  const bool aside = !positions.empty();

  // Which pixels hold an edgelet, one bit each.
  std::vector<std::uint64_t> held(std::size_t((width * height + 63) / 64), 0);
  const auto bit = [&](long i, long j) { return std::size_t((j - y0) * width + (i - x0)); };
  for (const vcEdgelet& e : edges) {
    const std::size_t b = bit(e.get_i(), e.get_j());
    held[b >> 6] |= 1ull << (b & 63);
  }

  const std::size_t n = edges.size();
  std::vector<std::size_t> moved;  // edgelets that changed rows, in order
  // How far a position lies beyond its pixel's centre, as a step of -1, 0 or 1. A position on
  // the border between two pixels, as of an edge along a pixel boundary, stays where the peak
  // search put it.
  const auto step = [](double offset) { return long(offset > kBeyond) - long(offset < -kBeyond); };
  // Edgelet k, whose position is (x(k), y(k)), to the pixel holding it where that is a free
  // neighbour inside the image.
  const auto settleOne = [&](std::size_t k, auto x, auto y) {
    const long i = edges[k].get_i(), j = edges[k].get_j();
    const long ti = i + step(x(k) - (double(i) + 0.5)), tj = j + step(y(k) - (double(j) + 0.5));
    if (ti == i && tj == j) [[likely]]
      return;
    if (ti < x0 || ti >= x0 + width || tj < y0 || tj >= y0 + height) return;
    const std::size_t to = bit(ti, tj), from = bit(i, j);
    if ((held[to >> 6] >> (to & 63)) & 1) return;
    held[to >> 6] |= 1ull << (to & 63);
    held[from >> 6] &= ~(1ull << (from & 63));
    const vcEdgelet& e = edges[k];
    // While positions are held aside, an edgelet sits at its pixel's centre.
    const float ex = aside ? float(ti) + 0.5f : e.posQuickX();
    const float ey = aside ? float(tj) + 0.5f : e.posQuickY();
    edges[k] = vcEdgelet(std::uint16_t(ti), std::uint16_t(tj), e.magnitude(), e.angle(), ex, ey);
    if (tj != j) moved.push_back(k);
  };
  // The pass, built once for each place of the positions so that the loop reads them directly.
  // With AVX2, eight edgelets at a time are first told apart by whether their positions lie
  // half a pixel or more from their pixel centres; only those are settled one by one. Each
  // step changes only its own edgelet, so the test of the eight may come first.
  const auto settle = [&](auto x, auto y) {
    std::size_t k = 0;
#if VC_EDGE_AVX2
    if (vfUseAvx2())
      for (; k + 8 <= n; k += 8)
        for (unsigned far = farFromCentre8(&edges[k], aside ? &positions[2 * k] : nullptr);
             far != 0; far &= far - 1)
          settleOne(k + std::size_t(std::countr_zero(far)), x, y);
#endif
    for (; k < n; ++k) settleOne(k, x, y);
  };
  if (aside)
    settle([&](std::size_t k) { return positions[2 * k]; },
           [&](std::size_t k) { return positions[2 * k + 1]; });
  else
    settle([&](std::size_t k) { return edges[k].posQuickX(); },
           [&](std::size_t k) { return edges[k].posQuickY(); });
  // A move along a row keeps the order: the pixel moved into was free, so no edgelet of the
  // row lies between the old and the new column. So the edgelets that stayed in their rows are
  // still in raster order, and those that changed rows, few, are taken out, sorted and merged
  // back in; no two share a pixel, so the raster order is one order.
  if (moved.empty()) return;
  struct Arrival {
    vcEdgelet edgelet;
    float x, y;
  };
  // Sorted as integers: the pixel's raster key, then the place in moved.
  std::vector<std::pair<std::uint32_t, std::size_t>> order(moved.size());
  for (std::size_t m = 0; m < moved.size(); ++m) {
    const vcEdgelet& e = edges[moved[m]];
    order[m] = {(std::uint32_t(e.get_j()) << 16) | std::uint32_t(e.get_i()), m};
  }
  std::sort(order.begin(), order.end());
  std::vector<Arrival> arrivals;
  arrivals.reserve(moved.size());
  for (const auto& [key, m] : order) {
    const std::size_t k = moved[m];
    arrivals.push_back({edges[k], aside ? positions[2 * k] : 0.0f,
                        aside ? positions[2 * k + 1] : 0.0f});
  }
  const auto before = [](const vcEdgelet& a, const vcEdgelet& b) {
    return a.get_j() != b.get_j() ? a.get_j() < b.get_j() : a.get_i() < b.get_i();
  };

  // Out: the runs between moved edgelets move down as blocks.
  std::size_t kept = moved[0];
  for (std::size_t m = 0; m < moved.size(); ++m) {
    const std::size_t from = moved[m] + 1, to = m + 1 < moved.size() ? moved[m + 1] : n;
    moveDown(edges, positions, from, to, kept);
    kept += to - from;
  }
  // In, from the back, so nothing is copied twice: each arrival's place among the edgelets
  // that stayed is found by a search back from the previous arrival's place, in steps that
  // double, then halve (arrivals are spread over the image, so their places are close), and
  // the edgelets after it move up as one block.
  std::size_t end = kept;
  for (std::size_t a = arrivals.size(); a-- > 0;) {
    const Arrival& arrival = arrivals[a];
    std::size_t at = end;  // every edgelet in [at, end) comes after the arrival
    for (std::size_t span = 1; at > 0; span *= 2) {
      const std::size_t probe = at > span ? at - span : 0;
      if (!before(arrival.edgelet, edges[probe])) {
        at = std::size_t(std::upper_bound(edges.begin() + std::ptrdiff_t(probe + 1),
                                          edges.begin() + std::ptrdiff_t(at), arrival.edgelet,
                                          before) -
                         edges.begin());
        break;
      }
      at = probe;
    }
    // Edgelets at..end-1 move up by a + 1 places, the arrival goes just below them.
    insertBelow(edges, positions, at, end, a + 1, arrival.edgelet, arrival.x, arrival.y);
    end = at;
  }
}

}  // namespace vc_edge_detail
