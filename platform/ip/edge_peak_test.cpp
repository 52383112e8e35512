#include "platform/ip/edge_peak_test.h"

#include <algorithm>
#include <cstdlib>

#include "platform/cpu/loop_hints.h"
#include "platform/ip/edge_avx2.h"

namespace vc_edge_detail {
namespace {

// Columns are tested in blocks whose peaks are listed together; stretches below the threshold,
// most of a smooth image, cost one quick test each.
constexpr long kBlock = 32;

// The portable test of pixels [begin, end): a 0/1 flag per pixel, then the flagged columns
// appended from n on. Returns the new count.
long peaksPortable(const PeakRows& rows, long begin, long end, std::int32_t threshold,
                   std::int32_t* columns, long n, std::uint8_t* scratch) {
  // Local row pointers: the byte flags written below could alias the struct's members.
  const std::int16_t *g = rows.g[2], *g0 = rows.g[0], *g1 = rows.g[1], *g3 = rows.g[3],
                     *g4 = rows.g[4];
  const std::int32_t *q = rows.q[2], *q0 = rows.q[0], *q1 = rows.q[1], *q3 = rows.q[3],
                     *q4 = rows.q[4];
  VC_LOOP_INDEPENDENT
  for (long x = begin; x < end; ++x) {
    // A neighbour competes with its squared magnitude when its gradient points the same way
    // (within 90 degrees), else with 0: it belongs to another edge. The flags never overlap
    // the gradient rows, hence the hint that iterations are independent.
    const std::int32_t m = q[x], ax = g[2 * x], ay = g[2 * x + 1];
    const auto competing = [&](const std::int16_t* ng, const std::int32_t* nq, long at) {
      // A mask rather than a conditional load keeps the loop free of branches.
      return nq[at] & -std::int32_t(ng[2 * at] * ax + ng[2 * at + 1] * ay > 0);
    };
    // Along the row, and along the column; & rather than && keeps the loop free of branches
    // (on ints, which tells the reader, and clang, that skipping nothing is intended).
    const bool rowPeak = int(competing(g, q, x - 1) < m) & int(m >= competing(g, q, x + 1)) &
                         int(competing(g, q, x - 2) < m) & int(m >= competing(g, q, x + 2));
    const bool columnPeak = int(competing(g1, q1, x) < m) & int(m >= competing(g3, q3, x)) &
                            int(competing(g0, q0, x) < m) & int(m >= competing(g4, q4, x));
    const bool alongRow = std::abs(ax) >= std::abs(ay);
    scratch[x] = std::uint8_t((m >= threshold) & ((alongRow & rowPeak) | (!alongRow & columnPeak)));
  }
  // The flagged columns, written unconditionally and counted.
  for (long x = begin; x < end; ++x) {
    columns[n] = std::int32_t(x);
    n += scratch[x];
  }
  return n;
}

#if VC_EDGE_AVX2

VC_EDGE_AVX2_INLINE __m256i load(const void* p) {
  return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}

// A neighbour's squared magnitude where its gradient points the same way as the centre
// gradients c (a positive dot product, one multiply-add of the interleaved pairs), else 0.
VC_EDGE_AVX2_INLINE __m256i competing(const std::int16_t* g, const std::int32_t* q, long at,
                                      __m256i c) {
  const __m256i dot = _mm256_madd_epi16(load(g + 2 * at), c);
  return _mm256_and_si256(load(q + at), _mm256_cmpgt_epi32(dot, _mm256_setzero_si256()));
}

// Where m is a peak: both neighbours before it below m, neither after it above m.
VC_EDGE_AVX2_INLINE __m256i peak(__m256i m, __m256i before1, __m256i after1, __m256i before2,
                                 __m256i after2) {
  const __m256i below =
      _mm256_and_si256(_mm256_cmpgt_epi32(m, before1), _mm256_cmpgt_epi32(m, before2));
  const __m256i above =
      _mm256_or_si256(_mm256_cmpgt_epi32(after1, m), _mm256_cmpgt_epi32(after2, m));
  return _mm256_andnot_si256(above, below);
}

// The same test, eight pixels at a time, over the whole 8-pixel groups of [0, width); appends
// the peaks' columns from n on, and returns where it stopped.
[[gnu::target("avx2")]] long peaksAvx2(const PeakRows& rows, long width, std::int32_t threshold,
                                       std::int32_t* columns, long& n) {
  const std::int16_t *g = rows.g[2], *g0 = rows.g[0], *g1 = rows.g[1], *g3 = rows.g[3],
                     *g4 = rows.g[4];
  const std::int32_t *q = rows.q[2], *q0 = rows.q[0], *q1 = rows.q[1], *q3 = rows.q[3],
                     *q4 = rows.q[4];
  const __m256i weak = _mm256_set1_epi32(threshold - 1);
  const __m256i lowHalf = _mm256_set1_epi32(0xffff);
  const long groups = width / 8 * 8;
  for (long x = 0; x < groups; x += 8) {
    // Skip the group when no pixel reaches the threshold: on some textured images that is
    // most groups of eight.
    const __m256i m = load(q + x);
    const __m256i strong = _mm256_cmpgt_epi32(m, weak);
    if (_mm256_testz_si256(strong, strong)) continue;

    const __m256i c = load(g + 2 * x);
    const __m256i rowPeak = peak(m, competing(g, q, x - 1, c), competing(g, q, x + 1, c),
                                 competing(g, q, x - 2, c), competing(g, q, x + 2, c));
    const __m256i columnPeak = peak(m, competing(g1, q1, x, c), competing(g3, q3, x, c),
                                    competing(g0, q0, x, c), competing(g4, q4, x, c));
    // |gx| in the low half of each lane, |gy| in the high half; steep where |gy| > |gx|.
    const __m256i a = _mm256_abs_epi16(c);
    const __m256i steep =
        _mm256_cmpgt_epi32(_mm256_srli_epi32(a, 16), _mm256_and_si256(a, lowHalf));
    // At most x peaks come before column x, so eight more fit in the row's room.
    const __m256i isPeak = _mm256_and_si256(_mm256_blendv_epi8(rowPeak, columnPeak, steep), strong);
    appendSetBits(unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(isPeak))), x, columns, n);
  }
  return groups;
}

#endif

}  // namespace

long peakColumns(const PeakRows& rows, long width, std::int32_t threshold, std::int32_t* columns,
                 std::uint8_t* scratch) {
  long n = 0, x = 0;
#if VC_EDGE_AVX2
  // The vector test where the processor has AVX2, the portable one for the rest of the row.
  if (vfUseAvx2()) x = peaksAvx2(rows, width, threshold, columns, n);
#endif
  for (; x < width; x += kBlock) {
    const long end = std::min(x + kBlock, width);
    std::int32_t strongest = 0;
    for (long k = x; k < end; ++k) strongest = std::max(strongest, rows.q[2][k]);
    if (strongest >= threshold) n = peaksPortable(rows, x, end, threshold, columns, n, scratch);
  }
  return n;
}

}  // namespace vc_edge_detail
