#pragma once

// Steadying the gradient directions along an edge and at its ends, the last steps of the edge
// detector (edge_detect.cpp):
//
//   vc_edge_detail::EdgeletNeighbours near;  near.build(y0, height, edges);
//   vc_edge_detail::smoothDirections(near, edges, below);
//   vc_edge_detail::steadyEdgeEnds(near, edges);
//
// In noise the direction of each edgelet wanders by several codes from its neighbours', and
// trackers that extrapolate the turn of an edge from a few of its edgelets end the edge where
// two such errors add up. Each edgelet takes the mean direction of itself and its 8-neighbours
// whose directions differ from its own by at most kSmoothCodes: along a straight or curved
// edge the neighbours on both sides balance, so the mean stays on the edge's direction; where
// an edge meets another of a different direction, the other's edgelets are left out.
// The noise of a direction falls as the gradient rises: on images below the detector's noise
// level for wide smoothing only edgelets weaker than kSteadyThresholds times the threshold
// take the mean (faint sides, whose wandering directions end lines and turn their ends), and
// stronger ones keep their own, which corners and clean edges need as they are.
//
// At the end of an edge (a corner parted from the next side, a gap, another edge crossing) the
// smoothed gradient mixes in what lies beyond, and the last few edgelets point up to 20 or 30
// codes off the edge. The line tracker takes the way it traces (its direction class) from the
// first edgelet of a line, often such an end: off by that much it traces a side along the
// wrong axis and loses it at the first step the side takes that way cannot follow (over 300
// generated scenes, a third of the lines that stopped inside a faint or noisy side). So
// the end's edgelets take the direction of the run behind them, where it is steady.

#include <vector>

#include "platform/ip/edge_neighbours.h"
#include "platform/ip/edgelet.h"

namespace vc_edge_detail {

// Largest difference of direction, codes of 256 per turn, of a neighbour that counts in the
// mean: 22.5 degrees.
inline constexpr int kSmoothCodes = 16;

// Edgelets of images that are not noisy keep their directions from this many times the
// detection threshold on. Over 2 x 300 generated scenes 2 and 3 both keep nearly all that
// steadying every edgelet gains for faint sides; steadying every edgelet made the poses found
// by shape selection up to a fifth less accurate over 3 x 40 scenes, with 3 they moved by at
// most 0.002 pixel and 0.003 degree.
inline constexpr double kSteadyThresholds = 3.0;

// Replaces the direction of every edgelet of `edges` (indexed by `near`) whose magnitude is
// below `below` by the mean above, computed from the directions before any was replaced (of
// all neighbours, whatever their magnitudes). Pixels, positions and magnitudes stay.
void smoothDirections(const EdgeletNeighbours& near, std::vector<vcEdgelet>& edges,
                      int below = 65536);

// Largest difference of direction, codes, between neighbouring edgelets of one run: 45 degrees.
inline constexpr int kEndCodes = 32;
// Edgelets at the end of a run whose directions the end's surroundings bend: three pixels, the
// reach of a corner's rounding by the smoothing and a blur of up to 1.5 pixels.
inline constexpr long kEndZone = 3;
// Edgelets past the end zone whose mean direction the zone takes.
inline constexpr long kEndReach = 4;
// Largest difference, codes, of each of those from their mean for the run to count as steady:
// about 8 degrees, the wander of directions along a straight edge in noise after smoothing.
inline constexpr int kSteadyCodes = 6;

// Gives the kEndZone edgelets at the end of every run of `edges` (indexed by `near`) the mean
// direction of the kEndReach edgelets after them, when those point steadily the same way.
// Directions are read as they were before any was replaced. Pixels, positions and magnitudes
// stay.
void steadyEdgeEnds(const EdgeletNeighbours& near, std::vector<vcEdgelet>& edges);

}  // namespace vc_edge_detail
