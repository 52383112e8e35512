#pragma once

// Re-centring a point on the ridge of a distance image and following the ridge in one fixed
// direction. Used by ridge tracing (ridge_trace.h); exported for tests and tools.
//
//   vsRidgeFollowParams settings = vc_skeleton::ridgeFollowParams(vcRadian(0), 4.0, start);
//   vcVector<2> centred = vc_skeleton::refineOnRidge(distance, settings);
//   settings.startPoint = centred;
//   std::vector<vcVector<2>> points;
//   vc_skeleton::followRidge(distance, settings, points, labels, distance.width(), 2);
//
// Points are in the distance image's client coordinates; the sampling works in its window
// pixel coordinates (centre of pixel (i, j) at (i + 0.5, j + 0.5)). The cross profile is
// 2 * halfCount + 1 bilinear samples (single precision) spaced |normal| / halfCount apart along
// the normal, centred on the point; a parabola through the largest sample and its two
// neighbours places the ridge between samples. Points closer to the image border than the
// normal reaches (plus 0.6 pixel) are never sampled.

#include <cstdint>
#include <vector>

#include "platform/base/angle.h"
#include "platform/base/pel_buffer.h"
#include "platform/base/vector.h"
#include "tavshsl/export.h"

// Settings of re-centring and following.
struct vsRidgeFollowParams {
  double minRidgeValue = 4.0;  // following stops where the profile's maximum falls below this
  vcRadian direction;          // direction of following, image axes
  vcVector<2> normal;          // across the ridge, length 3 pixels, at direction + 90 degrees
  long halfCount = 2;          // samples on each side of the centre of the profile
  double stepLength = 1.0;     // pixels moved along direction per step
  vcVector<2> startPoint;      // client coordinates
};

namespace vc_skeleton {

// Settings for direction theta (image axes): normal of length 3 at theta + 90 degrees, half
// count 2, step 1 pixel.
TAVSHSL_API vsRidgeFollowParams ridgeFollowParams(vcRadian theta, double minRidgeValue,
                                                  const vcVector<2>& start);

// One re-centring step of p (client coordinates) across the ridge; p unchanged when it lies
// within the margin of the border.
// Throws: vcBadParamsError for an unbound image; vcAssertionFailure for settings out of range
// (step length <= 0, minimum ridge value < 0, half count < 1 or > 16).
TAVSHSL_API vcVector<2> centreOnRidge(const vcPelBuffer_const<unsigned char>& distance,
                                      const vsRidgeFollowParams& settings, const vcVector<2>& p);

// centreOnRidge repeated from settings.startPoint up to 10 times, stopping once a step moves the
// point less than 1e-5 pixel. Throws: as centreOnRidge.
TAVSHSL_API vcVector<2> refineOnRidge(const vcPelBuffer_const<unsigned char>& distance,
                                      const vsRidgeFollowParams& settings);

// points := the start and the ridge points met by stepping stepLength along direction and
// re-centring across it, until the point nears the border, the profile's maximum falls below
// minRidgeValue, or the maximum is at an end of the profile (the ridge turned away). Every
// sample taken marks its pixel in labels (row-major, `width` labels per row) with label.
// No points when the start lies within the margin.
// Throws: as centreOnRidge; vcBadParamsError when labels is smaller than the image or width
// differs from the image's.
TAVSHSL_API void followRidge(const vcPelBuffer_const<unsigned char>& distance,
                             const vsRidgeFollowParams& settings, std::vector<vcVector<2>>& points,
                             std::vector<std::uint16_t>& labels, long width, std::uint16_t label);

}  // namespace vc_skeleton
