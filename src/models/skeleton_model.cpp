#include "tavshsl/skeleton_model.h"

#include <cmath>

#include "platform/base/assert.h"
#include "segment_mapping.h"
#include "stroke_geometry.h"
#include "stroke_outline_walk.h"

namespace {

// The line through a segment's end points; the default line for a zero-length one, which
// the fits skip.
vcFLine lineThrough(const vcLineSeg& s) {
  return s.p1() == s.p2() ? vcFLine() : vcFLine(s.p1(), s.p2());
}

}  // namespace

vcSegmentCorresponderSkeletonModel::vcSegmentCorresponderSkeletonModel(
    const std::vector<vcModelSegment>& skeleton, const std::vector<double>& nominalStrokeWidths,
    bool reversePolarity)
    : skeleton_(skeleton), nominalStrokeWidths_(nominalStrokeWidths) {
  VC_ASSERT(nominalStrokeWidths.size() == skeleton.size());
  for (const double w : nominalStrokeWidths_) VC_ASSERT(std::isfinite(w) && w > 0.0);
  for (const vcModelSegment& s : skeleton_) VC_ASSERT(s.segment().p1() != s.segment().p2());
  setDefaultDOFs_();
  buildOutline_(reversePolarity ? vcSegmentDefs::eReverse : vcSegmentDefs::eForward);
  buildJunctions_();
}

void vcSegmentCorresponderSkeletonModel::buildOutline_(vcSegmentDefs::veSegmentPolarity polarity) {
  const std::size_t n = skeleton_.size();
  std::vector<vcLineSeg> centreLines;
  centreLines.reserve(n);
  for (const vcModelSegment& s : skeleton_) centreLines.push_back(s.segment());

  // Walk around the figure from its first end that lies inside no other stroke. Crossings are
  // taken strictly ahead, and the walk reverses onto a crossed stroke only when the stroke it
  // leaves reaches the crossed one's line.
  const std::optional<vsStrokeEnd> start = vfStrokeWalkStart(centreLines);
  VC_ASSERT(start.has_value() && "a stroke end point that lies inside no other stroke");
  const std::optional<std::vector<vsOutlinePiece>> outline =
      vfWalkStrokeOutline(centreLines, nominalStrokeWidths_, *start, vsStrokeWalkRules{});
  VC_ASSERT(outline.has_value() && "the stroke outline walk closes");

  // Group by stroke, in emission order within a stroke.
  for (const vcLineSeg& s : centreLines) skeletonLines_.push_back(lineThrough(s));
  strokeBoundarySegments_.assign(n, {});
  for (std::size_t s = 0; s < n; ++s) {
    for (const vsOutlinePiece& piece : *outline) {
      if (piece.stroke != s) continue;
      const vcModelSegment segment(piece.segment, skeleton_[s].weight(), polarity);
      strokeBoundarySegments_[s].push_back(segment);
      boundarySegments_.push_back(segment);
      boundaryTypes_.push_back(piece.type);
      boundaryPoints_.emplace_back(piece.point);
      boundaryStrokes_.push_back(static_cast<long>(s));
      boundaryLines_.push_back(lineThrough(piece.segment));
    }
  }
}

void vcSegmentCorresponderSkeletonModel::buildJunctions_() {
  const std::size_t n = skeleton_.size();
  adjacency_.assign(n, {});
  junctionPoints_.assign(n, {});
  for (std::size_t s = 1; s < n; ++s) {
    adjacency_[s].assign(s, false);
    junctionPoints_[s].assign(s, vcPoint());
    for (std::size_t t = 0; t < s; ++t) {
      if (const std::optional<vcVector<2>> x =
              vfStrokesMeet(skeleton_[s].segment(), skeleton_[t].segment())) {
        adjacency_[s][t] = true;
        junctionPoints_[s][t] = vcPoint(*x);
      }
    }
  }
}

void vcSegmentCorresponderSkeletonModel::setDOFRange(DOF dof, const vcRange& range) {
  setDOFRangeChecked_(dof, range, true);
}

void vcSegmentCorresponderSkeletonModel::iterateDOFs(
    std::vector<vcSegmentCorresponderDofModel>& dofModels, double step, bool implyScale) const {
  iterateDOFsBase(dofModels, step, implyScale, skeleton_);
}

void vcSegmentCorresponderSkeletonModel::transformModelCore(std::vector<vcModelSegment>& out,
                                                            const vcXform<2>& pose) const {
  vfMapModelSegments(out, skeleton_, pose);
}

void vcSegmentCorresponderSkeletonModel::transformModel(
    std::vector<vcModelSegment>& out, const vcXform<2>& pose,
    const std::vector<double>& strokeWidthFactors) const {
  VC_ASSERT(strokeWidthFactors.size() == skeleton_.size());
  // Widths at the clamped factors; the clamp uses the stored range even when the DOF is off.
  const vcRange& range = dofRange(eStrokeWidth);
  std::vector<double> widths(skeleton_.size());
  for (std::size_t i = 0; i < widths.size(); ++i) {
    double f = strokeWidthFactors[i];
    if (f < range.start()) f = range.start();
    if (f > range.end()) f = range.end();
    widths[i] = nominalStrokeWidths_[i] * f;
  }
  const vcSegmentCorresponderSkeletonModel atWidths(skeleton_, widths, true);
  vfMapModelSegments(out, atWidths.boundarySegments_, pose);
}
