#pragma once

// Parameters and result set of the segment corresponder (tavshsl/segment_corresponder.h).
//
//   vcSegmentCorresponderTrainParams train(models, 2.0, vcDegree(15.0), true);
//   vcSegmentCorresponderRunParams run(5, vcXform<2>(), 0.45, 0.65, 0.0, true);
//   vcSegmentCorresponderResultSet results;          // filled by vcSegmentCorresponder::run
//   for (const vcSegmentCorresponderResult& r : results.results()) ...
//
// Distances are in the units of the model and found segments (image or client units).

#include <vector>

#include "platform/base/angle.h"
#include "platform/base/handle.h"
#include "platform/base/xform.h"
#include "tavshsl/corresponder_model.h"
#include "tavshsl/corresponder_result.h"
#include "tavshsl/export.h"

// What the corresponder is trained with.
class TAVSHSL_API vcSegmentCorresponderTrainParams {
 public:
  using ModelList = std::vector<vcPtrHandle<vcSegmentCorresponderModel>>;

  // No models, maxPerturbationDist 0, angle 0, implyScale false.
  vcSegmentCorresponderTrainParams() = default;
  // models: shared, not copied. maxPerturbationDist: the positional tolerance of a found
  // segment, in segment units. maxPerturbationAngle: its angular tolerance. implyScale: every
  // basis is normalised to one length, so that model instances of any scale vote alike (the
  // models' scale ranges are then not sampled).
  // Throws: vcBadParamsError for a null model handle, a maxPerturbationDist that is not
  // > 0 and finite, or a maxPerturbationAngle outside [0, 90] degrees.
  vcSegmentCorresponderTrainParams(const ModelList& models, double maxPerturbationDist,
                                   vcDegree maxPerturbationAngle, bool implyScale);

  const ModelList& models() const { return models_; }
  double maxPerturbationDist() const { return maxPerturbationDist_; }
  vcDegree maxPerturbationAngle() const { return maxPerturbationAngle_; }
  bool implyScale() const { return implyScale_; }

 private:
  ModelList models_;
  double maxPerturbationDist_ = 0.0;
  vcDegree maxPerturbationAngle_;
  bool implyScale_ = false;
};

// How a run searches.
class TAVSHSL_API vcSegmentCorresponderRunParams {
 public:
  // maxNumResults 1, identity start pose, considerThreshold 0.45, acceptThreshold 0.65,
  // maxOverlapPerimFraction 0, performFineCorrespond true.
  vcSegmentCorresponderRunParams() = default;
  // maxNumResults: results kept, >= 1. considerThreshold: the least score a candidate needs to
  // be kept. acceptThreshold: a full result list whose worst score reaches it ends a stage.
  // maxOverlapPerimFraction: the share of a model's perimeter two kept results may share in
  // found segments, >= 0. startPose and performFineCorrespond are stored only.
  // Throws: vcBadParamsError for maxNumResults < 1, a threshold that is not finite, or a
  // maxOverlapPerimFraction that is not >= 0 and finite.
  vcSegmentCorresponderRunParams(long maxNumResults, const vcXform<2>& startPose,
                                 double considerThreshold, double acceptThreshold,
                                 double maxOverlapPerimFraction, bool performFineCorrespond);

  long maxNumResults() const { return maxNumResults_; }
  const vcXform<2>& startPose() const { return startPose_; }
  double considerThreshold() const { return considerThreshold_; }
  double acceptThreshold() const { return acceptThreshold_; }
  double maxOverlapPerimFraction() const { return maxOverlapPerimFraction_; }
  bool performFineCorrespond() const { return performFineCorrespond_; }

 private:
  long maxNumResults_ = 1;
  vcXform<2> startPose_;
  double considerThreshold_ = 0.45;
  double acceptThreshold_ = 0.65;
  double maxOverlapPerimFraction_ = 0.0;
  bool performFineCorrespond_ = true;
};

// The outcome of one run: the results, best first, and the run's duration.
class TAVSHSL_API vcSegmentCorresponderResultSet {
 public:
  vcSegmentCorresponderResultSet() = default;

  const std::vector<vcSegmentCorresponderResult>& results() const { return results_; }
  // Always 0 after a run; callers tell success by the number of results.
  long errorCode() const { return errorCode_; }
  // Duration of the run in microseconds.
  long time() const { return time_; }

 private:
  friend class vcSegmentCorresponder;

  long errorCode_ = 0;
  std::vector<vcSegmentCorresponderResult> results_;
  long time_ = 0;
};
