#include "ridge_trace.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "platform/base/exception.h"
#include "platform/base/line_fitter.h"
#include "ridge_follow.h"
#include "ridge_seeds.h"

namespace vc_skeleton {
namespace {

// True when a pixel of the 3 x 3 block around (ix, iy), clipped to the image, carries a label
// of this pass (above base).
bool nearLabel(const std::vector<std::uint16_t>& labels, std::uint16_t base, long w, long h,
               long ix, long iy) {
  for (long y = std::max(iy - 1, 0L); y <= std::min(iy + 1, h - 1); ++y)
    for (long x = std::max(ix - 1, 0L); x <= std::min(ix + 1, w - 1); ++x)
      if (labels[std::size_t(y * w + x)] > base) return true;
  return false;
}

// The floor below which following stops, for a seed of value d: at least 4, so that strokes
// two pixels wide or less never carry a ridge, and otherwise 5 below the seed or widthFactor of
// it, whichever is lower.
double ridgeFloor(long d, double widthFactor) {
  return std::max(4.0, std::min(double(d - 5), std::floor(double(d) * widthFactor)));
}

}  // namespace

void traceRidges(const vcPelBuffer_const<unsigned char>& distance, const vsRidgeParams& params,
                 std::vector<vc_ridgeLine>& ridges) {
  if (!distance.isBound()) throw vcBadParamsError(L"traceRidges: distance must be a bound image");
  std::vector<vc_SeedInfo> seeds;
  findRidgeSeeds(distance, params.seedThreshold, seeds);
  traceRidges(distance, params, seeds, ridges);
}

void traceRidges(const vcPelBuffer_const<unsigned char>& distance, const vsRidgeParams& params,
                 const std::vector<vc_SeedInfo>& seeds, std::vector<vc_ridgeLine>& ridges) {
  vsRidgeLabelMap labels;
  traceRidges(distance, params, seeds, ridges, labels);
}

void traceRidges(const vcPelBuffer_const<unsigned char>& distance, const vsRidgeParams& params,
                 const std::vector<vc_SeedInfo>& seeds, std::vector<vc_ridgeLine>& ridges,
                 vsRidgeLabelMap& labelMap) {
  if (!distance.isBound()) throw vcBadParamsError(L"traceRidges: distance must be a bound image");
  if (!std::isfinite(params.widthFactor))
    throw vcBadParamsError(L"traceRidges: widthFactor must be finite");
  const long w = distance.width(), h = distance.height();

  // Seeds, each centred on its ridge across the pass direction.
  const vcXform<2>& clientFromImage = distance.clientFromImageXform();
  const vcVector<2> offset(distance.offset());
  const vcXform<2>& imageFromClient = distance.imageFromClientXform();
  std::vector<vcVector<2>> refined;
  refined.reserve(seeds.size());
  for (const vc_SeedInfo& seed : seeds) {
    const vcVector<2> start = clientFromImage.mapPoint(vcVector<2>(seed.x, seed.y) + offset);
    refined.push_back(refineOnRidge(distance, ridgeFollowParams(params.direction, 4.0, start)));
  }

  // Labels of this pass count up from base + 2; a fresh map when there is no room left.
  const std::size_t numPixels = std::size_t(w) * std::size_t(h);
  if (labelMap.labels.size() != numPixels || labelMap.last >= UINT16_MAX - 1) {
    labelMap.labels.assign(numPixels, 0);
    labelMap.last = 0;
  }
  std::vector<std::uint16_t>& labels = labelMap.labels;
  const std::uint16_t base = labelMap.last;
  std::vector<vc_ridgeLine> found;
  found.reserve(refined.size());
  std::uint16_t label = std::uint16_t(base + 1);
  std::vector<vcVector<2>> forward, backward;
  for (const vcVector<2>& p : refined) {
    const vcVector<2> q = imageFromClient.mapPoint(p) - offset;
    const long ix = long(q.x()), iy = long(q.y());
    if (nearLabel(labels, base, w, h, ix, iy)) continue;
    // Labels only mark; past the last 16-bit label every ridge keeps the last one.
    if (label < UINT16_MAX) ++label;
    const bool inside = ix >= 0 && iy >= 0 && ix < w && iy < h;
    const long d = inside ? distance.pointToRow(iy)[ix] : 0;
    const double floorValue = ridgeFloor(d, params.widthFactor);

    // Follow forward, then backward from the same start.
    followRidge(distance, ridgeFollowParams(params.direction, floorValue, p), forward, labels, w,
                label);
    followRidge(distance,
                ridgeFollowParams(params.direction + vcRadian(std::numbers::pi), floorValue, p),
                backward, labels, w, label);
    if (forward.size() + backward.size() < 6) continue;
    vc_ridgeLine ridge;
    ridge.direction = params.direction;
    ridge.points.reserve(forward.size() + backward.size());
    for (std::size_t i = backward.size(); i-- > 1;) ridge.points.push_back(backward[i]);
    ridge.points.insert(ridge.points.end(), forward.begin(), forward.end());
    found.push_back(std::move(ridge));
  }
  labelMap.last = label;
  ridges.insert(ridges.end(), std::make_move_iterator(found.begin()),
                std::make_move_iterator(found.end()));
}

void fitRidge(const vcPelBuffer_const<unsigned char>& distance, vc_ridgeLine& ridge, long index) {
  if (!distance.isBound()) throw vcBadParamsError(L"fitRidge: distance must be a bound image");
  const vcLSLineFitter fitter(ridge.points);
  const vcFLine line = fitter.fit();
  const double rms = fitter.error(line) / double(ridge.points.size());

  // Width: upper median of the distance values under the points.
  const vcXform<2>& imageFromClient = distance.imageFromClientXform();
  const vcVector<2> offset(distance.offset());
  const long w = distance.width(), h = distance.height();
  std::vector<unsigned char> values;
  values.reserve(ridge.points.size());
  for (const vcVector<2>& p : ridge.points) {
    const vcVector<2> q = imageFromClient.mapPoint(p) - offset;
    const long x = long(q.x()), y = long(q.y());
    values.push_back(x >= 0 && y >= 0 && x < w && y < h ? distance.pointToRow(y)[x] : 0);
  }
  const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());

  ridge.line = line;
  ridge.rms = rms;
  ridge.start = line.closestPoint(ridge.points.front());
  ridge.end = line.closestPoint(ridge.points.back());
  ridge.startPosition = line.distanceAlong(ridge.start);
  ridge.endPosition = line.distanceAlong(ridge.end);
  ridge.length = ridge.endPosition - ridge.startPosition;
  ridge.index = index;
  ridge.width = double(*middle);
}

}  // namespace vc_skeleton
