#pragma once

// Ridge seeds: the local maxima of a distance image (distance_transform.h), where ridge
// following starts.
//
//   std::vector<vc_SeedInfo> seeds;
//   vc_skeleton::findRidgeSeeds(distance, 0, seeds);   // highest value first
//
// A pixel is a seed when its value is strictly greater than its left, upper-left, upper and
// upper-right neighbours and at least its right, lower-right, lower and lower-left ones; the
// asymmetric rule keeps one seed on a plateau of equal values. Pixels of the outermost rows and
// columns compare with the neighbours that exist only.

#include <vector>

#include "platform/base/pel_buffer.h"
#include "tavshsl/export.h"

// One seed: its pixel, in window coordinates of the distance image, and its value.
struct vc_SeedInfo {
  long x = 0;
  long y = 0;
  unsigned char value = 0;
};

namespace vc_skeleton {

// seeds := the seeds of distance whose value is at least threshold, highest value first;
// seeds of equal value come in the reverse of the order in which they were found (inner rows
// row by row, then the first and last row, the first and last column, the four corners).
// An image of width or height 2 or less is searched as if framed by a border of zeros, so its
// corners and edges count as maxima against that frame; coordinates stay those of the image,
// and frame pixels of value 0 can be seeds themselves (at -1 or width, height), as nothing
// exceeds them on their upper and left sides. An empty image has no seeds.
// Throws: vcBadParamsError when distance is unbound (seeds is then unchanged).
TAVSHSL_API void findRidgeSeeds(const vcPelBuffer_const<unsigned char>& distance,
                                unsigned char threshold, std::vector<vc_SeedInfo>& seeds);

}  // namespace vc_skeleton
