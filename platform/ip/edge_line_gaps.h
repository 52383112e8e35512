#pragma once

// Filling short gaps between two straight runs of one edge, a step of the edge detector on
// noisy images and, for faint edges, on quiet ones, and one-pixel holes in curved edges, a step
// on every image (edge_detect.cpp):
//
//   vc_edge_detail::EdgeletNeighbours near;  near.build(y0, height, edges);
//   vc_edge_detail::EdgeLinks links(near, edges);
//   vc_edge_detail::fillLineGaps(image, threshold, scale, near, edges, positions, links, ends);
//   vc_edge_detail::fillArcHoles(image, threshold, scale, near, edges, positions, links);
//
// Along a faint side under noise the gradient magnitude wanders about the threshold, and a few
// pixels in a row can fall below it. The side then comes out as two runs with a gap of a few
// pixels between them, and trackers that step from a pixel to a neighbouring one end the line
// there. Where the end of one steady run faces another steady run across such a gap, on the
// same line and pointing the same way, and every pixel of the gap still has a gradient across
// the edge that a faint peak joining an edge needs (kWeakFraction of the threshold, within
// kJoinCodes of the edge's direction: edge_hysteresis.h), the gap's pixels get edgelets. Both
// runs must be steady (kGapRunLeast edgelets within kGapCodes of the end's direction), so
// noise alone, whose runs are short and whose directions wander, is seldom joined.
//
// The new edgelets lie on the chord between the two end positions, one per pixel where the
// chord crosses the gap, one pixel along its major axis at a time, so that tracers that take
// one of three neighbours along their direction walk the gap. Each takes the gradient across
// the edge at its pixel as magnitude and the mean direction of the two ends.
//
// Over 3 x 300 generated scenes this joins a third of the gaps where a line stopped inside a
// faint noisy side with no edgelet in reach. On images below the detector's noise level for
// wide smoothing the faint sides (contrast 20 to 40) break at such gaps too, where blur and
// milder noise bring the gradient below the weak threshold for a pixel or two: there only
// gaps between faint ends are filled (GapEnds::below), and only between runs that point within
// kQuietGapCodes of each other, since directions scatter less without the noise and stronger
// edges break mostly where two edges meet.
//
// On a circle's rim a single pixel can miss an edgelet, or hold one that links on a step
// aside, and the chains the circle finder seeds its arcs from break there; large circles,
// whose rims run nearly straight for long stretches, lose the most. A one-pixel hole is filled
// the same way (gradient across the edge, chord, mean direction) where the kArcRunLeast
// edgelets before it and after it bend on one circle: both hole ends off the chord of the far
// ends on one side, every edgelet near the circle through the far ends and the hole and
// pointing along its radius, and that circle fitting them clearly better than a straight line
// does. The bend keeps straight sides and corners out, so no chain grows along a side into the
// corner pieces that small false circles fit.

#include <cstdint>
#include <vector>

#include "platform/base/pel_buffer.h"
#include "platform/ip/edge_links.h"
#include "platform/ip/edge_neighbours.h"
#include "platform/ip/edgelet.h"

namespace vc_edge_detail {

// Most pixels of a gap filled: larger gaps are more often the space between two edges.
inline constexpr int kGapMostPixels = 5;

// Fewest edgelets of the run behind each end, the end included, within kGapCodes of its
// direction.
inline constexpr int kGapRunLeast = 4;

// Largest direction difference, codes of 256 per turn, between the two ends and between an end
// and its run: 22.5 degrees, the spread of directions along a straight edge in noise.
inline constexpr int kGapCodes = 16;

// Largest direction difference between the ends and their runs on quiet images. With
// kGapCodes there, shapes found by shape selection moved (polygons 0.013 pixel further off
// over 40 scenes) where gaps at shallow corners were filled; with 12 they stay as they were.
inline constexpr int kQuietGapCodes = 12;

// Which gap ends fillLineGaps joins: both below `below` in magnitude, runs and ends within
// `codes` of each other's direction.
struct GapEnds {
  int codes = kGapCodes;
  int below = 65536;
};

// Fewest edgelets of each run either side of a hole in a curved edge, the hole's end included.
inline constexpr int kArcRunLeast = 12;

// Least distance, pixels, of each hole end from the chord of the runs' far ends: less is
// within the scatter of a straight edge in noise.
inline constexpr double kArcLeastBend = 0.3;

// Largest distance, pixels, of a run's edgelet from the circle through the far ends and the
// hole.
inline constexpr double kArcMostOff = 0.7;

// Largest difference, codes of 256 per turn, between a run edgelet's direction and the radius
// of that circle through it: 8.4 degrees.
inline constexpr int kArcCodes = 6;

// How many times smaller the runs' RMS distance to that circle must be than to the best line.
inline constexpr double kArcBetterFit = 3.0;

// Adds the edgelets of the gaps of `edges` (raster order, at most one per pixel, indexed by
// `near`, pixel coordinates in the image's offset coordinates) described above, with their
// positions in `positions` (x, y pairs, one per edgelet, while the edgelets sit at their pixel
// centres), or, when `positions` is empty, at their own positions. image is the image the
// gradient was taken on, threshold the smallest squared Sobel magnitude of an edgelet, scale
// = magScale / 8; `links` the edgelets' links of edge_links.h. Ensures: raster order kept, at
// most one edgelet per pixel, `near` and `links` updated.
void fillLineGaps(const vcPelBuffer_const<unsigned char>& image, std::int32_t threshold,
                  float scale, EdgeletNeighbours& near, std::vector<vcEdgelet>& edges,
                  std::vector<float>& positions, EdgeLinks& links, GapEnds ends = {});

// As fillLineGaps, for the one-pixel holes in curved edges described above.
void fillArcHoles(const vcPelBuffer_const<unsigned char>& image, std::int32_t threshold,
                  float scale, EdgeletNeighbours& near, std::vector<vcEdgelet>& edges,
                  std::vector<float>& positions, EdgeLinks& links);

}  // namespace vc_edge_detail
