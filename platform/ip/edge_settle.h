#pragma once

// Putting each edgelet in the pixel that holds its position, a step of the edge detector
// (edge_detect.cpp):
//
//   std::vector<vcEdgelet> edges;  std::vector<float> positions;   // from the peak search
//   vc_edge_detail::settleInPixels(x0, y0, width, height, edges, positions);
//
// Across a blurred edge the gradient peak is broad and flat, and noise can make the pixel
// beside the one that holds the edge the strongest: the edgelet then sits in one pixel while
// its sub-pixel position lies in the next. Along a slanted edge that turns a staircase that
// always steps the same way into one that steps back now and then, which tracers that look
// ahead in one direction only cannot follow. An edgelet whose position lies in a neighbouring
// pixel (more than 0.02 pixel beyond its own) that holds no edgelet is moved there,
// keeping its magnitude and direction, those of the peak; the others stay.

#include <vector>

#include "platform/ip/edgelet.h"

namespace vc_edge_detail {

// Moves the edgelets of `edges` (in raster order, at most one per pixel, pixel coordinates in
// the image's offset coordinates; the image's pixels are [x0, x0 + width) x [y0, y0 + height))
// to the pixels holding their positions where those are free neighbours inside the image.
// The positions are x, y pairs in `positions`, one pair per edgelet, while the edgelets sit at
// their pixel centres; or, when `positions` is empty, the edgelets' own positions. Ensures: both
// vectors in raster order again, at most one edgelet per pixel.
void settleInPixels(long x0, long y0, long width, long height, std::vector<vcEdgelet>& edges,
                    std::vector<float>& positions);

}  // namespace vc_edge_detail
