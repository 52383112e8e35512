#include "tavshsl/boundary_model.h"

#include "platform/base/assert.h"
#include "segment_mapping.h"

namespace {

// The line through a segment's end points; a zero-length segment has none and gets the
// default line, which pose fitting never reads.
vcFLine lineThrough(const vcModelSegment& s) {
  const vcLineSeg& seg = s.segment();
  return seg.p1() == seg.p2() ? vcFLine() : vcFLine(seg.p1(), seg.p2());
}

}  // namespace

vcSegmentCorresponderBoundaryModel::vcSegmentCorresponderBoundaryModel(
    const std::vector<vcModelSegment>& boundarySegments)
    : boundarySegments_(boundarySegments) {
  setDefaultDOFs_();
  boundaryLines_.reserve(boundarySegments_.size());
  for (const vcModelSegment& s : boundarySegments_) boundaryLines_.push_back(lineThrough(s));
}

void vcSegmentCorresponderBoundaryModel::setDOFRange(DOF dof, const vcRange& range) {
  setDOFRangeChecked_(dof, range, false);
}

void vcSegmentCorresponderBoundaryModel::iterateDOFs(
    std::vector<vcSegmentCorresponderDofModel>& dofModels, double step, bool implyScale) const {
  iterateDOFsBase(dofModels, step, implyScale, boundarySegments_);
}

void vcSegmentCorresponderBoundaryModel::transformModel(
    std::vector<vcModelSegment>& out, const vcXform<2>& pose,
    const std::vector<double>& strokeWidthFactors) const {
  VC_ASSERT(strokeWidthFactors.empty() && "a boundary model has no strokes");
  transformModelCore(out, pose);
}

void vcSegmentCorresponderBoundaryModel::transformModelCore(std::vector<vcModelSegment>& out,
                                                            const vcXform<2>& pose) const {
  vfMapModelSegments(out, boundarySegments_, pose);
}
