#pragma once

// The edge detector: binomial smoothing, 3x3 Sobel gradient, peak edgelets across the edge,
// sub-pixel positions.
//
//   vcEdgeletParams params(1.0, 20.0, 1);
//   params.magThresh(15.0);
//   vcEdgeletSet set;
//   vfEdgeDetect(image, params, set, nullptr, 0);   // edgelets at pixel centres
//   set.doEdgeInterp();                               // sub-pixel positions
//
//   vcPelBuffer<unsigned char> magnitude, angle;
//   vfEdgeDetect(image, params, magnitude, angle, nullptr, 0);   // per-pixel images
//
// Gradient. The image is first smoothed by the binomial filter (1 4 6 4 1) / 16 in both
// directions and rounded to 8 bits (edge_presmooth.h), which keeps noise from breaking faint
// and blurred edges; then the Sobel operator gives the gradient. Magnitudes are on the contrast
// scale: a sharp step of contrast C between two pixels peaks at C (the Sobel operator over 8
// gives it 5 C / 16, times 16 / 5), a ramp of slope s reads 3.2 s. An edge of contrast C
// blurred by 1.5 pixel peaks near 0.7 C, so the trackers' default threshold of 15 finds sides
// of contrast 22 and more at any blur up to that. Rows and columns beyond the image border
// repeat the border, so border pixels get a one-sided gradient. The direction points from dark
// to light, as an 8-bit code (0 along +x, 64 along +y), the code nearest to the true direction.
//
// Noisy images. When the image's noise (edge_noise.h) is 9 grey levels sigma or more, the
// smoothing is the wider binomial filter of sigma sqrt 2 instead, and magnitudes are scaled by
// 256 / 63 so that a sharp step still reads C. Noise then scatters the positions and directions
// of faint edges half as much, at the cost of corners rounded off half a pixel further.
//
// Edgelets. A pixel holds an edgelet when its scaled magnitude (magnitude x magScale, before
// rounding) is at least magThresh and it is a peak across the edge: along the gradient's
// dominant axis (the row when |gx| >= |gy|, else the column), of the pixels one and two steps
// away, those before it are weaker and those after it are not stronger (one edgelet on a
// plateau of two). Only neighbours whose gradient points the same way (within 90 degrees)
// compete, so both sides of a thin bar are found, and the two-step neighbours keep noise from
// splitting the broad peak of a blurred edge. Magnitudes outside the image count as 0.
//
// Pixels. An edgelet whose sub-pixel position lies in a neighbouring pixel without an
// edgelet (more than 0.02 pixel beyond its own) is moved there, keeping the peak's magnitude
// and direction: on a broad, noisy peak the strongest pixel can be the one beside the edge,
// and the staircase of a slanted edge would then step back (edge_settle.h).
//
// Faint stretches. A peak whose scaled magnitude reaches only 0.8 magThresh is kept too when
// it continues, within 2 pixels and pointing the same way, an edge that reaches magThresh (on
// noisy images: joins it over a span of 4 pixels or more; edge_hysteresis.h): so an edgelet
// may read less than magThresh. Faint, blurred edges whose magnitude wanders about the threshold then come
// out whole instead of in pieces.
//
// Gaps. Where noise set the peaks of neighbouring rows or columns two pixels apart, or made a
// diagonal edge lose a row's peak, one more edgelet joins the two sides of the gap when they
// belong to one edge (edge_bridge.h), so that tracers linking 8-neighbours follow the edge.
//
// Corners. The edgelet at the tip of a corner, where the smoothed direction turns the same
// way on both sides of it, takes the direction of the side it turns least towards and moves
// onto that side's edge line (edge_corners.h): a tracer starting at a corner's tip then
// follows the side from its end instead of making a short line of the corner.
//
// Sub-pixel position. A Gaussian is fitted to the gradient, projected on the edgelet's
// direction and smoothed (1 2 1) along the edge, at up to 3 pixels on each side along the
// same axis (vc_edge_detail::peakOffsets). Along a row or column the profile of a straight edge
// is its profile across the edge, stretched, so the peak found there lies on the edge; the
// edgelet is then placed at the foot of the perpendicular from its pixel centre to the edge,
// that is along its gradient direction. On anti-aliased edges blurred by 0.5 to 1.5 pixel and
// contrast 100, the RMS error across the edge is about 0.01 pixel for straight edges and 0.03
// for discs of radius 20 to 40 (curved edges come out about (blur^2 + 1.2) / (2 radius) pixel
// too far inwards, the smoothing included), 0.06 pixel with noise of 5 grey levels; the
// direction code is within 0.6 degree RMS.
//
// The diagnostics object and flags are accepted for the common tool signature; the detector
// records nothing.

#include "platform/base/pel_buffer.h"
#include "platform/ip/edgelet.h"

class vcDiagObject;

// Replaces the contents of edgelets with the edgelets of image (see above), in raster order,
// pixel coordinates in the image's offset coordinates, positions at the pixel centres until
// edgelets.doEdgeInterp(); the set takes the image's client transform. An image of width or
// height 0 gives an empty set.
// Requires: every pixel coordinate of the image (offset to offset + size - 1) in [0, 65535].
// Throws: vcBadParamsError for an unbound image or coordinates out of range; edgelets is then
// unchanged.
void vfEdgeDetect(const vcPelBuffer_const<unsigned char>& image, const vcEdgeletParams& params,
                  vcEdgeletSet& edgelets, vcDiagObject* diag = nullptr, unsigned long flags = 0);

// The edgelet form above followed by edgelets.doEdgeInterp(), with the same result, but
// faster: every edgelet is placed at its sub-pixel position as it is found, without its
// position held aside first. For callers that interpolate at once (the edgelet map does).
// Throws: as the edgelet form.
void vfEdgeDetectInterpolated(const vcPelBuffer_const<unsigned char>& image,
                              const vcEdgeletParams& params, vcEdgeletSet& edgelets);

// The image checks of the edgelet form above, on their own, for callers that must know before
// they start that the detector will accept the image.
// Throws: vcBadParamsError for an unbound image or coordinates out of range.
void vfEdgeDetectCheckImage(const vcPelBuffer_const<unsigned char>& image);

// Writes the gradient of every pixel instead of edgelets: magnitudeImage gets the scaled
// magnitude rounded and saturated to 255 (magThresh does not apply), angleImage the direction
// code (0 where the gradient is zero). Both are new images of the input's size with its offset
// and client transform, rows aligned to 32 bytes.
// Throws: vcBadParamsError for an unbound image; the outputs are then unchanged.
void vfEdgeDetect(const vcPelBuffer_const<unsigned char>& image, const vcEdgeletParams& params,
                  vcPelBuffer<unsigned char>& magnitudeImage,
                  vcPelBuffer<unsigned char>& angleImage, vcDiagObject* diag = nullptr,
                  unsigned long flags = 0);
