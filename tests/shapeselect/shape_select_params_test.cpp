#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "expect_error.h"
#include "tavshsl/shape_select_params.h"

namespace {

using Defs = vcShapeSelectDefs;
constexpr auto kNoDOF = static_cast<Defs::DOF>(64);

// The stored zone of every DOF whose zone can be read, for before/after comparisons.
std::vector<double> zonesOf(const vcShapeSelectTemplateParams& p) {
  std::vector<double> z;
  for (Defs::DOF dof :
       {Defs::eTranslationX, Defs::eTranslationY, Defs::eAngle, Defs::eScale, Defs::eStrokeWidth})
    z.insert(z.end(), {p.zoneLow(dof), p.zoneHigh(dof)});
  return z;
}

TEST(TemplateParams, ZoneChecksRunInOrderAndChangeNothing) {
  vcShapeSelectTemplateParams p;
  const std::vector<double> before = zonesOf(p);

  // Aspect is refused before anything else, even with an inverted range.
  EXPECT_ERROR(p.zone(Defs::eAspect, 2, 1), Defs::NotImplemented,
               L"Aspect range is not currently supported");
  // An inverted range is reported before the DOF-specific limits and before an unknown DOF.
  EXPECT_ERROR(p.zone(Defs::eScale, 2, 1), Defs::BadParams, L"low must be <= high");
  EXPECT_ERROR(p.zone(kNoDOF, 2, 1), Defs::BadParams, L"low must be <= high");
  EXPECT_ERROR(p.zone(kNoDOF, 1, 2), Defs::InvalidDOF, L"Unknown DOF");
  // One message for both angle bounds.
  for (auto [low, high] : {std::pair{-361.0, 0.0}, {0.0, 360.5}})
    EXPECT_ERROR(p.zone(Defs::eAngle, low, high), Defs::BadParams,
                 L"Angle range must be specified between -360 and 360");
  EXPECT_ERROR(p.zone(Defs::eScale, 0, 2), Defs::BadParams, L"Scale must be positive");
  EXPECT_ERROR(p.zone(Defs::eStrokeWidth, -1, 2), Defs::BadParams,
               L"Stroke width factor must be positive");
  EXPECT_EQ(zonesOf(p), before);

  // The limits themselves are accepted; translation zones are not limited.
  p.zone(Defs::eAngle, -360, 360);
  p.zone(Defs::eScale, 0.5, 0.5);
  p.zone(Defs::eTranslationX, -1e9, -1e8);
  EXPECT_EQ(p.zoneHigh(Defs::eTranslationX), -1e8);
  // Setting a zone does not enable it; the full range can be set back.
  EXPECT_FALSE(p.isZoneEnabled(Defs::eScale));
  const double inf = std::numeric_limits<double>::infinity();
  p.zone(Defs::eTranslationX, -inf, inf);
  EXPECT_EQ(p.zoneLow(Defs::eTranslationX), -inf);
}

TEST(TemplateParams, AccessorsOfAspectUnknownDOFsAndPolarities) {
  vcShapeSelectTemplateParams p;
  for (auto bound : {&vcShapeSelectTemplateParams::zoneLow, &vcShapeSelectTemplateParams::zoneHigh})
    EXPECT_ERROR((p.*bound)(Defs::eAspect), Defs::NotImplemented,
                 L"Aspect range is not currently supported");
  EXPECT_EQ(p.nominal(Defs::eAspect), 1.0);
  EXPECT_ERROR(p.nominal(kNoDOF), Defs::InvalidDOF, L"Unknown DOF");
  EXPECT_ERROR(p.nominal(kNoDOF, 3.0), Defs::InvalidDOF, L"Unknown DOF");

  // A mask asks whether any of its DOFs is enabled.
  EXPECT_TRUE(p.isZoneEnabled(static_cast<Defs::DOF>(Defs::eScale | Defs::eTranslationY)));

  p.polarities(0);
  EXPECT_ERROR(p.polarities(4), Defs::BadParams,
               L"Polarities must be a bit-wise OR of values from vcShapeSelectDefs::Polarity");
  EXPECT_EQ(p.polarities(), 0u);
}

TEST(TemplateParams, ContainmentOfDOFSettings) {
  const vcShapeSelectTemplateParams defaults;
  EXPECT_TRUE(defaults.isContainedBy(defaults));

  // A zone enabled inside but not outside fails on the bit test alone.
  vcShapeSelectTemplateParams scaled;
  scaled.zoneEnable(scaled.zoneEnable() | Defs::eScale);
  EXPECT_FALSE(scaled.isContainedBy(defaults));
  EXPECT_TRUE(defaults.isContainedBy(scaled));  // nominal scale 1 lies in [1, 1]

  // Both enabled: the inner zone must lie in the outer one, ends included.
  vcShapeSelectTemplateParams narrow;
  narrow.zone(Defs::eAngle, -10, 180);
  EXPECT_TRUE(narrow.isContainedBy(defaults));
  narrow.zone(Defs::eAngle, -10, 181);
  EXPECT_FALSE(narrow.isContainedBy(defaults));

  // Enabled only outside: the inner nominal must lie in the outer zone.
  vcShapeSelectTemplateParams fixedAngle;
  fixedAngle.zoneEnable(Defs::eTranslationX | Defs::eTranslationY);
  fixedAngle.nominal(Defs::eAngle, 5.0);
  EXPECT_TRUE(fixedAngle.isContainedBy(defaults));
  fixedAngle.nominal(Defs::eAngle, 200.0);
  EXPECT_FALSE(fixedAngle.isContainedBy(defaults));

  // Disabled on both sides: nominals must match exactly.
  vcShapeSelectTemplateParams otherScale;
  otherScale.nominal(Defs::eScale, 1.5);
  EXPECT_FALSE(otherScale.isContainedBy(defaults));
  // The aspect DOF takes part too, without raising NotImplemented.
  vcShapeSelectTemplateParams otherAspect;
  otherAspect.nominal(Defs::eAspect, 2.0);
  EXPECT_FALSE(otherAspect.isContainedBy(defaults));

  // Polarities: a subset is contained, a superset is not.
  vcShapeSelectTemplateParams onePolarity;
  onePolarity.polarities(Defs::ePolarity2);
  EXPECT_TRUE(onePolarity.isContainedBy(defaults));
  EXPECT_FALSE(defaults.isContainedBy(onePolarity));
}

TEST(RunParams, ChecksRefuseAndKeepTheOldValue) {
  vcShapeSelectRunParams run;
  run.maxNumResults(3);
  EXPECT_ERROR(run.maxNumResults(0), Defs::BadParams, L"maxNumResults must be positive");
  EXPECT_EQ(run.maxNumResults(), 3);

  run.acceptThreshold(0.0);
  run.acceptThreshold(1.0);
  for (double bad : {-1e-9, 1.0 + 1e-9, std::nan("")})
    EXPECT_ERROR(run.acceptThreshold(bad), Defs::BadParams,
                 L"acceptThreshold must be between 0 and 1 inclusive");
  EXPECT_EQ(run.acceptThreshold(), 1.0);
}

}  // namespace
