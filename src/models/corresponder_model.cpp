#include "tavshsl/corresponder_model.h"

#include <bit>
#include <numbers>

#include "platform/base/assert.h"
#include "platform/base/str.h"

std::size_t vcSegmentCorresponderModel::dofIndex_(DOF dof) {
  VC_ASSERT(std::has_single_bit(static_cast<std::uint32_t>(dof)) && dof <= eStrokeWidth);
  return static_cast<std::size_t>(std::countr_zero(static_cast<std::uint32_t>(dof)));
}

const vcRange& vcSegmentCorresponderModel::dofRange(DOF dof) const {
  return dofRanges_[dofIndex_(dof)];
}

void vcSegmentCorresponderModel::setDefaultDOFs_() {
  // The full range is (-infinity, +infinity).
  dofMask_ = eTranslationX | eTranslationY | eRotation;
  dofRanges_[dofIndex_(eTranslationX)] = vcRange::FullRange();
  dofRanges_[dofIndex_(eTranslationY)] = vcRange::FullRange();
  dofRanges_[dofIndex_(eRotation)] = vcRange(-std::numbers::pi, std::numbers::pi);
}

void vcSegmentCorresponderModel::setDOFRangeChecked_(DOF dof, const vcRange& range,
                                                     bool allowStrokeWidth) {
  const std::size_t index = dofIndex_(dof);
  const double start = range.start();
  const double end = range.end();
  // Every check comes before the store, so a refused range leaves the model as it was.
  switch (dof) {
    case eTranslationX:
    case eTranslationY:
      break;
    case eRotation:
      VC_ASSERT(-std::numbers::pi <= start && start <= end && end <= std::numbers::pi);
      break;
    case eStrokeWidth:
      VC_ASSERT(allowStrokeWidth && "only a skeleton model has the stroke-width DOF");
      [[fallthrough]];
    case eScale:
    case eAspect:
      VC_ASSERT(0.1 <= start && start <= end && end <= 10.0);
      break;
  }
  dofRanges_[index] = range;
  dofMask_ |= dof;
}

long vcSegmentCorresponderModel::fitDOFCount_() const {
  if (isDOFEnabled(eAspect)) return 6;
  return isDOFEnabled(eScale) ? 4 : 3;
}

void vcSegmentCorresponderModel::checkResult_(const vcSegmentCorresponderResult& result,
                                              long numFound) const {
  const long n = numBoundarySegments();
  if (result.numModelSegs() != n)
    throw vcBadParamsError(L"findPose: the result must have one list per boundary segment (" +
                           vfStr(n) + L"), it has " + vfStr(result.numModelSegs()));
  for (long i = 0; i < n; ++i)
    for (const long f : result.foundSegsForModelSeg(i))
      if (f < 0 || f >= numFound)
        throw vcBadParamsError(L"findPose: found segment index must be in [0, " +
                               vfStr(numFound) + L"), got " + vfStr(f));
}
