#include <algorithm>
#include <cmath>

#include "platform/base/exception.h"
#include "segment_mapping.h"
#include "tavshsl/corresponder_model.h"

namespace {

// More samples than this would exhaust memory rather than serve a training.
constexpr double kMaxSamples = 1e6;

// A sampling grid: values first, first + step, ... while <= last.
struct Grid {
  double first = 1.0;
  double last = 1.0;
  double step = 1.0;
};

// The largest distance between two end points of the segments, or segment length.
double modelExtent(const std::vector<vcModelSegment>& segments) {
  double maxDist = 0.0;
  for (std::size_t i = 0; i < segments.size(); ++i) {
    const vcLineSeg& a = segments[i].segment();
    for (std::size_t j = i; j < segments.size(); ++j) {
      const vcLineSeg& b = segments[j].segment();
      maxDist = std::max({maxDist, b.p1().distance(a.p1()), b.p2().distance(a.p1()),
                          b.p1().distance(a.p2()), b.p2().distance(a.p2()),
                          segments[i].length(), segments[j].length()});
    }
  }
  return maxDist;
}

// The grid anchored at 1.0 with the given spacing, from the grid value nearest range.start()
// up to range.end(). std::round rounds halves away from zero. An infinite spacing (a model
// of extent 0) makes first NaN, and the grid is empty.
Grid anchoredGrid(const vcRange& range, double spacing) {
  const double k = std::round((1.0 - range.start()) / spacing);
  return Grid{1.0 - k * spacing, range.end(), spacing};
}

// Approximate number of grid values (repeated addition may gain or lose the last one).
double gridCount(const Grid& g) {
  if (!(g.first <= g.last)) return 0.0;
  return std::floor((g.last - g.first) / g.step) + 1.0;
}

}  // namespace

void vcSegmentCorresponderModel::iterateDOFsBase(
    std::vector<vcSegmentCorresponderDofModel>& dofModels, double step, bool implyScale,
    const std::vector<vcModelSegment>& segments) const {
  // Which DOFs are sampled: with implyScale the corresponder normalises scale itself.
  const bool sampleScale = !implyScale && isDOFEnabled(eScale);
  const bool sampleAspect = isDOFEnabled(eAspect);
  if ((sampleScale || sampleAspect) && !(step > 0.0))
    throw vcBadParamsError(L"iterateDOFs: step must be > 0 when scale or aspect is sampled");

  // Model extent: the spacing step / maxDist moves no model point by more than step.
  const double maxDist = sampleScale || sampleAspect ? modelExtent(segments) : 0.0;

  // Scale and aspect grids, anchored at 1.0.
  const Grid scales = sampleScale ? anchoredGrid(dofRange(eScale), step / maxDist) : Grid{};
  const Grid aspects = sampleAspect ? anchoredGrid(dofRange(eAspect), step / maxDist) : Grid{};
  const double count = gridCount(scales) * gridCount(aspects);
  if (count > kMaxSamples)
    throw vcBadParamsError(L"iterateDOFs: step is too small for the model's extent and ranges "
                           L"(more than a million samples)");

  // One sample per grid point, scale outer, aspect inner, by repeated addition.
  dofModels.clear();
  dofModels.reserve(static_cast<std::size_t>(count));
  for (double s = scales.first; s <= scales.last; s += scales.step) {
    for (double a = aspects.first; a <= aspects.last; a += aspects.step) {
      vcSegmentCorresponderDofModel sample;
      vfMapModelSegments(sample.segments, segments,
                         vcXform<2>(vcVector<2>(0.0, 0.0), s, a, vcRadian(0.0), vcRadian(0.0)));
      sample.scale = s;
      sample.aspect = a;
      dofModels.push_back(std::move(sample));
    }
  }
}
