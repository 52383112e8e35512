#pragma once

// Placing the edgelets of a curved edge where the edge lies, a step of the edge detector
// (edge_detect.cpp):
//
//   std::vector<vcEdgelet> edges;  std::vector<float> positions;   // the detected edgelets
//   vc_edge_detail::EdgeletNeighbours near;  near.build(y0, height, edges);
//   vc_edge_detail::EdgeLinks links(0);
//   vc_edge_detail::placeOnCurves(smoothed, near, edges, positions, links);
//
// The gradient magnitude of a blurred edge peaks on the edge only where the edge is straight.
// Across a curved edge the blur spreads the contrast over a ring, which weighs the inside of
// the curve more than the outside: the peak lies inside the edge, towards the centre of
// curvature, by sigma^2 kappa / 2 for a Gaussian spread sigma across the edge and a curvature
// kappa (the gradient magnitude of a disc of radius R blurred by sigma falls off as
// exp(-(r - R)^2 / 2 sigma^2) / sqrt(r) near the rim, whose maximum lies at
// R - sigma^2 / 2R). Circles fitted to such edgelets come out small by that much: a fifth of
// a pixel at radius 10 for the spread of a sharp edge after the detector's smoothing, more on
// a blurred image.
//
// So each edgelet moves away from the centre of curvature, along its gradient, by
// sigma^2 kappa / 2 (at most kMaxShift), with
// - kappa, the turn of the gradient direction along the edge per pixel of edge, over up to
//   kCurveSteps neighbours ahead of it and behind it along the edge;
// - sigma^2, the spread of the gradient magnitude across the edge, from a log-parabola fitted
//   to the magnitudes at 5 pixels across the edge on the smoothed image (exact for a Gaussian
//   profile wherever the peak lies between the samples), averaged over the same neighbours.
// Only edgelets on a curve move: the edge must turn the same way at about one rate ahead of
// the edgelet and behind it, steadily from one edgelet to the next, and on to the ends of the
// neighbourhood. Code noise on a straight edge turns it back and forth, and the rounding of a
// corner turns it on one side only, or near the corner only; neither moves, which keeps the
// straight lines fitted to such edgelets as they were. Nor does a turn faster than a circle of
// radius kMinRadius.

#include <vector>

#include "platform/base/pel_buffer.h"
#include "platform/ip/edge_links.h"
#include "platform/ip/edge_neighbours.h"
#include "platform/ip/edgelet.h"

namespace vc_edge_detail {

// Neighbours along the edge, each way, over which an edgelet's curvature is measured: long
// enough that the code noise of a faint edge seldom looks like a curve.
inline constexpr int kCurveSteps = 8;

// Smallest radius of curvature, pixels, at which an edgelet moves: a tighter turn is a corner.
inline constexpr float kMinRadius = 4.0f;

// Farthest an edgelet moves, pixels.
inline constexpr float kMaxShift = 0.5f;

// Moves the edgelets of `edges` (raster order, at most one per pixel, pixel coordinates in the
// offset coordinates of `smoothed`, the image whose gradient found them) as above. The
// positions are x, y pairs in `positions`, one pair per edgelet, while the edgelets sit at
// their pixel centres; or, when `positions` is empty, the edgelets' own positions.
// Sets `links` to the edgelets' links of edge_links.h, found in the same walk over their
// neighbours: the positions moved do not enter them, so they hold for the edgelets moved.
// Requires: `near` built on `edges` as they are (checked; a fault throws).
// Ensures: pixels, order, codes and magnitudes unchanged; every position within a pixel of its
// pixel's centre.
void placeOnCurves(const vcPelBuffer_const<unsigned char>& smoothed, const EdgeletNeighbours& near,
                   std::vector<vcEdgelet>& edges, std::vector<float>& positions, EdgeLinks& links);

}  // namespace vc_edge_detail
