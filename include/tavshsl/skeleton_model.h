#pragma once

// vcSegmentCorresponderSkeletonModel: the correspondence model of a stroke figure, a set of
// straight strokes each given by its centre-line (the skeleton) and a nominal width.
//
// The corresponder matches the outline of the thick strokes, not the centre-lines. The
// constructor derives that outline by walking once around the union of the strokes (each a
// rectangle around its centre-line, extended at its ends by half its width, or by half the
// width of another stroke whose end it meets), and records for every outline segment its
// stroke and whether it runs along a side of the stroke or across an end. Pose fitting uses
// that bookkeeping: one similarity fit per stroke from its sides gives the stroke's found
// centre-line and width; one pose is then fitted from the stroke ends and junctions, and the
// width factors follow from the widths and the pose's scale.
//
//   std::vector<vcModelSegment> centreLines = ...;   // eUndirected, weight 1
//   vcSegmentCorresponderSkeletonModel model(centreLines, widths, true);
//   model.setDOFRange(vcSegmentCorresponderModel::eStrokeWidth, vcRange(0.5, 2.0));
//   model.findPose(pose, factors, found, result, fitFailed, outOfRange, diag, flags);
//   model.transformModel(outline, pose, factors);    // the posed outline at the found widths
//
// Zero-length outline segments (the side after an outer corner where two strokes of equal
// width meet) define no line and are left out of the fits.

#include <vector>

#include "platform/base/fline.h"
#include "platform/base/point.h"
#include "tavshsl/corresponder_model.h"

class TAVSHSL_API vcSegmentCorresponderSkeletonModel : public vcSegmentCorresponderModel {
 public:
  enum veBoundarySegmentType {
    eStrokeSide = 0,  // runs along one side of a stroke
    eStrokeEnd = 1    // closes a stroke end, or the outer corner where the walk turns back
  };

  // Builds the outline and the junction tables from the centre-lines and one nominal width
  // per stroke. Every outline segment gets its stroke's weight and the polarity eReverse
  // (reversePolarity true) or eForward (false). Translation and rotation are enabled,
  // translation unbounded, rotation [-pi, pi]; the stroke-width range stays the full range
  // until setDOFRange sets it.
  // Throws: vcAssertionFailure when the counts differ, a width is not finite and > 0, a
  // centre-line has zero length, every end point lies inside another stroke, or the walk
  // does not close within 2n^2 + 4n + 1 steps.
  vcSegmentCorresponderSkeletonModel(const std::vector<vcModelSegment>& skeleton,
                                     const std::vector<double>& nominalStrokeWidths,
                                     bool reversePolarity);
  vcSegmentCorresponderSkeletonModel(const vcSegmentCorresponderSkeletonModel&) = default;
  vcSegmentCorresponderSkeletonModel& operator=(const vcSegmentCorresponderSkeletonModel&) =
      default;

  ModelType modelType() const override { return eSkeletonModel; }
  long numBoundarySegments() const override { return static_cast<long>(boundarySegments_.size()); }
  long numStrokes() const override { return static_cast<long>(skeleton_.size()); }

  // As the boundary model's, and eStrokeWidth with the limits of scale.
  void setDOFRange(DOF dof, const vcRange& range) override;

  // strokeWidthFactors is resized to the stroke count (new entries 0) and, after a
  // successful fit, holds each stroke's found width over (nominal width x pose scale); a
  // factor outside the stroke-width range sets outOfRange. A stroke without found sides, or
  // an end without evidence (neither found segments on it nor two side end points), sets
  // fitFailed, and so does a result whose list count differs from the outline's (transformModel
  // at unequal widths can walk another path round strokes that meet at an oblique angle, and
  // draw a different number of segments). With diag non-null, diagFlags non-zero and the pose
  // in range, the fitted centre-lines are added in green to diag's last record (a new one when
  // it has none) as "Final fitted skeleton". Throws: vcAssertionFailure when eAspect is enabled on a model of fewer than two
  // strokes; vcBadParamsError as the base says. The outputs are unchanged then.
  void findPose(vcXform<2>& pose, std::vector<double>& strokeWidthFactors,
                const std::vector<vcFoundSegment>& foundSegments,
                const vcSegmentCorresponderResult& result, bool& fitFailed, bool& outOfRange,
                vcDiagObject* diag, unsigned long diagFlags) const override;

  // Samples of the centre-lines (not the outline).
  void iterateDOFs(std::vector<vcSegmentCorresponderDofModel>& dofModels, double step,
                   bool implyScale) const override;

  // The outline at widths nominal x factor (each factor clamped into the stroke-width range),
  // always with polarity eReverse, mapped by pose.
  // Throws: vcAssertionFailure when the factor count is not the stroke count, or when a
  // clamped width is not finite and > 0.
  void transformModel(std::vector<vcModelSegment>& out, const vcXform<2>& pose,
                      const std::vector<double>& strokeWidthFactors) const override;
  // The centre-lines mapped by pose.
  void transformModelCore(std::vector<vcModelSegment>& out, const vcXform<2>& pose) const override;
  // The outline, grouped by stroke, in walk order within a stroke.
  const std::vector<vcModelSegment>& boundarySegments() const override { return boundarySegments_; }

  const std::vector<double>& nominalStrokeWidths() const { return nominalStrokeWidths_; }
  // Per outline segment: its type and its stroke.
  const std::vector<veBoundarySegmentType>& boundaryTypes() const { return boundaryTypes_; }
  const std::vector<long>& boundaryStrokes() const { return boundaryStrokes_; }
  // Triangular tables: row s has s entries; [s][t] (t < s) tells whether strokes s and t
  // cross or touch, and where they meet.
  const std::vector<std::vector<bool>>& adjacency() const { return adjacency_; }
  const std::vector<std::vector<vcPoint>>& junctionPoints() const { return junctionPoints_; }

 private:
  // Walks around the strokes and fills strokeBoundarySegments_ with the outline, and the
  // flat tables with it grouped by stroke.
  void buildOutline_(vcSegmentDefs::veSegmentPolarity polarity);
  // Fills adjacency_ and junctionPoints_.
  void buildJunctions_();

  std::vector<vcModelSegment> skeleton_;
  std::vector<double> nominalStrokeWidths_;
  std::vector<std::vector<vcModelSegment>> strokeBoundarySegments_;
  std::vector<std::vector<bool>> adjacency_;
  std::vector<std::vector<vcPoint>> junctionPoints_;
  std::vector<vcModelSegment> boundarySegments_;
  std::vector<veBoundarySegmentType> boundaryTypes_;
  // For an end segment the skeleton end point it closes; for a side the end point the walk
  // was heading for.
  std::vector<vcPoint> boundaryPoints_;
  std::vector<long> boundaryStrokes_;
  std::vector<vcFLine> boundaryLines_;
  std::vector<vcFLine> skeletonLines_;
};
