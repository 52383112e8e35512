#pragma once

// Filling short gaps between two straight runs of one edge, a step of the edge detector on
// noisy images (edge_detect.cpp):
//
//   vc_edge_detail::EdgeletNeighbours near;  near.build(y0, height, edges);
//   vc_edge_detail::fillLineGaps(image, threshold, scale, near, edges, positions);
//
// Along a faint side under noise the gradient magnitude wanders about the threshold, and a few
// pixels in a row can fall below it. The side then comes out as two runs with a gap of a few
// pixels between them, and trackers that step from a pixel to a neighbouring one end the line
// there. Where the end of one steady run faces another steady run across such a gap, on the
// same line and pointing the same way, and every pixel of the gap still has a gradient across
// the edge that a faint peak joining an edge needs (kWeakFraction of the threshold, within
// kJoinCodes of the edge's direction: edge_hysteresis.h), the gap's pixels get edgelets. Both
// runs must be steady (kGapRunLeast edgelets within kGapCodes of the end's direction), so
// noise alone, whose runs are short and whose directions wander, is seldom joined.
//
// The new edgelets lie on the chord between the two end positions, one per pixel where the
// chord crosses the gap, one pixel along its major axis at a time, so that tracers that take
// one of three neighbours along their direction walk the gap. Each takes the gradient across
// the edge at its pixel as magnitude and the mean direction of the two ends.
//
// Over 3 x 300 generated scenes this joins a third of the gaps where a line stopped inside a
// faint noisy side with no edgelet in reach. On images below the detector's noise level for
// wide smoothing, gaps are few and the step is skipped.

#include <cstdint>
#include <vector>

#include "platform/base/pel_buffer.h"
#include "platform/ip/edge_neighbours.h"
#include "platform/ip/edgelet.h"

namespace vc_edge_detail {

// Most pixels of a gap filled: larger gaps are more often the space between two edges.
inline constexpr int kGapMostPixels = 5;

// Fewest edgelets of the run behind each end, the end included, within kGapCodes of its
// direction.
inline constexpr int kGapRunLeast = 4;

// Largest direction difference, codes of 256 per turn, between the two ends and between an end
// and its run: 22.5 degrees, the spread of directions along a straight edge in noise.
inline constexpr int kGapCodes = 16;

// Adds the edgelets of the gaps of `edges` (raster order, at most one per pixel, indexed by
// `near`, pixel coordinates in the image's offset coordinates) described above, with their
// positions in `positions` (x, y pairs, one per edgelet, while the edgelets sit at their pixel
// centres), or, when `positions` is empty, at their own positions. image is the image the
// gradient was taken on, threshold the smallest squared Sobel magnitude of an edgelet, scale
// = magScale / 8. Ensures: raster order kept, at most one edgelet per pixel, `near` updated.
void fillLineGaps(const vcPelBuffer_const<unsigned char>& image, std::int32_t threshold,
                  float scale, EdgeletNeighbours& near, std::vector<vcEdgelet>& edges,
                  std::vector<float>& positions);

}  // namespace vc_edge_detail
