#include "tavshsl/corresponder_params.h"

#include <cmath>

#include "platform/base/exception.h"
#include "platform/base/str.h"

vcSegmentCorresponderTrainParams::vcSegmentCorresponderTrainParams(const ModelList& models,
                                                                   double maxPerturbationDist,
                                                                   vcDegree maxPerturbationAngle,
                                                                   bool implyScale)
    : models_(models),
      maxPerturbationDist_(maxPerturbationDist),
      maxPerturbationAngle_(maxPerturbationAngle),
      implyScale_(implyScale) {
  for (std::size_t m = 0; m < models.size(); ++m)
    if (models[m].isNull())
      throw vcBadParamsError(L"vcSegmentCorresponderTrainParams: model " +
                             vfStr(static_cast<long>(m)) + L" is a null handle");
  if (!(maxPerturbationDist > 0.0 && std::isfinite(maxPerturbationDist)))
    throw vcBadParamsError(
        L"vcSegmentCorresponderTrainParams: maxPerturbationDist must be > 0 and finite");
  if (!(maxPerturbationAngle.plain() >= 0.0 && maxPerturbationAngle.plain() <= 90.0))
    throw vcBadParamsError(
        L"vcSegmentCorresponderTrainParams: maxPerturbationAngle must be in [0, 90] degrees");
}

vcSegmentCorresponderRunParams::vcSegmentCorresponderRunParams(
    long maxNumResults, const vcXform<2>& startPose, double considerThreshold,
    double acceptThreshold, double maxOverlapPerimFraction, bool performFineCorrespond)
    : maxNumResults_(maxNumResults),
      startPose_(startPose),
      considerThreshold_(considerThreshold),
      acceptThreshold_(acceptThreshold),
      maxOverlapPerimFraction_(maxOverlapPerimFraction),
      performFineCorrespond_(performFineCorrespond) {
  if (maxNumResults < 1)
    throw vcBadParamsError(L"vcSegmentCorresponderRunParams: maxNumResults must be >= 1, got " +
                           vfStr(maxNumResults));
  if (!std::isfinite(considerThreshold) || !std::isfinite(acceptThreshold))
    throw vcBadParamsError(
        L"vcSegmentCorresponderRunParams: considerThreshold and acceptThreshold must be finite");
  if (!(maxOverlapPerimFraction >= 0.0 && std::isfinite(maxOverlapPerimFraction)))
    throw vcBadParamsError(
        L"vcSegmentCorresponderRunParams: maxOverlapPerimFraction must be >= 0 and finite");
}
