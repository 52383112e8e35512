#pragma once

// How blurred an image's edges are, for the edge detector's choice of smoothing
// (edge_detect.cpp):
//
//   vcPelBuffer<unsigned char> smoothed = vc_edge_detail::presmooth(image);
//   double width = vc_edge_detail::edgeWidth(smoothed, 4.0);   // pixels sigma, 0 if unknown
//
// A step of contrast C with a Gaussian profile of sigma s has a slope of
// C / (sqrt(2 pi) s) at its centre, so the ratio of the grey step across an edge to its
// steepest slope is sqrt(2 pi) s whatever C is. Every fourth row and column of the smoothed
// image is searched for steep, isolated steps (the slope a local maximum along the row or column,
// flat again 4 pixels on either side, the gradient within 30 degrees of the row or column);
// each gives that ratio, corrected for the angle at which the row or column crosses the edge,
// and the median over them gives s. Noise and the few steps that are not isolated edges spread
// the ratios, but the median of many edges holds: over generated scenes of blur 0 to 1.5 and
// noise 0 to 12 it varies by 0.05 pixel at most between scenes of equal blur. A sharp step
// after the narrow filter measures about 1.24 pixels, and blur b adds its variance.

#include "platform/base/pel_buffer.h"

namespace vc_edge_detail {

// The profile width (sigma, pixels) of the steep edges of a smoothed image, as above; 0 when
// fewer than kMinEdgeSamples steps qualify. Requires: image bound. minSlope: the smallest
// slope (grey levels per pixel, central difference over 2) of a step taken, so that noise
// stays out.
double edgeWidth(const vcPelBuffer_const<unsigned char>& image, double minSlope);

// Steps needed for a width: fewer give no estimate.
inline constexpr long kMinEdgeSamples = 40;

}  // namespace vc_edge_detail
