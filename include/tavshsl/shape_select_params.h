#pragma once

// Parameters of the shape selection tool: the degree-of-freedom (DOF) settings of one template,
// the training parameters (one DOF setting per template) and the run parameters.
//
//   vcShapeSelectTemplateParams dofs;                       // x, y and angle zones enabled
//   dofs.zone(vcShapeSelectDefs::eAngle, -30.0, 30.0);      // degrees
//   dofs.zone(vcShapeSelectDefs::eScale, 0.8, 1.25);
//   dofs.zoneEnable(dofs.zoneEnable() | vcShapeSelectDefs::eScale);
//   vcShapeSelectTrainParams train;
//   train.trainDOFs({dofs});                                // one entry per template
//   vcShapeSelectRunParams run;
//   run.maxNumResults(5);
//   run.acceptThreshold(0.7);
//
// All are plain copyable values. Every setter checks its argument before it stores anything:
// after a throw the object is unchanged.

#include <array>
#include <cstdint>
#include <vector>

#include "platform/base/range.h"
#include "tavshsl/export.h"
#include "tavshsl/shape_select_defs.h"

// DOF settings of one template: for each of the six DOFs a zone (a closed range the found pose
// may take) and a nominal value (the value used while the zone is not enabled), plus the set of
// enabled zones and the polarity set.
//
// Defaults: translation x and y nominal 0, zone the full range; angle nominal 0, zone
// [-180, 180] degrees; scale, aspect and stroke-width factor nominal 1, zone [1, 1];
// zoneEnable = eTranslationX | eTranslationY | eAngle (7); polarities = ePolarity1 | ePolarity2.
class TAVSHSL_API vcShapeSelectTemplateParams {
 public:
  vcShapeSelectTemplateParams();

  // The nominal value of dof (angle in degrees).
  // Throws: vcShapeSelectDefs::InvalidDOF "Unknown DOF" when dof is not one of the six DOFs.
  double nominal(vcShapeSelectDefs::DOF dof) const;
  // Stores the nominal value of dof without a range check.
  // Throws: InvalidDOF "Unknown DOF" when dof is not one of the six DOFs.
  void nominal(vcShapeSelectDefs::DOF dof, double value);

  // The start or end of the stored zone of dof, whether or not the zone is enabled (-inf or
  // +inf for a full range).
  // Throws: vcShapeSelectDefs::NotImplemented "Aspect range is not currently supported" for
  // eAspect; InvalidDOF "Unknown DOF" when dof is not one of the six DOFs.
  double zoneLow(vcShapeSelectDefs::DOF dof) const;
  double zoneHigh(vcShapeSelectDefs::DOF dof) const;

  // Sets the zone of dof to [low, high] (angle in degrees); zoneEnable is not changed.
  // Checks, in this order:
  //   eAspect:                         NotImplemented "Aspect range is not currently supported"
  //   low > high:                      BadParams "low must be <= high"
  //   eAngle, low < -360 or high > 360: BadParams "Angle range must be specified between -360
  //                                    and 360"
  //   eScale, low <= 0:                BadParams "Scale must be positive"
  //   eStrokeWidth, low <= 0:          BadParams "Stroke width factor must be positive"
  //   not one of the six DOFs:         InvalidDOF "Unknown DOF"
  // Translation zones are not limited. [-inf, +inf] gives the full range; any other bound that
  // is not a finite number is refused by the range type (vcBadParamsError).
  void zone(vcShapeSelectDefs::DOF dof, double low, double high);

  // The set of DOF bits whose zone is in force. Stored unchecked; only the low 32 bits are
  // kept (no DOF lies above them).
  unsigned long zoneEnable() const { return zoneEnable_; }
  void zoneEnable(unsigned long dofs) { zoneEnable_ = static_cast<std::uint32_t>(dofs); }
  // Whether any of the DOF bits in dof (one DOF or an OR of several) is enabled.
  bool isZoneEnabled(vcShapeSelectDefs::DOF dof) const;

  // The polarity set, an OR of vcShapeSelectDefs::Polarity bits (0 to 3).
  // Throws: BadParams "Polarities must be a bit-wise OR of values from
  // vcShapeSelectDefs::Polarity" for values >= 4.
  unsigned long polarities() const { return polarities_; }
  void polarities(unsigned long polarities);

  // Whether these settings ask for nothing outside what outer allows: every zone enabled here
  // is enabled in outer and lies inside outer's zone; a DOF enabled in neither has equal
  // nominal values; a DOF enabled only in outer has this nominal inside outer's zone; every
  // polarity bit here is set in outer. The aspect DOF takes part like the others.
  bool isContainedBy(const vcShapeSelectTemplateParams& outer) const;

 private:
  static constexpr std::size_t kNumDOFs = 6;

  std::uint32_t zoneEnable_;
  std::array<vcRange, kNumDOFs> zones_;
  std::array<double, kNumDOFs> nominals_;
  std::uint32_t polarities_;
};

// Training parameters: one DOF setting per template, in template order (default empty).
class TAVSHSL_API vcShapeSelectTrainParams {
 public:
  vcShapeSelectTrainParams() = default;

  const std::vector<vcShapeSelectTemplateParams>& trainDOFs() const { return trainDOFs_; }
  // Stored unchecked; training checks the count against the templates.
  void trainDOFs(const std::vector<vcShapeSelectTemplateParams>& dofs) { trainDOFs_ = dofs; }

 private:
  std::vector<vcShapeSelectTemplateParams> trainDOFs_;
};

// Run parameters. Defaults: maxNumResults 1, acceptThreshold 0.6, templateIndexList empty,
// selectDOFs empty (use the trained DOF settings).
class TAVSHSL_API vcShapeSelectRunParams {
 public:
  vcShapeSelectRunParams() = default;

  // The most correspondence results a run reports.
  // Throws: BadParams "maxNumResults must be positive" for n <= 0.
  long maxNumResults() const { return maxNumResults_; }
  void maxNumResults(long n);

  // The score, in [0, 1], a result must reach to count as found.
  // Throws: BadParams "acceptThreshold must be between 0 and 1 inclusive" for a value outside
  // [0, 1], NaN included.
  double acceptThreshold() const { return acceptThreshold_; }
  void acceptThreshold(double threshold);

  // Indexes of trained templates; stored unchecked (the run checks them against the training).
  const std::vector<long>& templateIndexList() const { return templateIndexList_; }
  void templateIndexList(const std::vector<long>& indexes) { templateIndexList_ = indexes; }

  // Run DOF settings, empty or one per trained template; stored unchecked (the run checks
  // their count and that each lies within the trained settings).
  const std::vector<vcShapeSelectTemplateParams>& selectDOFs() const { return selectDOFs_; }
  void selectDOFs(const std::vector<vcShapeSelectTemplateParams>& dofs) { selectDOFs_ = dofs; }

 private:
  long maxNumResults_ = 1;
  double acceptThreshold_ = 0.6;
  std::vector<long> templateIndexList_;
  std::vector<vcShapeSelectTemplateParams> selectDOFs_;
};
