#pragma once

// Giving the edgelet at the tip of a corner to one of the corner's two sides, a step of the
// edge detector (edge_detect.cpp):
//
//   std::vector<vcEdgelet> edges;  std::vector<float> positions;   // the detected edgelets
//   vc_edge_detail::EdgeletNeighbours near;  near.build(y0, height, edges);
//   vc_edge_detail::commitCornerTips(near, edges, positions);
//
// Where two straight edges meet at a corner, the smoothed gradient turns from one edge's
// direction to the other's over a few pixels, and the edgelet at the corner's tip points
// half-way between the two, from the apex of the rounded corner. A tracer that starts a line
// there (the tip of a corner comes before the side below it in raster order) takes that
// direction for the line's; it lies within the angle tolerance of the first edgelets of the
// side ahead but not of its straight part, so the corner becomes a short line of its own that
// takes the side's first edgelets, and the side's line starts two or three pixels late.
//
// So a tip takes the direction of its neighbour that turns least from it, and its position
// moves onto that side's edge line: the tangent of the edgelet kSideSteps further along the
// side, past the rounding, through that edgelet's position, at the tip's own place along the
// edge. A line started at the tip then runs on along the side, and the tip does not bend it.
// A side line that passes farther than kFarthestSide from the tip's pixel centre is not the
// corner's side, and the tip stays as found; a nearer one takes the tip at most to a pixel
// from its pixel's centre, where every edgelet lies.
//
// An edgelet is a corner's tip when the edge turns the same way on both sides of it, by at
// least kTipTurnCodes to its neighbour on each side and by at least kCornerTurnCodes across
// the two, and when the edge turns less along the side beyond the neighbour (kSideSteps
// edgelets on) than at the tip, while the two sides, as far out on each, point apart by at
// least the tip's turn. The end of a run of edgelets (a neighbour on one side only: the other
// side's first edgelet lies beyond its 8 neighbours) is a tip when it turns by at least
// kTipTurnCodes to its neighbour, more than the side beyond turns. Along a smooth curve the
// direction turns by about 57 / r degrees per pixel at radius r, all along; noise on a straight
// edge turns it back and forth, not the same way twice; so only corners change. Magnitudes stay as
// found.

#include <vector>

#include "platform/ip/edge_neighbours.h"
#include "platform/ip/edgelet.h"

namespace vc_edge_detail {

// Least turn, in codes of 256 per turn, between a tip and each of its two neighbours: 14
// degrees.
inline constexpr int kTipTurnCodes = 10;

// Least turn across a tip's two neighbours: 39 degrees.
inline constexpr int kCornerTurnCodes = 28;

// How many edgelets along the side, from the tip's neighbour, the edgelet lies whose tangent
// gives the side's edge line. The rounding of a corner reaches about twice the sigma of the
// smoothing from the tip, the presmoothing and a blur of up to 1.5 pixels together: up to
// three pixels.
inline constexpr int kSideSteps = 3;

// Farthest a corner's side line passes from the tip's pixel centre, pixels. The apex of a
// corner rounded by that smoothing lies up to about a pixel and a half inside either side's
// line.
inline constexpr float kFarthestSide = 1.5f;

// Changes every corner tip of `edges` (raster order, at most one per pixel, pixel coordinates
// in the image's offset coordinates), indexed by `near`, as above.
// The positions are x, y pairs in `positions`, one pair per edgelet, while the edgelets sit at
// their pixel centres; or, when `positions` is empty, the edgelets' own positions. The
// neighbours of an edgelet are the edgelets of its 8 neighbouring pixels that point within 90
// degrees of it, ahead of it or behind it along its edge; the one turning least on each side
// counts. A side shorter than kSideSteps edgelets gives its last one. Every tip is changed
// from the edgelets as detected. Ensures: pixels, order and magnitudes unchanged.
// Requires: `near` built on `edges` as they are (checked; a fault throws).
void commitCornerTips(const EdgeletNeighbours& near, std::vector<vcEdgelet>& edges,
                      std::vector<float>& positions);

}  // namespace vc_edge_detail
