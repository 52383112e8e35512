#pragma once

// Carrying the ends of straight edges on to their corners, the last step of the edge detector
// (edge_detect.cpp):
//
//   std::vector<vcEdgelet> edges;  std::vector<float> positions;   // the detected edgelets
//   vc_edge_detail::EdgeletNeighbours near;  near.build(y0, height, edges);
//   vc_edge_detail::reachCorners(smoothedImage, magScale / 8, near, edges, positions);
//
// Where a straight edge meets a corner, the smoothing rounds the corner over two to four
// pixels: the gradient there turns towards the next side and its peaks move inward, so a line
// traced along the side stops a pixel or two before the corner, and figures built from such
// lines come out small. Along a straight side the grey step across the side keeps its full
// height up to the corner and falls to half exactly at a right-angled corner, convex or
// concave, for any symmetric blur: there the points just inside the side lie on the other
// side's edge, at half the contrast. (At other angles the half lies off the corner by the
// sampling distance times the cotangent of the angle, which samples close to the line keep
// under a pixel for corners of 40 to 140 degrees.)
//
// So at the end of every straight run of edgelets the step across the run's line is followed
// outward, up to kReach pixels. Where it falls to half and then on below a quarter (noise on a
// straight edge makes it dip and come back; the far side of a corner takes it to nothing), the
// pixels the line crosses up to that point get edgelets on the line with the run's gradient
// direction and their own pixels' gradient magnitudes. A pixel that already holds an edgelet
// takes the new one in its place, unless that edgelet lies inside a straight run of another
// direction (the side beyond the corner keeps its own edgelets); where two runs ask for one
// pixel, the run whose line passes nearer the pixel's centre gets it, and a run's new edgelets
// stop at the first pixel it does not get, so that they stay connected. The run's last
// edgelet, new or its end, then moves along the line towards the corner by as much as its
// pixel allows (a pixel from its centre), so that a line stopped a pixel early by the other
// side's edgelets still ends near the corner.
//
// A straight run: at least kRunLength edgelets, each turning by less than kRunTurnCodes from
// its neighbour and from the run's end. Its end: an edgelet whose next neighbour along the edge
// turns from the run's mean direction by kEndTurnCodes or more, or which has none, so that the
// first edgelets of a corner's rounding, which turn by a few codes only, are left to the
// corner. The run's line passes through the mean position of its last kFitLength edgelets (or
// as many as it has) along their mean direction. Where the edge goes on past the run's end
// without turning by a corner's angle within a few pixels (a blunt corner, or a round edge,
// along which the step fades slowly as the edge leaves the line), the run is left as it is.

#include <vector>

#include "platform/base/pel_buffer.h"
#include "platform/ip/edge_neighbours.h"
#include "platform/ip/edgelet.h"

namespace vc_edge_detail {

// Least number of edgelets in a straight run whose end is carried on.
inline constexpr int kRunLength = 6;

// Least turn, in codes of 256 per turn, that breaks a straight run: 8.4 degrees. Along a
// straight edge neighbouring gradients differ by a code or two of noise and rounding; at a
// corner rounded by the smoothing they turn by 15 degrees or more per pixel.
inline constexpr int kRunTurnCodes = 6;

// Least turn from a run's mean direction that ends it: 5.6 degrees, past the code or two of
// noise of a straight edge.
inline constexpr double kEndTurnCodes = 4.0;

// Most edgelets a run's line is fitted to.
inline constexpr int kFitLength = 8;

// Farthest a run's end is carried, pixels: the first edgelets of a corner's rounding that the
// run leaves to the corner and the rest of the rounding, for the detector's smoothing and a
// blur of up to a pixel and a half, with a margin.
inline constexpr double kReach = 6.0;

// Changes `edges` (raster order, at most one per pixel, pixel coordinates in the offset
// coordinates of `image`, the image the edgelets were found on) as above; a new edgelet's
// magnitude is its pixel's Sobel magnitude times `scale` (as the detector's, edge_sobel.h). The
// positions are x, y pairs in `positions`, one pair per edgelet, while the edgelets sit at their
// pixel centres; or, when `positions` is empty, the edgelets' own positions. Ensures: raster order,
// at most one edgelet per pixel, every position within a pixel of its pixel's centre; edgelets not
// changed keep their order, pixels, magnitudes, angles and positions.
// `near` indexes `edges` as they come (checked; a fault throws) and as they leave.
void reachCorners(const vcPelBuffer_const<unsigned char>& image, float scale,
                  EdgeletNeighbours& near, std::vector<vcEdgelet>& edges,
                  std::vector<float>& positions);

}  // namespace vc_edge_detail
