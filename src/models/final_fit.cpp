#include "platform/base/exception.h"
#include "tavshsl/corresponder_model.h"

void vcSegmentCorresponderModel::finalLinearFit_(const vcLSGeneralFitter& fitter, long dofCount,
                                                 vcXform<2>& pose, bool& fitFailed,
                                                 bool& outOfRange) const {
  // The fitter maps found points onto the model; the pose is its inverse. A singular system is
  // common here (candidates with too few correspondences), so it is reported without throwing.
  vcXform<2> fitted;
  try {
    vcXform<2> modelFromFound;
    if (!fitter.tryFit(dofCount, modelFromFound, 1e14)) {
      fitFailed = true;
      return;
    }
    fitted = modelFromFound.inverse();
  } catch (const vcException&) {
    fitFailed = true;
    return;
  }

  // Range checks of the enabled DOFs; a pose out of range is still returned.
  const auto check = [&](DOF dof, double value) {
    if (isDOFEnabled(dof) && !dofRange(dof).isWithin(value)) outOfRange = true;
  };
  const vcVector<2> trans = fitted.trans();
  const double scale = fitted.scale();
  check(eTranslationX, trans.x());
  check(eTranslationY, trans.y());
  check(eRotation, fitted.rotation().signedNorm().plain());
  check(eScale, scale);
  if (!isDOFEnabled(eAspect)) {
    pose = fitted;
    return;
  }

  // An aspect fit is a general affine one: keep translation, scale (1 unless scale is a
  // DOF), aspect and rotation, and drop the shear.
  const double aspect = fitted.aspect();
  check(eAspect, aspect);
  pose = vcXform<2>(trans, isDOFEnabled(eScale) ? scale : 1.0, aspect, vcRadian(0.0),
                    fitted.rotation());
}
