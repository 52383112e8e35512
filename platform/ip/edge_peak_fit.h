#pragma once

// Sub-pixel location of gradient-magnitude peaks from samples along a row or column, for a
// batch of peaks at a time so that the fit runs as vector code.

namespace vc_edge_detail {

// The seven samples of each peak, at steps -3..3 across it: sample k of peak n is
// p[k * stride + n], p[3 * stride + n] > 0 being the peak sample.
struct PeakSamples {
  const float* p;
  long stride;
};

// Offsets of n peaks from their centre samples, in sample steps, into offset[0..n-1]. A sample
// <= 0 ends the support on its side (callers put 0 where the gradient turns against the
// peak's or the image ends), so an opposite edge nearby does not pull the peak.
//
// The fit is a Gaussian: weighted least squares of ln p = c0 + c1 k + c2 k^2 over the support,
// weights p^2 (the inverse variance of ln p under noise of fixed size), so that the strong
// central samples count most and the wide support averages noise. It is exact for a Gaussian
// profile, which is what a blurred edge shows across it, and reduces to the three-point
// log-parabola when only three samples are left.
// Each offset is -c1 / (2 c2) clamped to [-1, 1]; 0 when the fit has no maximum. With two
// samples left (a sharp step on a pixel boundary) it is their centroid, with one 0.
void peakOffsets(const PeakSamples& samples, long n, float* offset);

}  // namespace vc_edge_detail
