#pragma once

// Skeletal segment extraction: the centre-lines of bright thick strokes as line segments with
// stroke widths, for matching stroke templates.
//
//   const vcPelBuffer<unsigned char> lut = vfMakeDistanceLut();   // once
//   std::vector<vcFoundSegment> segments;
//   vfExtractSkeletalSegments(image, segments, 20.0, lut);
//   for (const vcFoundSegment& s : segments) use(s.segment(), s.width(), s.magnitude());
//
// Pipeline: a 9 x 9 median filter; local binarisation (binarize_locally.h: edge threshold 20,
// fraction 0.55, ceiling 200, at least 100 edge pixels per window); stroke regions under 1000
// pixels removed and holes under 400 pixels filled; the distance transform
// (distance_transform.h); two ridge passes, along x and then along y (ridge_trace.h); one line
// fit per ridge. A stroke must therefore be wider than 2 pixels, cover at least 1000 pixels and
// stand out from its surroundings by its edges.
//
// Each segment runs along its ridge's pass direction, in the input's client coordinates; its
// width is the stroke width (the upper median of the distance values along the ridge) in client
// units (pixels times the client transform's scale); its magnitude is 255 for a ridge whose
// points lie within 1 pixel squared of their line on average, 255 / (mean squared residual)
// otherwise; its polarity is eForward. Ridges of the x pass come first.

#include <vector>

#include "distance_lut.h"
#include "platform/base/pel_buffer.h"
#include "tavshsl/export.h"
#include "tavshsl/segments.h"

// The working images of one extraction, for display: the median-filtered input, the stroke mask
// after speck and hole removal (stroke pixels 255) and the distance image (twice the distance
// to the background, saturated at 255). All of the input window's size.
struct vsSkeletalStages {
  vcPelBuffer<unsigned char> cleaned;
  vcPelBuffer<unsigned char> mask;
  vcPelBuffer<unsigned char> distance;
};

// segments := the stroke centre-line segments of image (see above) whose length in pixels is at
// least minLength. distanceLut: the table of vfMakeDistanceLut(). stages: when not null,
// receives the working images. An image of width or height 0 gives no segments.
// Throws: vcBadParamsError when image is unbound, distanceLut is not a 256 x 256 image or
// minLength is not a number (segments is then unchanged).
TAVSHSL_API void vfExtractSkeletalSegments(vcPelBuffer_const<unsigned char> image,
                                           std::vector<vcFoundSegment>& segments, double minLength,
                                           const vcPelBuffer_const<unsigned char>& distanceLut,
                                           vsSkeletalStages* stages = nullptr);

namespace vc_skeleton {

// Stroke regions (255) of fewer than 1000 pixels become background and background regions of
// fewer than 400 pixels become stroke, in place. mask: stroke pixels 255, others 0.
// Throws: vcBadParamsError when mask is unbound or empty.
TAVSHSL_API void removeSpecksAndHoles(const vcPelBuffer<unsigned char>& mask);

}  // namespace vc_skeleton
