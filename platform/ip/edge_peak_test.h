#pragma once

// Which pixels of a gradient row are edgelets: at or above the threshold and a peak across the
// edge (the rule of vfEdgeDetect in edge_detect.h). One pass over the row without branches,
// so that the compiler makes it vector code; the few peaks are then listed.

#include <cstdint>

namespace vc_edge_detail {

// The gradient rows y - 2 .. y + 2 around the searched row y: entry [2 + k][x] is pixel x of
// row y + k. Each row must be readable from entry -2 to entry width + 1, with zeros beyond the
// image (rows outside it are all zeros).
struct PeakRows {
  const std::int16_t* gx[5];
  const std::int16_t* gy[5];
  const std::int32_t* q[5];
};

// Writes the columns of row y's peaks, in increasing order, to columns (room for width
// entries) and returns their number. q is the squared Sobel magnitude, threshold the least
// one that counts.
long peakColumns(const PeakRows& rows, long width, std::int32_t threshold, std::int32_t* columns,
                 std::uint8_t* scratch);

}  // namespace vc_edge_detail
