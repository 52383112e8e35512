#pragma once

// The samples the sub-pixel fit (edge_peak_fit.h) takes across each peak of a row: the gradient
// projected on the peak's own direction at 3 steps each way along the peak's axis, the row
// when |gx| >= |gy|, else the column. Each sample is the gradient smoothed (1 2 1) with its two
// neighbours across the axis, that is along the edge: the wider support along the edge
// averages noise (a fifth less error at 5 grey levels) for an inward shift of curved edges of
// about 0.5 / radius pixel.

#include <cstdint>

#include "platform/ip/edge_peak_list.h"

namespace vc_edge_detail {

// The gradients the samples read, interleaved (gx, gy) per pixel like the gradient rows.
// around[1 + k]: the gradient of row y + k (k = -1, 0, 1), readable from pixel -3 to pixel
// width + 4, smoothed down the columns for the peaks along the row as they are sampled;
// rows[3 + k]: row y + k (k = -3 .. 3) smoothed along the row, readable at every peak's
// column, for the peaks along the column.
struct SmoothedGradients {
  const std::int16_t* around[3];
  const std::int16_t* rows[7];
};

// Writes the samples of peaks 0..n-1 to samples: sample k (steps k - 3) of peak j at entry
// k * stride + j. scratch holds 2n entries.
void axisSamples(const SmoothedGradients& smoothed, const PeakList& peaks, long n, float* samples,
                 long stride, std::int32_t* scratch);

}  // namespace vc_edge_detail
