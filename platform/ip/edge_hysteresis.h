#pragma once

// Keeping faint stretches of an edge that reaches the threshold elsewhere, a step of the edge
// detector (edge_detect.cpp):
//
//   std::vector<vcEdgelet> edges;  std::vector<float> positions;  // peaks at the weak threshold
//   std::vector<std::uint8_t> strong;  // 1 where a peak reaches magThresh
//   vc_edge_detail::keepConnected(strong, edges, positions);
//
// The magnitude of a faint or blurred edge under noise wanders about the threshold, and a
// single-threshold detector leaves it in pieces that the trackers cannot join. On images
// smoothed with the narrow filter, peaks are therefore searched at a fraction of the threshold
// (kWeakFraction), and a weaker peak is kept when it joins, through kept peaks, one that
// reaches the threshold: it lies within 2 pixels in each direction of a kept peak (which also
// spans the one-pixel gaps that noise leaves between the peaks of neighbouring rows) and its
// direction differs from that peak's by at most kJoinCodes codes, so that it continues the
// same edge. Peaks of noise alone rarely reach the threshold, and the weaker ones around them
// stay out unless they point the same way. On the noisy images that get the wide filter,
// weaker peaks are as often noise as edge, and a group of them that hangs off one point of an
// edge mostly grows a line into the noise; there a group is kept only when the peaks reaching
// the threshold that it joins span kNoisyJoinSpan pixels or more (it joins the edge at two
// places, across a gap, or runs along it).

#include <cstdint>
#include <vector>

#include "platform/ip/edgelet.h"

namespace vc_edge_detail {

// The share of magThresh that a peak needs to be kept as part of a stronger edge. Over generated
// scenes 0.6 to 0.8 find about the same length of sides; 0.8 keeps the fewest peaks of noise
// beside noisy edges.
inline constexpr double kWeakFraction = 0.8;

// Largest direction difference, in codes of 256 per turn, between a weaker peak and the kept
// peak it joins: 45 degrees.
inline constexpr int kJoinCodes = 32;

// Least span, pixels along x or y, of the peaks reaching the threshold that a group of weaker
// peaks joins, on noisy images. Over 6 x 300 generated scenes keeping the weaker peaks on
// noisy images finds 0.4 % more faint sides whole; without the span it made 2 % more false
// lines, with it none (3 and 4 gave the same).
inline constexpr long kNoisyJoinSpan = 4;

// Removes from `edges` (raster order, at most one per pixel, pixel coordinates in the image's
// offset coordinates; the image's pixels are [x0, x0 + width) x [y0, y0 + height)) every
// edgelet that neither is strong nor joins a strong one as above, and with leastSpan above 0
// every group of weaker ones whose strong ones span fewer pixels; `positions` (x, y pairs, one
// per edgelet, or empty) and `strong` (one flag per edgelet) are compacted alike. Ensures:
// raster order kept.
void keepConnected(long x0, long y0, long width, long height, std::vector<std::uint8_t>& strong,
                   std::vector<vcEdgelet>& edges, std::vector<float>& positions,
                   long leastSpan = 0);

}  // namespace vc_edge_detail
