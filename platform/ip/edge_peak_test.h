#pragma once

// Which pixels of a gradient row are edgelets: at or above the threshold and a peak across the
// edge (the rule of vfEdgeDetect in edge_detect.h). One pass over the row without branches,
// in vector code; the few peaks are then listed.

#include <cstdint>

namespace vc_edge_detail {

// The gradient rows y - 2 .. y + 2 around the searched row y: g[2 + k] holds row y + k's
// gradients interleaved, (gx, gy) of pixel x at entries 2x and 2x + 1, and q[2 + k][x] its
// squared magnitude. Each row must be readable from pixel -2 to pixel width + 1, with zeros
// beyond the image (rows outside it are all zeros).
struct PeakRows {
  const std::int16_t* g[5];
  const std::int32_t* q[5];
};

// Writes the columns of row y's peaks, in increasing order, to columns (room for width
// entries) and returns their number. threshold is the least squared magnitude that counts;
// scratch holds width bytes.
long peakColumns(const PeakRows& rows, long width, std::int32_t threshold, std::int32_t* columns,
                 std::uint8_t* scratch);

}  // namespace vc_edge_detail
