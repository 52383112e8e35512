#pragma once

// Steadying the gradient directions along an edge, the last step of the edge detector on noisy
// images (edge_detect.cpp):
//
//   vc_edge_detail::EdgeletNeighbours near;  near.build(y0, height, edges);
//   vc_edge_detail::smoothDirections(near, edges);
//
// In noise the direction of each edgelet wanders by several codes from its neighbours', and
// trackers that extrapolate the turn of an edge from a few of its edgelets end the edge where
// two such errors add up. Each edgelet takes the mean direction of itself and its 8-neighbours
// whose directions differ from its own by at most kSmoothCodes: along a straight or curved
// edge the neighbours on both sides balance, so the mean stays on the edge's direction; where
// an edge meets another of a different direction, the other's edgelets are left out.
// On images below the detector's noise level for wide smoothing the directions are already
// steady, and the step is skipped.

#include <vector>

#include "platform/ip/edge_neighbours.h"
#include "platform/ip/edgelet.h"

namespace vc_edge_detail {

// Largest difference of direction, codes of 256 per turn, of a neighbour that counts in the
// mean: 22.5 degrees.
inline constexpr int kSmoothCodes = 16;

// Replaces the direction of every edgelet of `edges` (indexed by `near`) by the mean above,
// computed from the directions before any was replaced. Pixels, positions and magnitudes stay.
void smoothDirections(const EdgeletNeighbours& near, std::vector<vcEdgelet>& edges);

}  // namespace vc_edge_detail
