#include "platform/ip/edge_peak_test.h"

#include <algorithm>
#include <cstdlib>

namespace vc_edge_detail {

// The hottest loop of edge detection on textured images: also built for AVX2 (twice the
// lanes and a native 32-bit multiply), chosen when the program loads if the processor has it.
[[gnu::target_clones("avx2", "default")]] long peakColumns(const PeakRows& rows, long width,
                                                           std::int32_t threshold,
                                                           std::int32_t* columns,
                                                           std::uint8_t* scratch) {
  // Local row pointers: the byte flags written below could alias the struct's members.
  const std::int16_t *gx = rows.gx[2], *gy = rows.gy[2];
  const std::int32_t* q = rows.q[2];
  const std::int16_t *gx0 = rows.gx[0], *gy0 = rows.gy[0], *gx1 = rows.gx[1], *gy1 = rows.gy[1];
  const std::int16_t *gx3 = rows.gx[3], *gy3 = rows.gy[3], *gx4 = rows.gx[4], *gy4 = rows.gy[4];
  const std::int32_t *q0 = rows.q[0], *q1 = rows.q[1], *q3 = rows.q[3], *q4 = rows.q[4];

  // Blocks of the row, so that stretches below the threshold, most of a smooth image, cost
  // one quick test each.
  constexpr long kBlock = 32;
  long n = 0;
  for (long begin = 0; begin < width; begin += kBlock) {
    const long end = std::min(begin + kBlock, width);
    std::int32_t strongest = 0;
    for (long x = begin; x < end; ++x) strongest = std::max(strongest, q[x]);
    if (strongest < threshold) continue;

#pragma GCC ivdep
    for (long x = begin; x < end; ++x) {
      // A 0/1 flag per pixel; the flags never overlap the gradient rows, hence ivdep.
      // A neighbour competes with its squared magnitude when its gradient points the same way
      // (within 90 degrees), else with 0: it belongs to another edge.
      const std::int32_t m = q[x], ax = gx[x], ay = gy[x];
      const auto competing = [&](const std::int16_t* nx, const std::int16_t* ny,
                                 const std::int32_t* nq, long at) {
        // A mask rather than a conditional load keeps the loop free of branches.
        return nq[at] & -std::int32_t(nx[at] * ax + ny[at] * ay > 0);
      };
      // Along the row, and along the column; & rather than && keeps the loop free of branches.
      const bool rowPeak = (competing(gx, gy, q, x - 1) < m) & (m >= competing(gx, gy, q, x + 1)) &
                           (competing(gx, gy, q, x - 2) < m) & (m >= competing(gx, gy, q, x + 2));
      const bool columnPeak = (competing(gx1, gy1, q1, x) < m) & (m >= competing(gx3, gy3, q3, x)) &
                              (competing(gx0, gy0, q0, x) < m) & (m >= competing(gx4, gy4, q4, x));
      const bool alongRow = std::abs(ax) >= std::abs(ay);
      scratch[x] =
          std::uint8_t((m >= threshold) & ((alongRow & rowPeak) | (!alongRow & columnPeak)));
    }

    // The flagged columns, written unconditionally and counted.
    for (long x = begin; x < end; ++x) {
      columns[n] = std::int32_t(x);
      n += scratch[x];
    }
  }
  return n;
}

}  // namespace vc_edge_detail
