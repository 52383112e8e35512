#pragma once

// Sub-pixel location of a gradient-magnitude peak from samples along a row or column.

namespace vc_edge_detail {

// Offset of the peak from the centre sample, in sample steps, from seven samples p[0..6] at
// steps -3..3, p[3] > 0 being the peak sample. A sample <= 0 ends the support on its side
// (callers put 0 where the gradient turns against the peak's or the image ends), so an
// opposite edge nearby does not pull the peak.
//
// The fit is a Gaussian: weighted least squares of ln p = c0 + c1 k + c2 k^2 over the support,
// weights p^2 (the inverse variance of ln p under noise of fixed size), so that the strong
// central samples count most and the wide support averages noise. It is exact for a Gaussian
// profile, which is what a blurred edge shows across it, and reduces to the three-point
// log-parabola when only three samples are left.
// Returns -c1 / (2 c2) clamped to [-1, 1]; 0 when the fit has no maximum. With two samples
// left (a sharp step on a pixel boundary) it returns their centroid, with one 0.
float peakOffset(const float* p);

}  // namespace vc_edge_detail
