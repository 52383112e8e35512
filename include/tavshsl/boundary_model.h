#pragma once

// vcSegmentCorresponderBoundaryModel: the correspondence model of a closed boundary polygon,
// whose model segments are given directly.
//
//   std::vector<vcModelSegment> sides = ...;       // one per polygon side, weight 1
//   vcPtrHandle<vcSegmentCorresponderModel> model(new vcSegmentCorresponderBoundaryModel(sides));
//   model->setDOFRange(vcSegmentCorresponderModel::eScale, vcRange(0.5, 2.0));
//   model->findPose(pose, factors, found, result, fitFailed, outOfRange, nullptr, 0);
//
// Pose fitting: every found segment assigned to side i pulls both its end points onto the
// infinite line of side i (weight: side weight x found length) and, weakly (1/10000 of that,
// stronger for models of fewer than four sides), its midpoint onto the side's midpoint, which
// pins sliding along the sides. A zero-length side defines no line and is left out of the fit.

#include <vector>

#include "platform/base/fline.h"
#include "tavshsl/corresponder_model.h"

class TAVSHSL_API vcSegmentCorresponderBoundaryModel : public vcSegmentCorresponderModel {
 public:
  // Copies the segments (no validation: an empty vector gives an empty model). Translation
  // and rotation are enabled, translation unbounded, rotation [-pi, pi].
  explicit vcSegmentCorresponderBoundaryModel(const std::vector<vcModelSegment>& boundarySegments);
  vcSegmentCorresponderBoundaryModel(const vcSegmentCorresponderBoundaryModel&) = default;
  vcSegmentCorresponderBoundaryModel& operator=(const vcSegmentCorresponderBoundaryModel&) = default;

  ModelType modelType() const override { return eBoundaryModel; }
  long numBoundarySegments() const override { return static_cast<long>(boundarySegments_.size()); }

  // eStrokeWidth and values that are no single DOF bit reach the assertion hook.
  void setDOFRange(DOF dof, const vcRange& range) override;

  // strokeWidthFactors is emptied. No constraint at all (nothing assigned) sets fitFailed.
  void findPose(vcXform<2>& pose, std::vector<double>& strokeWidthFactors,
                const std::vector<vcFoundSegment>& foundSegments,
                const vcSegmentCorresponderResult& result, bool& fitFailed, bool& outOfRange,
                vcDiagObject* diag, unsigned long diagFlags) const override;

  // Samples of the boundary segments.
  void iterateDOFs(std::vector<vcSegmentCorresponderDofModel>& dofModels, double step,
                   bool implyScale) const override;

  // Requires an empty factor vector (assertion hook otherwise); then transformModelCore.
  void transformModel(std::vector<vcModelSegment>& out, const vcXform<2>& pose,
                      const std::vector<double>& strokeWidthFactors) const override;
  void transformModelCore(std::vector<vcModelSegment>& out, const vcXform<2>& pose) const override;
  const std::vector<vcModelSegment>& boundarySegments() const override { return boundarySegments_; }

 private:
  std::vector<vcModelSegment> boundarySegments_;
  // The infinite line through each segment's p1 and p2 (the default line for a zero-length
  // segment, which the fit skips).
  std::vector<vcFLine> boundaryLines_;
};
