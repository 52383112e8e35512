#pragma once

// One ridge pass over a distance image: seeds, their centring, and the following of each ridge
// both ways along one direction, with a label map so that each ridge is followed once.
//
//   vsRidgeParams params;                    // seed threshold 0, width factor 0.8
//   params.direction = vcRadian(0);          // ridges running roughly along x
//   std::vector<vc_ridgeLine> ridges;
//   vc_skeleton::traceRidges(distance, params, ridges);
//   for (vc_ridgeLine& r : ridges) vc_skeleton::fitRidge(distance, r, index++);
//
// Seeds are taken highest first; a seed within one pixel of a pixel that an earlier ridge's
// profiles sampled is skipped. Following stops where the ridge falls below
// max(4, min(d - 5, floor(d * widthFactor))), d the seed's value: a thin stroke (value 2 or 4
// at its centre) gives no ridge, and a ridge ends where its stroke thins well below the seed's
// width. Ridges of fewer than 6 points are dropped. Points are in the distance image's client
// coordinates.

#include <cstdint>
#include <vector>

#include "platform/base/angle.h"
#include "platform/base/fline.h"
#include "platform/base/pel_buffer.h"
#include "platform/base/vector.h"
#include "ridge_seeds.h"
#include "tavshsl/export.h"

// Settings of one ridge pass.
struct vsRidgeParams {
  unsigned char seedThreshold = 0;  // seeds need at least this distance value
  double widthFactor = 0.8;         // ridge floor as a fraction of the seed's value
  vcRadian direction;               // 0: ridges along x; pi / 2: along y
};

// One traced ridge and, once fitRidge has run, its fitted segment.
struct vc_ridgeLine {
  vcRadian direction;               // the pass direction
  std::vector<vcVector<2>> points;  // from the backward end to the forward end
  vcFLine line;                     // least-squares line through the points
  double rms = 0.0;                 // mean squared distance of the points from line
  double startPosition = 0.0;       // positions of start and end along line
  double endPosition = 0.0;
  double length = 0.0;     // endPosition - startPosition
  vcVector<2> start, end;  // first and last point projected onto line
  long index = 0;          // position in the pass's ridge list
  double width = 0.0;      // upper median of the distance values at the points
};

namespace vc_skeleton {

// Appends the ridges of one pass over distance to ridges.
// Throws: vcBadParamsError when distance is unbound or params.widthFactor is not finite
// (ridges is then unchanged).
TAVSHSL_API void traceRidges(const vcPelBuffer_const<unsigned char>& distance,
                             const vsRidgeParams& params, std::vector<vc_ridgeLine>& ridges);

// The same with the seeds of distance given (as findRidgeSeeds returns them for
// params.seedThreshold), so that passes in several directions share one seed search.
TAVSHSL_API void traceRidges(const vcPelBuffer_const<unsigned char>& distance,
                             const vsRidgeParams& params, const std::vector<vc_SeedInfo>& seeds,
                             std::vector<vc_ridgeLine>& ridges);

// A label map that several passes over one distance image share: each pass numbers its ridges
// on from the highest label of the passes before, so that the map need not be cleared between
// passes (labels of earlier passes count as unvisited). Start with a default-constructed one.
struct vsRidgeLabelMap {
  std::vector<std::uint16_t> labels;  // row-major, one per pixel
  std::uint16_t last = 0;             // highest label of the passes so far
};

// The same, marking visited pixels in `labels`, which is (re)made when its size does not match
// the image or its labels are used up.
TAVSHSL_API void traceRidges(const vcPelBuffer_const<unsigned char>& distance,
                             const vsRidgeParams& params, const std::vector<vc_SeedInfo>& seeds,
                             std::vector<vc_ridgeLine>& ridges, vsRidgeLabelMap& labels);

// Fits ridge's line, end points, length and rms (the mean squared residual) and takes its
// width: the upper median of the distance values at its points (coordinates truncated), in
// pixels. index is stored as is.
// Throws: vcBadParamsError when distance is unbound or the ridge has fewer than two distinct
// points (ridge is then unchanged).
TAVSHSL_API void fitRidge(const vcPelBuffer_const<unsigned char>& distance, vc_ridgeLine& ridge,
                          long index);

}  // namespace vc_skeleton
