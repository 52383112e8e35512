#pragma once

// The pixel probe: the grey values on the dark and the light side of a run of edgelets, shared
// by the chain tracker and the line tracker.
//
//   vc_tracker_detail::PelAverages pels =
//       vc_tracker_detail::probePels(map.image(), map.edges(), indexes, count);
//
// For each edgelet at pixel (i, j) it walks up to 3 pixels from (i, j) along the neighbour step
// nearest to the gradient, keeping the largest grey value, and up to 3 pixels against it,
// keeping the smallest; both start at the grey value of (i, j), and a walk stops at the last
// pixel inside the image. Since the gradient points from dark to light, the largest value is
// the light one and the smallest the dark one.

#include <vector>

#include "platform/base/pel_buffer.h"
#include "platform/ip/edgelet.h"

namespace vc_tracker_detail {

struct PelAverages {
  double dark = 0.0;   // mean of the smallest values
  double light = 0.0;  // mean of the largest values
};

// The probe over the edgelets edges[indexes[0]], ..., edges[indexes[count - 1]], whose pixel
// coordinates are image coordinates of `image` (offset coordinates). (0, 0) for count <= 0.
// Throws: vcBadParamsError when an index is not one of edges or an edgelet's pixel lies
// outside the image.
PelAverages probePels(const vcPelBuffer_const<unsigned char>& image,
                      const std::vector<vcEdgelet>& edges, const long* indexes, long count);

}  // namespace vc_tracker_detail
