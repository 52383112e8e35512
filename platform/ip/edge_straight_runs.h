#pragma once

// Laying the edgelets of a straight edge on its line, the last step of the edge detector
// (edge_detect.cpp):
//
//   std::vector<vcEdgelet> edges;  std::vector<float> positions;   // the detected edgelets
//   vc_edge_detail::EdgeletNeighbours near;  near.build(y0, height, edges);
//   vc_edge_detail::straightenRuns(near, edges, positions);
//
// Noise leaves each edgelet of a straight edge a tenth of a pixel or so off the edge's line.
// A circle fitted algebraically to points on a line is undetermined: every circle through the
// run's two ends fits it equally well, and that small scatter alone picks one, of any radius,
// often one a few times the run's length. So straight sides of polygons and bars offer circles
// that have nothing to do with them. Edgelets of a run that is straight within its scatter
// are therefore moved onto the run's fitted line: the edge's best estimate of where they lie,
// and a run on which no circle fits.
//
// A run is followed from edgelet to edgelet along the edge (edge_links.h) and cut into pieces
// whose directions stay within kStraightSpreadCodes of one another; a piece of at least
// kStraightLeast edgelets is straight when a parabola fitted to its offsets from its line bows
// by less than kStraightBow pixels over its length. Along a circle of radius r a piece that
// narrow in direction spans about 0.3 r pixels and bows by about 0.011 r: circles under 27
// pixels offer no piece long enough, and on wider ones only a piece that bows by less than
// kStraightBow is moved, each edgelet by less than that.

#include <vector>

#include "platform/ip/edge_neighbours.h"
#include "platform/ip/edgelet.h"

namespace vc_edge_detail {

// Largest spread of directions within a piece, codes of 256 per turn: 17 degrees.
inline constexpr int kStraightSpreadCodes = 12;

// Fewest edgelets in a piece that is moved.
inline constexpr int kStraightLeast = 8;

// Largest bow, pixels, of a straight piece: the parabola's offset at the piece's middle from
// the chord between its ends.
inline constexpr double kStraightBow = 0.15;

// Moves each edgelet of `edges` (raster order, at most one per pixel, indexed by `near`) that
// lies on a straight piece as above onto the piece's line, where its pixel allows (within a
// pixel of its centre). The positions are x, y pairs in `positions`, one pair per edgelet,
// while the edgelets sit at their pixel centres; or, when `positions` is empty, the edgelets'
// own positions. Pixels, directions and magnitudes stay.
void straightenRuns(const EdgeletNeighbours& near, std::vector<vcEdgelet>& edges,
                    std::vector<float>& positions);

}  // namespace vc_edge_detail
