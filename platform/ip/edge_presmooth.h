#pragma once

// Smoothing of the image before the edge detector's gradient: the separable binomial filter
// (1 4 6 4 1) / 16 in each direction (a Gaussian of 1 pixel sigma, nearly), computed in
// integers and rounded once to 8 bits, with rows and columns beyond the border repeating the
// border.
//
// Why. The 3x3 Sobel gradient alone sees an edge through a 3-pixel window, so noise of 8 to
// 12 grey levels breaks faint and blurred edges into pieces and scatters their directions.
// After this filter the gradient noise is less than a third of what it was, while the peak of
// a sharp step falls only from C / 2 to 5 C / 16 and that of an edge blurred by 1.5 pixel by
// a quarter; edges 4 pixels apart stay apart.

#include "platform/base/pel_buffer.h"

namespace vc_edge_detail {

// The smoothed copy of image: same size, offset and client transforms, rows aligned to 32.
// Requires: image bound, width and height at least 1.
vcPelBuffer<unsigned char> presmooth(const vcPelBuffer_const<unsigned char>& image);

// The same with the binomial filter (1 8 28 56 70 56 28 8 1) / 256, a Gaussian of sigma
// sqrt 2 (the filter above applied twice, rounded once), for noisy images: the gradient noise
// falls by a further half while a sharp step's peak falls from 5 C / 16 to 63 C / 256 and
// corners round off half a pixel further. Applied to the narrow filter's output it gives the
// wider filter of noisy, blurred images: the binomial filter of 13 taps, a Gaussian of sigma
// sqrt 3, rounded after each of the two filters (the 13-tap sums would not fit the 16-bit
// lanes), under which a sharp step peaks at 858 C / 4096.
vcPelBuffer<unsigned char> presmoothWide(const vcPelBuffer_const<unsigned char>& image);

}  // namespace vc_edge_detail
