#pragma once

// Correspondence models: what the segment corresponder matches against found line segments.
// A model is a set of model segments plus the degrees of freedom (DOFs) through which it may
// appear in an image, each with an allowed range. This header holds the abstract base and the
// scale/aspect sample type; the concrete models are in boundary_model.h (a closed polygon) and
// skeleton_model.h (thick strokes given by centre-lines and widths).
//
//   vcPtrHandle<vcSegmentCorresponderModel> model(new vcSegmentCorresponderBoundaryModel(segs));
//   model->setDOFRange(vcSegmentCorresponderModel::eScale, vcRange(0.8, 1.25));
//   std::vector<vcSegmentCorresponderDofModel> samples;
//   model->iterateDOFs(samples, 2.0 * maxPerturbationDist, implyScale);   // training
//   model->findPose(pose, factors, found, result, fitFailed, outOfRange, nullptr, 0);
//   if (!fitFailed && !outOfRange) model->transformModel(posed, pose, factors);
//
// A pose maps model coordinates to found (client) coordinates. Rotations are radians in the
// convention of platform/base/angle.h. Models are plain copyable values shared through
// vcPtrHandle; they are configured once and then only read.
//
// Rule violations (a DOF range outside its limits, a DOF a model does not have, inconsistent
// arguments) reach the assertion hook, which throws vcAssertionFailure and leaves the model
// unchanged.

#include <array>
#include <cstdint>
#include <vector>

#include "platform/base/general_fitter.h"
#include "platform/base/handle.h"
#include "platform/base/range.h"
#include "platform/base/xform.h"
#include "tavshsl/corresponder_result.h"
#include "tavshsl/export.h"
#include "tavshsl/segments.h"

class vcDiagObject;

// One sample of a model's scale and aspect DOFs: the model's segments mapped by
// (scale, aspect) about the origin.
class TAVSHSL_API vcSegmentCorresponderDofModel {
 public:
  std::vector<vcModelSegment> segments;
  double scale = 1.0;
  double aspect = 1.0;
  // Left empty by every model.
  std::vector<double> strokeWidthFactors;
};

class TAVSHSL_API vcSegmentCorresponderModel : public vcRepBase {
 public:
  // DOF bits; a model's enabled set is their OR. The same values as the shape selection
  // tool's DOFs.
  enum DOF : std::uint32_t {
    eTranslationX = 1,
    eTranslationY = 2,
    eRotation = 4,    // radians
    eScale = 8,       // uniform scale
    eAspect = 16,     // y scale relative to x scale
    eStrokeWidth = 32 // per-stroke width factor (skeleton model only)
  };
  // The corresponder keeps one voting table per model type.
  enum ModelType { eBoundaryModel = 0, eSkeletonModel = 1 };

  ~vcSegmentCorresponderModel() override = default;

  virtual ModelType modelType() const = 0;
  virtual long numBoundarySegments() const = 0;
  // Number of strokes: 0 for a model without strokes.
  virtual long numStrokes() const { return 0; }
  // Whether dof's bit is in the enabled set.
  virtual bool isDOFEnabled(DOF dof) const { return (dofMask_ & dof) != 0; }

  // Sets the allowed range of one DOF and enables it. Translation ranges are not checked;
  // rotation requires -pi <= start <= end <= pi; scale, aspect (and, for a skeleton model,
  // stroke width) require 0.1 <= start <= end <= 10.
  // Throws: vcAssertionFailure for a range outside its limits or a DOF the model does not
  // have; the model is unchanged then.
  virtual void setDOFRange(DOF dof, const vcRange& range) = 0;

  // The least-squares pose that maps the model onto the found segments that result assigns
  // to its boundary segments (result.foundSegsForModelSeg(i) indexes foundSegments), fitted
  // over the enabled DOFs: translation and rotation always, scale when eScale, a general
  // affine fit reduced to scale, aspect and rotation when eAspect.
  // Ensures: fitFailed and outOfRange are written; pose is written only when the fit
  // succeeds (fitFailed false), even when a fitted value lies outside its range (outOfRange
  // true); strokeWidthFactors holds one factor per stroke (none for a boundary model).
  // A fit that fails never throws: it sets fitFailed.
  // Throws: vcBadParamsError when result does not have one list per boundary segment or
  // refers to a found segment that does not exist; vcAssertionFailure for rule violations
  // named by the model. The outputs are unchanged then.
  virtual void findPose(vcXform<2>& pose, std::vector<double>& strokeWidthFactors,
                        const std::vector<vcFoundSegment>& foundSegments,
                        const vcSegmentCorresponderResult& result, bool& fitFailed,
                        bool& outOfRange, vcDiagObject* diag, unsigned long diagFlags) const = 0;

  // The model sampled over its scale and aspect ranges (see iterateDOFsBase); step is the
  // largest allowed displacement, in model units, between neighbouring samples (the
  // corresponder passes twice its perturbation distance).
  virtual void iterateDOFs(std::vector<vcSegmentCorresponderDofModel>& dofModels, double step,
                           bool implyScale) const = 0;

  // The model's boundary segments at the given stroke-width factors (one per stroke), mapped
  // by pose, weight and polarity kept.
  virtual void transformModel(std::vector<vcModelSegment>& out, const vcXform<2>& pose,
                              const std::vector<double>& strokeWidthFactors) const = 0;
  // The model's matching segments (boundary segments, or a skeleton's centre-lines) mapped
  // by pose, weight and polarity kept.
  virtual void transformModelCore(std::vector<vcModelSegment>& out,
                                  const vcXform<2>& pose) const = 0;
  virtual const std::vector<vcModelSegment>& boundarySegments() const = 0;

  // The stored range of one DOF (the full range until setDOFRange sets it).
  // Throws: vcAssertionFailure when dof is not a single DOF bit.
  const vcRange& dofRange(DOF dof) const;

 protected:
  // Nothing enabled, all six ranges full; the derived constructors set the defaults.
  vcSegmentCorresponderModel() = default;
  vcSegmentCorresponderModel(const vcSegmentCorresponderModel&) = default;
  vcSegmentCorresponderModel& operator=(const vcSegmentCorresponderModel&) = default;

  // The defaults of every concrete model: translation and rotation enabled, translation
  // unbounded, rotation [-pi, pi].
  void setDefaultDOFs_();
  // Checks range against dof's limits and stores it, enabling dof. allowStrokeWidth says
  // whether the model has the stroke-width DOF.
  void setDOFRangeChecked_(DOF dof, const vcRange& range, bool allowStrokeWidth);

  // Scale/aspect sampling shared by the models:
  //  - scale is sampled when enabled and implyScale is false, aspect whenever enabled;
  //  - the spacing is step / maxDist, maxDist being the largest end-point distance or
  //    segment length of the model, so that neighbouring samples move no point by more
  //    than step;
  //  - each grid is anchored at 1.0, starts at the grid value nearest the range start (it
  //    may lie just below it) and runs by repeated addition while <= the range end;
  //  - one sample (1, 1) when neither DOF is sampled; none when maxDist is 0.
  // Throws: vcBadParamsError when a sampled DOF meets a step that is not > 0 or that would
  // give more than a million samples.
  void iterateDOFsBase(std::vector<vcSegmentCorresponderDofModel>& dofModels, double step,
                       bool implyScale, const std::vector<vcModelSegment>& segments) const;

  // Final step of every pose fit: solves fitter (found -> model) with dofCount parameters,
  // inverts it into pose (model -> found), checks the fitted values against the enabled
  // ranges and, when eAspect is enabled, rebuilds the pose from translation, scale (1 when
  // eScale is off), aspect and rotation without shear. A singular fit sets fitFailed and
  // leaves pose untouched.
  void finalLinearFit_(const vcLSGeneralFitter& fitter, long dofCount, vcXform<2>& pose,
                       bool& fitFailed, bool& outOfRange) const;
  // 3 (translation and rotation), 4 with eScale, 6 with eAspect.
  long fitDOFCount_() const;
  // Throws vcBadParamsError unless result has one list per boundary segment and every index
  // in them names one of numFound found segments.
  void checkResult_(const vcSegmentCorresponderResult& result, long numFound) const;

 private:
  static std::size_t dofIndex_(DOF dof);

  std::uint32_t dofMask_ = 0;
  // One range per DOF, in bit order: x, y, rotation, scale, aspect, stroke width.
  std::array<vcRange, 6> dofRanges_{};
};
