#pragma once

// Parting an edge where it turns at a corner, the last step of the edge detector
// (edge_detect.cpp):
//
//   std::vector<vcEdgelet> edges;  std::vector<float> positions;   // the detected edgelets
//   vc_edge_detail::EdgeletNeighbours near;  near.build(y0, height, edges);
//   vc_edge_detail::EdgeLinks links(near, edges);                 // edge_links.h
//   vc_edge_detail::partAtCorners(near, links, edges, positions);
//
// The smoothing rounds every corner, so the gradient turns from one side's direction to the
// other's over a few pixels, a few degrees per pixel, and a chain that follows edgelets whose
// directions differ little from one to the next runs round the corner onto the next side. Two
// sides and a corner joined that way look like an arc, and a circle fitted to them lies on
// the polygon; a bar's end with its two corners looks like a half circle.
//
// So where the turn is concentrated, the edge is parted so that no 8-connected run of
// edgelets of like direction goes round the corner: the edgelets of the rounding that point
// between the two sides (more than half of kPartJumpCodes from each side's direction) are
// removed, the tip among them, and then, while the nearest edgelets left on the two sides are
// still 8-neighbours within kPartJumpCodes of each other, the one pointing further from its
// side's direction, and any other edgelet next to the tip that touches both sides. A tip that
// points like one side (the side carried on to the corner, edge_side_ends.h) stays with it.
// The last edgelet left on a side that lost its end moves along its tangent to level with
// the tip, as far as its pixel allows, so that lines along the sides still reach the corner.
//
// What makes a corner, along the edge: the direction turns by at least kPartTurnCodes between
// the two sides' lines, while each side runs nearly straight. A side's line is fitted by least
// squares to the direction of its edgelets from kPartInner to kPartInner + kPartOuter out
// (past the rounding; on a short side only up to where it has turned by as much again, towards
// its next corner; at least kPartLeast edgelets), and its slope may be at most a share
// kPartSideShare of the mean turn per edgelet across the tip, and at most kPartFlatCodes. Along
// a circle of any radius the direction turns at one rate all along, so the sides' slopes equal
// the mean turn across the tip; where the pixel grid makes the turn of a sharp circle come in
// bursts, the sides still turn by more than kPartFlatCodes wherever a burst is large enough to
// pass for a corner; and a circle wide enough to turn less turns too little across the tip. A
// turn faster than a circle of radius kPartTightestRadius across the inner edgelets needs its
// sides to be flat only in proportion: the cap at the end of a narrow bar, whose next corner
// lies close. Where the direction jumps by more than kPartJumpCodes between neighbours near
// the tip, the edge is already parted and is left whole.
//
// Of the edgelets that qualify near one corner, the one where the direction turns most
// between its two neighbours is the tip.

#include <vector>

#include "platform/ip/edge_links.h"
#include "platform/ip/edge_neighbours.h"
#include "platform/ip/edgelet.h"

namespace vc_edge_detail {

// Edgelets on either side of a tip over which its turn is measured. The rounding of a corner
// by the detector's smoothing and a blur of up to 1.5 pixels reaches about three pixels from
// the tip.
inline constexpr int kPartInner = 3;

// Edgelets beyond the inner ones, on each side, that a side's line is fitted to at most.
inline constexpr int kPartOuter = 8;

// Fewest edgelets on a side, from kPartInner out, for its line.
inline constexpr int kPartLeast = 4;

// A step between neighbours larger than this, codes, already parts the edge for a tracker
// that links neighbours of like direction: 45 degrees.
inline constexpr int kPartJumpCodes = 32;

// Least turn between the two sides' lines, codes of 256 per turn: 20 degrees.
inline constexpr int kPartTurnCodes = 14;

// Largest slope of a side's line, as a share of the mean turn per edgelet across the tip.
inline constexpr double kPartSideShare = 0.35;

// Largest slope of a side's line in any case, codes per edgelet: a circle of radius 68 pixels.
inline constexpr double kPartFlatCodes = 0.6;

// Below this radius of curvature, pixels, a turn needs its sides flat only in proportion.
inline constexpr double kPartTightestRadius = 4.0;

// Removes the edgelets of `edges` (raster order, at most one per pixel, pixel coordinates in the
// image's offset coordinates; `near` their index of neighbours, edge_neighbours.h, and `links`
// their links along the edge, edge_links.h) that join the two sides of a corner, and moves the
// sides' new last edgelets, as above. The positions are x, y pairs in `positions`, one pair per
// edgelet, while the edgelets sit at their pixel centres; or, when `positions` is empty, the
// edgelets' own positions; pairs are removed with their edgelets.
// Requires: `near` and `links` built on `edges` as they are (sizes checked; a fault throws).
// Ensures: raster order; every position within a pixel of its pixel's centre; the edgelets kept
// keep their pixels, codes and magnitudes, and all but the moved ones their positions; `near`
// indexes the edgelets kept.
void partAtCorners(EdgeletNeighbours& near, const EdgeLinks& links, std::vector<vcEdgelet>& edges,
                   std::vector<float>& positions);

}  // namespace vc_edge_detail
