#pragma once

// Laying the edgelets of straight edges on their lines, and sharpening the corners between
// them, the last step of the edge detector (edge_detect.cpp):
//
//   std::vector<vcEdgelet> edges;  std::vector<float> positions;   // the detected edgelets
//   vc_edge_detail::EdgeletNeighbours near;  near.build(y0, height, edges);
//   const vc_edge_detail::EdgeLinks links(near, edges);
//   vc_edge_detail::straightenRuns(links, near, edges, positions, wanderBelow);
//
// Noise leaves each edgelet of a straight edge a tenth of a pixel or so off the edge's line.
// A circle fitted algebraically to points on a line is undetermined: every circle through the
// run's two ends fits it equally well, and that small scatter alone picks one, of any radius,
// often one a few times the run's length. So straight sides of polygons and bars offer circles
// that have nothing to do with them. Edgelets of a run that is straight within its scatter
// are therefore moved onto the run's fitted line: the edge's best estimate of where they lie,
// and a run on which no circle fits. The same holds for a side that bends only at its ends,
// where the smoothing rounds its corners: the rounding is what a circle fits.
//
// A run is followed from edgelet to edgelet along the edge (edge_links.h) and cut into pieces
// whose directions stay within kStraightSpreadCodes of one another; a piece of at least
// kStraightLeast edgelets is straight when a parabola fitted to its offsets from its line bows
// by less than kStraightBow plus kStraightBowPerPixel times its length. Along a circle of
// radius r a piece that narrow in direction spans about 0.3 r pixels and bows by about
// 0.011 r, more than that limit for every r above 19 pixels; circles under 27 pixels offer no
// piece long enough. On a noisy straight edge the directions wander, the pieces are short and
// each lies a little off the next; neighbouring pieces of about one direction that are straight
// together are joined (kStraightJoinGap, kStraightJoinTurnCodes) and laid on one line. Two pieces
// of a circle differ in direction by about the whole spread and bow together by four times as much.
//
// Then the ends of the straight pieces:
// - a run's last few edgelets past its outermost piece, when that is straight, the rest of a
//   rounded corner whose far side was parted off (edge_corner_gaps.h), are laid on the piece's
//   line with its direction where they still point within kStraightEndTurnCodes of it
//   (kStraightEndReach);
// - where two straight pieces turned by kStraightCornerTurnCodes or more from one another
//   follow each other within kStraightCornerGap edgelets, the edgelets of the rounding between
//   them go onto the nearer of the two lines with its direction, so that the sides meet at a
//   sharp corner and the direction jumps there: a chain follows the corner no further than a
//   tracer's angle tolerance allows (45 degrees), and a rounded corner no longer looks like
//   an arc. A piece too short to be moved alone but within the bow limit, such as the end of
//   a narrow bar, counts as a side where it meets a straight piece within
//   kStraightShortCornerGap edgelets, and is laid on its line there. Along a circle two pieces
//   that far apart in direction lie about 0.6 r pixels apart, and pieces that short are no
//   straight piece's neighbours.
// Where an edgelet's pixel does not reach its place on the line (more than a pixel from the
// pixel's centre), that end edgelet is dropped. On a clean circle no piece is straight, so
// none of this touches its edgelets.

#include <vector>

#include "platform/ip/edge_links.h"
#include "platform/ip/edge_neighbours.h"
#include "platform/ip/edgelet.h"

namespace vc_edge_detail {

// Largest spread of directions within a piece, codes of 256 per turn: 17 degrees; 22 degrees on
// a run whose mean magnitude is below the caller's `wanderBelow` (faint edges in noise), whose
// directions wander more even after smoothing. Cut at the narrower spread, such a run comes out
// in short pieces, each laid on a line tilted a little from the next, so that a line tracker
// following one stops where the next begins. Along a circle a piece of the wider spread spans
// about 0.39 r pixels and bows by about 0.019 r, more than the bow limit for every r from 10
// pixels, and circles under 20 pixels offer no piece long enough. On quiet images the wider
// spread reaches further into the rounding of corners and moved the poses of trained shapes.
inline constexpr int kStraightSpreadCodes = 12;
inline constexpr int kStraightWanderSpreadCodes = 16;

// Fewest edgelets in a piece that is moved.
inline constexpr int kStraightLeast = 8;

// Largest bow, pixels, of a straight piece: the parabola's offset at the piece's middle from
// the chord between its ends, kStraightBow for a short piece and kStraightBowPerPixel more
// for every pixel of its length (a long side's noise wanders by a few tenths of a pixel).
inline constexpr double kStraightBow = 0.15;
inline constexpr double kStraightBowPerPixel = 0.01;

// Pieces joined into one straight piece: at most kStraightJoinGap edgelets between them and
// directions at most kStraightJoinTurnCodes (11 degrees) apart, and bowing together by less than
// kStraightJoinBowScale times the bow limit: each piece is straight already, and the noise of a
// faint side wanders over the joined length by more than the limit allows. Along a clean circle
// neighbouring pieces turn by about the whole spread, more than kStraightJoinTurnCodes; where
// noise lets two join, pieces of the full spread span about 0.59 r pixels and bow by about
// 0.043 r, over the scaled limit for every r from 10 pixels.
inline constexpr int kStraightJoinGap = 3;
inline constexpr int kStraightJoinTurnCodes = 8;
inline constexpr double kStraightJoinBowScale = 2.0;

// Fewest edgelets in a piece; shorter stretches, where the direction turns fast, lie between
// pieces. Pieces shorter than kStraightJoinLeast are not joined: on a noisy circle, joins of
// such scraps lay stretches of the rim straight.
inline constexpr int kStraightSideLeast = 4;
inline constexpr int kStraightJoinLeast = 5;

// Most edgelets past a run's outermost straight piece laid on its line, and their largest
// turn from its direction (45 degrees).
inline constexpr int kStraightEndReach = 3;
inline constexpr int kStraightEndTurnCodes = 32;

// Smallest turn between the two sides of a corner that is sharpened (51 degrees), and most
// edgelets of rounding between them.
inline constexpr int kStraightCornerTurnCodes = 36;
inline constexpr int kStraightCornerGap = 8;

// Most edgelets of rounding at a corner of a short side: the smoothing rounds a corner over a
// few pixels.
inline constexpr int kStraightShortCornerGap = 4;

// Moves each edgelet of `edges` (raster order, at most one per pixel, linked by `links` and
// indexed by `near`) that lies on a straight piece as above onto the piece's line, where its
// pixel allows (within a pixel of its centre), and sharpens corners and side ends as above.
// The positions are x, y pairs in `positions`, one pair per edgelet, while the edgelets sit at
// their pixel centres; or, when `positions` is empty, the edgelets' own positions. Pixels and
// magnitudes stay; edgelets at side ends and corners take their side's direction, and those
// dropped leave the list (and their positions, and `near`), the rest keeping their order. Runs
// whose mean magnitude is below `wanderBelow` are cut into pieces of the wider spread.
void straightenRuns(const EdgeLinks& links, EdgeletNeighbours& near, std::vector<vcEdgelet>& edges,
                    std::vector<float>& positions, int wanderBelow);

}  // namespace vc_edge_detail
