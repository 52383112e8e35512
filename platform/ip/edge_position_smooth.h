#pragma once

// Steadying the positions of edgelets across their edge in noise, a step of the edge detector
// (edge_detect.cpp):
//
//   vc_edge_detail::EdgeletNeighbours near;  near.build(y0, height, edges);
//   vc_edge_detail::smoothPositions(near, edges, positions);   // noisy images
//
// In noise the sub-pixel position of each edgelet scatters across its edge: at 8 to 12 grey
// levels sigma on sides of 20 to 40 grey levels of contrast by about a third of a pixel, and one
// edgelet in twenty-five lies more than 0.7 pixel off the side. The line tracker ends a line at
// the first edgelet a pixel or more off its line, so a long faint side comes back in pieces.
// Each edgelet therefore moves across its edge (along its gradient) to the mean offset of itself
// and its 8-neighbours that point within kSmoothCodes of it, as directions are steadied
// (edge_direction_smooth.h): along a straight edge the scatter drops by the square root of the
// number averaged, and an edge of another direction is left out. Faint edgelets scatter the
// most: a second pass over those alone lets the mean reach two pixels each way along the edge.

#include <vector>

#include "platform/ip/edge_neighbours.h"
#include "platform/ip/edgelet.h"

namespace vc_edge_detail {

// Moves each edgelet of `edges` (indexed by `near`) whose magnitude is below `below` across its
// edge as above, from the positions before any was moved. The positions are x, y pairs in
// `positions`, one pair per edgelet, while the edgelets sit at their pixel centres; or, when
// `positions` is empty, the edgelets' own positions. Pixels, directions and magnitudes stay.
void smoothPositions(const EdgeletNeighbours& near, std::vector<vcEdgelet>& edges,
                     std::vector<float>& positions, int below = 65536);

}  // namespace vc_edge_detail
