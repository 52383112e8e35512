#include <cstddef>
#include <limits>

#include "tavshsl/shape_select_params.h"

namespace {

using Defs = vcShapeSelectDefs;

// The DOFs in the order of their bits; index k holds bit 1 << k.
constexpr Defs::DOF kDOFs[] = {Defs::eTranslationX, Defs::eTranslationY, Defs::eAngle,
                               Defs::eScale,        Defs::eAspect,       Defs::eStrokeWidth};

// Slot of dof in the zone and nominal arrays.
// Throws: InvalidDOF "Unknown DOF" for a value that is not exactly one of the six DOFs.
std::size_t slotOf(Defs::DOF dof) {
  for (std::size_t k = 0; k < std::size(kDOFs); ++k)
    if (kDOFs[k] == dof) return k;
  throw Defs::InvalidDOF(L"Unknown DOF");
}

void refuseAspectZone(Defs::DOF dof) {
  if (dof == Defs::eAspect) throw Defs::NotImplemented(L"Aspect range is not currently supported");
}

}  // namespace

vcShapeSelectTemplateParams::vcShapeSelectTemplateParams()
    : zoneEnable_(Defs::eTranslationX | Defs::eTranslationY | Defs::eAngle),
      zones_{vcRange::FullRange(), vcRange::FullRange(), vcRange(-180.0, 180.0),
             vcRange(1.0, 1.0),    vcRange(1.0, 1.0),    vcRange(1.0, 1.0)},
      nominals_{0.0, 0.0, 0.0, 1.0, 1.0, 1.0},
      polarities_(Defs::ePolarity1 | Defs::ePolarity2) {}

double vcShapeSelectTemplateParams::nominal(Defs::DOF dof) const { return nominals_[slotOf(dof)]; }

void vcShapeSelectTemplateParams::nominal(Defs::DOF dof, double value) {
  nominals_[slotOf(dof)] = value;
}

double vcShapeSelectTemplateParams::zoneLow(Defs::DOF dof) const {
  refuseAspectZone(dof);
  return zones_[slotOf(dof)].start();
}

double vcShapeSelectTemplateParams::zoneHigh(Defs::DOF dof) const {
  refuseAspectZone(dof);
  return zones_[slotOf(dof)].end();
}

void vcShapeSelectTemplateParams::zone(Defs::DOF dof, double low, double high) {
  refuseAspectZone(dof);
  if (low > high) throw Defs::BadParams(L"low must be <= high");
  if (dof == Defs::eAngle && (low < -360.0 || high > 360.0))
    throw Defs::BadParams(L"Angle range must be specified between -360 and 360");
  // Written as !(low > 0) so that a NaN bound is refused as well.
  if (dof == Defs::eScale && !(low > 0.0)) throw Defs::BadParams(L"Scale must be positive");
  if (dof == Defs::eStrokeWidth && !(low > 0.0))
    throw Defs::BadParams(L"Stroke width factor must be positive");
  const std::size_t slot = slotOf(dof);
  // [-inf, +inf] is the full range (the translation default); other bounds must be finite.
  constexpr double inf = std::numeric_limits<double>::infinity();
  zones_[slot] = (low == -inf && high == inf) ? vcRange::FullRange() : vcRange(low, high);
}

bool vcShapeSelectTemplateParams::isZoneEnabled(Defs::DOF dof) const {
  return (zoneEnable_ & static_cast<std::uint32_t>(dof)) != 0;
}

void vcShapeSelectTemplateParams::polarities(unsigned long polarities) {
  if (polarities >= 4)
    throw Defs::BadParams(
        L"Polarities must be a bit-wise OR of values from vcShapeSelectDefs::Polarity");
  polarities_ = static_cast<std::uint32_t>(polarities);
}

bool vcShapeSelectTemplateParams::isContainedBy(const vcShapeSelectTemplateParams& outer) const {
  // Every zone enabled here must be enabled outside too.
  if ((zoneEnable_ & outer.zoneEnable_) != zoneEnable_) return false;

  // Zone by zone: an inner zone must lie in the outer one, a fixed value must match or fall in
  // the outer zone.
  for (std::size_t k = 0; k < std::size(kDOFs); ++k) {
    const bool innerOn = (zoneEnable_ & kDOFs[k]) != 0;
    const bool outerOn = (outer.zoneEnable_ & kDOFs[k]) != 0;
    const vcRange& outerZone = outer.zones_[k];
    if (innerOn && outerOn) {
      if (!outerZone.isWithin(zones_[k].start()) || !outerZone.isWithin(zones_[k].end()))
        return false;
    } else if (!innerOn && !outerOn) {
      if (nominals_[k] != outer.nominals_[k]) return false;
    } else if (outerOn && !outerZone.isWithin(nominals_[k])) {
      return false;
    }
  }

  // Every polarity asked for here must be allowed outside.
  return (polarities_ & outer.polarities_) == polarities_;
}
