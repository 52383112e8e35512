#pragma once

// Results of the shape selection tool: one vcShapeSelectResult per template instance reported,
// collected in a vcShapeSelectResultSet that a run fills.
//
//   vcShapeSelectResultSet results;
//   tool.run(results, image, runParams, diag, flags);
//   for (const vcShapeSelectResult& r : results.results())
//     if (r.isFound()) use(r.templateIndex(), r.location(), r.angle(), r.uniformScale());
//
// The pose maps template coordinates to the image's client coordinates; the found template is
// the trained template carried by that pose, shared (not cloned) between copies of a result.

#include <vector>

#include "platform/base/angle.h"
#include "platform/base/handle.h"
#include "platform/base/vector.h"
#include "platform/base/xform_linear.h"
#include "tavshsl/export.h"
#include "tavshsl/shape_select_template.h"

// One reported template instance.
class TAVSHSL_API vcShapeSelectResult {
 public:
  // Stores isFound, templateIndex, score and pose, and maps tmpl by pose into foundTemplate.
  // Throws: vcShapeSelectDefs::BadParams as tmpl.map(pose) does (for a stroke template, a pose
  // without one factor per stroke); nothing is built then.
  vcShapeSelectResult(bool isFound, long templateIndex, double score,
                      const vcShapeSelectTemplateXform& pose, const vcShapeSelectTemplate& tmpl);

  // Whether the score reached the run's accept threshold.
  bool isFound() const { return isFound_; }
  // Index of the template in the trained list.
  long templateIndex() const { return templateIndex_; }
  // Match score in [0, 1].
  double score() const { return score_; }
  // From template to client coordinates.
  const vcShapeSelectTemplateXform& pose() const { return pose_; }
  // The template mapped by the pose.
  vcPtrHandle_const<vcShapeSelectTemplate> foundTemplate() const { return foundTemplate_; }

  // Views of the pose.
  const vc2XformLinear& poseLinear() const { return pose_.xformLinear(); }
  const std::vector<double>& poseStrokeWidthFactors() const { return pose_.strokeWidthFactors(); }
  // Where the pose takes the template's origin.
  vcVector<2> location() const { return poseLinear().trans(); }
  // The rotation of the pose, in degrees.
  vcDegree angle() const { return vcDegree(poseLinear().rotation()); }
  double uniformScale() const { return poseLinear().scale(); }
  // Throws: vcBadParamsError for a pose that flattens the x axis (scale 0).
  double aspect() const { return poseLinear().aspect(); }

 private:
  bool isFound_;
  long templateIndex_;
  double score_;
  vcShapeSelectTemplateXform pose_;
  vcPtrHandle_const<vcShapeSelectTemplate> foundTemplate_;
};

// The results of one run, in the order reported (by decreasing score).
class TAVSHSL_API vcShapeSelectResultSet {
 public:
  vcShapeSelectResultSet() = default;

  const std::vector<vcShapeSelectResult>& results() const { return results_; }
  // Replaces the whole list.
  void results(const std::vector<vcShapeSelectResult>& results) { results_ = results; }
  long numResults() const { return static_cast<long>(results_.size()); }

 private:
  std::vector<vcShapeSelectResult> results_;
};
