#pragma once

// The peaks of one image row as the edge detector's per-row steps share them, one array per
// field, so that those steps load many peaks as whole vectors:
//
//   PeakList peaks = {columns, gradients, magnitudes, axes};   // arrays of the row's width
//   long n = peakColumns(rows, width, threshold, peaks.x, flags);
//   bool steep = describePeaks(gradientRow, squaredRow, n, peaks);

#include <cstdint>

namespace vc_edge_detail {

// Peak j at entry j of each array.
struct PeakList {
  std::int32_t* x;         // column
  std::int32_t* gradient;  // (gx, gy) as the low and high 16 bits, as in the gradient rows
  float* magnitude;        // Sobel magnitude, sqrt(gx^2 + gy^2)
  std::uint8_t* alongRow;  // 1 when |gx| >= |gy|: the peak's axis is the row
};

inline std::int32_t gradientX(std::int32_t pair) { return std::int16_t(pair & 0xffff); }
inline std::int32_t gradientY(std::int32_t pair) { return pair >> 16; }

// Fills the gradient, magnitude and axis of peaks 0..n-1 from their columns: g holds the row's
// interleaved gradients (gx, gy of pixel x at 2x, 2x + 1), q its squared Sobel magnitudes.
// Returns whether any of the peaks has the column as its axis.
bool describePeaks(const std::int16_t* g, const std::int32_t* q, long n, PeakList& peaks);

}  // namespace vc_edge_detail
