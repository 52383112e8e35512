#pragma once

// Starting arcs where the chain tracker follows them down both sides, the last step of the edge
// detector (edge_detect.cpp):
//
//   vc_edge_detail::EdgeletNeighbours near;  near.build(y0, height, edges);
//   vc_edge_detail::turnRisingStarts(near, edges);
//
// The chain tracker scans the edgelets in raster order and follows each edge one way only from
// the first edgelet it meets, towards +x, +x+y, +y or -x+y as the tangent of that edgelet's
// direction says. The top of an arc (a circle's top, or the top of what is left of a partly
// hidden one) is met first at the left end of its top row, where the edge rises to the right
// at under 22.5 degrees, so the tangent sends the tracer along +x: it takes the top row and the
// right side. Every lower row of the arc's left side is then met by the scan at its own left
// end, with the row above it already taken, and comes back as a chain of its own until the side
// grows steeper than 22.5 degrees: over radius r about 0.08 r rows of 0.4 r pixels together,
// in pieces that no circle fit takes as one arc (a hidden circle's seed chain grabs nothing
// there) and that several wrong circles can share.
//
// So the first edgelet of an arc's top row takes the nearest direction whose tangent is the
// rising diagonal: the tracer then starts down-left and follows the left side whole, and the
// rest of the top row starts the right side. Only arcs are started so: the edge must descend to
// the left of that edgelet and, past the right end of its top row, to the right, turning
// smoothly, or, where the arc is hidden right of its top, its left side must curve steadily.
// At the end of a straight side the line tracker, which takes its way from the same edgelet and
// keeps its direction until it first refits, would trace the side from a direction up to 24
// degrees off and lose the rest of the top row; corners turn faster than arcs, a noise bump in
// a shallow side climbs again within a row, and a straight side's direction only wanders.

#include <vector>

#include "platform/ip/edge_neighbours.h"
#include "platform/ip/edgelet.h"

namespace vc_edge_detail {

// Largest difference of direction, codes of 256 per turn, between neighbouring edgelets of one
// edge: 45 degrees, as at the ends of runs (edge_direction_smooth.h).
inline constexpr int kRisingSameEdgeCodes = 32;

// Rows, the top one included, that the edge must descend to the left of its first edgelet, and
// below the top row to its right, within kRisingWalk edgelets each way: with fewer rows on the
// left at most one comes back apart.
inline constexpr long kRisingRowsLeft = 3;
inline constexpr long kRisingRowsRight = 2;
inline constexpr long kRisingWalk = 24;

// Largest turn from one edgelet to the next right of the top row: along a circle of radius 6
// or more the direction turns by under 7 codes a pixel, while a corner of up to 120 degrees,
// rounded over 2 to 4 pixels, turns it by 10 codes or more a pixel.
inline constexpr int kArcStepCodes = 8;

// Edgelets followed down the left side of a top row that does not go on to the right, the one
// from which its turn is measured (past those the end of a hidden arc bends), and the least
// turn, codes, that makes it an arc: along a circle of radius r the direction turns by
// 40.7 / r codes a pixel, 12 codes over those 28 edgelets for r up to about 95, while along a
// straight side in noise it wanders by a few codes, not steadily one way.
inline constexpr long kCurveWalk = 32;
inline constexpr long kCurveFrom = 4;
inline constexpr int kCurveCodes = 12;

// Gives the first edgelet of every arc top of `edges` (indexed by `near`) the nearest direction
// code whose tangent runs along -x+y (code 47 or 175), when its own is within 17 codes of it
// (an edge rising to the right at under 22.5 degrees). Pixels, positions, magnitudes and the
// other directions stay.
void turnRisingStarts(const EdgeletNeighbours& near, std::vector<vcEdgelet>& edges);

}  // namespace vc_edge_detail
