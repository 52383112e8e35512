#include <cmath>

#include "tavshsl/circle_finder.h"

namespace {

// The checks shared by the constructor and the setters. NaN fails every one of them.
bool radiusRangeOk(const vcRange& r) { return r.range() != vcRange::eOrdinary || r.start() > 0.0; }
bool positive(double v) { return std::isfinite(v) && v > 0.0; }
bool nonNegative(double v) { return std::isfinite(v) && v >= 0.0; }
bool unitShare(double v) { return v >= 0.0 && v <= 1.0; }
bool subSampleOk(long v) { return v >= -1 && v <= 8; }

}  // namespace

vcCircleFinderRunParams::vcCircleFinderRunParams(
    vcCircleFinderDefs::Polarity polarity, const vcRange& radiusRange, long maxNumResults,
    double magThresh, double cstThresh, double coverageThresh, vcCircleFinderDefs::SortBy sortBy,
    double absDeviationTol, double relDeviationTol, double coverageInitialFit, double grabTol,
    long subSample) {
  // All or nothing: one failed check keeps every default.
  const bool ok = radiusRangeOk(radiusRange) && maxNumResults >= 1 && unitShare(coverageThresh) &&
                  unitShare(coverageInitialFit) && positive(magThresh) && positive(cstThresh) &&
                  nonNegative(absDeviationTol) && nonNegative(relDeviationTol) &&
                  nonNegative(grabTol) && subSampleOk(subSample);
  if (!ok) return;
  polarity_ = polarity;
  sortBy_ = sortBy;
  radiusRange_ = radiusRange;
  maxNumResults_ = maxNumResults;
  coverageThresh_ = coverageThresh;
  coverageInitialFit_ = coverageInitialFit;
  magThresh_ = magThresh;
  cstThresh_ = cstThresh;
  absDeviationTol_ = absDeviationTol;
  relDeviationTol_ = relDeviationTol;
  grabTol_ = grabTol;
  subSample_ = subSample;
}

void vcCircleFinderRunParams::radiusRange(const vcRange& v) {
  if (radiusRangeOk(v)) radiusRange_ = v;
}
void vcCircleFinderRunParams::maxNumResults(long v) {
  if (v >= 1) maxNumResults_ = v;
}
void vcCircleFinderRunParams::coverageThresh(double v) {
  if (nonNegative(v)) coverageThresh_ = v;
}
void vcCircleFinderRunParams::coverageInitialFit(double v) {
  if (nonNegative(v)) coverageInitialFit_ = v;
}
void vcCircleFinderRunParams::magThresh(double v) {
  if (positive(v)) magThresh_ = v;
}
void vcCircleFinderRunParams::cstThresh(double v) {
  if (nonNegative(v)) cstThresh_ = v;
}
void vcCircleFinderRunParams::subSample(long v) {
  if (subSampleOk(v)) subSample_ = v;
}
