#pragma once

// The last step of a row of the edge detector: each fitted peak becomes an edgelet at its pixel
// centre, with its scaled magnitude and angle code, and an interpolated position, the foot of
// the peak's offset along its axis on the line through the peak across the edge.
//
//   placePeaks(peaks, offsets, n, {x0, y, magScale / 8}, edges, positions);

#include <cstdint>

#include "platform/ip/edge_peak_list.h"
#include "platform/ip/edgelet.h"

namespace vc_edge_detail {

// Where a row's peaks are: the image column of peak column 0, the image row, and the factor
// from Sobel magnitudes to edgelet magnitudes.
struct RowPlace {
  long x0;
  long y;
  float scale;
};

// Writes edgelets edges[0..n-1] and their positions (x, y) at positions[2j], positions[2j + 1]
// for peaks 0..n-1 with their fitted offsets along the axis, in pixels; with positions null,
// each edgelet is placed at its position instead of its pixel centre.
void placePeaks(const PeakList& peaks, const float* offsets, long n, const RowPlace& row,
                vcEdgelet* edges, float* positions);

}  // namespace vc_edge_detail
