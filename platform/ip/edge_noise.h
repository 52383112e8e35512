#pragma once

// How noisy an image is, for the edge detector's choice of smoothing (edge_detect.h):
//
//   double sigma = vc_edge_detail::noiseSigma(image);   // grey levels
//
// The filter [1 -2 1; -2 4 -2; 1 -2 1] (a second difference in both directions) cancels the
// image's own grey levels wherever they are flat or change linearly, and turns white noise of
// sigma s into values of sigma 6 s. Edges and corners respond too, but they cover a small share
// of the pixels, so the median of the absolute response, divided by 0.6745 x 6, gives s (the
// median of |x| for a normal x of sigma 1 is 0.6745). Every second pixel of every eighth row
// is read, which is plenty for a median.

#include "platform/base/pel_buffer.h"

namespace vc_edge_detail {

// The noise sigma of image in grey levels, 0 for an image smaller than 3 x 3 pixels. Requires:
// image bound.
double noiseSigma(const vcPelBuffer_const<unsigned char>& image);

}  // namespace vc_edge_detail
