#pragma once

// How round the outline near a circle is, measured at full resolution: a circle candidate that
// passes the outline pattern may still be a small polygon, whose sides lie within a pixel or two
// of a circle but bend away from it regularly all the way round.

#include "platform/base/pel_buffer.h"
#include "platform/base/vector.h"
#include "tavshsl/export.h"

namespace vc_shapeselect {

struct vsRoundness {
  long rays = 0;        // rays whose edge entered the final fit; 0 when no fit was made
  double radius = 0.0;  // mean distance of the edges from the centre, pixels
  // The largest amplitude of harmonics 2 to 8 of the edge distance around the outline, and
  // its order: a regular polygon of n sides bends away from a circle at order n.
  double bend = 0.0;
  long order = 0;
  // Scatter of one ray's edge about the fit, pixels.
  double noise = 0.0;
};

// Casts rays from centre (image coordinates) across the outline of radius `radius` (pixels),
// about one per two pixels of circumference (at least 48), finds on each the strongest grey-level
// step of the outline's polarity to a fraction of a pixel, and describes the edge distance
// around the outline by its harmonics. Rays reaching outside the image find nothing; with fewer
// than 34 edges there is no fit, nor for a radius that is not positive and finite or exceeds the
// image's width plus height (rays then stays 0).
TAVSHSL_API vsRoundness circleRoundness(const vcPelBuffer_const<unsigned char>& image,
                                        const vcVector<2>& centre, double radius);

// Whether the outline measured is a circle: true unless its bend is both over half a pixel plus
// 1 % of the radius (what pixel sampling and the tool's precision allow) and far over what
// noise explains. True as well without a fit: too little to tell.
TAVSHSL_API bool looksRound(const vsRoundness& roundness);

}  // namespace vc_shapeselect
