#pragma once

// Bridging one-pixel gaps in detected edges, the edge detector's last step (edge_detect.cpp):
//
//   std::vector<vcEdgelet> edges;  std::vector<float> positions;   // from the peak search
//   vc_edge_detail::bridgeGaps(image, threshold, scale, edges, positions);
//
// Across a blurred, noisy edge the gradient peak is flat, and the peak chosen in one row (or
// column) can land two pixels across the edge from the one chosen in the next. The two
// edgelets are then a knight's move apart, with no pixel that neighbours both, and tracers that
// link 8-neighbours lose the edge there. Such a gap gets the one edgelet that joins them: the
// pixel next to the upper edgelet diagonally towards the lower one, which is also a side
// neighbour of the lower one. Tracers run downwards from an edge's first edgelet in raster
// order, so they reach it from the upper edgelet and go on from it where the lower one would
// have taken them.
//
// On a diagonal edge a whole row can also lose its peak, where noise makes each pixel on the
// crest lose to a neighbour along its own axis (the row for one, the column for the next). The
// edgelets above and below are then two pixels apart diagonally, and that gap gets the pixel
// diagonally between them; it is bridged only when the pixels next to that one towards either
// edgelet (beside the upper one, above the lower one) hold no edgelet either.
//
// A gap is bridged only when all of these hold:
// - no pixel that neighbours both edgelets holds an edgelet (nothing links them yet);
// - both edgelets and the bridging pixel point the same way, within kBridgeCodes codes of each
//   other (one edge, not a corner or two edges);
// - the bridging pixel's gradient reaches the detection threshold;
// - the two edgelets lie on one edge: their positions differ by less than a pixel across it.
// The new edgelet takes its pixel's own gradient (magnitude and direction code) and sits where
// its gradient direction from the pixel centre meets the line between the two positions, as a
// peak edgelet sits on the edge along its gradient. Gaps are found among the detected edgelets
// only; new edgelets bridge nothing further.

#include <cstdint>
#include <vector>

#include "platform/base/pel_buffer.h"
#include "platform/ip/edgelet.h"

namespace vc_edge_detail {

// Largest code difference (of 256 per turn) between the edgelets of a bridged gap: 33.75
// degrees.
inline constexpr int kBridgeCodes = 24;

// Adds the bridging edgelets of `edges` (in raster order, pixel coordinates in the image's
// offset coordinates) with their interpolated positions: x, y pairs in `positions`, one pair
// per edgelet, or, when `positions` is empty, the edgelets' own positions (then the new ones
// are placed at theirs too). threshold is the smallest squared Sobel magnitude of an edgelet, scale
// = magScale / 8. Ensures: both vectors stay in raster order, at most one edgelet per pixel. A new
// edgelet and its interpolated position.
struct AddedEdgelet {
  vcEdgelet edgelet;
  float x, y;
};

// Inserts `added` (any order; of several in one pixel the first one listed) into `edges` (raster
// order, no pixel of `added` among them) and their positions into `positions` (x, y pairs, or
// empty). With `isNew`, it is sized to the new list and set at the new edgelets' places.
// Ensures: raster order kept, at most one edgelet per pixel.
void insertEdgelets(std::vector<AddedEdgelet>& added, std::vector<vcEdgelet>& edges,
                    std::vector<float>& positions, std::vector<std::uint8_t>* isNew = nullptr);

void bridgeGaps(const vcPelBuffer_const<unsigned char>& image, std::int32_t threshold, float scale,
                std::vector<vcEdgelet>& edges, std::vector<float>& positions);

}  // namespace vc_edge_detail
